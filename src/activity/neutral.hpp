// Activity coefficient of dissolved CO2 (and, above 350 degC, the activity of
// water) for the neutral-species models.
//
// Below 623.15 K: Drummond's (1981) correlation in temperature and ionic
// strength. From 623.15 K up: ratios of fugacity coefficients in an
// H2O-CO2-NaCl fluid from the Bowers & Helgeson (1983) equation of state, the
// fluid with the run's salt and CO2 over pure water at the same T and P.
#pragma once

#include "equilibria/eos.hpp"

namespace wq {

// From this temperature (K) on, CO2 and water take the mixed-fluid model;
// 623.15 K itself belongs to it.
constexpr double MIXED_FLUID_MIN_KELVIN = 623.15;

// Drummond's (1981) activity coefficient of CO2(aq) at tK (K) and ionic
// strength I (drummond).
double co2GammaDrummond(double tK, double ionicStrength);

// Fugacity coefficients of CO2, H2O and NaCl at tK (K) and pBar (bar) in the
// fluid of saltMolality mol NaCl and co2Molality mol CO2 per 55.5084 mol
// water, by the equation of state of Bowers & Helgeson (1983) (bowers).
FugacityCoefficients mixedFluidFugacities(double tK, double pBar, double saltMolality, double co2Molality);

// gamma(CO2) in the mixed-fluid model: phi(CO2) with salt amount is and CO2
// molality mCO2 over phi(CO2) in pure water.
double co2GammaHighT(double tK, double pBar, double is, double mCO2);

// Activity of water in the mixed-fluid model: phi(H2O) with salt amount is and
// CO2 molality mCO2 over phi(H2O) in pure water.
double waterActivityHighT(double tK, double pBar, double is, double mCO2);

// gamma(CO2) on both sides of 350 degC: Drummond below MIXED_FLUID_MIN_KELVIN,
// the mixed-fluid ratio from it on.
double co2ActivityCoefficient(double tK, double pBar, double is, double mCO2);

}  // namespace wq
