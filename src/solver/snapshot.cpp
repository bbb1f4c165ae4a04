#include "solver/snapshot.hpp"

#include "solver/solver_state.hpp"
#include "text/stop.hpp"

namespace wq {

void capture(const SolverState& prog, SpeciationSnapshot& s) {
    s.speciesCount = prog.sp.count;
    for (int i = 1; i <= prog.sp.count; ++i) {
        s.molality[i] = prog.sp[i].molality;
        s.gamma[i] = prog.sp[i].gamma;
        s.activity[i] = prog.sp[i].activity;
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
        prog.sp[i].molality = s.molality[i];
        prog.sp[i].gamma = s.gamma[i];
        prog.sp[i].activity = s.activity[i];
    }
    prog.comp = s.comp;
    prog.run.kgw = s.kgw;
    prog.run.loops = s.loops;
    prog.run.chargeImbalance = s.chargeImbalance;
    prog.run.chargeBalanceFrozen = s.chargeBalanceFrozen;
    prog.activity = s.activityValues;
}

}  // namespace wq
