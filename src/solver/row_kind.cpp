#include "solver/row_kind.hpp"

#include "input/tables.hpp"
#include "solver/solver_state.hpp"
#include "solver/totals.hpp"

namespace wq {

RowKind rowKind(const SolverState& prog, int i, int icm, int icarb) {
    if (i == HYDROGEN_SLOT && pHFixed(prog)) return RowKind::fixedPH;
    if (i == icm) return RowKind::fixedActivity;
    if (i == icarb) return RowKind::alkalinity;
    if (prog.comp[i].forcedMineral != 0) return RowKind::saturation;
    return RowKind::massBalance;
}

}  // namespace wq
