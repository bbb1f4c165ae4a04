// The run-input file WQCASE.DAT: one water and the options of its runs.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "input/tables.hpp"
#include "input/water.hpp"
#include "text/table.hpp"

namespace wq {

struct Channels;
class TextFile;

// A run input is a few kilobytes; anything near this bound is not one (a
// device or a pipe that never ends, a wrong file), and is not read until
// memory runs out.
constexpr std::size_t MAX_RUN_INPUT_BYTES = std::size_t{1} << 20;

struct RunInput {
    FixedText<80> title1;
    FixedText<80> title2;

    // The eight conditions and numerical controls.
    double convergence = 0.0;     // scale of the per-equation tolerances
    double pH = 0.0;              // 0: computed
    double fixedActivity = 0.0;   // activity of the fixed-activity component
    double alkalinity = 0.0;      // eq/kg water
    double temperature = 0.0;     // deg C
    double damping = 0.0;         // residual damping factor, 0 <= D < 1
    double printThreshold = 0.0;  // mol/kg
    double pressure = 0.0;        // bar

    // The eleven option integers.
    int runKind = 0;              // 1: extended run; otherwise along the L-V curve
    int mineralsSwitch = 0;
    int debug = 0;
    int chargeBalanceSwitch = 0;
    int loopLimit = 0;
    int chargeBalanceSpecies = 0; // database number as read
    int fixedActivitySpecies = 0; // database number as read; 0 = none
    int geothermometer = 0;
    int refinement = 0;
    ActivityOption activityOption = ActivityOption::co2ForListed;
    WaterOption waterOption = WaterOption::fromModel;

    // Run component positions converted from the database numbers above.
    int chargeBalancePosition = 0;
    int fixedActivityPosition = 0;

    // The number of component records (a carbonate component appended for
    // an alkalinity not counted).
    int componentRecords = 0;

    // Set by a front end after reading, never by the file: the water is
    // computed as analysed, with no charge-balance adjustment at all, even
    // where a fixed pH, alkalinity or forced mineral would make one.
    bool asAnalysed = false;

    bool extendedRun() const { return runKind == 1; }
};

// What changes from one run of the water to the next: the conditions the
// dialogue sets and the switches that the first run turns off. The first run
// starts from the run input; the dialogue's resets give the later ones.
struct RunConditions {
    double temperature = 0.0;  // deg C
    double pressure = 0.0;     // bar (the saturation pressure in a saturation run)
    double pH = 0.0;           // 0: computed
    double alkalinity = 0.0;   // eq in the run's water; 0 in later runs, which keep the carbonate total
    int chargeBalanceSwitch = 0;
    // The run input's switch until the minerals are read, then the number of
    // minerals and gases kept: a run that keeps none writes no saturation
    // report, and later runs read none.
    int mineralsSwitch = 0;
    double chargeBalanceStartTotal = 0.0;  // total of the charge-balance component before the run
};

// What WQCASE.DAT holds: the run input, the components in run-input order
// with their totals and starting values, the forced minerals and the
// conditions of the first run.
struct CaseInput {
    RunInput input;
    ComponentTable comp;  // database numbers and totals
    ComponentMap map;
    Table<double, MAX_COMPONENTS> startMolality;  // the first trial molality of each component (water: 1)
    Table<double, MAX_COMPONENTS> startGamma;     // and its first activity coefficient
    ForcedSaturationList forced;
    RunConditions conditions;  // of the first run
};

// What WQCASE.DAT gives: the water its lines hold, and that water taken
// into the run input the solver starts from.
struct RunInputRead {
    Water water;
    CaseInput input;
};

// Reads WQCASE.DAT from the start of `caseFile` up to the end of the
// forced-mineral list, taking each part of the water as it is read
// (water_intake.hpp: a fault is found where the file has it, named with its
// line). Writes the plot-file titles, the skip-list notice and header and
// the run-kind banner to `io`; an unreadable line is shown on its console,
// which waits for Enter, before the STOP.
RunInputRead readRunInput(TextFile& caseFile, Channels& io);

// The total of the charge-balance component, 0 when its species is not a
// component (a run that never balances charges may name any species).
double chargeBalanceTotal(const RunInput& in, const ComponentTable& comp);

// Totals that the iteration computes rather than takes from the input: a
// fixed pH, a fixed activity, an alkalinity.
bool hasFixedTotals(const RunInput& in, const RunConditions& conditions);

// True when the run adjusts the charge-balance component: the switch asks
// for it, or another total moves (forced minerals or fixed totals); never
// for a water computed as analysed.
bool balancesCharge(const RunInput& in, const RunConditions& conditions, const ForcedSaturationList& forced);

// Stops with the CHARGE BALANCE SPECIES message when the run would balance
// charges on a species that is not a component. Checked for the first run
// when the input is read, and again for every run the dialogue starts.
void requireChargeBalanceComponent(const RunInput& in, const RunConditions& conditions,
                                   const ForcedSaturationList& forced, Channels& io);

}  // namespace wq
