// Between two runs of one water: what a run leaves that the next must not
// take as given. The console's dialogue, the sweep's chain of temperatures
// and the evaporation path's steps all put the state back this way, and the
// next run starts from what the last one left in the tables.
#pragma once

namespace wq {

struct SolverState;

// The state reset between two runs, in its order: the charge balance
// unfrozen and its switch cleared, the ionic strength, the alkalinity and
// the pH given up (later runs keep the carbonate total the run reached), the
// water total back in kilograms.
void resetForNextRun(SolverState& prog);

// The reset, with the grid verdicts of the last run cleared.
void prepareNextRun(SolverState& prog);

}  // namespace wq
