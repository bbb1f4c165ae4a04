#include "solver/setup.hpp"

#include <cmath>
#include <string>

#include "activity/activity_model.hpp"
#include "grid/units.hpp"
#include "equilibria/forced_saturation.hpp"
#include "solver/solver_state.hpp"
#include "solver/solve_observer.hpp"
#include "solver/mass_action.hpp"
#include "input/db_numbers.hpp"
#include "text/stop.hpp"

namespace wq {

namespace {

// The charge balance gives up when the adjusted total falls to this fraction
// of the starting total: the single-precision value of 1e-8.
constexpr double CHARGE_BALANCE_FLOOR = 9.99999993922529e-09;

// Database component number of the carbonate component of an alkalinity.

// Component 2 is given as kilograms of water; the solver counts it in moles.
void convertWaterTotal(SolverState& prog) {
    prog.run.kgw = prog.comp[WATER_SLOT].mtot;
    prog.comp[WATER_SLOT].mtot = MOLES_WATER_PER_KG * prog.run.kgw;
}

// Tolerance of the saturation equation of a forced mineral: the equation is
// in log units, so it scales with the mineral's log K rather than a total.
double forcedMineralTolerance(const SolverState& prog, int mineral) {
    double eps = prog.input.convergence;
    double tolerance = std::fabs(eps * prog.minerals[mineral].logK * 10.0);
    return tolerance == 0.0 ? 10.0 * eps : tolerance;
}

// A forced mineral the run has not found ends the run.
void requireForcedMinerals(SolverState& prog, SolveObserver& observer) {
    const int missing = missingForcedMineral(prog.forced, prog.comp);
    if (missing == 0) return;
    observer.forcedMineralMissing(prog, missing);
    stop(ExitStatus::error, "forced mineral " + std::string(prog.forced[missing].mineral.trimmed()) +
                                " not found among the minerals of the run");
}

}  // namespace

void setTolerances(SolverState& prog) {
    const RunInput& in = prog.input;
    double eps = in.convergence;
    for (int i = 1; i <= prog.comp.count; ++i) {
        Component& c = prog.comp[i];
        c.tolerance = c.mtot == 0.0 ? eps : std::fabs(c.mtot) * eps;
        if (c.forcedMineral != 0) c.tolerance = forcedMineralTolerance(prog, c.forcedMineral);
    }
    // Equations whose unknown is not a total: tolerances in their own units.
    if (prog.conditions.pH != 0.0) prog.comp[HYDROGEN_SLOT].tolerance = eps * std::pow(10.0, -prog.conditions.pH);
    if (prog.conditions.alkalinity != 0.0) prog.comp[prog.map.position(db::CARBONATE)].tolerance = prog.conditions.alkalinity * eps;
    if (in.fixedActivityPosition != 0) prog.comp[in.fixedActivityPosition].tolerance = eps * in.fixedActivity;
}

void setUpLeavingSecondaries(SolverState& prog, SolveObserver& observer) {
    const ActivityConditions at{prog.conditions.temperature + KELVIN_OFFSET, prog.conditions.pressure,
                                prog.activityTables, prog.input.activityOption, prog.input.waterOption,
                                prog.input.extendedRun()};
    prog.activityModel->setUp(prog.sp, at);

    const int nc = prog.comp.count;
    prog.newton.order = nc;
    prog.run.firstSecondary = nc + 1;

    requireForcedMinerals(prog, observer);

    prog.run.chargeBalanceThreshold = CHARGE_BALANCE_FLOOR * prog.conditions.chargeBalanceStartTotal;
    // A run starts with the charge-balance adjustment on; a freeze reached
    // in the previous run of the dialogue does not carry over.
    prog.run.chargeBalanceFrozen = false;

    if (prog.input.debug != 0) observer.debugTables(prog);

    convertWaterTotal(prog);
    if (prog.conditions.pH != 0.0) prog.sp[HYDROGEN_SLOT].activity = std::pow(10.0, -prog.conditions.pH);
    setTolerances(prog);
}

void setUp(SolverState& prog, SolveObserver& observer) {
    setUpLeavingSecondaries(prog, observer);
    massActionUpdate(prog.sp, prog.comp.count);
}

}  // namespace wq
