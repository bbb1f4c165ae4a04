// Adiabatic boiling of a water, one stage at a time: the steam fraction of
// a saturated liquid flashed to a lower temperature from the energy balance
// with the steam tables (IAPWS-IF97: y = (h_l(T1) - h_l(T2)) /
// (h_v(T2) - h_l(T2)), the enthalpy of the solutes neglected), and the
// volatile gases shared between the liquid and the steam by Henry's law:
// each gas's mole fraction in the steam, an ideal gas at the saturation
// pressure (Dalton: p_i = x_i P), equal to its fugacity in the liquid over
// that pressure, the fugacity from the log K of the gas's reaction at the
// stage temperature (Giggenbach 1980, Geochim. Cosmochim. Acta 44,
// 2021-2032; Arnorsson et al. 2007, Rev. Mineral. Geochem. 65, 259-312:
// the distribution coefficients of geothermal gases between steam and water).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "run/mineral_amounts.hpp"
#include "run/results.hpp"

namespace wq {

struct SolverState;

// The volatile gases of the run that boiling takes into the steam: of
// CO2(g), H2S(g), CH4(g), H2(g), N2(g), O2(g), those the run has, each with
// its components (a mole into the steam takes its reaction out of the liquid).
std::vector<HeldMineral> volatileGases(const SolverState& p);

// The mass fraction of a saturated liquid at `fromC` that turns to steam
// when it flashes adiabatically to `toC` (both C, at most 350 C).
double flashSteamFraction(double fromC, double toC);

// The saturation pressure of water at `c` C, bar (IAPWS-IF97 region 4).
double steamPressureBar(double c);

// The molar mass of water, kg/mol (IUPAC 2013 atomic weights).
inline constexpr double WATER_KG_PER_MOL = 0.01801528;

// A stage's liquid: its run with `degassed` moles of each gas gone into the
// steam (none, with why, when it fails), and the total of component `k` it
// then holds.
struct GasPartition {
    std::function<std::optional<Results>(const std::vector<double>& degassed, std::string& why)> run;
    std::function<double(int k, const std::vector<double>& degassed)> totalOf;
    int componentCount = 0;
    double steamWaterMoles = 0.0;  // the H2O of the steam, mol
    double pressureBar = 1.0;      // the steam's, the saturation pressure
};

// The moles of each of `gases` in the steam at equilibrium with the liquid,
// from the amounts in `degassed` (Newton's method on their logarithms), and
// the liquid's run; none, with why, when a run fails or the amounts do not
// converge.
std::optional<Results> partitionGases(const GasPartition& stage, const std::vector<HeldMineral>& gases,
                                      std::vector<double>& degassed, std::string& why);

}  // namespace wq
