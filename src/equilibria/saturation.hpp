// The saturation state of the solved water with respect to a mineral or gas
// of the run.
#pragma once

#include <array>

#include "input/tables.hpp"

namespace wq {

// log10 of the activity of each component of the solved water (1..nc),
// worked out once for all the minerals and gases that name them.
class ComponentLogActivities {
public:
    ComponentLogActivities(const SpeciesTable& sp, int nc);
    double of(int position) const;

private:
    const SpeciesTable& sp_;
    int nc_;
    std::array<double, MAX_COMPONENTS + 1> log_{};
};

// log Q of an entry's dissociation reaction from the activities of the
// solved water.
double ionActivityProduct(const MineralEntry& entry, const ComponentLogActivities& logActivity);

}  // namespace wq
