#include "equilibria/redox_scale.hpp"

#include <cmath>

#include "grid/units.hpp"

namespace wq {

namespace {

// CODATA 2018 (exact in the SI since 2019): the Faraday constant, C/mol, and
// the molar gas constant, J/(mol K).
constexpr double FARADAY = 96485.33212;
constexpr double GAS_CONSTANT = 8.314462618;

// Coefficients of the electron's reaction e- = 0.5 H2O - H+ - 0.25 O2,aq.
constexpr double ELECTRON_WATER = 0.5;
constexpr double ELECTRON_OXYGEN = 0.25;

}  // namespace

double nernstSlope(double tC) { return GAS_CONSTANT * (tC + KELVIN_OFFSET) * std::log(10.0) / FARADAY; }

double peFromEh(double eh, double tC) { return eh / nernstSlope(tC); }

double ehFromPe(double pe, double tC) { return pe * nernstSlope(tC); }

double peFromLogOxygen(double logO2, double logKElectron, double logAH, double logAW) {
    return logKElectron - ELECTRON_WATER * logAW + logAH + ELECTRON_OXYGEN * logO2;
}

double logOxygenFromPe(double pe, double logKElectron, double logAH, double logAW) {
    return (pe - logKElectron + ELECTRON_WATER * logAW - logAH) / ELECTRON_OXYGEN;
}

double logOxygenFromLogFugacity(double logFO2, double logKGas) { return logFO2 + logKGas; }

double logOxygenOfCouple(double logK, double logAOxidized, double otherTerms, double oxygenCoefficient) {
    return (logK + logAOxidized - otherTerms) / oxygenCoefficient;
}

}  // namespace wq
