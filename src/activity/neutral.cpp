#include "activity/neutral.hpp"

#include <cmath>

namespace wq {
namespace {

// 1 bar in atm, 1 / 1.01325.
constexpr double ATM_PER_BAR = 0.9869232667160128;

// Moles of water per kilogram in the mixed-fluid composition (not the
// 55.50825 used elsewhere).
constexpr double MOLES_WATER_MIXED_FLUID = 55.5084;

}  // namespace

// Drummond (1981): ln gamma = (C + F T + G/T) I - E I/(I + 1), the salting-out
// of CO2 in NaCl solutions, with E held fixed.
double co2GammaDrummond(double tK, double ionicStrength) {
    const double i = ionicStrength;
    return std::exp((-1.0312 + 0.0012806 * tK + 255.9 / tK) * i -
                    0.44289399928474427 * i / (i + 1.0));
}

FugacityCoefficients mixedFluidFugacities(double tK, double pBar, double saltMolality, double co2Molality) {
    const double pAtm = ATM_PER_BAR * pBar;
    const double n = co2Molality + saltMolality + MOLES_WATER_MIXED_FLUID;
    return mixedFluidFugacityCoefficients(tK, pAtm,
                  {co2Molality / n, MOLES_WATER_MIXED_FLUID / n, saltMolality / n});
}

double co2GammaHighT(double tK, double pBar, double is, double mCO2) {
    return mixedFluidFugacities(tK, pBar, is, mCO2).co2 / mixedFluidFugacities(tK, pBar, 0.0, 0.0).co2;
}

double waterActivityHighT(double tK, double pBar, double is, double mCO2) {
    return mixedFluidFugacities(tK, pBar, is, mCO2).h2o / mixedFluidFugacities(tK, pBar, 0.0, 0.0).h2o;
}

double co2ActivityCoefficient(double tK, double pBar, double is, double mCO2) {
    if (tK >= MIXED_FLUID_MIN_KELVIN) return co2GammaHighT(tK, pBar, is, mCO2);
    return co2GammaDrummond(tK, is);
}

}  // namespace wq
