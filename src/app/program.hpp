// All program-wide state, in one aggregate created by main and passed by
// reference to the phases. A test builds its own Program. Each floor's
// routines see the part of it that floor owns (InputState, SolverState).
#pragma once

#include "report/records.hpp"
#include "solver/solver_state.hpp"

namespace wq {

struct Program : SolverState {
    JsonArrayWriter* records = nullptr;  // --results: one record per run, when asked for
};

}  // namespace wq
