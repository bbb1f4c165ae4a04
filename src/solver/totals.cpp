#include "solver/totals.hpp"

#include <limits>

#include "activity/activity_model.hpp"
#include "input/db_numbers.hpp"
#include "solver/mass_action.hpp"
#include "solver/solver_state.hpp"

namespace wq {

bool pHFixed(const SolverState& prog) { return prog.conditions.pH != 0.0; }

int alkalinityComponent(const SolverState& prog) {
    return prog.conditions.alkalinity != 0.0 ? prog.map.position(db::CARBONATE) : 0;
}

bool refreshActivities(SolverState& prog) {
    SpeciesTable& sp = prog.sp;
    bool high = false;
    const double highest = prog.run.refreshEveryMolality ? std::numeric_limits<double>::infinity()
                                                         : prog.activityModel->highestRefreshedMolality();
    // With a fixed pH, H+ keeps the activity 10^-pH the set-up gave it.
    const int first = pHFixed(prog) ? HYDROGEN_SLOT + 1 : HYDROGEN_SLOT;
    for (int s = first; s <= sp.count; ++s) {
        sp[s].activity = sp[s].molality * sp[s].gamma;
        if (sp[s].molality > highest) high = true;
    }
    return high;
}

void refreshGammas(SolverState& prog) {
    prog.activityModel->refresh(prog.sp, WaterComposition{prog.comp, prog.map, prog.run.kgw}, prog.activity);
}

double chargeImbalance(const SolverState& prog) {
    const SpeciesTable& sp = prog.sp;
    double kgw = prog.run.kgw;
    double s = kgw * sp[HYDROGEN_SLOT].molality;
    for (int i = WATER_SLOT + 1; i <= sp.count; ++i) s += sp[i].charge * sp[i].molality * kgw;
    return s;
}

double heldTotal(const SolverState& prog, int i) {
    const SpeciesTable& sp = prog.sp;
    double sum = sp[i].molality;
    for (int s = prog.comp.count + 1; s <= sp.count; ++s) {
        int t = firstTermNaming(sp[s], i);
        if (t != 0) sum = sum + sp[s].coef[t] * sp[s].molality;
    }
    return prog.run.kgw * sum;
}

double heldTotal(const SolverState& prog, int i, const ComponentTerms& terms) {
    const SpeciesTable& sp = prog.sp;
    double sum = sp[i].molality;
    for (const ComponentTerms::Term& named : terms.of(i)) sum += sp[named.species].coef[named.term] * sp[named.species].molality;
    return prog.run.kgw * sum;
}

void recomputeForcedTotals(SolverState& prog) {
    for (int e = 1; e <= prog.forced.count; ++e) {
        int q = prog.forced[e].component;
        prog.comp[q].mtot = heldTotal(prog, q);
    }
}

void recomputeFixedTotals(SolverState& prog) {
    const SpeciesTable& sp = prog.sp;
    ComponentTable& comp = prog.comp;
    const double kgw = prog.run.kgw;
    const bool pH = pHFixed(prog);
    const int icm = prog.input.fixedActivityPosition;
    const int icarb = alkalinityComponent(prog);

    if (pH) comp[HYDROGEN_SLOT].mtot = kgw * sp[HYDROGEN_SLOT].molality;
    if (icm != 0) comp[icm].mtot = kgw * sp[icm].molality;
    if (icarb != 0) comp[icarb].mtot = kgw * sp[icarb].molality;
    for (int s = prog.comp.count + 1; s <= sp.count; ++s) {
        const Species& species = sp[s];
        // For H+ only the first term is looked at: the H+ total of a fixed
        // pH counts the species whose reaction starts with H+.
        if (pH && species.itot >= 1 && species.comp[1] == HYDROGEN_SLOT)
            comp[HYDROGEN_SLOT].mtot += species.coef[1] * species.molality * kgw;
        for (int j = 1; j <= species.itot; ++j) {
            int c = species.comp[j];
            if (icm != 0 && c == icm) comp[icm].mtot += species.coef[j] * species.molality * kgw;
            if (icarb != 0 && c == icarb) comp[icarb].mtot += species.coef[j] * species.molality * kgw;
        }
    }
}

}  // namespace wq
