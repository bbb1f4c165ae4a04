#include "solver/joint_solve.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "input/run_input.hpp"
#include "solver/joint_newton.hpp"
#include "solver/mass_action.hpp"
#include "solver/snapshot.hpp"
#include "solver/solver_state.hpp"
#include "solver/totals.hpp"
#include "text/number_text.hpp"

namespace wq {

namespace {

// Iteration budgets: of a plain solve (the water, or the easier problem); of
// each continuation step; of the whole continuation.
constexpr int PLAIN_ITERATIONS = 60;
constexpr int STEP_ITERATIONS = 25;
constexpr int CONTINUATION_ITERATIONS = 400;

// Continuation: the first step in t, and the shortest before it gives up.
constexpr double FIRST_CONTINUATION_STEP = 0.25;
constexpr double SHORTEST_CONTINUATION_STEP = 1.0 / 4096.0;

// The intermediate problems of the continuation are solved to this
// tolerance; only the last one, the water itself, to the run's.
constexpr double CONTINUATION_TOLERANCE = 1e-6;

// No tolerance below this: a balance of sums carries a rounding of about
// 1e-16 of its terms, and the activity coefficients are refreshed to it.
constexpr double FINEST_TOLERANCE = 1e-12;

double tolerance(const SolverState& prog) { return std::max(prog.input.convergence, FINEST_TOLERANCE); }

// Starts sys from the state as it stands: pinned rows at their values, the
// result totals and activity coefficients made consistent with the start.
void startFrom(SolverState& prog, JointSystem& sys, JointVector& u) {
    jointUnknowns(prog, u);
    for (int i = 1; i <= sys.order; ++i) {
        const bool held = sys.row[i] == JointRow::pinned || sys.row[i] == JointRow::absent;
        u[i] = held ? sys.pinnedAt[i] : std::clamp(u[i], lowerBound(i), upperBound(sys, i));
    }
    setJointUnknowns(prog, u);
    refreshAfterStep(prog, sys);
}

// The rows whose totals are results, which the easier problem holds still.
bool heldAtFirst(JointRow row) {
    return row == JointRow::electroneutrality || row == JointRow::alkalinity || row == JointRow::saturation;
}

// The continuation from the easier problem to the water as sys states it.
// True when it reaches the water; u and the state are then its solution.
bool continueFromEasier(SolverState& prog, const SpeciationSnapshot& start, const JointSystem& sys,
                        JointVector& u, int& used) {
    restore(prog, start);
    JointSystem easier = sys;
    jointUnknowns(prog, u);
    bool anyHeld = false;
    for (int i = 1; i <= sys.order; ++i) {
        if (!heldAtFirst(sys.row[i])) continue;
        easier.row[i] = JointRow::pinned;
        easier.pinnedAt[i] = std::clamp(u[i], lowerBound(i), upperBound(sys, i));
        anyHeld = true;
    }
    if (!anyHeld) return false;
    startFrom(prog, easier, u);
    if (!newtonSolve(prog, easier, u, CONTINUATION_TOLERANCE, PLAIN_ITERATIONS, used)) return false;

    // F(u0): the residuals of the water at the easier problem's solution;
    // the path solves F(u) - (1 - t) F(u0) = 0 from t = 0 to t = 1.
    JointSystem path = sys;
    JointVector f0;
    setJointUnknowns(prog, u);
    jointResiduals(prog, path, f0);

    SpeciationSnapshot& reached = prog.storage.continuationReached;  // the state at the last t reached
    capture(prog, reached);
    JointVector uReached = u;
    double t = 0.0;
    double dt = FIRST_CONTINUATION_STEP;
    while (t < 1.0) {
        const double next = std::min(1.0, t + dt);
        for (int i = 1; i <= sys.order; ++i) path.shift[i] = sys.shift[i] + (1.0 - next) * f0[i];
        u = uReached;
        const double wanted = next == 1.0 ? tolerance(prog) : CONTINUATION_TOLERANCE;
        if (newtonSolve(prog, path, u, wanted, STEP_ITERATIONS, used)) {
            t = next;
            uReached = u;
            capture(prog, reached);
            dt = std::min(2.0 * dt, 1.0);
            continue;
        }
        restore(prog, reached);
        dt /= 4.0;
        if (dt < SHORTEST_CONTINUATION_STEP || used >= CONTINUATION_ITERATIONS) return false;
    }
    u = uReached;
    return true;
}

// The water of sys from the run's starting state: the plain solve, then the
// continuation. The state is the solution when it returns true.
bool solveWater(SolverState& prog, const SpeciationSnapshot& start, JointSystem& sys, int& used) {
    JointVector u;
    restore(prog, start);
    startFrom(prog, sys, u);
    if (newtonSolve(prog, sys, u, tolerance(prog), PLAIN_ITERATIONS, used)) return true;
    return continueFromEasier(prog, start, sys, u, used);
}

// Totals and activities of the solution, as the iteration leaves them. The
// charge imbalance of the run (which the listing reports as the adjustment
// made) is the one the balance removed: that of the starting state.
void finish(SolverState& prog, const JointSystem& sys, double startImbalance) {
    updateResultTotals(prog, sys);
    splitElementTotals(prog, sys);
    refreshActivities(prog);
    prog.run.chargeImbalance = rowOf(sys, JointRow::electroneutrality) != 0 ? startImbalance : 0.0;
}

// ---- infeasibility ----------------------------------------------------------

std::string scientific(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3e", v);
    return text;
}

// At most `decimals` decimals, trailing zeros dropped: 200, 25.5.
std::string plain(double v, int decimals) {
    std::string s = fixedText(v, decimals);
    if (s.find('.') == std::string::npos) return s;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s;
}

std::string nameOf(const SolverState& prog, int i) { return std::string(prog.sp[i].name.trimmed()); }

// True when every species of the carbonate component (and the component
// itself) carries an alkalinity of 0 or more: carbonate then adds to the
// alkalinity and never takes from it.
bool carbonateOnlyAdds(const SolverState& prog, int carbonate) {
    if (prog.sp[carbonate].alkFactor < 0.0) return false;
    for (int s = prog.comp.count + 1; s <= prog.sp.count; ++s)
        if (firstTermNaming(prog.sp[s], carbonate) != 0 && prog.sp[s].alkFactor < 0.0) return false;
    return true;
}

double carriedAlkalinity(const SolverState& prog) {
    double sum = 0.0;
    for (int s = 1; s <= prog.sp.count; ++s) sum += prog.sp[s].alkFactor * prog.sp[s].molality;
    return sum;
}

// Alkalinity: the water with no carbonate at all (its molality held at
// 1e-200) and every other condition as given. The species that are left
// carry an alkalinity A0; carbonate can only add to it, so an alkalinity below
// A0 has no carbonate total.
std::string probeAlkalinity(SolverState& prog, const SpeciationSnapshot& start, const JointSystem& sys, int a,
                            int& used) {
    if (!carbonateOnlyAdds(prog, a)) return {};
    JointSystem noCarbonate = sys;
    noCarbonate.row[a] = JointRow::pinned;
    noCarbonate.pinnedAt[a] = LN_MIN_MOLALITY;
    if (!solveWater(prog, start, noCarbonate, used)) return {};
    const double carried = carriedAlkalinity(prog);
    const double asked = alkalinityPerKg(prog);
    if (!(carried > asked)) return {};
    const double pH = -std::log10(prog.sp[HYDROGEN_SLOT].gamma * prog.sp[HYDROGEN_SLOT].molality);
    return "alkalinity " + scientific(asked) + " eq/kgw is below the " + scientific(carried) +
           " eq/kgw carried by non-carbonate species at " + plain(prog.conditions.temperature, 2) + " C and pH " +
           fixedText(pH, 2) + ": no carbonate total can meet it";
}

// More carbonate than any water holds (mol/kgw): ten times the solubility
// of CO2 under a kilobar.
constexpr double CARBONATE_CEILING = 10.0;

// Alkalinity, from above: the water with the most carbonate a water could
// hold (CARBONATE_CEILING) as a total, every other condition as given. When
// even that carries less alkalinity than asked (at a low fixed pH most of it
// is CO2,aq, which carries none), no carbonate total meets the alkalinity.
std::string probeAlkalinityCeiling(SolverState& prog, const SpeciationSnapshot& start, const JointSystem& sys,
                                   int a, int& used) {
    if (!pHFixed(prog) || !carbonateOnlyAdds(prog, a)) return {};
    SpeciationSnapshot& most = prog.storage.probeStart;
    most = start;
    most.comp[a].mtot = CARBONATE_CEILING * start.kgw;
    JointSystem capped = sys;
    capped.row[a] = JointRow::massBalance;
    if (!solveWater(prog, most, capped, used)) return {};
    const double carried = carriedAlkalinity(prog);
    const double asked = alkalinityPerKg(prog);
    if (!(carried < asked)) return {};
    return "alkalinity " + scientific(asked) + " eq/kgw is more than " + plain(CARBONATE_CEILING, 0) +
           " mol/kgw of carbonate, more than any water holds, carries at " + plain(prog.conditions.temperature, 2) +
           " C and pH " + fixedText(prog.conditions.pH, 2) + " (" + scientific(carried) +
           " eq/kgw, the non-carbonate species counted): no carbonate total can meet it";
}

// The total of the balancing ion e that makes the water of the current state
// neutral, with the totals of the other components as they stand: every
// reaction conserves charge, so each mole of the ion changes the charge of
// the water by z(e), whatever species it forms.
double neededTotal(const SolverState& prog, int e) { return -chargeImbalance(prog) / prog.sp[e].charge; }

// Charge balance: the water with none of the balancing ion (its molality held
// at 1e-200). When the ion must then be added with a negative total, no water
// holding it can be neutral. A forced mineral is named as the cause when the
// water with that component at its given total instead would take a
// positive one.
std::string probeBalance(SolverState& prog, const SpeciationSnapshot& start, const JointSystem& sys, int e,
                         int& used) {
    JointSystem noIon = sys;
    noIon.row[e] = JointRow::pinned;
    noIon.pinnedAt[e] = LN_MIN_MOLALITY;
    if (!solveWater(prog, start, noIon, used)) return {};
    const double needed = neededTotal(prog, e);
    if (!(needed < 0.0)) return {};
    const std::string ion = nameOf(prog, e);
    const std::string balance =
        "balancing on " + ion + " needs a negative " + ion + " total (" + scientific(needed) + " mol)";
    JointVector held;
    for (int q = 1; q <= sys.order; ++q) held[q] = heldTotal(prog, q);
    for (int q = 1; q <= sys.order; ++q) {
        if (sys.row[q] != JointRow::saturation || !(start.comp[q].mtot > 0.0)) continue;
        JointSystem given = noIon;
        given.row[q] = JointRow::massBalance;
        if (!solveWater(prog, start, given, used) || neededTotal(prog, e) < 0.0) continue;
        const ForcedSaturation& entry = prog.forced[prog.comp[q].forcedEntry];
        return "holding " + std::string(entry.mineral.trimmed()) + " at log Q/K " + fixedText(entry.target, 3) +
               " puts " + scientific(held[q]) + " mol of " + nameOf(prog, q) + " in the water, so " + balance;
    }
    return balance;
}

std::string heldMineral(const SolverState& prog, int q) {
    const ForcedSaturation& entry = prog.forced[prog.comp[q].forcedEntry];
    return std::string(entry.mineral.trimmed()) + " at log Q/K " + fixedText(entry.target, 3);
}

// Forced minerals: the water with one held mineral released (its component
// at its given total), every other condition as given. When that water has
// a solution, the mineral held at its index is the condition no water meets
// with the others. When none has, every held mineral is named.
std::string probeForcedMinerals(SolverState& prog, const SpeciationSnapshot& start, const JointSystem& sys,
                                int& used) {
    std::string held;
    for (int q = 1; q <= sys.order; ++q) {
        if (sys.row[q] != JointRow::saturation) continue;
        held += (held.empty() ? "" : ", ") + heldMineral(prog, q);
        JointSystem released = sys;
        released.row[q] = JointRow::massBalance;
        if (!solveWater(prog, start, released, used)) continue;
        return "no water holds " + heldMineral(prog, q) + " with the other conditions (released, with " +
               scientific(start.comp[q].mtot) + " mol of " + nameOf(prog, q) + ", the water has a solution)";
    }
    if (held.empty()) return {};
    const bool balanced = rowOf(sys, JointRow::electroneutrality) != 0;
    return "no water holds " + held + (balanced ? " and is electroneutral" : "") +
           " at once, nor with any one of the minerals released";
}

std::string probeInfeasibility(SolverState& prog, const SpeciationSnapshot& start, const JointSystem& sys,
                               int& used) {
    if (const int a = rowOf(sys, JointRow::alkalinity); a != 0) {
        std::string why = probeAlkalinity(prog, start, sys, a, used);
        if (why.empty()) why = probeAlkalinityCeiling(prog, start, sys, a, used);
        if (!why.empty()) return why;
    }
    // The H+ total is a proton balance, of either sign: it has none to fail.
    if (const int e = rowOf(sys, JointRow::electroneutrality); e != 0 && e != HYDROGEN_SLOT) {
        std::string why = probeBalance(prog, start, sys, e, used);
        if (!why.empty()) return why;
    }
    return probeForcedMinerals(prog, start, sys, used);
}

}  // namespace

JointResult jointSolve(SolverState& prog) {
    JointResult result;
    JointSystem sys = jointSystem(prog);
    if (rowOf(sys, JointRow::fixedActivity) != 0 && !(prog.input.fixedActivity > 0.0)) return result;
    SpeciationSnapshot& start = prog.storage.jointStart;
    capture(prog, start);
    const double startImbalance = chargeImbalance(prog);
    result.solved = solveWater(prog, start, sys, result.iterations);
    if (result.solved) {
        finish(prog, sys, startImbalance);
        return result;
    }
    result.infeasibility = probeInfeasibility(prog, start, sys, result.iterations);
    return result;
}

}  // namespace wq
