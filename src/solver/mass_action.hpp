// The mass-action relation: the molality of every secondary species from the
// free molalities of the components and the activity coefficients.
#pragma once

#include "input/tables.hpp"

namespace wq {

// For each secondary species s = nc+1..NSP, written as the dissociation
// s = sum_j nu_sj comp_j with constant K_s:
//     log10 m_s = -log K_s - log10 gamma_s + sum_j nu_sj log10(m_cj gamma_cj),
// bounded to [-200, 1], so 1e-200 <= m_s <= 10. Components are never changed.
// Species 2 (water) enters with m = 1 and gamma = the activity of water.
void massActionUpdate(SpeciesTable& sp, int nc);

// Bounds of log10 m of a secondary species in the relation above. The upper
// one keeps a poor early iterate from producing absurd concentrations that
// would wreck the Jacobian; the lower one keeps every molality a positive
// normal number, so that its logarithm and the 1/m of the derivatives stay
// finite.
constexpr double MAX_SECONDARY_LOG_MOLALITY = 1.0;
constexpr double MIN_SECONDARY_LOG_MOLALITY = -200.0;

// log10 m of secondary species s by the relation, before the bounds.
double massActionLogMolality(const SpeciesTable& sp, const Species& s);

// The term of a species' reaction that names `component` (0: none). Wherever
// the solver needs the coefficient of one component in a reaction it takes
// the first term naming it, so a reaction that lists a component twice counts
// it once, with its first coefficient.
int firstTermNaming(const Species& s, int component);

}  // namespace wq
