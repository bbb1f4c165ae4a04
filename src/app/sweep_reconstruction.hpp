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
// - H2S added from the H2S/steam ratio likewise (H2S,aq is H+ + HS-): to the
//   totals of H+ and HS-.
// - Al+++ fixed by a mineral: a forced mineral (log Q/K = 0) on Al+++ at
//   every temperature, in place of any the run input gives it, with the
//   charge of the aluminium balanced on H+: the Al enters as Al(OH)3, as
//   the mineral's dissolution brings it, and a proton balance has no sign to
//   run out of (a cation's total can, at the temperatures where the mineral
//   holds much Al). A water whose analysis has no Al+++ gets it as a trace
//   (1e-12 mol) before its first run, so that the mineral can fix it.
#pragma once

#include <string>
#include <vector>

#include "app/command_options.hpp"
#include "app/sweep_discharge.hpp"

namespace wq {

struct CarriedState;
struct Program;
struct SweepResult;
class Sink;

// What the options ask of the reconstruction, checked against the water.
struct FluidPlan {
    FluidSetting steamLoss, dilution, co2Added, co2Steam, h2sSteam;
    Discharge discharge;  // when given, the steam loss follows from it
    std::string aluminiumMineral;
    int aluminiumPosition = 0;  // run component positions
    int carbonatePosition = 0;
    int sulfidePosition = 0;
    int imbalancePosition = 0;  // the ion that takes up the analysis's imbalance when Al is fixed
    bool asked() const;
};

// The plan from the options, before any run: a CannotStart when an option is
// not a number or a range within its limits, or two exclude each other.
FluidPlan fluidPlan(const SweepOptions& options);

// Al+++ at a trace among the components of `p` (read, before any run) when
// the plan fixes it and the run input has none; true when it was added.
bool addAluminiumTrace(Program& p, const FluidPlan& plan);

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
