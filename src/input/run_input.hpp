// The run-input file WQCASE.DAT: one water and the options of its runs.
#pragma once

#include "run/table.hpp"

namespace wq {

struct Program;

struct RunInput {
    FixedText<80> title1;
    FixedText<80> title2;

    // The eight conditions and numerical controls.
    double convergence = 0.0;     // scale of the per-equation tolerances
    double pH = 0.0;              // 0: computed
    double fixedActivity = 0.0;   // activity of the fixed-activity component
    double alkalinity = 0.0;      // eq/kg water as read; eq once the water mass is known
    double temperature = 0.0;     // deg C
    double damping = 0.0;         // residual damping factor, 0 <= D < 1
    double printThreshold = 0.0;  // mol/kg
    double pressure = 0.0;        // bar

    // The eleven option integers.
    int runKind = 0;              // 1: extended run; otherwise along the L-V curve
    int mineralsSwitch = 0;       // replaced by the number of minerals kept
    int debug = 0;
    int chargeBalanceSwitch = 0;
    int loopLimit = 0;
    int chargeBalanceSpecies = 0; // database number as read
    int fixedActivitySpecies = 0; // database number as read; 0 = none
    int geothermometer = 0;
    int refinement = 0;
    int activityOption = 0;
    int waterOption = 0;

    // Run component positions converted from the database numbers above.
    int chargeBalancePosition = 0;
    int fixedActivityPosition = 0;
    int firstChargeBalancePosition = 0;  // as found at input, restored for later runs
    double chargeBalanceStartTotal = 0.0;  // Mtot0 of the charge-balance report

    bool extendedRun() const { return runKind == 1; }
};

// Reads WQCASE.DAT (already loaded in the program's case file) up to the end
// of the forced-mineral list, checks it, and writes the plot-file titles, the
// skip-list notice and header and the run-kind banner.
void readRunInput(Program& prog);

}  // namespace wq
