#include "solver/snapshot.hpp"

#include "solver/solver_state.hpp"
#include "text/stop.hpp"

namespace wq {

void capture(const SolverState& prog, SpeciationSnapshot& s) {
    s.speciesCount = prog.sp.count;
    s.species.growTo(prog.sp.count);
    for (int i = 1; i <= prog.sp.count; ++i) {
        const Species& species = prog.sp[i];
        s.species[i] = {species.molality, species.gamma, species.activity};
    }
    s.comp = prog.comp;
    s.kgw = prog.run.kgw;
    s.loops = prog.run.loops;
    s.chargeImbalance = prog.run.chargeImbalance;
    s.chargeBalanceFrozen = prog.run.chargeBalanceFrozen;
    s.activityValues = prog.activity;
}

void restore(SolverState& prog, const SpeciationSnapshot& s) {
    if (s.speciesCount != prog.sp.count) throw InternalError{"a speciation restored into another run"};
    for (int i = 1; i <= prog.sp.count; ++i) {
        Species& species = prog.sp[i];
        const SpeciationSnapshot::SpeciesValues& kept = s.species[i];
        species.molality = kept.molality;
        species.gamma = kept.gamma;
        species.activity = kept.activity;
    }
    prog.comp = s.comp;
    prog.run.kgw = s.kgw;
    prog.run.loops = s.loops;
    prog.run.chargeImbalance = s.chargeImbalance;
    prog.run.chargeBalanceFrozen = s.chargeBalanceFrozen;
    prog.activity = s.activityValues;
}

}  // namespace wq
