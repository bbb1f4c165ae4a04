// The saturation state of the solved water with respect to every mineral and
// gas of the run: the gas fugacity table and the supersaturated and
// undersaturated mineral tables of the listing, with their plot-file records.
#pragma once

#include "solver/tables.hpp"

namespace wq {

struct Program;

// Marks an entry whose supersaturation row has been written.
constexpr double SATURATION_MARKER = 666.0;

// log Q of each entry from the activities of the converged solution.
void computeIonActivityProducts(MineralTable& minerals, const SpeciesTable& sp);

// The whole saturation report (listing and plot file).
void minsa1(Program& prog);

}  // namespace wq
