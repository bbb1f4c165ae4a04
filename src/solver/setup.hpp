// The set-up of one run: everything between the reading of the database and
// the first Newton loop.
#pragma once

namespace wq {

struct SolverState;
class SolveObserver;

// After the species, minerals and gases of the run are read, in order: the activity model built from the run's species;
// the component count and first secondary position; the forced-mineral check
// (stops the run on a mineral not found, the observer told first); the
// charge-balance threshold; the debug tables (the observer's, with the debug
// switch); the water total from kg to moles; the fixed H+ activity; the
// tolerances; the first secondary molalities. The charge-balance adjustment
// is active again.
void setUp(SolverState& prog, SolveObserver& observer);

// setUp but the first secondary molalities, for solveSpeciation with warm
// starts, which works them out only where the water starts cold: a warm
// start puts every molality in place of them.
void setUpLeavingSecondaries(SolverState& prog, SolveObserver& observer);

// The convergence tolerance of every component equation (part of setUp; the
// water total must already be in moles).
void setTolerances(SolverState& prog);

}  // namespace wq
