// The charge balance of the iteration: each loop moves the total of the
// charge-balance component by the charge imbalance of the speciation, until
// the total settles (the balance then freezes for the rest of the run), or
// stops the iteration when the component cannot absorb the imbalance.
#pragma once

#include <string>

namespace wq {

struct SolverState;

// True when this loop adjusts the balance: something else already moves a
// total (forced minerals, fixed pH, activity or alkalinity) or the run input
// asks for it, and the balance has not frozen.
bool chargeBalanceDue(const SolverState& prog);

// The adjustment of loop `loop` (from 1). Throws IterationStopped when the
// component cannot absorb the imbalance; nothing of its message is written.
void adjustBalance(SolverState& prog, int loop);

// The line of that stop for the error stream; icb is the charge-balance
// component.
std::string imbalanceReason(const SolverState& prog, int icb);

}  // namespace wq
