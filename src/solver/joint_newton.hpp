// Newton's method on the equations of the joint solve within a trust
// region: Powell's dogleg between the Newton step and steepest descent.
#pragma once

#include "solver/joint_system.hpp"

namespace wq {

struct SolverState;

// From u, on the equations of sys: true when every residual is within
// `tolerance`; u then holds the solution and the state is set to it. At
// most `budget` iterations (Jacobians), each counted into `used`.
bool newtonSolve(SolverState& prog, JointSystem& sys, JointVector& u, double tolerance, int budget, int& used);

// After an accepted step: the result totals, then the activity coefficients
// (kept when some molality is beyond the activity model, as in the
// iteration).
void refreshAfterStep(SolverState& prog, const JointSystem& sys);

}  // namespace wq
