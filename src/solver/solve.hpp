// Which method solves the speciation of a run.
#pragma once

#include <string>

namespace wq {

struct SolverState;
class WarmStarts;
class SolveObserver;

// The iteration first, exactly as it always runs (its trace, results and
// messages unchanged wherever it converges). Where it ends without a solution
// (at its loop limit, or stopped by the charge balance or by a non-finite
// number) the joint solve solves the water again from the run's starting
// state; nothing of the failed attempt is written but the progress lines the
// iteration has already shown. prog.run.joint tells what happened.
//
// When the joint solve finds no solution either, the state is the
// iteration's as it ended: at the loop limit the caller reports it as before;
// a stop is reported here (its message, then the line saying why no solution
// exists when the joint solve found out, both told to the observer) and ends
// the run. A solution above the activity model's
// highestRefreshedMolality is solved on from, every loop refreshed, when the
// model's reach says so (RefreshReach::everyMolality).
//
// With `warmStarts`, the water is started from the nearest that fits it
// (warm_start.hpp), and from its cold start when that does not converge
// within WARM_START_LOOPS loops (as if never started warm); its secondary
// molalities need not be set up (setUpLeavingSecondaries).
void solveSpeciation(SolverState& prog, SolveObserver& observer, const WarmStarts* warmStarts = nullptr);

// True when the run found its solution: the iteration converged within its
// loop limit, or the joint solve solved the water. The one statement of the
// rule: the results, the records and the run sequence ask it here.
bool hasSolution(const SolverState& prog);

// The reason of the STOP that follows, for the error stream and the records.
std::string noSolutionReason(const std::string& why);

}  // namespace wq
