// The state of one speciation: what the readers filled, the activity model
// and the Newton system, and the values of the run that its phases share.
#pragma once

#include <string>

#include "activity/model.hpp"
#include "input/input_state.hpp"
#include "linear/newton_system.hpp"

namespace wq {

// How an iteration ended before its convergence test or its loop limit: the
// charge-balance component could not absorb the imbalance, or a residual or
// Newton step was not a finite number.
struct IterationStop {
    enum class Kind { chargeImbalance, nonFiniteResidual, nonFiniteStep };
    Kind kind = Kind::chargeImbalance;
    int component = 0;  // the component whose equation or total failed
    int loop = 0;
};

// The joint solve of a run whose iteration ended without a solution.
struct JointSolveReport {
    bool ran = false;
    bool solved = false;
    int iterations = 0;             // Newton iterations of the joint solve, every stage
    bool iterationStopped = false;  // the iteration stopped (below); else it used up its loops
    IterationStop stop;
    std::string infeasibility;      // which condition cannot be met and by how much; empty if not known
};

struct RunState {
    double kgw = 1.0;             // mass of water (kg)
    int loops = 0;                // Newton loops used by the last run
    double chargeImbalance = 0.0; // last charge imbalance S of the charge balance
    bool chargeBalanceFrozen = false; // adjustment ended for the rest of the run
    double chargeBalanceThreshold = 0.0; // total below which the balance gives up
    int firstSecondary = 0;       // NC + 1
    JointSolveReport joint;       // of the last run
};

struct SolverState : InputState {
    ActivityModel activity;
    NewtonSystem newton;
    RunState run;
};

}  // namespace wq
