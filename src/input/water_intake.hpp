// A water taken into the run input the solver starts from (CaseInput): the
// defaults of the run input, its checks, its messages and its STOPs, one
// part of the water at a time. The reader of WQCASE.DAT takes each part as
// soon as it has read it, so that a fault is found, and named with its line,
// where the file has it; a water given as a value takes every part at once
// (caseOfWater), and a fault of a value names no line.
#pragma once

#include <string_view>

#include "input/activity_switches.hpp"
#include "input/tables.hpp"
#include "input/water.hpp"
#include "text/table.hpp"

namespace wq {

struct Channels;

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

class TextFile;

class WaterIntake {
public:
    // `file`: the file the water is read from, whose current line a fault
    // names; null for a water given as a value.
    WaterIntake(Channels& io, const TextFile* file) : io_(io), file_(file) {}

    // The next title line (its first 80 columns), written to the plot file.
    void title(std::string_view text);
    // The temperature, pressure, pH, alkalinity, fixed activity and the
    // reals of the controls: each finite, the defaults of the run input.
    void conditions(const Water& water);
    // The pressure kind, the charge balance, the fixed-activity species and
    // the switches of the controls; the loop limit checked; the skip-list
    // notice and the run-kind banner written.
    void controls(const Water& water);
    // The next component record: its starting values defaulted, its number
    // checked.
    void component(const WaterComponent& component);
    // More components than the tables hold.
    [[noreturn]] void tooManyComponents();
    // After the last component: H+ and H2O first, not O2,aq and HS- both,
    // the fixed-activity species a component; the carbonate component of an
    // alkalinity; the conditions of the first run.
    void endComponents();
    // The next forced phase, held by a component.
    void forced(const ForcedPhase& phase);
    // How many forced phases are taken.
    int forcedCount() const { return out_.forced.count; }
    // The run input, once the charge-balance species is checked.
    CaseInput finish();

private:
    [[noreturn]] void failure(std::string_view what);
    void requireFinite(double value, std::string_view listed, std::string_view said);
    void store(int position, int number, double total, double molality, double gamma);

    Channels& io_;
    const TextFile* file_;
    CaseInput out_;
    int titles_ = 0;
};

// A water given as a value taken whole: what the reader makes of a file
// whose lines hold it (a forced list ends at a blank name or at MAX_FORCED).
CaseInput caseOfWater(const Water& water, Channels& io);

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
