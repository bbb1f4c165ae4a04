// Modified Redlich-Kwong equation of state for H2O-CO2-NaCl (Bowers & Helgeson
// 1983). The water-salt pseudo-component has a salinity w in weight percent
// NaCl; its co-volume and attraction, and its cross attraction with CO2, are
// the empirical functions of temperature and w fitted by Bowers & Helgeson.
// The fugacity coefficient of a constituent follows from the partial
// derivatives of n*b and n^2*a with respect to its moles, which for water and
// salt include the change of w with their amounts.
#include "equilibria/eos.hpp"
#include "grid/units.hpp"

#include <algorithm>
#include <cmath>

namespace wq {
namespace {

// Gas constant (cm3 atm / (K mol)) and its square as the program holds it.
constexpr double R = 82.05;
constexpr double R_SQUARED = 6732.2025;

// Co-volumes (cm3/mol): CO2, water-salt at w = 0, and its slope in w.
constexpr double B_CO2 = 29.7;
constexpr double B_WATER = 14.6;
constexpr double DB_DW = -0.04420283;

// Molar masses (g/mol) that define the weight percent of NaCl.
constexpr double MW_NACL = 58.448;
constexpr double MW_H2O = 18.016;

// n * dw/dn_i = S_NaCl (100 - w)^2 / x_H2O for salt and -S_H2O w^2 / x_NaCl for
// water, with S_NaCl = 58.448 / (100 * 18.016) and S_H2O = 18.016 / (100 * 58.448).
constexpr double S_NACL = 0.032442273534635885;
constexpr double S_H2O = 0.0030823980290172457;
// The products DB_DW * S_H2O and DB_DW * S_NACL, held as such.
constexpr double DB_S_H2O = -0.00013625071606898439;
constexpr double DB_S_NACL = -0.001434040301865009;

// Below this a mole fraction or a salinity counts as zero.
constexpr double NEGLIGIBLE = 1e-8;
// Salinity within this of 100 weight percent: no water in the pseudo-component.
constexpr double PURE_SALT_TOLERANCE = 1e-6;

// Constants of the closed-form cubic: 1/3, 2/27, 1/27, and the ten-digit
// values of 2 pi/3 and 4 pi/3 that separate the three trigonometric roots.
constexpr double THIRD = 0.3333333333333333;
constexpr double TWO_27THS = 0.07407407407407407;
constexpr double ONE_27TH = 0.037037037037037035;
constexpr double TWO_PI_THIRDS = 2.094395103;
constexpr double FOUR_PI_THIRDS = 4.188790206;
// Stand-in for a non-positive reduced attraction.
constexpr double SMALLEST_A_PRIME = 0.001;

// Weight percent NaCl of the water-salt pseudo-component.
double salinity(double xH2O, double xNaCl) {
    if (xNaCl <= NEGLIGIBLE) return 0.0;
    return 100.0 * MW_NACL * xNaCl / (MW_NACL * xNaCl + MW_H2O * xH2O);
}

// Attraction of CO2 (cm6 atm K^0.5 / mol^2); t in degC. The linear coefficient
// is the single-precision value of 0.0714.
double co2Attraction(double t) {
    return 1e6 * (73.03 - 0.0714000016450882 * t + 2.157e-5 * (t * t));
}

// Temperature factor of the water attraction; t in degC.
double waterAttractionDecay(double t) { return std::exp(-0.00982646 * t); }

// Slope of the water-salt attraction in w.
double waterSaltAttractionSlope(double g) { return -8.05658e6 * g; }

double waterSaltAttraction(double g, double c2, double w) {
    return 1e6 * (111.3057 + 50.70033 * g) + c2 * w;
}

double waterSaltCoVolume(double w) { return B_WATER + DB_DW * w; }

// Coefficients of the cubic in w of the exponent E(t, w) of the CO2 / water-salt
// cross attraction; t in degC.
struct SalinityCubic {
    double a1, a2, a3, a4;
};

SalinityCubic salinityCubic(double t) {
    const double t2 = t * t;
    const double t3 = t * t * t;
    return {4.881243 + 0.001823047 * t - 1.712269e-5 * t2 + 6.479419e-9 * t3,
            0.02636494 - 0.000536994 * t + 2.687074e-6 * t2 - 4.321741e-9 * t3,
            0.006802827 - 9.48023e-5 * t + 3.770339e-7 * t2 - 5.075318e-10 * t3,
            5.235827e-5 - 3.505272e-8 * t};
}

double exponentE(const SalinityCubic& c, double w) {
    return c.a1 + c.a2 * w + c.a3 * (w * w) + c.a4 * (w * w * w);
}

double exponentSlope(const SalinityCubic& c, double w) {
    return c.a2 + 2.0 * c.a3 * w + 3.0 * c.a4 * (w * w);
}

// Salinity part of the cross attraction.
double crossAttractionRoot(double e) { return std::sqrt(4.6e7 * 1e6 * std::exp(e)); }

// Cross attraction CO2 / water-salt: the salinity part plus the contribution of
// CO2-H2O complexing, with its equilibrium constant ln K(T).
double crossAttraction(double tK, double s) {
    const double lnK = -11.071 + 5953.0 / tK - 2746000.0 / (tK * tK) + 464600000.0 / (tK * tK * tK);
    return s + 0.5 * R_SQUARED * std::pow(tK, 2.5) * std::exp(lnK);
}

// How the water-salt pseudo-component changes with its salinity: what the
// partial quantities of water and salt need beyond the mixture.
struct SalinityTerms {
    double w;    // salinity (weight percent NaCl)
    double bWN;  // co-volume of water-salt
    double c2;   // d aWN / dw
    double s;    // salinity part of the cross attraction
    double dE;   // dE/dw, so that d aX / dw = s * dE / 2
};

// Pure-constituent parameters at the run's temperature and salinity.
struct ConstituentParameters {
    SalinityTerms salt;
    double aC;   // attraction of CO2
    double aWN;  // attraction of water-salt
    double aX;   // cross attraction
};

ConstituentParameters constituentParameters(double tK, double w) {
    const double t = tK - KELVIN_OFFSET;
    const double g = waterAttractionDecay(t);
    const double c2 = waterSaltAttractionSlope(g);
    const SalinityCubic cubic = salinityCubic(t);
    const double s = crossAttractionRoot(exponentE(cubic, w));
    return {{w, waterSaltCoVolume(w), c2, s, exponentSlope(cubic, w)},
            co2Attraction(t),
            waterSaltAttraction(g, c2, w),
            crossAttraction(tK, s)};
}

// The fluid at the root of the cubic, with the logarithms every constituent uses.
struct MixtureState {
    double a, b;   // mixture attraction and co-volume
    double rt15;   // R T^1.5
    double z, v;   // compressibility factor and molar volume (cm3/mol)
    double l1, l2, l3;
};

// Partial co-volume and partial attraction (d(n^2 a)/dn_i divided by n).
struct Partial {
    double b;
    double a;
};

Partial co2Partial(double xC, double xWN, double aC, double aX) {
    return {B_CO2, 2.0 * xC * aC + 2.0 * xWN * aX};
}

// Water in a salty pseudo-component: adding water lowers w.
Partial waterPartialWithSalt(double xC, double xWN, double xN, double t1,
                             const SalinityTerms& k) {
    const double w2 = k.w * k.w;
    return {k.bWN - DB_S_H2O * w2 * xWN / xN,
            t1 - S_H2O * w2 * k.c2 * (xWN * xWN) / xN - S_H2O * w2 * k.s * xC * xWN * k.dE / xN};
}

// Salt in a pseudo-component holding water: adding salt raises w.
Partial saltPartialWithWater(double xC, double xWN, double xW, double t1,
                             const SalinityTerms& k) {
    const double d2 = (100.0 - k.w) * (100.0 - k.w);
    return {k.bWN + DB_S_NACL * d2 * xWN / xW,
            t1 + S_NACL * d2 * k.c2 * (xWN * xWN) / xW + S_NACL * d2 * k.s * xC * xWN * k.dE / xW};
}

// ln phi_i of the Redlich-Kwong mixture (Bowers & Helgeson 1983, eq. 3 form).
double lnFugacityCoefficient(const Partial& i, const MixtureState& m) {
    return i.b / (m.v - m.b) + m.l1 - i.a * m.l2 / (m.rt15 * m.b) +
           m.a * i.b * (m.l2 - m.l3) / (m.rt15 * (m.b * m.b)) - std::log(m.z);
}

double signedCubeRoot(double x) {
    return x < 0.0 ? -std::pow(-x, THIRD) : std::pow(x, THIRD);
}

// Largest root of y^3 + p y + q = 0 when it has three real roots (D < 0):
// the trigonometric solution.
double largestTrigonometricRoot(double p, double q) {
    // Rounding can carry k a hair beyond +-1 when two roots nearly coincide.
    const double k = std::clamp(-(q * 0.5) / std::sqrt(-(p * p * p) * ONE_27TH), -1.0, 1.0);
    const double theta = std::acos(k) * THIRD;
    const double g = 2.0 * std::sqrt(-p * THIRD);
    return std::max({g * std::cos(theta), g * std::cos(theta + TWO_PI_THIRDS),
                     g * std::cos(theta + FOUR_PI_THIRDS)});
}

// Largest real root of z^3 - z^2 + c1 z - c0 = 0 by Cardano, through the
// depressed cubic in y = z - 1/3.
double largestCubicRoot(double c1, double c0) {
    const double p = c1 - THIRD;
    const double q = c1 * THIRD - c0 - TWO_27THS;
    const double d = p * p * p * ONE_27TH + q * q * 0.25;
    if (d > 0.0) {
        const double root = std::sqrt(d);
        return signedCubeRoot(-q * 0.5 + root) + signedCubeRoot(-q * 0.5 - root) + THIRD;
    }
    if (d == 0.0) return 1.0;
    return largestTrigonometricRoot(p, q) + THIRD;
}

}  // namespace

void redlichKwongCompressibility(double /*t*/, double p, double bPrime, double& aPrime, double& z) {
    if (aPrime <= 0.0) aPrime = SMALLEST_A_PRIME;
    const double b = p * bPrime;
    const double c1 = b * (aPrime - b - 1.0);
    const double c0 = b * b * aPrime;
    z = largestCubicRoot(c1, c0);
}

FugacityCoefficients mixedFluidFugacityCoefficients(double tK, double pAtm, const FluidComposition& x) {
    const double xC = x.xCO2;
    const double xW = x.xH2O;
    const double xN = x.xNaCl;
    const double xWN = xW + xN;
    const ConstituentParameters k = constituentParameters(tK, salinity(xW, xN));
    const double rt15 = R * std::pow(tK, 1.5);

    // Quadratic mixing of the attractions, linear mixing of the co-volumes.
    MixtureState m{};
    m.a = xC * xC * k.aC + xWN * xWN * k.aWN + 2.0 * xC * xWN * k.aX;
    m.b = xC * B_CO2 + xWN * k.salt.bWN;
    m.rt15 = rt15;
    double aPrime = m.a / (rt15 * m.b);
    const double bPrime = m.b / (R * tK);
    redlichKwongCompressibility(tK, pAtm, bPrime, aPrime, m.z);
    m.v = m.z * R * tK / pAtm;
    m.l1 = std::log(m.v / (m.v - m.b));
    m.l2 = std::log((m.v + m.b) / m.v);
    m.l3 = m.b / (m.v + m.b);

    // The pseudo-component's share of d(n^2 a)/dn at fixed salinity.
    const double t1 = 2.0 * xWN * k.aWN + 2.0 * xC * k.aX;
    const SalinityTerms& sal = k.salt;
    const Partial co2 = co2Partial(xC, xWN, k.aC, k.aX);
    Partial h2o{};
    Partial nacl{};
    if (std::fabs(sal.w - 100.0) < PURE_SALT_TOLERANCE) {
        // No water: the salt is the whole pseudo-component.
        h2o = waterPartialWithSalt(xC, xWN, xN, t1, sal);
        nacl = {sal.bWN, 2.0 * xN * k.aWN};
    } else if (sal.w > NEGLIGIBLE) {
        h2o = waterPartialWithSalt(xC, xWN, xN, t1, sal);
        nacl = saltPartialWithWater(xC, xWN, xW, t1, sal);
    } else {
        // Salt-free: water sees a pseudo-component of fixed salinity; salt is
        // taken at infinite dilution, or with no water at all as a CO2 solute.
        h2o = {sal.bWN, t1};
        nacl = xW < NEGLIGIBLE ? Partial{sal.bWN, 2.0 * xC * k.aX}
                               : saltPartialWithWater(xC, xWN, xW, t1, sal);
    }
    return {std::exp(lnFugacityCoefficient(co2, m)), std::exp(lnFugacityCoefficient(h2o, m)),
            std::exp(lnFugacityCoefficient(nacl, m))};
}

}  // namespace wq
