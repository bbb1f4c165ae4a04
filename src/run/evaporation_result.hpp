// What an evaporation path found: a step per concentration factor (its
// status, Results, the minerals held at saturation and the amounts
// precipitated so far), and where each mineral first saturates; built by the
// path (src/run/evaporation_path), written by its table
// (src/report/evaporation_table).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "run/results.hpp"

namespace wq {

struct PrecipitatedAmount {
    std::string mineral;
    double moles = 0.0;  // per kg of the starting water, so far
};

struct EvaporationStep {
    double factor = 1.0;  // concentration factor: the starting mass of water over the mass left
    std::string status;
    std::optional<Results> results;             // none for a step that stopped
    std::vector<std::string> saturated;         // the minerals held at saturation
    std::vector<PrecipitatedAmount> precipitated;  // so far (fractional: every mineral taken out)
    bool converged() const { return results && results->converged; }
};

// The factor at which a mineral first reaches saturation on the path.
struct FirstSaturation {
    std::string mineral;
    double factor = 1.0;
};

// Equilibrium: what precipitates stays in contact with the brine; fractional:
// it leaves the brine at its step; supersaturation: nothing precipitates.
enum class EvaporationKind { equilibrium, fractional, supersaturation };

struct EvaporationResult {
    std::string title1, title2;  // of the run input
    EvaporationKind kind = EvaporationKind::equilibrium;
    double startingWater = 1.0;  // kg, of the run input
    double temperature = 25.0;   // deg C
    double to = 1.0;             // the last concentration factor
    int stepCount = 0;           // steps from 1 to `to`
    std::vector<EvaporationStep> steps;  // the starting water first
    std::vector<FirstSaturation> firstSaturations;  // in the order they happen
    std::vector<std::string> notes;  // what the path could not do, one line each
};

}  // namespace wq
