#include "solver/mass_action.hpp"

#include <algorithm>
#include <cmath>

namespace wq {

namespace {

// Bounds of log10 m of a secondary species. The upper bound keeps a poor early
// iterate from producing absurd concentrations that would wreck the Jacobian;
// the lower one keeps every molality a positive normal number, so that its
// logarithm and the 1/m of the derivatives stay finite.
constexpr double MAX_LOG_MOLALITY = 1.0;
constexpr double MIN_LOG_MOLALITY = -200.0;

double logMolality(const SpeciesTable& sp, const Species& s) {
    double x = -s.logK - std::log10(s.gamma);
    for (int j = 1; j <= s.itot; ++j) {
        const Species& c = sp[s.comp[j]];
        x += s.coef[j] * std::log10(c.molality * c.gamma);
    }
    return x;
}

}  // namespace

int firstTermNaming(const Species& s, int component) {
    for (int j = 1; j <= s.itot; ++j)
        if (s.comp[j] == component) return j;
    return 0;
}

void massActionUpdate(SpeciesTable& sp, int nc) {
    for (int s = nc + 1; s <= sp.count; ++s) {
        double x = logMolality(sp, sp[s]);
        x = std::min(x, MAX_LOG_MOLALITY);
        x = std::max(x, MIN_LOG_MOLALITY);
        sp[s].molality = std::pow(10.0, x);
    }
}

}  // namespace wq
