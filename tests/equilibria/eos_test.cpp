#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <optional>

#include "equilibria/eos.hpp"

namespace wq {
namespace {

// ---------------------------------------------------------------------------
// An independent Redlich-Kwong reference: the largest root found by bisection
// and the residual Gibbs energy of a fluid with attraction a and co-volume b,
//   G_res/RT = Z - 1 - ln(Z - B) - (A/B) ln(1 + B/Z),
// with A = a P / (R^2 T^2.5) and B = b P / (R T). For a pure fluid this is
// ln phi; for a mixture, ln phi_i is its derivative d(n G_res/RT)/dn_i.

constexpr double R = 82.05;

double cubic(double z, double c1, double c0) { return ((z - 1.0) * z + c1) * z - c0; }

double bisect(double lo, double hi, double c1, double c0) {
    for (int i = 0; i < 200; ++i) {
        const double mid = 0.5 * (lo + hi);
        if (cubic(mid, c1, c0) > 0.0) hi = mid; else lo = mid;
    }
    return 0.5 * (lo + hi);
}

// Largest real root of z^3 - z^2 + c1 z - c0 (c0 >= 0): it lies right of the
// local minimum when that minimum is not above zero, otherwise left of the
// local maximum.
double largestRoot(double c1, double c0) {
    const double bound = 1.0 + std::fabs(c1) + std::fabs(c0);
    const double disc = 1.0 - 3.0 * c1;
    if (disc <= 0.0) return bisect(-bound, bound, c1, c0);
    const double zMin = (1.0 + std::sqrt(disc)) / 3.0;
    const double zMax = (1.0 - std::sqrt(disc)) / 3.0;
    if (cubic(zMin, c1, c0) <= 0.0) return bisect(zMin, bound, c1, c0);
    return bisect(-bound, zMax, c1, c0);
}

struct RkState {
    double bigA, bigB, z;
};
RkState rkState(double tK, double pAtm, double a, double b) {
    const double bigA = a * pAtm / (R * R * std::pow(tK, 2.5));
    const double bigB = b * pAtm / (R * tK);
    return {bigA, bigB, largestRoot(bigA - bigB - bigB * bigB, bigA * bigB)};
}

double residualGibbs(double tK, double pAtm, double a, double b) {
    const RkState s = rkState(tK, pAtm, a, b);
    return s.z - 1.0 - std::log(s.z - s.bigB) - s.bigA / s.bigB * std::log(1.0 + s.bigB / s.z);
}

// Bowers & Helgeson (1983) end-member parameters, written out from the paper's
// fit: t in degC, w in weight percent NaCl.
double aCO2(double t) { return 1e6 * (73.03 - double(0.0714f) * t + 2.157e-5 * t * t); }
double bWaterSalt(double w) { return 14.6 - 0.04420283 * w; }
double aWaterSalt(double t, double w) {
    const double g = std::exp(-0.00982646 * t);
    return 1e6 * (111.3057 + 50.70033 * g) - 8.05658e6 * g * w;
}
double aCross(double tK, double w) {
    const double t = tK - 273.15;
    const double a1 = 4.881243 + 0.001823047 * t - 1.712269e-5 * t * t + 6.479419e-9 * t * t * t;
    const double a2 = 0.02636494 - 0.000536994 * t + 2.687074e-6 * t * t - 4.321741e-9 * t * t * t;
    const double a3 = 0.006802827 - 9.48023e-5 * t + 3.770339e-7 * t * t - 5.075318e-10 * t * t * t;
    const double a4 = 5.235827e-5 - 3.505272e-8 * t;
    const double e = a1 + w * (a2 + w * (a3 + w * a4));
    const double lnK = -11.071 + 5953.0 / tK - 2746000.0 / (tK * tK) + 464600000.0 / (tK * tK * tK);
    return std::sqrt(4.6e13 * std::exp(e)) + 0.5 * R * R * std::pow(tK, 2.5) * std::exp(lnK);
}

// n G_res/RT of n = (nCO2, nH2O, nNaCl) moles; the salinity follows the
// amounts unless it is frozen.
double totalResidualGibbs(double tK, double pAtm, const std::array<double, 3>& n,
                          std::optional<double> frozenW) {
    const double total = n[0] + n[1] + n[2];
    const double w = frozenW ? *frozenW : 100.0 * 58.448 * n[2] / (58.448 * n[2] + 18.016 * n[1]);
    const double xC = n[0] / total;
    const double xWN = (n[1] + n[2]) / total;
    const double t = tK - 273.15;
    const double a = xC * xC * aCO2(t) + xWN * xWN * aWaterSalt(t, w) + 2.0 * xC * xWN * aCross(tK, w);
    const double b = xC * 29.7 + xWN * bWaterSalt(w);
    return total * residualGibbs(tK, pAtm, a, b);
}

double lnPhiByDerivative(double tK, double pAtm, const FluidComposition& x, int i,
                         std::optional<double> frozenW) {
    constexpr double h = 1e-5;
    std::array<double, 3> up{x.xCO2, x.xH2O, x.xNaCl};
    std::array<double, 3> down = up;
    up[static_cast<std::size_t>(i)] += h;
    down[static_cast<std::size_t>(i)] -= h;
    return (totalResidualGibbs(tK, pAtm, up, frozenW) - totalResidualGibbs(tK, pAtm, down, frozenW)) /
           (2.0 * h);
}

// Coefficients (c1, c0) of z^3 - z^2 + c1 z - c0 and the reduced parameters
// (B', A') at P = 1 that produce them: B solves B^3 + B^2 + c1 B - c0 = 0,
// and A' = c0 / B^2.
struct Reduced {
    double bPrime, aPrime;
};
Reduced reducedFor(double c1, double c0) {
    double b = 0.1;
    for (int k = 0; k < 100; ++k) b -= (((b + 1.0) * b + c1) * b - c0) / ((3.0 * b + 2.0) * b + c1);
    return {b, c0 / (b * b)};
}

// ---------------------------------------------------------------------------

TEST(RedlichKwong, LargestRootOfKnownCubics) {
    struct Case {
        const char* what;
        double c1, c0, pressure, expected;
    };
    const Case cases[] = {
        // Roots 0.05, 0.2, 0.75: c1 = 0.01 + 0.0375 + 0.15, c0 = 0.0075.
        {"three roots, largest 0.75", 0.1975, 0.0075, 1.0, 0.75},
        // Roots 0.1, 0.4, 0.5: c1 = 0.04 + 0.05 + 0.2, c0 = 0.02.
        {"three roots, largest 0.5", 0.29, 0.02, 1.0, 0.5},
        // The same cubic reached at P = 2 with half the reduced co-volume.
        {"B = P B'", 0.29, 0.02, 2.0, 0.5},
        // (z - 0.9)(z^2 - 0.1 z + 0.05): one real root (D > 0).
        {"one real root", 0.05 + 0.9 * 0.1, 0.9 * 0.05, 1.0, 0.9},
    };
    for (const Case& c : cases) {
        const Reduced r = reducedFor(c.c1, c.c0);
        double aPrime = r.aPrime;
        double z = 0.0;
        redlichKwongCompressibility(700.0, c.pressure, r.bPrime / c.pressure, aPrime, z);
        EXPECT_NEAR(z, c.expected, 1e-9) << c.what;
        EXPECT_EQ(aPrime, r.aPrime) << c.what;
    }
}

TEST(RedlichKwong, VanishingDiscriminantGivesOne) {
    // Near the double root 0.05 (roots 0.05, 0.05, 0.9) these inputs make the
    // discriminant exactly zero; the next A' up does not, and the root near
    // 0.9 comes back.
    const double bPrime = 0.019940136136959684;
    double aPrime = 5.6588252151885641;
    double z = 0.0;
    redlichKwongCompressibility(700.0, 1.0, bPrime, aPrime, z);
    EXPECT_EQ(z, 1.0);

    double nextAPrime = std::nextafter(5.6588252151885641, 10.0);
    redlichKwongCompressibility(700.0, 1.0, bPrime, nextAPrime, z);
    EXPECT_NEAR(z, 0.9, 1e-6);
}

TEST(RedlichKwong, NonPositiveAttractionBecomesOneThousandth) {
    double expectedZ = 0.0;
    double reference = 0.001;
    redlichKwongCompressibility(700.0, 300.0, 0.003, reference, expectedZ);
    for (double given : {0.0, -0.0, -5.0}) {
        double aPrime = given;
        double z = 0.0;
        redlichKwongCompressibility(700.0, 300.0, 0.003, aPrime, z);
        EXPECT_EQ(aPrime, 0.001) << given;
        EXPECT_EQ(z, expectedZ) << given;
    }
}

TEST(MixedFluidFugacityCoefficients, PureFluidsMatchTheRedlichKwongFugacity) {
    struct Case {
        double tK, pAtm;
    };
    const Case conditions[] = {{623.15, 100.0}, {673.15, 500.0}, {773.15, 1000.0}, {973.15, 6000.0}};
    for (const Case& c : conditions) {
        const double t = c.tK - 273.15;
        const FugacityCoefficients water = mixedFluidFugacityCoefficients(c.tK, c.pAtm, {0.0, 1.0, 0.0});
        EXPECT_NEAR(std::log(water.h2o), residualGibbs(c.tK, c.pAtm, aWaterSalt(t, 0.0), 14.6), 1e-9)
            << c.tK << " K " << c.pAtm << " atm";

        const FugacityCoefficients co2 = mixedFluidFugacityCoefficients(c.tK, c.pAtm, {1.0, 0.0, 0.0});
        EXPECT_NEAR(std::log(co2.co2), residualGibbs(c.tK, c.pAtm, aCO2(t), 29.7), 1e-9);
        // Without water or salt both see the same salt-free pseudo-component.
        EXPECT_EQ(co2.h2o, co2.nacl);

        const FugacityCoefficients salt = mixedFluidFugacityCoefficients(c.tK, c.pAtm, {0.0, 0.0, 1.0});
        EXPECT_NEAR(std::log(salt.nacl),
                    residualGibbs(c.tK, c.pAtm, aWaterSalt(t, 100.0), bWaterSalt(100.0)), 1e-9);
    }
}

TEST(MixedFluidFugacityCoefficients, TraceSaltCountsAsNoSalt) {
    // x_NaCl = 5e-9 is below the salinity threshold: w = 0, so water and CO2
    // see exactly the pure-water pseudo-component.
    const double xW = 1.0 - 5e-9;
    ASSERT_EQ(xW + 5e-9, 1.0);
    const FugacityCoefficients trace = mixedFluidFugacityCoefficients(673.15, 800.0, {0.0, xW, 5e-9});
    const FugacityCoefficients pure = mixedFluidFugacityCoefficients(673.15, 800.0, {0.0, 1.0, 0.0});
    EXPECT_EQ(trace.h2o, pure.h2o);
    EXPECT_EQ(trace.co2, pure.co2);
    EXPECT_NEAR(trace.nacl / pure.nacl, 1.0, 1e-7);
}

TEST(MixedFluidFugacityCoefficients, PartialQuantitiesAreDerivativesOfTheMixture) {
    struct Case {
        const char* what;
        double tK, pAtm;
        FluidComposition x;
        std::optional<double> frozenW;  // salinity held fixed (no water, no salt)
        int constituents = 3;           // how many of CO2, H2O, NaCl to check
    };
    const Case cases[] = {
        {"brine with CO2", 673.15, 1000.0, {0.1, 0.8, 0.1}, {}},
        {"CO2-rich brine", 873.15, 500.0, {0.3, 0.65, 0.05}, {}},
        {"dense brine", 773.15, 4000.0, {0.02, 0.9, 0.08}, {}},
        {"pure water", 673.15, 300.0, {0.0, 1.0, 0.0}, {}},
        {"trace salt", 673.15, 300.0, {0.0, 1.0 - 5e-9, 5e-9}, {}},
        {"salt-free with CO2", 823.15, 1500.0, {0.2, 0.8, 0.0}, {}},
        {"molten salt", 973.15, 2000.0, {0.0, 0.0, 1.0}, {}},
        {"salt with CO2, no water", 973.15, 3000.0, {0.5, 0.0, 0.5}, {}, 2},
        {"pure CO2", 673.15, 1000.0, {1.0, 0.0, 0.0}, 0.0},
    };
    for (const Case& c : cases) {
        const FugacityCoefficients phi = mixedFluidFugacityCoefficients(c.tK, c.pAtm, c.x);
        const double lnPhi[3] = {std::log(phi.co2), std::log(phi.h2o), std::log(phi.nacl)};
        for (int i = 0; i < c.constituents; ++i) {
            EXPECT_NEAR(lnPhi[i], lnPhiByDerivative(c.tK, c.pAtm, c.x, i, c.frozenW), 1e-6)
                << c.what << ", constituent " << i;
        }
        if (c.constituents < 3) continue;
        // Euler: the mole-fraction average of ln phi_i is the mixture's G_res/RT.
        const double average = c.x.xCO2 * lnPhi[0] + c.x.xH2O * lnPhi[1] + c.x.xNaCl * lnPhi[2];
        EXPECT_NEAR(average, totalResidualGibbs(c.tK, c.pAtm, {c.x.xCO2, c.x.xH2O, c.x.xNaCl}, c.frozenW),
                    1e-9)
            << c.what;
    }
}

TEST(MixedFluidFugacityCoefficients, WaterFreeSaltKeepsOnlyItsOwnAttraction) {
    // With no water the salt's partial attraction is 2 x_NaCl a_WN alone: the
    // cross term 2 x_CO2 a_X of the full derivative is left out, which raises
    // ln phi(NaCl) by 2 x_CO2 a_X ln(1 + B/Z) / (R T^1.5 b). (A fluid without
    // water never comes from an aqueous solution, so only this case sees it.)
    const double tK = 973.15, pAtm = 3000.0;
    const FluidComposition x{0.5, 0.0, 0.5};
    const double t = tK - 273.15;
    const double aX = aCross(tK, 100.0);
    const double a = 0.25 * aCO2(t) + 0.25 * aWaterSalt(t, 100.0) + 0.5 * aX;
    const double b = 0.5 * 29.7 + 0.5 * bWaterSalt(100.0);
    const RkState s = rkState(tK, pAtm, a, b);
    const double omitted = 2.0 * 0.5 * aX * std::log(1.0 + s.bigB / s.z) / (R * std::pow(tK, 1.5) * b);
    EXPECT_NEAR(std::log(mixedFluidFugacityCoefficients(tK, pAtm, x).nacl), lnPhiByDerivative(tK, pAtm, x, 2, {}) + omitted, 1e-6);
}

}  // namespace
}  // namespace wq
