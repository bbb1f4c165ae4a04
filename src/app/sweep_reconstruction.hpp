// The reservoir fluid of a sweep reconstructed from the analysis as sampled:
// the steam it lost given back (or the water that diluted it taken out), the
// CO2 the steam took added back, the aluminium fixed by a mineral at every
// temperature, each given or sought within bounds so that the chosen
// minerals cluster best (the search and its uncertainty: reconstruction.hpp).
//
// What each parameter does to the totals of the sampled water, which are
// per kilogram of its water:
// - a steam loss y: the reservoir liquid was 1/(1-y) kg for each kg sampled,
//   holding the same solutes, so every total but water's is multiplied by
//   (1-y) and the fluid stays one kilogram of water. That holds for the
//   carbonate the sample kept as well: the CO2 and the other gases the steam
//   took are not in the analysis, and only CO2 is given back (below);
//   the sample's other gases (H2S) are diluted like any solute.
// - a dilution x (the sample is the reservoir fluid mixed with a fraction x
//   of dilute water): every total but water's is divided by (1-x).
// - CO2 added, c mol per kg of reservoir water (or the CO2/steam ratio r of
//   the lost steam, mol/mol: c = r y 55.51): CO2,aq is H+ + HCO3- - H2O in
//   the components, so c is added to the totals of H+ and HCO3- and taken
//   from the water's.
// - Al+++ fixed by a mineral: a forced mineral (log Q/K = 0) on Al+++ at
//   every temperature, in place of any the run input gives it.
#pragma once

#include <string>
#include <vector>

#include "app/sweep.hpp"

namespace wq {

struct CarriedState;
struct Program;
struct SweepResult;
class Sink;

// A number of the reconstruction: a value, or bounds within which it is sought.
struct FluidSetting {
    bool used = false;
    bool sought = false;
    double value = 0.0, low = 0.0, high = 0.0;
};

// What the options ask of the reconstruction, checked against the water.
struct FluidPlan {
    FluidSetting steamLoss, dilution, co2Added, co2Steam;
    std::string aluminiumMineral;
    int aluminiumPosition = 0;  // run component positions
    int carbonatePosition = 0;
    bool asked() const;
};

// The plan from the options, before any run: a CannotStart when an option is
// not a number or a range within its limits, or two exclude each other.
FluidPlan fluidPlan(const SweepOptions& options);

// Checks the plan against the water of the run input (Al+++ and HCO3- among
// its components where needed, the mineral one of the run's, `known`).
void checkFluidPlan(FluidPlan& plan, const Program& p, const std::vector<std::string>& known);

// Seeks the reconstructed fluid from `sampled` (the state after the run at
// the run input's conditions and the dialogue's resets) over `temperatures`,
// then computes it once more at its best parameters: its rows follow those
// of the sample in `s.rows`, and `s.reconstruction` says how it was found.
// True when every run of that last chain converged.
bool reconstructFluid(Program& p, const CarriedState& sampled, const FluidPlan& plan,
                      const std::vector<double>& temperatures, SweepResult& s, Sink& console);

}  // namespace wq
