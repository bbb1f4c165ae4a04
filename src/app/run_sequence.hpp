// The runs of one water at the console: every run (computeRun) is reported
// on the listing; the dialogue then starts the next run or ends.
#pragma once

#include "report/solver_listing.hpp"
#include "run/compute_run.hpp"

namespace wq {

struct Program;
struct Results;
struct SolverState;

// The hooks of a run of the console program, which the front ends' runs
// take too: the question at the edge of the data, and the solve's lines on
// the state's listing and console (the debug tables and the state of loop 2
// among them). Its hooks point into it: it must outlive the runs that take
// them.
class ListingHooks {
public:
    explicit ListingHooks(SolverState& prog);
    ListingHooks(const ListingHooks&) = delete;
    ListingHooks& operator=(const ListingHooks&) = delete;
    const RunHooks& hooks() const { return hooks_; }

private:
    SolverListing listing_;
    RunHooks hooks_;
};

// One run of the water at the current conditions, from the grid location
// (and the database as it is on disk now) to the saturation report.
void runOnce(Program& prog);

// Runs until a STOP (the dialogue's normal end or an error).
void runSequence(Program& prog);

// The result block of a run on the listing, after the line that says so when
// the joint solve found the water. A run that used up its loops with no
// solution found ends with the block, before the forced-saturation legend,
// with the non-convergence message (and the line that says why no solution
// exists, when that is known) and a STOP; this holds for the extra debug
// block of loop 2 as well.
void writeResultListing(SolverState& prog, const Results& results);

}  // namespace wq
