// What a solve changes in the state of a run, kept aside so that another
// attempt can start from the same point, or a failed one be shown as it ended.
#pragma once

#include "solver/speciation_snapshot.hpp"

namespace wq {

struct SolverState;

void capture(const SolverState& prog, SpeciationSnapshot& snapshot);
void restore(SolverState& prog, const SpeciationSnapshot& snapshot);

}  // namespace wq
