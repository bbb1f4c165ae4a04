// All program-wide state, in one aggregate created by main and passed by
// reference to the phases. A test builds its own Program. The readers take
// the tables they fill; the solver's phases take the SolverState.
#pragma once

#include "report/records.hpp"
#include "solver/solver_state.hpp"

namespace wq {

struct Program : SolverState {
    RecordWriter* records = nullptr;  // --results: one record per run, when asked for
};

}  // namespace wq
