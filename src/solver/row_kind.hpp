// The equation in each component's row of the iteration's Newton system.
#pragma once

namespace wq {

struct SolverState;

// A fixed pH (the H+ row), a fixed activity, the alkalinity, a forced
// mineral's saturation, or the component's mass balance (the water row too).
enum class RowKind { fixedPH, fixedActivity, alkalinity, saturation, massBalance };

// The kind of row i of the water set up in `prog`; icm and icarb are the
// components of a fixed activity and of the alkalinity (0: none).
RowKind rowKind(const SolverState& prog, int i, int icm, int icarb);

}  // namespace wq
