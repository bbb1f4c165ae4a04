#include "solver/charge_balance.hpp"

#include <cmath>
#include <string>

#include "input/run_input.hpp"
#include "solver/mass_action.hpp"
#include "solver/solver_state.hpp"
#include "solver/totals.hpp"

namespace wq {

namespace {

// Charge-balance freeze: a change of the total below this fraction of it
// (the single-precision value of 1e-5) after loop FREEZE_AFTER_LOOP.
constexpr double CHARGE_BALANCE_SETTLED = 9.999999747378752e-06;
constexpr int FREEZE_AFTER_LOOP = 30;

[[noreturn]] void imbalanceTooLarge(const SolverState& prog, int icb) {
    throw IterationStopped{{IterationStop::Kind::chargeImbalance, icb, prog.run.loops}};
}

// The total of an ion that carries the charge balance, moved by d: the
// correction is halved while it would leave no positive total. With a
// positive old total this ends once |d| < old. With a total of 0 (or below)
// no halving can help: d runs down to 0 and the ion counts as exhausted,
// which stops the run.
double positiveTotalAfter(const SolverState& prog, int icb, double old, double d) {
    double total = old - d;
    while (total <= 0.0 && d != 0.0) {
        d = d / 2.0;
        total = old - d;
    }
    if (total <= 0.0 || total <= prog.run.chargeBalanceThreshold) imbalanceTooLarge(prog, icb);
    return total;
}

// The H+ balance as the solution holds it now, kgw (m(H+) + sum_s nu m(s)),
// and the protons it counts without their signs (nu: the first term of the
// species naming H+, as in the mass-balance row).
double protonBalance(const SolverState& prog, bool gross) {
    const SpeciesTable& sp = prog.sp;
    double sum = sp[HYDROGEN_SLOT].molality;
    for (int s = prog.comp.count + 1; s <= sp.count; ++s) {
        int t = firstTermNaming(sp[s], HYDROGEN_SLOT);
        if (t != 0) sum += (gross ? std::fabs(sp[s].coef[t]) : sp[s].coef[t]) * sp[s].molality;
    }
    return prog.run.kgw * sum;
}

// The total of H+ that makes the solution neutral: the proton balance it
// holds now, less the imbalance. H+ total is a proton balance, not an amount
// of a substance, and is negative in an alkaline water, so no sign limits it.
// The change is halved while it exceeds half of the protons held on both
// sides of the balance: a larger one asks the Newton step for more than a
// linear step in m(H+) can give (a refused H+ step would leave the pH where
// it is while the total ran on).
double neutralProtonTotal(const SolverState& prog, double imbalance) {
    const double gross = protonBalance(prog, true);
    double d = imbalance;
    while (std::fabs(d) > 0.5 * gross && d != 0.0) d = d / 2.0;
    return protonBalance(prog, false) - d;
}

}  // namespace

std::string imbalanceReason(const SolverState& prog, int icb) {
    return "the charge imbalance exceeds the total of " + std::string(prog.sp[icb].name.trimmed()) +
           ", which cannot balance it";
}

// The adjustment runs in every loop in which something else already moves a
// total (forced minerals, fixed pH/activity/alkalinity) or the user asked for
// it, until it freezes.
//
// The freeze is a flag of its own. Marking it by overwriting the charge-balance
// position with a reserved position number would collide with a real
// component standing at that position, whose charge balance would then
// silently never run.
bool chargeBalanceDue(const SolverState& prog) {
    return !prog.run.chargeBalanceFrozen && balancesCharge(prog.input, prog.conditions, prog.forced);
}

void adjustBalance(SolverState& prog, int loop) {
    const int icb = prog.input.chargeBalancePosition;
    Component& c = prog.comp[icb];
    const double s = chargeImbalance(prog);
    prog.run.chargeImbalance = s;

    const double old = c.mtot;
    const double total = icb == HYDROGEN_SLOT ? neutralProtonTotal(prog, s)
                                  : positiveTotalAfter(prog, icb, old, s / prog.sp[icb].charge);
    c.mtot = total;

    // A proton balance can be near 0 while large amounts of protons are
    // held on both sides of it; its tolerance follows those amounts.
    const double scale = icb == HYDROGEN_SLOT ? protonBalance(prog, true) : std::fabs(total);
    c.tolerance = scale * prog.input.convergence;
    if (std::fabs(total - old) < CHARGE_BALANCE_SETTLED * std::fabs(old) && loop > FREEZE_AFTER_LOOP)
        prog.run.chargeBalanceFrozen = true;
}

}  // namespace wq
