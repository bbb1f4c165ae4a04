#include "solver/newton.hpp"

#include <cmath>
#include <string>
#include <string_view>

#include "activity/activity_model.hpp"
#include "activity/constraints.hpp"
#include "equilibria/forced_saturation.hpp"
#include "input/run_input.hpp"
#include "linear/linear.hpp"
#include "solver/charge_balance.hpp"
#include "solver/mass_action.hpp"
#include "solver/row_kind.hpp"
#include "solver/solve_observer.hpp"
#include "solver/solver_state.hpp"
#include "solver/totals.hpp"
#include "text/stop.hpp"

namespace wq {

namespace {

// Damping weights never fall below the single-precision value of 1e-4, so a
// damped equation keeps some pull on the step.
constexpr double MIN_DAMPING_WEIGHT = 9.999999747378752e-05;

// Step rules. A component molality above the activity model's highest
// (10 mol/kg for B-dot) is outside any water the model describes; an H+
// molality at or below 1e-15 (pH 15) likewise.
constexpr double MIN_HYDROGEN_MOLALITY = 1e-15;
constexpr double MIN_MOLALITY = 1e-200;

// An overflow (an unbounded exponent, a huge step) or an undefined value in a
// loop would otherwise spread through every table and end in a listing of
// NaN presented as a result. The run ends instead, naming the equation.
constexpr std::string_view RESIDUAL = "residual";
constexpr std::string_view NEWTON_STEP = "Newton step";

[[noreturn]] void nonFinite(IterationStop::Kind kind, int component, int loop) {
    throw IterationStopped{{kind, component, loop}};
}

std::string nonFiniteReason(const SolverState& prog, std::string_view what, int component, int loop) {
    return "Newton iteration failed: non-finite " + std::string(what) + " of " +
           std::string(prog.sp[component].name.trimmed()) + " in loop " + std::to_string(loop);
}

void requireFiniteResiduals(SolverState& prog, int loop) {
    for (int i = 1; i <= prog.newton.order; ++i)
        if (!std::isfinite(prog.newton.f[i])) nonFinite(IterationStop::Kind::nonFiniteResidual, i, loop);
}

// An undefined step has no meaning any step rule could give it. An infinite
// one may: the rules refuse +inf for a component (above the activity model's
// highest molality) and -inf for H+ (below 1e-15); what they leave infinite
// ends the run in `stepped`.
void requireDefinedStep(SolverState& prog, int loop) {
    for (int i = 1; i <= prog.newton.order; ++i)
        if (std::isnan(prog.newton.x[i])) nonFinite(IterationStop::Kind::nonFiniteStep, i, loop);
}

// ---- assembly --------------------------------------------------------------

void clearSystem(SolverState& prog) {
    NewtonSystem& newton = prog.newton;
    for (int j = 1; j <= newton.order; ++j)
        for (int i = 1; i <= newton.order; ++i) newton.a(i, j) = 0.0;
    for (int i = 1; i <= newton.order; ++i) newton.a(i, i) = prog.run.kgw;
}

// Mass balance of component i:
//     F(i) = kgw m(i) + kgw sum_s nu_si m(s) - Mtot(i)
// with dF/dm(c) = kgw sum_s nu_si nu_sc m(s) / m(c) (from d m(s)/d m(c) =
// nu_sc m(s) / m(c)), and dF/dkgw = the total molality (Mtot(i) + F(i)) / kgw,
// which replaces column 2. For water the free term is kgw 55.50825.
void massBalanceRow(SolverState& prog, int i, const ComponentTerms& terms) {
    NewtonSystem& newton = prog.newton;
    const SpeciesTable& sp = prog.sp;
    const double kgw = prog.run.kgw;
    double f = i == WATER_SLOT ? kgw * MOLES_WATER_PER_KG - prog.comp[WATER_SLOT].mtot
                               : kgw * sp[i].molality - prog.comp[i].mtot;
    // The species naming i, in the order of the table.
    for (const ComponentTerms::Term& named : terms.of(i)) {
        const Species& species = sp[named.species];
        double nuI = species.coef[named.term];
        for (int j = 1; j <= species.itot; ++j) {
            int c = species.comp[j];
            newton.a(i, c) = newton.a(i, c) + nuI * kgw * species.coef[j] * species.molality / sp[c].molality;
        }
        f = f + nuI * species.molality * kgw;
    }
    newton.f[i] = f;
    newton.a(i, WATER_SLOT) = (prog.comp[i].mtot + f) / kgw;
}

void forcedSaturationRow(SolverState& prog, int i, SolveObserver& observer) {
    const Component& c = prog.comp[i];
    const MineralEntry& mineral = prog.minerals[c.forcedMineral];
    if (saturationRow(prog.newton, i, mineral, prog.forced[c.forcedEntry].target, prog.sp)) return;
    observer.mineralWithoutComponent(prog, c.forcedMineral, i);
    stop(ExitStatus::error, "forced mineral " + std::string(mineral.name.trimmed()) + " does not contain " +
                                std::string(prog.sp[i].name.view()));
}

// ---- solution and update ---------------------------------------------------

void setRightHandSide(NewtonSystem& newton) {
    for (int i = 1; i <= newton.order; ++i) newton.a(i, newton.order + 1) = -newton.f[i];
}

// Debug output around the solution: in loop 2 the whole result listing of
// the current state, then in loops 1 and 2 the matrix; the step in every loop.
// A singular system ends the run.
void solveNewtonSystem(SolverState& prog, int loop, SolveObserver& observer) {
    const bool debug = prog.input.debug != 0;
    NewtonSystem& newton = prog.newton;
    if (debug && loop == 2) observer.loopTwoState(prog);
    if (debug && (loop == 1 || loop == 2)) observer.newtonMatrix(newton);
    factorLU(newton, newton.order);
    const LinearSolveReport report = solveLinearSystem(newton, prog.input.refinement);
    if (report.singular) {
        observer.singularSystem();
        stop(ExitStatus::error, "the Newton system is singular");
    }
    if (debug) observer.newtonStep(newton);
    if (prog.input.refinement != 0) observer.linearSolved(report);
}

// One unknown under the step rules: a step that would take a component above
// `highest` (the activity model's highest component molality), or H+ to
// 1e-15 or below, is refused; one that would make the unknown zero or
// negative is halved until it is positive; the result is kept at or above
// 1e-200 with a warning.
double stepped(SolverState& prog, int i, double old, double delta, double highest, SolveObserver& observer) {
    double m = old + delta;
    if (m > highest && i != WATER_SLOT) m = old;
    if (i == HYDROGEN_SLOT && m <= MIN_HYDROGEN_MOLALITY) m = old;
    // An infinite step the rules above did not refuse (the mass of water, or
    // a component going to -inf, whose halving would never end).
    if (!std::isfinite(m)) nonFinite(IterationStop::Kind::nonFiniteStep, i, prog.run.loops);
    // The halving ends once |delta| < old; it is bounded by delta reaching 0
    // for an old value that is not positive, which the clamp below then
    // catches.
    while (m <= 0.0 && delta != 0.0) {
        delta = delta / 2.0;
        m = old + delta;
    }
    if (m <= MIN_MOLALITY) {
        observer.molalityFloored(prog, i, MIN_MOLALITY);
        m = MIN_MOLALITY;
    }
    return m;
}

// ---- activities and convergence --------------------------------------------

// The charges of the water without their signs, in equivalents: the terms
// of the charge imbalance (chargeImbalance).
double chargeTerms(const SolverState& prog) {
    const SpeciesTable& sp = prog.sp;
    double sum = sp[HYDROGEN_SLOT].molality;
    for (int s = WATER_SLOT + 1; s <= sp.count; ++s) sum += std::fabs(sp[s].charge) * sp[s].molality;
    return prog.run.kgw * sum;
}

// The amounts the mass balance of component i sums, without their signs:
// the free component (for water its 55.50825 mol/kg), every species naming
// it and the total; for the component that carries the charge balance also
// the charges of the water, from whose imbalance its total was set.
double balanceTerms(const SolverState& prog, int i, const ComponentTerms& terms) {
    const SpeciesTable& sp = prog.sp;
    const double kgw = prog.run.kgw;
    double sum = kgw * (i == WATER_SLOT ? MOLES_WATER_PER_KG : sp[i].molality) + std::fabs(prog.comp[i].mtot);
    for (const ComponentTerms::Term& named : terms.of(i)) {
        const Species& species = sp[named.species];
        sum += std::fabs(species.coef[named.term]) * species.molality * kgw;
    }
    if (i == prog.input.chargeBalancePosition && balancesCharge(prog.input, prog.conditions, prog.forced))
        sum += chargeTerms(prog);
    return sum;
}

// A residual beyond its tolerance that the rounding of its balance's terms
// still covers, by the activity model's resolution (0: none does).
bool withinRounding(const SolverState& prog, int i, const ComponentTerms& terms) {
    const double resolution = prog.activityModel->balanceResolution();
    if (!(resolution > 0.0)) return false;
    const int icm = prog.input.fixedActivityPosition;
    if (rowKind(prog, i, icm, alkalinityComponent(prog)) != RowKind::massBalance) return false;
    return std::fabs(prog.newton.f[i]) <= resolution * balanceTerms(prog, i, terms);
}

bool withinTolerances(const SolverState& prog, const ComponentTerms& terms) {
    for (int i = 1; i <= prog.newton.order; ++i)
        if (!(std::fabs(prog.newton.f[i]) <= prog.comp[i].tolerance) && !withinRounding(prog, i, terms)) return false;
    return true;
}

void refreshActivityCoefficients(SolverState& prog, SolveObserver& observer) {
    refreshGammas(prog);
    if (prog.input.debug != 0) observer.activityCoefficientsRefreshed();
}

// The rows of the system; `terms` lists the species naming each component
// (the reactions do not change while a run is solved).
void assembleWith(SolverState& prog, const ComponentTerms& terms, SolveObserver& observer) {
    clearSystem(prog);
    const RunInput& in = prog.input;
    const int icm = in.fixedActivityPosition;
    const int icarb = alkalinityComponent(prog);
    const bool debug = in.debug != 0;
    const int nc = prog.comp.count;
    for (int i = 1; i <= nc; ++i) {
        switch (rowKind(prog, i, icm, icarb)) {
            case RowKind::fixedPH:
                if (debug) observer.fixedPHRowUsed();
                fixedPHRow(prog.newton, prog.sp, nc, prog.conditions.pH);
                break;
            case RowKind::fixedActivity: fixedActivityRow(prog.newton, prog.sp, nc, i, in.fixedActivity); break;
            case RowKind::alkalinity:
                alkalinityRow(prog.newton, prog.sp, nc, i, prog.comp, prog.conditions.alkalinity, prog.run.kgw);
                if (debug) observer.alkalinityRowUsed();
                break;
            case RowKind::saturation: forcedSaturationRow(prog, i, observer); break;
            case RowKind::massBalance: massBalanceRow(prog, i, terms); break;
        }
    }
}

}  // namespace

void assembleSystem(SolverState& prog, SolveObserver& observer) {
    ComponentTerms& terms = prog.storage.massBalanceTerms;
    terms.build(prog.sp, prog.comp.count);
    assembleWith(prog, terms, observer);
}

void dampResiduals(SolverState& prog) {
    const double damping = prog.input.damping;
    if (!(damping > 0.0 && damping < 1.0)) return;
    NewtonSystem& newton = prog.newton;
    for (int i = 1; i <= newton.order; ++i) {
        Component& c = prog.comp[i];
        const double f = newton.f[i];
        if (std::fabs(c.prevResidual) > std::fabs(f)) {
            c.weight = 1.0;
        } else {
            // A residual that did not shrink counts less and less, loop
            // after loop; the floor applies from the next loop on.
            c.weight = damping * c.weight;
            newton.f[i] = c.weight * f;
            if (c.weight < MIN_DAMPING_WEIGHT) c.weight = MIN_DAMPING_WEIGHT;
        }
        c.prevResidual = f;
    }
}

namespace {

void applyStep(SolverState& prog, SolveObserver& observer) {
    SpeciesTable& sp = prog.sp;
    // During the update the water slot holds the unknown of the water
    // equation, the mass of water.
    sp[WATER_SLOT].molality = prog.run.kgw;
    const double highest = prog.activityModel->highestComponentMolality();
    for (int i = 1; i <= prog.newton.order; ++i)
        sp[i].molality = stepped(prog, i, sp[i].molality, prog.newton.x[i], highest, observer);
    prog.run.kgw = sp[WATER_SLOT].molality;
    sp[WATER_SLOT].molality = 1.0;
}

// False when it gave up unconverged after `tryLoops` loops (0: never).
bool iterateLoops(SolverState& prog, SolveObserver& observer, int tryLoops) {
    const int nc = prog.comp.count;
    const ComponentTerms& terms = prog.storage.massBalanceTerms;
    prog.newton.order = nc;
    prog.run.loops = 0;
    for (int loop = 0;;) {
        observer.loopStarting(loop, prog.activity.ionicStrength);
        ++loop;
        prog.run.loops = loop;
        prog.sp[WATER_SLOT].molality = 1.0;

        if (prog.forced.count > 0) recomputeForcedTotals(prog);
        // The first loop starts from the given totals: fixed totals are not
        // rebuilt from the starting guesses, nor is the charge balanced
        // against them.
        const bool fixedTotals = hasFixedTotals(prog.input, prog.conditions);
        if (!(fixedTotals && loop == 1)) {
            if (fixedTotals) recomputeFixedTotals(prog);
            if (chargeBalanceDue(prog)) adjustBalance(prog, loop);
        }

        assembleWith(prog, terms, observer);
        dampResiduals(prog);
        requireFiniteResiduals(prog, loop);
        setRightHandSide(prog.newton);
        solveNewtonSystem(prog, loop, observer);
        requireDefinedStep(prog, loop);
        applyStep(prog, observer);
        massActionUpdate(prog.sp, nc);

        // A limit of 0 or below ends after the first loop, like a limit of 1,
        // and is reported as not converged: the loop must end somewhere.
        if (loop >= prog.input.loopLimit) return true;

        const bool highMolality = refreshActivities(prog);
        if (prog.input.debug != 0) observer.loopEnded(loop, prog.activity.ionicStrength);
        // F is this loop's damped residual, so convergence is judged on the
        // state before the step; the first loop never ends here.
        if (loop != 1 && withinTolerances(prog, terms)) return true;
        if (loop == tryLoops) return false;

        if (!highMolality) refreshActivityCoefficients(prog, observer);
        massActionUpdate(prog.sp, nc);
    }
}

}  // namespace

bool iterateUntilStop(SolverState& prog, SolveObserver& observer, IterationStop& stopped) {
    try {
        iterateLoops(prog, observer, 0);
        return true;
    } catch (const IterationStopped& s) {
        stopped = s.what;
        return false;
    }
}

bool convergesWithin(SolverState& prog, SolveObserver& observer, int loops) {
    try {
        return iterateLoops(prog, observer, loops) && !reachedLoopLimit(prog);
    } catch (const IterationStopped&) {
        return false;
    }
}

std::string iterationStopReason(const SolverState& prog, const IterationStop& stopped) {
    switch (stopped.kind) {
        case IterationStop::Kind::chargeImbalance: return imbalanceReason(prog, stopped.component);
        case IterationStop::Kind::nonFiniteResidual: return nonFiniteReason(prog, RESIDUAL, stopped.component, stopped.loop);
        case IterationStop::Kind::nonFiniteStep: return nonFiniteReason(prog, NEWTON_STEP, stopped.component, stopped.loop);
    }
    return {};
}

namespace {

[[noreturn]] void reportStop(SolverState& prog, const IterationStop& stopped, SolveObserver& observer) {
    observer.iterationStopped(prog, stopped);
    stop(ExitStatus::error, iterationStopReason(prog, stopped));
}

}  // namespace

void iterate(SolverState& prog, SolveObserver& observer) {
    prog.storage.massBalanceTerms.build(prog.sp, prog.comp.count);
    IterationStop stopped;
    if (!iterateUntilStop(prog, observer, stopped)) reportStop(prog, stopped, observer);
}

// The phases on their own report their stops at once.

void adjustChargeBalance(SolverState& prog, int loop, SolveObserver& observer) {
    try {
        adjustBalance(prog, loop);
    } catch (const IterationStopped& s) {
        reportStop(prog, s.what, observer);
    }
}

void applyNewtonStep(SolverState& prog, SolveObserver& observer) {
    try {
        applyStep(prog, observer);
    } catch (const IterationStopped& s) {
        reportStop(prog, s.what, observer);
    }
}

bool reachedLoopLimit(const SolverState& prog) { return !(prog.run.loops < prog.input.loopLimit); }

}  // namespace wq
