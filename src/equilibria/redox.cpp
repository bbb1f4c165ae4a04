#include "equilibria/redox.hpp"

#include <cmath>

#include "grid/units.hpp"

namespace wq {
namespace {

// Gas constant (cal/(mol K)) and the kelvin offset, both single precision.
constexpr double R_CAL = double(1.987f);
// 1/F (V equivalent / cal) for the single-precision Faraday constant 23060.9.
constexpr double INVERSE_FARADAY = 4.336344128204692e-05;

// Nernst: Eh = (G(t) + R T ln Q) / (n F), with G(t) the free-energy term of
// the half reaction as a cubic in degC.
double nernst(double g, double lnQ, double tC, double perElectron) {
    const double tK = tC + KELVIN_OFFSET_SINGLE;
    return (g + R_CAL * tK * lnQ) * perElectron * INVERSE_FARADAY;
}

// Free-energy term (cal/mol) of the sulfide-sulfate couple; single-precision fit.
double sulfateCoupleEnergy(double t) {
    return double(43981.26f) + double(75.4144f) * t - double(0.122206f) * (t * t) +
           double(4.5713e-5f) * (t * t * t);
}

// Free-energy term (cal/mol) of the oxygen couple; single-precision fit.
double oxygenCoupleEnergy(double t) {
    return double(58590.02f) + double(3.1728f) * t - double(0.001355f) * (t * t) -
           double(1.34156e-5f) * (t * t * t);
}

// Fournier & Truesdell (1973), with its constants in single precision:
// t = 1000 / (0.606 (log(Na/K) + beta log(sqrt(Ca)/Na)) + 1.358) - 273.15.
constexpr double BETA_HOT = double(1.0f / 3.0f);
constexpr double BETA_COOL = double(4.0f / 3.0f);
// The beta = 4/3 result holds below this temperature (degC).
constexpr double BETA_COOL_LIMIT = 100.0;

double temperatureWithBeta(double logSqrtCaNa, double logNaK, double beta) {
    return 1000.0 / (double(0.606f) * (logNaK + beta * logSqrtCaNa) + double(1.358f)) -
           KELVIN_OFFSET_SINGLE;
}

}  // namespace

double ehFromSulfideSulfate(double aH, double aW, double aSO4, double aHS, double tC) {
    const double aW2 = aW * aW;
    const double q = aSO4 / (aW2 * aW2 * aHS);
    return nernst(sulfateCoupleEnergy(tC), std::log(q) + 9.0 * std::log(aH), tC, 0.125);
}

double ehFromOxygen(double aH, double aW, double aO2, double tC) {
    const double q = aH * aH * std::sqrt(aO2) / aW;
    return nernst(oxygenCoupleEnergy(tC), std::log(q), tC, 0.5);
}

double naKCaSourceTemperature(double mCa, double mK, double mNa) {
    const double logSqrtCaNa = std::log10(std::sqrt(mCa) / mNa);
    const double logNaK = std::log10(mNa / mK);
    // Waters with Ca/Na^2 below 1 take beta = 1/3 at once; otherwise the 4/3
    // estimate decides: below 100 degC it stands, else 1/3 is used.
    if (logSqrtCaNa < 0.0) return temperatureWithBeta(logSqrtCaNa, logNaK, BETA_HOT);
    const double cool = temperatureWithBeta(logSqrtCaNa, logNaK, BETA_COOL);
    if (cool < BETA_COOL_LIMIT) return cool;
    return temperatureWithBeta(logSqrtCaNa, logNaK, BETA_HOT);
}

}  // namespace wq
