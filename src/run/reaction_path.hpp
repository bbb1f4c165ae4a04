// The steps of a reaction path (`wqspec react`) on one state: the starting
// water, once computed at its own conditions, changed step after step, each
// from the water the step before reached (its totals, its state as the next
// run's start), as the evaporation path takes its water from factor to
// factor.
//
// Mix: the water and another in a fraction x of the other's mass of water,
// every component total per kg of water (1 - x) m + x m' (the proton
// balance, H+, mixed as any total), the mass of water the path's. Add: the
// reactant's components added to the totals. Equilibrate: the minerals and
// gases named held at their targets by the moles that dissolve or
// precipitate (Newton's method on the amounts, holdAtSaturation), a gas's
// moles carrying its components (CO2(g) its carbonate and H+) so that every
// total stays conserved. Temperature: the water at each temperature, the
// phases of the equilibrate before it held unless told not to. Boil: the
// water flashed to steam stage by stage, its gases shared with the steam
// (boiling.hpp). Evaporate: the evaporation path (evaporation_path.hpp)
// from the water reached. What a step precipitates stays in contact with
// the water (equilibrium) or leaves it at each record (fractional).
#pragma once

#include <vector>

#include "input/reaction_path.hpp"
#include "run/compute_run.hpp"
#include "run/reaction_inputs.hpp"
#include "run/reaction_names.hpp"
#include "run/reaction_result.hpp"

namespace wq {

struct SolverState;

// The component totals of the computed water in `p`, in mol per kg of
// water, by database number (0 for a number not in the run).
std::vector<double> totalsPerKgByNumber(const SolverState& p);

// The steps of `path` from the starting water `p` has just computed
// (`start`, converged), its records appended to `result` (the start's
// first); the path stops at the first record that fails (a run that does
// not converge, a target no amount reaches), keeping the records before.
void runReactionPath(SolverState& p, const RunHooks& hooks, const ReactionPath& path, const Results& start,
                     const ReactionInputs& inputs, ReactionResult& result);

}  // namespace wq
