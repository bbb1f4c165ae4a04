// What a reaction path found: a record per water of the path (the start,
// then each fraction, increment or temperature of each step), with its run
// and the mass transfer so far; built by the path (src/run/reaction_path),
// written by its table (src/report/reaction_table).
#pragma once

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "run/results.hpp"

namespace wq {

// Moles per kg of the starting water, so far: of a phase, + dissolved into
// the water, - precipitated (or degassed); of a reactant, the moles added.
struct TransferAmount {
    std::string name;
    bool reactant = false;
    double moles = 0.0;
};

struct ReactionRecord {
    int step = 0;             // 1-based index of the path's step; 0: the starting water
    std::string kind;         // "start", or the step's kind as the path file writes it
    double variable = NAN;    // the mixed fraction, the mol/kg added, the temperature (C), the
                              // concentration factor (evaporate); NaN: none
    std::string status;
    std::optional<Results> results;  // none for a record that failed
    std::vector<TransferAmount> transfer;
    double water = 1.0;           // the liquid's mass of water, kg per kg of the starting water
    double steamFraction = NAN;   // boil: the mass fraction of the stage's liquid turned to steam
    std::vector<TransferAmount> steam;  // boil: the steam's gases, mol per kg of steam
    bool converged() const { return results && results->converged; }
};

struct ReactionResult {
    std::string file;            // the path file
    std::string title1, title2;  // of the start's run input
    std::vector<ReactionRecord> records;
    bool failed() const { return !records.empty() && !records.back().converged(); }
};

}  // namespace wq
