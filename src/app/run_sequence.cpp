#include "app/run_sequence.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/dialogue.hpp"
#include "app/program.hpp"
#include "grid/grid.hpp"
#include "input/database.hpp"
#include "input/logk_cache.hpp"
#include "input/parsed_database.hpp"
#include "input/minerals.hpp"
#include "input/run_input.hpp"
#include "report/debug_tables.hpp"
#include "report/judgement.hpp"
#include "report/listing.hpp"
#include "report/records.hpp"
#include "report/results.hpp"
#include "report/saturation_report.hpp"
#include "report/solver_listing.hpp"
#include "solver/setup.hpp"
#include "solver/solve.hpp"
#include "text/failure.hpp"
#include "text/number_text.hpp"
#include "text/stop.hpp"

namespace wq {

namespace {

[[noreturn]] void outsideGrid(Program& prog) {
    static const Layout where("(//5X,'T is ',F6.2,' C and P is ',F7.2,' bar.')");
    static const Layout error(
        "(/5X,'ERROR: Specified P and/or T are outside the P-T range',' of the data '"
        "/8X,' or in the vapor phase',' region. Exiting.....')");
    writeEach({&prog.io.console, &prog.io.listing}, where, {prog.conditions.temperature, prog.conditions.pressure});
    writeEach({&prog.io.console, &prog.io.listing}, error, {});
    stop(ExitStatus::error, "T and P are outside the P-T range of the data, or in the vapour region");
}

// A point in a block at the edge of the data: the user decides whether to go
// on with extrapolated values.
void confirmExtrapolation(Program& prog) {
    static const Layout warning(
        "(/5X,'WARNING: Specified P and/or T are in a grid block'"
        "/5X,'at the limit of the P-T range of data.'"
        "/5X,'Log K and other data will be extrapolated.'"
        "/5X,'Output values may be discontinuous.'//)");
    static const Layout question("(5X,'Continue? (Yes/No, enter = YES)'/)");
    prog.io.console.write(warning, {});
    prog.io.console.write(question, {});
    char answer = prog.io.input.answer();
    if (answer == 'N' || answer == 'n') stop(ExitStatus::declined, "extrapolated data declined at \"Continue?\"");
    prog.io.listing.write(warning, {});
}

void checkSaturationRange(Program& prog) {
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

}  // namespace

void locateRun(Program& prog) {
    if (!prog.input.extendedRun()) {
        checkSaturationRange(prog);
        return;
    }
    GridLocation& grid = prog.grid;
    grid.pressureFlag = 'N';
    grid.blockFlag = 'N';
    locateOnGrid(prog.conditions.pressure, prog.conditions.temperature, grid);
    if (grid.pressureFlag == 'E' || grid.blockFlag == 'E') outsideGrid(prog);
    if (grid.pressureFlag == 'W' || grid.blockFlag == 'W') confirmExtrapolation(prog);
}

void readCase(SolverState& prog) { takeCase(prog, readRunInput(prog.caseFile, prog.io)); }

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

namespace {

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

}  // namespace

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
    AqueousReading reading =
        readDatabase(run, prog.comp.count, prog.input.chargeBalancePosition, prog.sp, prog.limits.speciesPositions);
    prog.activityTables = reading.activityTables;
    return std::move(reading.section);
}

void readMinerals(SolverState& prog, const RunSection& section) {
    const RunLeaveOut leaveOut = runLeaveOut(prog);
    DatabaseRun run = databaseRun(prog);
    run.leaveOut = &leaveOut;
    prog.conditions.mineralsSwitch = readMineralsAndGases(run, section, prog.forced, prog.comp, prog.minerals,
                                                          prog.input.debug != 0, prog.limits.mineralSlots);
}

namespace {

// With the debug switch, the iteration shows the state of loop 2.
void reportLoopTwo(SolverState& prog) { writeResultListing(prog, evaluateResults(prog)); }

// The machine-readable record of a run of the dialogue, when asked for;
// written before a run that did not converge stops the program.
void writeRecord(Program& prog, const Results& results) {
    if (!prog.records) return;
    const RecordHead head{results.title1, runStatus(results), results.temperature, results.pressure};
    // A water without a solution has its cells empty: none is a result.
    if (!prog.records->add(prog.records->text(head, results.converged ? &results : nullptr)))
        stop(ExitStatus::error, std::string("cannot write the results file: ") + std::strerror(errno));
}

}  // namespace

void runOnce(Program& prog) {
    const Results results = computeRun(prog);
    writeRecord(prog, results);
    writeResultListing(prog, results);
    if (results.saturationReport) {
        writeSaturationReport(results, prog.io.listing);
        writePlotRecords(results, prog.io.plot);
    }
}

void refreshDatabase(Program& prog) {
    std::string why;
    if (!prog.database.refresh(why))
        openFailure("cannot read " + (prog.database.path().empty() ? std::string("LOGKDATA.KDB") : prog.database.path()) +
                    ": " + why);
}

Results computeRun(Program& prog) {
    locateRun(prog);
    refreshDatabase(prog);
    addRedoxComponents(prog);
    prog.logKValues = cachedValues(prog);
    const RunSection section = readSpecies(prog);
    if (prog.conditions.mineralsSwitch != 0) readMinerals(prog, section);
    setUpRedox(prog);
    // The solve's lines go to the program's listing and console.
    SolverListing solverListing(prog.io, reportLoopTwo);
    setUp(prog, solverListing);
    solveSpeciation(prog, solverListing);
    if (prog.input.debug != 0) writeDebugTables(prog);
    Results results = evaluateResults(prog);
    if (results.converged) results.impossible = impossibleWaterReason(prog, results);
    else if (results.infeasibility.empty()) results.infeasibility = unreachedWaterReason(prog, results);
    if (!results.impossible.empty()) results.converged = false;
    return results;
}

void writeResultListing(SolverState& prog, const Results& results) {
    writeSolveNote(results, prog.io.listing, prog.io.console);
    writeResultBlock(results, prog.io.listing);
    if (!results.impossible.empty()) {
        writeNoSolution(prog.io, results.impossible);
        stop(ExitStatus::error, noSolutionReason(results.impossible));
    }
    if (!results.converged) {
        writeNonConvergence(results.loopLimit, prog.io.listing, prog.io.console);
        if (!results.infeasibility.empty()) {
            writeNoSolution(prog.io, results.infeasibility);
            stop(ExitStatus::error, noSolutionReason(results.infeasibility));
        }
        stop(ExitStatus::error,
             "no convergence within the loop limit of " + std::to_string(results.loopLimit) + " loops");
    }
    writeForcedSaturationLegend(results, prog.io.listing);
}

void runSequence(Program& prog) {
    while (true) {
        runOnce(prog);
        rerunDialogue(prog);
        // A pH given in the dialogue makes a run balance charges.
        requireChargeBalanceComponent(prog.input, prog.conditions, prog.forced, prog.io);
    }
}

}  // namespace wq
