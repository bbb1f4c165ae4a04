// The set-up of one run: everything between the reading of the database and
// the first Newton loop.
#pragma once

namespace wq {

struct SolverState;

// Phases owned by other subsystems that the set-up calls at their place in
// its sequence. Either may be null (nothing is called).
struct SetUpHooks {
    // readMineralsAndGases(12, 500): reads the minerals and gases of the run and links each
    // forced-saturation entry to its mineral. Called only when the minerals
    // switch is set, after helhuc and before the forced-mineral check.
    void (*readMinerals)(SolverState&) = nullptr;
    // The debug tables of the listing; called only with the debug switch.
    void (*writeDebugTables)(SolverState&) = nullptr;
};

// In order: helhuc; the component count and first secondary position; the
// minerals (hook); the forced-mineral check (stops the run on a mineral not
// found); the charge-balance threshold; the debug tables (hook); the water
// total from kg to moles; the fixed H+ activity; the tolerances; the first
// secondary molalities. The charge-balance adjustment is active again.
void setUp(SolverState& prog, const SetUpHooks& hooks);

// The convergence tolerance of every component equation (part of setUp; the
// water total must already be in moles).
void setTolerances(SolverState& prog);

}  // namespace wq
