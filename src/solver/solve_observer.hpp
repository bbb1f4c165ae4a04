// What the solve of a run tells as it goes: the progress of the Newton loops,
// the debug trace of each loop, the warnings, and the message of a stop.
//
// The solver writes no text. At each place of a run where a line has always
// stood it calls its observer, and a higher floor writes the line (the
// console program's listing and console: SolverListing, src/report); a front
// end that keeps only results can hand the solve this base, which writes
// nothing. The solver decides when each call is due (the debug switch, the
// refinement switch, a stop) so an observer only writes.
#pragma once

#include <string>

#include "linear/linear.hpp"

namespace wq {

struct SolverState;
struct IterationStop;

class SolveObserver {
public:
    SolveObserver() = default;
    SolveObserver(const SolveObserver&) = delete;
    SolveObserver& operator=(const SolveObserver&) = delete;
    virtual ~SolveObserver() = default;

    // ---- the set-up ---------------------------------------------------------
    // Debug switch: the tables of components and species, before the water
    // total is converted to moles.
    virtual void debugTables(SolverState&) {}
    // Entry `entry` of the forced-saturation list found no mineral of the
    // run; the run stops after it.
    virtual void forcedMineralMissing(const SolverState&, int /*entry*/) {}

    // ---- every loop, in the order a loop calls them ----------------------
    // Before loop loopsDone + 1: the loops completed and the ionic strength.
    virtual void loopStarting(int /*loopsDone*/, double /*ionicStrength*/) {}
    // Debug switch: the row of a fixed pH is about to be built, the row of an
    // alkalinity was just built.
    virtual void fixedPHRowUsed() {}
    virtual void alkalinityRowUsed() {}
    // The mineral held at saturation on the row of `component` does not name
    // it; the run stops after it.
    virtual void mineralWithoutComponent(const SolverState&, int /*mineral*/, int /*component*/) {}
    // Debug switch, loop 2: the state of the run, as the results of a run
    // would show it.
    virtual void loopTwoState(SolverState&) {}
    // Debug switch, loops 1 and 2: the matrix with its right-hand side.
    virtual void newtonMatrix(const NewtonSystem&) {}
    // The Newton system has no solution; the run stops after it.
    virtual void singularSystem() {}
    // Debug switch: the step X just solved for.
    virtual void newtonStep(const NewtonSystem&) {}
    // A non-zero refinement switch: what the linear solve found out.
    virtual void linearSolved(const LinearSolveReport&) {}
    // The step rules kept the unknown of `component` at their lowest molality.
    virtual void molalityFloored(const SolverState&, int /*component*/, double /*lowest*/) {}
    // Debug switch, after the activities of loop `loop` are refreshed.
    virtual void loopEnded(int /*loop*/, double /*ionicStrength*/) {}
    // Debug switch: the activity coefficients were refreshed.
    virtual void activityCoefficientsRefreshed() {}

    // ---- the end of a solve that finds no water --------------------------
    // The iteration stopped (the charge balance, a non-finite number) and no
    // other method solved the water.
    virtual void iterationStopped(const SolverState&, const IterationStop&) {}
    // No water meets the run's conditions, and why.
    virtual void noSolution(const std::string& /*why*/) {}
};

}  // namespace wq
