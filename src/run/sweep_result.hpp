// What a temperature sweep found: a row per run (its status and Results),
// the reservoir fluid reconstructed from the analysis when asked for, and
// the estimate of the reservoir temperature; built by the sweep's chain of
// runs, written by the sweep's table (src/report/sweep_table).
#pragma once

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "equilibria/mineral_geothermometry.hpp"
#include "equilibria/reconstruction.hpp"
#include "run/results.hpp"

namespace wq {

struct SweepRow {
    bool input = false;          // the run at the run input's own conditions
    bool reconstructed = false;  // a run of the reconstructed fluid
    double temperature = 0.0, pressure = 0.0;
    std::string status;
    std::optional<Results> results;  // none for a run that stopped
    bool converged() const { return results && results->converged; }
    // log Q/K of the named mineral; NaN when the run did not converge or
    // has no such mineral.
    double saturationIndex(const std::string& mineral) const;
};

// One parameter of a reconstructed fluid: given, or sought within bounds.
struct FluidParameter {
    enum class Origin { given, sought, derived };
    std::string name;  // as the table writes it: "steam loss", "CO2 added", ...
    std::string unit;  // after the value; empty for a fraction
    double value = 0.0;  // given, the best found, or derived from the others
    Origin origin = Origin::given;
    double low = 0.0, high = 0.0;  // the bounds of a sought one
    std::string derivation;        // how a derived one follows from the others
};

// The reservoir fluid reconstructed from the analysis, and how it was found.
struct SweepReconstruction {
    std::vector<FluidParameter> parameters;
    // The parameters at the low and high ends of the profile (fit.profile).
    std::vector<FluidParameter> profileLow, profileHigh;
    std::string discharge;  // what the discharge's enthalpy gives; empty: not given
    std::string aluminiumMineral;  // the mineral that fixes Al+++ at every temperature; empty: none
    Reconstruction fit;            // its estimate, the leave-one-out fits, the count of fluids computed
};

// The constituents of the analysis that the classical geothermometers read,
// as the run input gives them, before any run balances its charge: mg per
// kg of water (0: not in the analysis), and the Na-K-Ca temperature of their
// molalities (NaN: the analysis lacks Na, K or Ca).
struct GivenAnalysis {
    double silica = 0.0, sodium = 0.0, potassium = 0.0, magnesium = 0.0;
    double naKCa = NAN;
};

// What a sweep found, with the options it ran on.
struct SweepResult {
    std::string title1, title2;  // of the run input
    bool extended = false;       // extended runs at `pressure`; else along the saturation curve
    double pressure = 0.0;       // bar
    // An extended sweep whose pressure is below the saturation pressure at
    // its higher temperatures follows the saturation curve there.
    bool saturationAbove = false;
    double from = 0.0, to = 0.0, step = 0.0;  // deg C, as asked
    GivenAnalysis given;              // read by the classical geothermometers
    std::vector<std::string> chosen;  // the minerals of the estimate
    std::vector<SweepRow> rows;       // the run at the run input's conditions first
    // The sweep's temperatures and the log Q/K of each chosen mineral at
    // them ([mineral][temperature], NaN where a run gave none), and the
    // estimate from them.
    std::vector<double> temperatures;
    std::vector<std::vector<double>> chosenCurves;
    TemperatureEstimate estimate;
    // The fluid reconstructed, when the sweep asks for it; its rows stand in
    // `rows` after those of the analysis as sampled.
    std::optional<SweepReconstruction> reconstruction;
};

}  // namespace wq
