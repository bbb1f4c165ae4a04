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
class Sink;

// Runs Newton loops from the state left by setUp until every residual lies
// within its tolerance or the loop limit is reached; prog.run.loops holds the
// number of loops. writeListing writes the result listing of the current state
// (with the debug switch it is called once, in loop 2); it may be null.
// A non-finite residual or Newton step ends the run with a message.
void iterate(SolverState& prog, void (*writeListing)(SolverState&));

// The same iteration, but a stop is handed back in `stopped` (and false
// returned) instead of being reported: nothing of its message is written yet,
// so that another method may still solve the water. True when the loop ended
// converged or at its limit.
bool iterateUntilStop(SolverState& prog, void (*writeListing)(SolverState&), IterationStop& stopped);

// The message of a stop, on the listing and then the console; and its line
// for the error stream (the reason of the STOP that follows).
void writeIterationStop(SolverState& prog, const IterationStop& stopped);
std::string iterationStopReason(const SolverState& prog, const IterationStop& stopped);

// True when the last iteration ended at the loop limit rather than converged
// (the number of loops is not below the limit).
bool reachedLoopLimit(const SolverState& prog);

// The phases of one loop, in the order the loop runs them (the totals of
// forced minerals and fixed totals are recomputed first: totals.hpp).

// Moves the total of the charge-balance component by the charge imbalance of
// the current speciation. `loop` is the number of the current loop (from 1).
// Stops the run when the component cannot absorb the imbalance.
void adjustChargeBalance(SolverState& prog, int loop);

// Residuals F and Jacobian A of all component equations.
void assembleSystem(SolverState& prog);

// Scales down residuals that did not shrink since the previous loop
// (0 < damping < 1; otherwise nothing happens).
void dampResiduals(SolverState& prog);

// Adds the Newton step X to the unknowns under the step rules, then takes
// kgw from the water slot and sets the water molality back to 1.
void applyNewtonStep(SolverState& prog);

}  // namespace wq
