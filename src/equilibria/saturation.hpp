// The saturation state of the solved water with respect to a mineral or gas
// of the run.
#pragma once

#include "input/tables.hpp"

namespace wq {

// log Q of an entry's dissociation reaction from the activities of the
// solved water.
double ionActivityProduct(const MineralEntry& entry, const SpeciesTable& sp);

}  // namespace wq
