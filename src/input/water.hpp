// A water as a value: its analysis, the conditions of its first run and the
// controls of its iteration, in named fields with their units. Every front
// end hands one to the run floor (takeWater); the run-input file WQCASE.DAT
// is read into one (readRunInput), and `--write-cases` writes one as the
// text of such a file (runInputText).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "input/activity_switches.hpp"
#include "text/table.hpp"

namespace wq {

// Where the water's runs are: on the liquid-vapour saturation curve (20 to
// 374 C, each temperature at its saturation pressure), or at the water's
// own pressure on the pressure-temperature grid of the data (to 5 kbar and
// 600 C).
enum class PressureKind { saturationCurve, given };

// A component of the water: its total, and where Newton's method starts.
struct WaterComponent {
    int number = 0;              // database number
    double total = 0.0;          // mol in the water's mass; for H2O, that mass in kg
    double startMolality = 0.0;  // mol/kg; 0 or less: 1e-10 (H2O always starts at 1)
    double startGamma = 0.0;     // 0 or less, or an ideal solution: 1
    bool operator==(const WaterComponent&) const = default;
};

// A component species held at an activity; its total is computed.
struct FixedActivity {
    int species = 0;  // database number of a component
    double activity = 0.0;
    bool operator==(const FixedActivity&) const = default;
};

// The species whose total carries the charge imbalance, and when it does.
struct ChargeBalance {
    enum class When {
        always,          // electroneutrality holds in every run
        whenTotalsHeld,  // only where another total moves: a fixed pH or activity, an alkalinity, a forced phase
        never,           // the water as analysed, whatever else is held
    };
    When when = When::whenTotalsHeld;
    int species = 0;  // database number of a component (1, H+: the pH from electroneutrality)
    bool operator==(const ChargeBalance&) const = default;
};

// A phase held at a saturation state by the total of a component: a
// mineral at its log(Q/K), a gas at its log fugacity.
struct ForcedPhase {
    Name20 mineral;
    int component = 0;    // database number of the component whose total it fixes
    double target = 0.0;  // log(Q/K) held
    bool operator==(const ForcedPhase&) const = default;
};

// How each linear system of the Newton iteration is solved: alone, with the
// residual A x - b kept for the listing, or improved by Wilkinson's
// iterative refinement.
enum class Refinement { none = 0, residual = 1, iterative = 2 };

// The controls of the iteration and of what the listing shows.
struct RunControls {
    double convergence = 0.0;     // scale of the per-equation tolerances; 0: 1e-12
    double damping = 0.0;         // residual damping factor, taken where 0 <= D < 1 (otherwise 0)
    double printThreshold = 0.0;  // mol/kg: species below it are not listed
    int loopLimit = 0;            // the most Newton loops of a run (at least 1)
    bool minerals = false;        // the saturation states of the minerals and gases
    bool debug = false;           // the debug tables and the loop trace in the listing
    bool naKCaTemperature = false;  // the Na-K-Ca geothermometer of the solved water
    Refinement refinement = Refinement::none;
    ActivityOption activityOption = ActivityOption::co2ForListed;
    WaterOption waterOption = WaterOption::fromModel;
    bool operator==(const RunControls&) const = default;
};

struct Water {
    std::string name;         // the first title, at most 80 bytes
    std::string secondTitle;  // at most 80 bytes
    double temperature = 0.0;  // C
    PressureKind pressureKind = PressureKind::saturationCurve;
    double pressure = 0.0;  // bar; a run on the saturation curve takes the curve's
    // H+ and H2O first, then the others in the order of the run's components.
    std::vector<WaterComponent> components;
    // What holds the pH, or none of these (the pH then follows from the
    // totals and the charge balance).
    std::optional<double> pH;          // held at this pH
    std::optional<double> alkalinity;  // eq per kg of water: the carbonate total follows from it
    std::optional<FixedActivity> fixedActivity;
    ChargeBalance chargeBalance;
    std::vector<ForcedPhase> forced;
    RunControls controls;
    bool operator==(const Water&) const = default;
};

}  // namespace wq
