#include "run/compute_run.hpp"

#include <string>

#include "grid/grid.hpp"
#include "input/database.hpp"
#include "input/logk_cache.hpp"
#include "input/minerals.hpp"
#include "input/parsed_database.hpp"
#include "input/run_input.hpp"
#include "input/water_intake.hpp"
#include "run/judgement.hpp"
#include "run/results.hpp"
#include "solver/redox_run.hpp"
#include "solver/setup.hpp"
#include "solver/solve.hpp"
#include "solver/solve_observer.hpp"
#include "solver/solver_state.hpp"
#include "text/csv.hpp"
#include "text/failure.hpp"
#include "text/number_text.hpp"
#include "text/stop.hpp"

namespace wq {

namespace {

[[noreturn]] void outsideGrid(SolverState& prog) {
    static const Layout where("(//5X,'T is ',F6.2,' C and P is ',F7.2,' bar.')");
    static const Layout error(
        "(/5X,'ERROR: Specified P and/or T are outside the P-T range',' of the data '"
        "/8X,' or in the vapor phase',' region. Exiting.....')");
    writeEach({&prog.io.console, &prog.io.listing}, where, {prog.conditions.temperature, prog.conditions.pressure});
    writeEach({&prog.io.console, &prog.io.listing}, error, {});
    stop(ExitStatus::error, "T and P are outside the P-T range of the data, or in the vapour region");
}

void checkSaturationRange(SolverState& prog) {
    static const Layout error(
        "(/5X,'ERROR: User specified L-V saturation',' and T < 20 C or T > 374 C.')");
    double t = prog.conditions.temperature;
    if (t < SATURATION_RUN_LOWEST || t > SATURATION_RUN_HIGHEST) {
        writeEach({&prog.io.console, &prog.io.listing}, error, {});
        stop(ExitStatus::error, "saturation run outside " + shortestText(SATURATION_RUN_LOWEST) + " to " +
                                    shortestText(SATURATION_RUN_HIGHEST) + " C");
    }
    prog.conditions.pressure = saturationPressure(t);
}

LogKConditions runConditions(const SolverState& prog) {
    return LogKConditions::at(prog.conditions.temperature, prog.conditions.pressure, prog.input.extendedRun(),
                              prog.grid);
}

// The values worked out beforehand for this run: those of the cache, when
// the program has one for its database and its components.
std::shared_ptr<const LogKValues> cachedValues(SolverState& prog) {
    LogKCache* cache = prog.logKCache;
    if (!cache || &cache->database() != prog.database.shared().get() || !cache->serves(prog.map, prog.comp.count))
        return nullptr;
    return cache->at(runConditions(prog));
}

// A solution judged: a converged water that no water can be is not
// converged, and an unsolved one gets the reason where it ended.
void judge(const SolverState& prog, Results& results) {
    if (results.converged) results.impossible = impossibleWaterReason(prog, results);
    else if (results.infeasibility.empty()) results.infeasibility = unreachedWaterReason(prog, results);
    if (!results.impossible.empty()) results.converged = false;
}

// The run input into the state: the first molality and activity
// coefficient of each component into the species table.
void takeCase(SolverState& prog, const CaseInput& c) {
    prog.input = c.input;
    prog.comp = c.comp;
    prog.map = c.map;
    prog.forced = c.forced;
    prog.conditions = c.conditions;
    prog.sp.at.growTo(c.comp.count);
    for (int k = 1; k <= c.comp.count; ++k) {
        prog.sp[k].molality = c.startMolality[k];
        prog.sp[k].gamma = c.startGamma[k];
    }
}

}  // namespace

void locateRun(SolverState& prog, const RunHooks& hooks) {
    if (!prog.input.extendedRun()) {
        checkSaturationRange(prog);
        return;
    }
    GridLocation& grid = prog.grid;
    grid.pressureFlag = 'N';
    grid.blockFlag = 'N';
    locateOnGrid(prog.conditions.pressure, prog.conditions.temperature, grid);
    if (grid.pressureFlag == 'E' || grid.blockFlag == 'E') outsideGrid(prog);
    if ((grid.pressureFlag == 'W' || grid.blockFlag == 'W') && hooks.atEdgeOfData) hooks.atEdgeOfData(prog);
}

void readCase(SolverState& prog) { takeCase(prog, readRunInput(prog.caseFile, prog.io).input); }

void takeWater(SolverState& prog, const Water& water) { takeCase(prog, caseOfWater(water, prog.io)); }

DatabaseRun databaseRun(SolverState& prog) {
    DatabaseRun run{prog.database.shared(), runConditions(prog), prog.map, prog.io};
    // Values of other conditions or another content are never taken.
    const LogKValues* values = prog.logKValues.get();
    if (values && values->database == run.database.get() && values->at == run.at) run.values = values;
    return run;
}

RunSection readSpecies(SolverState& prog) {
    const RunLeaveOut leaveOut = runLeaveOut(prog);
    DatabaseRun run = databaseRun(prog);
    run.leaveOut = &leaveOut;
    run.plan = &prog.readingPlan;
    AqueousReading reading =
        readDatabase(run, prog.comp.count, prog.input.chargeBalancePosition, prog.sp, prog.limits.speciesPositions);
    prog.activityTables = reading.activityTables;
    return std::move(reading.section);
}

void readMinerals(SolverState& prog, const RunSection& section) {
    const RunLeaveOut leaveOut = runLeaveOut(prog);
    DatabaseRun run = databaseRun(prog);
    run.leaveOut = &leaveOut;
    run.plan = &prog.readingPlan;
    prog.conditions.mineralsSwitch = readMineralsAndGases(run, section, prog.forced, prog.comp, prog.minerals,
                                                          prog.input.debug != 0, prog.limits.mineralSlots);
}

void refreshDatabase(SolverState& prog) {
    std::string why;
    if (!prog.database.refresh(why))
        openFailure("cannot read " + (prog.database.path().empty() ? std::string("LOGKDATA.KDB") : prog.database.path()) +
                    ": " + why);
}

Results computeRun(SolverState& prog, const RunHooks& hooks) {
    locateRun(prog, hooks);
    refreshDatabase(prog);
    addRedoxComponents(prog);
    prog.logKValues = cachedValues(prog);
    const RunSection section = readSpecies(prog);
    if (prog.conditions.mineralsSwitch != 0) readMinerals(prog, section);
    setUpRedox(prog);
    SolveObserver silent;
    SolveObserver& observer = hooks.observer ? *hooks.observer : silent;
    if (hooks.warmStarts)
        setUpLeavingSecondaries(prog, observer);
    else
        setUp(prog, observer);
    solveSpeciation(prog, observer, hooks.warmStarts);
    if (prog.input.debug != 0) observer.debugTables(prog);
    Results results = evaluateResults(prog);
    judge(prog, results);
    return results;
}

std::optional<Results> convergedRun(SolverState& prog, const RunHooks& hooks, std::string& why) {
    try {
        Results r = computeRun(prog, hooks);
        if (r.converged) return r;
        why = runStatus(r);
    } catch (...) {
        why = utf8FromLatin1(endingInFlight().reason);
    }
    return std::nullopt;
}

}  // namespace wq
