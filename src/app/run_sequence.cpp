#include "app/run_sequence.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/dialogue.hpp"
#include "app/program.hpp"
#include "input/run_input.hpp"
#include "report/debug_tables.hpp"
#include "report/listing.hpp"
#include "report/records.hpp"
#include "report/saturation_report.hpp"
#include "report/solver_listing.hpp"
#include "run/results.hpp"
#include "solver/solve.hpp"
#include "text/stop.hpp"

namespace wq {

namespace {

// A point in a block at the edge of the data: the user decides whether to go
// on with extrapolated values.
void confirmExtrapolation(SolverState& prog) {
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

ListingHooks::ListingHooks(SolverState& prog)
    : listing_(prog.io, reportLoopTwo), hooks_{confirmExtrapolation, &listing_} {}

void runOnce(Program& prog) {
    const ListingHooks listing(prog);
    const Results results = computeRun(prog, listing.hooks());
    writeRecord(prog, results);
    writeResultListing(prog, results);
    if (results.saturationReport) {
        writeSaturationReport(results, prog.io.listing);
        writePlotRecords(results, prog.io.plot);
    }
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
