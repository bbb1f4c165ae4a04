// The mass-action relation: the molality of every secondary species from the
// free molalities of the components and the activity coefficients.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <vector>

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

// For each component, the secondary species whose reactions name it, in the
// order of the table, each with the first term naming it (firstTermNaming):
// worked out once for all the rows of a Newton system, in one pass over the
// reactions, instead of a search of every reaction for every row.
class ComponentTerms {
public:
    struct Term {
        int species;
        int term;
    };
    // The terms of the species of `sp` now, in the storage of the last
    // build (which grows only for a run with more terms).
    void build(const SpeciesTable& sp, int nc);
    // The terms naming `component` (1..nc; none for any other).
    std::span<const Term> of(int component) const;

private:
    int nc_ = 0;
    std::array<int, MAX_COMPONENTS + 2> start_{};  // terms of component c: start_[c] .. start_[c + 1] - 1
    std::vector<Term> terms_;                      // the first start_[nc + 1] are this build's
};

}  // namespace wq
