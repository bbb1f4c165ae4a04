#include "equilibria/saturation.hpp"

#include <algorithm>
#include <cmath>

namespace wq {

ComponentLogActivities::ComponentLogActivities(const SpeciesTable& sp, int nc)
    : sp_(sp), nc_(std::clamp(nc, 0, MAX_COMPONENTS)) {
    for (int k = 1; k <= nc_; ++k) log_[static_cast<std::size_t>(k)] = std::log10(sp[k].activity);
}

double ComponentLogActivities::of(int position) const {
    return position >= 1 && position <= nc_ ? log_[static_cast<std::size_t>(position)] : std::log10(sp_[position].activity);
}

double ionActivityProduct(const MineralEntry& entry, const ComponentLogActivities& logActivity) {
    double logQ = 0.0;
    for (int k = 1; k <= entry.itot; ++k) logQ += entry.coef[k] * logActivity.of(entry.comp[k]);
    return logQ;
}

}  // namespace wq
