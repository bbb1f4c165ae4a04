// The result of one run of a water: every value that any output format
// shows, computed once after the iteration. The listing, the saturation
// report, the plot records and the machine-readable records only read it.
#pragma once

#include <cmath>
#include <string>
#include <vector>

namespace wq {

struct SolverState;

// Which couple Eh was computed from.
enum class EhCouple { none, sulfideSulfate, oxygen, methaneCarbonate };  // the listing shows the first two

struct SpeciesRow {
    int position = 0;  // in the run's species table; 1 is H+, 2 is water
    std::string name;
    double charge = 0.0;
    double molality = 0.0;  // water: 1
    double activity = 0.0;
    double gamma = 0.0;  // water: its activity
    bool printed = false;  // at or above the print threshold, or always shown
    // Worked out where a report shows them: a batch's compact record shows
    // none, and two logarithms for every species were 2 % of its water's
    // instructions.
    double logMolality() const { return std::log10(molality); }
    double logActivity() const { return std::log10(activity); }
};

struct ComponentRow {
    int position = 0;
    int dbNumber = 0;            // the component's number in the database
    std::string name;
    double molality = 0.0;       // of the free component species
    double moles = 0.0;          // total moles in the water (water: its moles)
    std::string flag;            // "CM", "AD", "AL", "EQ" or empty
    double ppm = 0.0;            // mg per kg of solution
    double totalMolality = 0.0;
    double alpha = 0.0;          // free fraction
};

// A redox component counted over every species that holds it, the species in
// which both sulfide and sulfate take part excluded.
struct LiteralTotal {
    bool shown = false;
    double molality = 0.0;       // of the free component species
    double moles = 0.0;
    double ppm = 0.0;
    double totalMolality = 0.0;
};

struct ChargeBalanceReport {
    bool adjusted = false;
    std::string component;
    double startTotal = 0.0;
    double change = 0.0;
};

struct GasRow {
    std::string name;
    double logK = 0.0;
    double logQ = 0.0;
    double logFugacity = 0.0;
    double fugacity = 0.0;
    bool supersaturated = false;   // log Q > log K
};

struct MineralRow {
    std::string name;
    double logK = 0.0;
    double logQ = 0.0;
    double saturationIndex = 0.0;  // log Q/K
    bool supersaturated = false;   // log Q > log K
};

struct ForcedRow {
    std::string mineral;
    double target = 0.0;     // log Q/K at which the mineral was held
    std::string component;   // the component whose total it fixed
};

// A couple whose two members are components of a run with a redox state:
// the O2,aq activity, pe and Eh at which its two members are in equilibrium
// with the activities found.
struct RedoxCoupleRow {
    std::string name;  // reduced/oxidized: "Fe++/Fe+++"
    double eh = 0.0;   // V
    double pe = 0.0;
    double logOxygen = 0.0;  // log a(O2,aq)
    bool coupled = false;    // distributed by the state (or the state's own couple)
};

// The redox state a run was given and what it came to.
struct RedoxReport {
    bool given = false;
    std::string state;  // "Eh 0.35 V", "couple Fe++/Fe+++", ...
    double pe = 0.0;
    double eh = 0.0;    // V
    double logOxygen = 0.0;
    std::vector<std::string> decoupled;
    std::vector<RedoxCoupleRow> couples;
};

// Every name and title is held as the run input and the database write it,
// without the blanks that pad it to its columns: a formatter that writes it
// in columns pads it again through its layout.
struct Results {
    std::string title1, title2;
    double temperature = 0.0;  // deg C
    double pressure = 0.0;     // bar
    int loops = 0;             // of the iteration
    int loopLimit = 0;
    bool converged = false;    // false: the loop limit was reached and the joint solve found no solution
    bool solvedJointly = false;  // the iteration gave no solution and the joint solve found it
    int jointLoops = 0;        // Newton iterations of the joint solve; 0 when it did not run
    std::string solveNote;     // the line that says so; empty when the iteration solved the water
    std::string infeasibility; // which condition no solution can meet, and by how much; empty if not shown
    std::string impossible;    // why the solution found is no water that can exist (judgement.hpp); empty if it is one
    std::string activityModel;      // the activity model of the run, by its name in the registry ("b-dot")
    std::string phScale;            // the pH scale of its single-ion activities ("macinnes"); empty: none to choose (B-dot)
    std::string activityRangeNote;  // the water lies beyond the model's data: why, on one line; empty otherwise
    // Species, minerals and gases of the run used at a temperature their data
    // do not reach, each as "FeSO4,aq (data 25 C)", in database order.
    std::vector<std::string> beyondData;

    ChargeBalanceReport chargeBalance;
    double kgWater = 0.0;
    double molesLiquidWater = 0.0;
    double molesWater = 0.0;   // total moles of the water component
    double waterActivity = 0.0;
    double stoichiometricIonicStrength = 0.0;
    double osmoticCoefficient = 0.0;
    bool naclNotDominant = false;  // charge balance on neither Na+ nor Cl-
    double ionicStrength = 0.0;
    double calculatedAlkalinity = 0.0;  // eq/kg
    double chargeImbalance = 0.0;       // sum of z m over the species, eq/kg water
    double chargeImbalancePercent = 0.0;  // 100 sum z m / sum |z| m
    double pH = 0.0;                     // -log a(H+)
    // What a laboratory checks its analysis with (water_quality.hpp): the
    // specific conductance at 25 C (uS/cm), the dissolved solids by
    // evaporation (mg/L), the hardness (mg/L as CaCO3) and the density at
    // 25 C (kg/L; NaN beyond its fit).
    double specificConductance = 0.0;
    double dissolvedSolids = 0.0;
    double hardness = 0.0;
    double density = 0.0;

    EhCouple ehCouple = EhCouple::none;
    double eh = 0.0;                  // V
    RedoxReport redox;                // of a run with a redox state
    bool sourceTemperatureShown = false;
    double sourceTemperature = 0.0;   // Na-K-Ca temperature, deg C

    double printThreshold = 0.0;
    std::vector<SpeciesRow> species;
    std::vector<ComponentRow> components;
    LiteralTotal sulfideLiteral, sulfateLiteral;

    // Legends of the totals table.
    bool computedLegend = false;   // CM
    bool alkalinityLegend = false; // AL
    double alkalinityPerKg = 0.0;  // the given alkalinity, eq/kg water

    bool saturationReport = false;  // the run read minerals and gases
    std::vector<GasRow> gases;      // database order
    double sumOfFugacities = 0.0;
    std::vector<MineralRow> minerals;  // database order, gases left out
    std::vector<ForcedRow> forced;
};

// Evaluates the solved water: derived quantities (Eh, the Na-K-Ca
// temperature, sums over the solution, saturation indices) and every row of
// every table. Changes nothing in the state.
Results evaluateResults(const SolverState& state);

// The activity model of a run as a table's head names it: "b-dot",
// "pitzer, pH scale macinnes".
std::string activityModelText(const Results& r);

// The status of the record of a run that returned its results: "converged";
// "converged by the joint solve", each followed by "; doubtful: <why>" when
// the water lies beyond the data of its activity model; for a run at its loop limit without a
// solution "no solution: <why>" when the reason is known, else
// "not converged: loop limit <L> reached".
std::string runStatus(const Results& results);

}  // namespace wq
