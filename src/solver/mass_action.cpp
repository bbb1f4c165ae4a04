#include "solver/mass_action.hpp"

#include <algorithm>
#include <cmath>

namespace wq {

double massActionLogMolality(const SpeciesTable& sp, const Species& s) {
    double x = -s.logK - std::log10(s.gamma);
    for (int j = 1; j <= s.itot; ++j) {
        const Species& c = sp[s.comp[j]];
        x += s.coef[j] * std::log10(c.molality * c.gamma);
    }
    return x;
}

int firstTermNaming(const Species& s, int component) {
    for (int j = 1; j <= s.itot; ++j)
        if (s.comp[j] == component) return j;
    return 0;
}

void massActionUpdate(SpeciesTable& sp, int nc) {
    for (int s = nc + 1; s <= sp.count; ++s) {
        double x = massActionLogMolality(sp, sp[s]);
        x = std::min(x, MAX_SECONDARY_LOG_MOLALITY);
        x = std::max(x, MIN_SECONDARY_LOG_MOLALITY);
        sp[s].molality = std::pow(10.0, x);
    }
}

}  // namespace wq
