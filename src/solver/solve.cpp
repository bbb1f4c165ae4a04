#include "solver/solve.hpp"

#include "solver/joint_solve.hpp"
#include "solver/newton.hpp"
#include "solver/snapshot.hpp"
#include "solver/solver_state.hpp"
#include "text/channels.hpp"
#include "text/layout.hpp"
#include "text/stop.hpp"

namespace wq {

void solveSpeciation(SolverState& prog, void (*writeListing)(SolverState&)) {
    JointSolveReport& report = prog.run.joint;
    report = JointSolveReport{};
    SpeciationSnapshot start;
    capture(prog, start);
    IterationStop stopped;
    const bool ended = iterateUntilStop(prog, writeListing, stopped);
    if (ended && !reachedLoopLimit(prog)) return;

    report.ran = true;
    report.iterationStopped = !ended;
    report.stop = stopped;
    SpeciationSnapshot failed;
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
        return;
    }
    restore(prog, failed);
    if (ended) return;
    writeIterationStop(prog, stopped);
    if (joint.infeasibility.empty()) stop(ExitStatus::error, iterationStopReason(prog, stopped));
    writeNoSolution(prog, joint.infeasibility);
    stop(ExitStatus::error, noSolutionReason(joint.infeasibility));
}

bool hasSolution(const SolverState& prog) { return prog.run.joint.solved || !reachedLoopLimit(prog); }

void writeNoSolution(SolverState& prog, const std::string& why) {
    static const Layout line("(5X,'NO SOLUTION: ',A/)");
    writeEach({&prog.io.listing, &prog.io.console}, line, {why});
}

std::string noSolutionReason(const std::string& why) { return "no solution: " + why; }

}  // namespace wq
