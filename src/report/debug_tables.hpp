// The debug tables of a run: every component with its total and trial
// molality, every secondary species with its log K.
#pragma once

namespace wq {

struct SolverState;

// Writes the debug tables to the listing. Callers write them only when the
// run's debug switch is set (at set-up and again after the iteration).
void writeDebugTables(SolverState& prog);

}  // namespace wq
