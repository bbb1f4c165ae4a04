#include "solver/solve.hpp"

#include <string>

#include "activity/activity_model.hpp"
#include "solver/joint_solve.hpp"
#include "solver/mass_action.hpp"
#include "solver/newton.hpp"
#include "solver/snapshot.hpp"
#include "solver/solve_observer.hpp"
#include "solver/solver_state.hpp"
#include "solver/totals.hpp"
#include "solver/warm_start.hpp"
#include "text/stop.hpp"

namespace wq {

namespace {

// A run with a redox state is solved by the joint solve alone: the iteration
// has no rows for the couples and the state (redox_run.hpp).
void solveWithRedoxState(SolverState& prog, SolveObserver& observer) {
    JointSolveReport& report = prog.run.joint;
    report.ran = true;
    prog.run.loops = 0;
    const JointResult joint = jointSolve(prog);
    report.iterations = joint.iterations;
    report.infeasibility = joint.infeasibility;
    report.solved = joint.solved;
    if (joint.solved) return;
    const std::string why = joint.infeasibility.empty() ? "the joint solve found no water with this redox state"
                                                        : joint.infeasibility;
    observer.noSolution(why);
    stop(ExitStatus::error, noSolutionReason(why));
}

// The iteration, then the joint solve where it ends without a solution, from
// the state as it stands. True when either solved the water; false at the
// loop limit, which the caller reports; a stop ends the run here.
bool solveFromHere(SolverState& prog, SolveObserver& observer) {
    JointSolveReport& report = prog.run.joint;
    report = JointSolveReport{};
    if (prog.redox.active) {
        solveWithRedoxState(prog, observer);
        return true;
    }
    SpeciationSnapshot& start = prog.storage.iterationStart;
    capture(prog, start);
    IterationStop stopped;
    const bool ended = iterateUntilStop(prog, observer, stopped);
    if (ended && !reachedLoopLimit(prog)) return true;

    report.ran = true;
    report.iterationStopped = !ended;
    report.stop = stopped;
    SpeciationSnapshot& failed = prog.storage.iterationEnd;
    capture(prog, failed);
    restore(prog, start);
    const JointResult joint = jointSolve(prog);
    report.iterations = joint.iterations;
    report.infeasibility = joint.infeasibility;
    if (joint.solved) {
        report.solved = true;
        // The listing's loop count stays the iteration's; the joint solve's
        // iterations are reported beside it.
        prog.run.loops = failed.loops;
        return true;
    }
    restore(prog, failed);
    if (ended) return false;
    observer.iterationStopped(prog, stopped);
    if (joint.infeasibility.empty()) stop(ExitStatus::error, iterationStopReason(prog, stopped));
    observer.noSolution(joint.infeasibility);
    stop(ExitStatus::error, noSolutionReason(joint.infeasibility));
}

// A solution above the model's highestRefreshedMolality, whose coefficients
// are those of a loop below it or of the run's start, which a model made to
// compute every molality does not keep (RefreshReach::everyMolality).
bool keptCoefficientsBeyondLimit(const SolverState& prog) {
    if (prog.activityModel->reach() != RefreshReach::everyMolality || prog.run.refreshEveryMolality) return false;
    const double highest = prog.activityModel->highestRefreshedMolality();
    for (int s = 1; s <= prog.sp.count; ++s)
        if (prog.sp[s].molality > highest) return true;
    return false;
}

// The water started from `warm` when it converges from there within a few
// loops; else from the cold start as it was, as if never started warm (its
// loops are the cold start's).
bool solvedFromWarmStart(SolverState& prog, SolveObserver& observer, const WarmStart& warm) {
    SpeciationSnapshot& cold = prog.storage.coldStart;
    capture(prog, cold);
    startFrom(prog, warm);
    if (convergesWithin(prog, observer, WARM_START_LOOPS)) {
        prog.run.joint = JointSolveReport{};
        return true;
    }
    restore(prog, cold);
    massActionUpdate(prog.sp, prog.comp.count);
    return solveFromHere(prog, observer);
}

}  // namespace

void solveSpeciation(SolverState& prog, SolveObserver& observer, const WarmStarts* warmStarts) {
    prog.run.refreshEveryMolality = false;
    prog.storage.massBalanceTerms.build(prog.sp, prog.comp.count);
    noteStart(prog);
    const WarmStart* warm = warmStarts && !prog.redox.active ? warmStarts->nearest(prog) : nullptr;
    // Set up for warm starts, the secondary species of the cold start are
    // worked out only where it is taken (setUpLeavingSecondaries).
    if (warmStarts && !warm) massActionUpdate(prog.sp, prog.comp.count);
    if (!(warm ? solvedFromWarmStart(prog, observer, *warm) : solveFromHere(prog, observer))) return;
    if (keptCoefficientsBeyondLimit(prog)) {
        // The solution's own coefficients, then the solve on from it with
        // every loop refreshed until they hold (the loops reported are
        // those from it).
        prog.run.refreshEveryMolality = true;
        refreshGammas(prog);
        massActionUpdate(prog.sp, prog.comp.count);
        if (!solveFromHere(prog, observer)) return;
    }
}

bool hasSolution(const SolverState& prog) { return prog.run.joint.solved || !reachedLoopLimit(prog); }

std::string noSolutionReason(const std::string& why) { return "no solution: " + why; }

}  // namespace wq
