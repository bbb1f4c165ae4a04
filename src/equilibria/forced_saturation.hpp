// Forced mineral saturation: a component whose total is fixed by equilibrium
// of the water with a mineral ("EQ" in the listing). The solver replaces the
// component's mass balance by the saturation condition
//     log(Q/K) = target,  log Q = sum_k nu_k log10(gamma_k m_k)
// over the terms of the mineral's dissolution reaction.
#pragma once

#include "input/tables.hpp"
#include "linear/newton_system.hpp"

namespace wq {

// Every entry of the forced-saturation list must have found its mineral in the
// database (forcedMineral of its component non-zero): the first entry that did
// not, or 0 when every one did. A run with such an entry cannot go on.
int missingForcedMineral(const ForcedSaturationList& forced, const ComponentTable& comp);

// Row `row` of the Newton system for the component held by `mineral` at
// log(Q/K) = target: the residual into F(row) and d/dm of each term's component
// into its column (activity coefficients held constant); the other entries of
// the row are left as they are. False, with nothing written, for a mineral
// whose reaction does not name the component itself: no such row can hold it,
// and the run cannot go on.
[[nodiscard]] bool saturationRow(NewtonSystem& newton, int row, const MineralEntry& mineral, double target,
                                 const SpeciesTable& sp);

}  // namespace wq
