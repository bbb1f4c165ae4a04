// The runs of one water at the console: every run (computeRun) is reported
// on the listing; the dialogue then starts the next run or ends.
#pragma once

#include "run/compute_run.hpp"

namespace wq {

struct Program;
struct Results;
struct SolverState;

// The hooks of a run of the console program, which the front ends' runs
// take too: the question at the edge of the data, the debug tables and the
// state of loop 2 on the listing.
const RunHooks& listingHooks();

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
