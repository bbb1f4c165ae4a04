#include "equilibria/saturation.hpp"

#include <cmath>

namespace wq {

double ionActivityProduct(const MineralEntry& entry, const SpeciesTable& sp) {
    double logQ = 0.0;
    for (int k = 1; k <= entry.itot; ++k) logQ += entry.coef[k] * std::log10(sp[entry.comp[k]].activity);
    return logQ;
}

}  // namespace wq
