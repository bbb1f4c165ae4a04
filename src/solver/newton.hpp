// The Newton iteration of the speciation.
//
// Unknowns: the free molality m(i) of every component i != 2, and the mass of
// water kgw (kg) for component 2. Equations: one per component, its mass
// balance
//     kgw m(i) + kgw sum_s nu_si m(s) = Mtot(i)
// (for water kgw 55.50825 + kgw sum_s nu_s2 m(s) = Mtot(2)), or in its place
// the equation of a fixed pH, a fixed activity, an alkalinity or a forced
// mineral saturation. The secondary molalities m(s) follow from the
// components by the mass-action relation. Each loop also adjusts the total of
// the charge-balance component to the current charge imbalance.
#pragma once

#include <string>

namespace wq {

struct SolverState;
struct IterationStop;
class SolveObserver;

// Runs Newton loops from the state left by setUp until every residual lies
// within its tolerance or the loop limit is reached; prog.run.loops holds the
// number of loops. The observer hears the progress and the debug trace of
// every loop (solve_observer.hpp). A non-finite residual or Newton step, or a
// singular Newton system, ends the run, the observer told first.
void iterate(SolverState& prog, SolveObserver& observer);

// The same iteration, but a stop is handed back in `stopped` (and false
// returned) instead of being reported: the observer hears nothing of it yet,
// so that another method may still solve the water. True when the loop ended
// converged or at its limit. This one and the next take the mass-balance
// terms built for the run's species table (prog.storage.massBalanceTerms,
// built by solveSpeciation and by iterate).
bool iterateUntilStop(SolverState& prog, SolveObserver& observer, IterationStop& stopped);

// The same iteration from a start that may not lead anywhere (a warm start):
// true when it converged within `loops` loops and the loop limit; false when
// it did not, or stopped, and the caller starts again from elsewhere.
bool convergesWithin(SolverState& prog, SolveObserver& observer, int loops);

// The reason of the STOP that ends a run after such a stop, for the error
// stream.
std::string iterationStopReason(const SolverState& prog, const IterationStop& stopped);

// True when the last iteration ended at the loop limit rather than converged
// (the number of loops is not below the limit).
bool reachedLoopLimit(const SolverState& prog);

// The phases of one loop, in the order the loop runs them (the totals of
// forced minerals and fixed totals are recomputed first: totals.hpp).

// Moves the total of the charge-balance component by the charge imbalance of
// the current speciation. `loop` is the number of the current loop (from 1).
// Stops the run when the component cannot absorb the imbalance.
void adjustChargeBalance(SolverState& prog, int loop, SolveObserver& observer);

// Residuals F and Jacobian A of all component equations.
void assembleSystem(SolverState& prog, SolveObserver& observer);

// Scales down residuals that did not shrink since the previous loop
// (0 < damping < 1; otherwise nothing happens).
void dampResiduals(SolverState& prog);

// Adds the Newton step X to the unknowns under the step rules, then takes
// kgw from the water slot and sets the water molality back to 1.
void applyNewtonStep(SolverState& prog, SolveObserver& observer);

}  // namespace wq
