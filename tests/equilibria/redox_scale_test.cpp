#include <gtest/gtest.h>

#include <cmath>

#include "equilibria/redox_scale.hpp"

namespace wq {
namespace {

// log K at 25 C, 1 bar of the bundled database: the electron
// (e- = 0.5 H2O - H+ - 0.25 O2,aq), O2(g) = O2,aq, and the iron couple
// (Fe+++ = Fe++ + H+ - 0.5 H2O + 0.25 O2,aq).
constexpr double LOGK_ELECTRON_25 = 21.5008;
constexpr double LOGK_O2_GAS_25 = -2.8983;
constexpr double LOGK_IRON_COUPLE_25 = -8.4899;

TEST(RedoxScale, PeIsFEhOverRTLn10At25And100C) {
    // RT ln 10 / F = 0.05916 V at 25 C (e.g. Stumm & Morgan 1996, Aquatic
    // Chemistry, ch. 8); proportional to the absolute temperature, so
    // 0.05916 x 373.15 / 298.15 = 0.07404 V at 100 C.
    struct Case {
        double tC, slope;
    };
    for (const Case& c : {Case{25.0, 0.059160}, Case{100.0, 0.074042}}) {
        EXPECT_NEAR(nernstSlope(c.tC), c.slope, 2e-6) << c.tC;
        for (double eh : {-0.35, 0.0, 0.2, 0.81}) {
            EXPECT_NEAR(peFromEh(eh, c.tC), eh / c.slope, 1e-4 * (1.0 + std::abs(eh / c.slope))) << c.tC;
            EXPECT_NEAR(ehFromPe(peFromEh(eh, c.tC), c.tC), eh, 1e-15) << c.tC;
        }
    }
}

TEST(RedoxScale, WaterInEquilibriumWithAir) {
    // 0.21 bar of O2 at pH 7 and 25 C: pe = 20.75 - pH + 0.25 log pO2 = 13.58
    // (Stumm & Morgan 1996, ch. 8); the database's data give 13.61.
    const double logO2 = logOxygenFromLogFugacity(std::log10(0.21), LOGK_O2_GAS_25);
    EXPECT_NEAR(peFromLogOxygen(logO2, LOGK_ELECTRON_25, -7.0, 0.0), 13.58, 0.05);
    EXPECT_NEAR(ehFromPe(peFromLogOxygen(logO2, LOGK_ELECTRON_25, -7.0, 0.0), 25.0), 0.80, 0.01);
}

TEST(RedoxScale, OxygenActivityAndPeBackAndForth) {
    struct Case {
        double pe, logK, logAH, logAW;
    };
    const Case cases[] = {
        {13.6, LOGK_ELECTRON_25, -7.0, 0.0},
        {-4.0, LOGK_ELECTRON_25, -8.3, -0.01},
        {2.5, 15.2320, -5.5, -0.2},  // 150 C
    };
    for (const Case& c : cases) {
        const double logO2 = logOxygenFromPe(c.pe, c.logK, c.logAH, c.logAW);
        EXPECT_NEAR(peFromLogOxygen(logO2, c.logK, c.logAH, c.logAW), c.pe, 1e-12);
        // one pe unit is four log units of O2,aq; one pH unit the same
        EXPECT_NEAR(logOxygenFromPe(c.pe + 1.0, c.logK, c.logAH, c.logAW) - logO2, 4.0, 1e-12);
        EXPECT_NEAR(logOxygenFromPe(c.pe, c.logK, c.logAH - 1.0, c.logAW) - logO2, 4.0, 1e-12);
    }
}

TEST(RedoxScale, IronCoupleGivesTheNernstEquationOfItsHalfReaction) {
    // Fe+++ + e- = Fe++ has log K = log K(couple) + log K(e-) = 13.011 (pe0),
    // so pe = 13.011 + log(a Fe+++ / a Fe++) whatever the pH: through the O2,aq
    // activity at which the couple is in equilibrium, the same pe.
    struct Case {
        double logFe3, logFe2, logAH, logAW;
    };
    const Case cases[] = {{-5.0, -3.0, -3.0, 0.0}, {-2.0, -2.5, -1.2, -0.02}, {-12.0, -4.0, -7.5, 0.0}};
    const double pe0 = LOGK_IRON_COUPLE_25 + LOGK_ELECTRON_25;
    for (const Case& c : cases) {
        // Fe+++ = Fe++ + H+ - 0.5 H2O + 0.25 O2,aq
        const double others = c.logFe2 + c.logAH - 0.5 * c.logAW;
        const double logO2 = logOxygenOfCouple(LOGK_IRON_COUPLE_25, c.logFe3, others, 0.25);
        EXPECT_NEAR(peFromLogOxygen(logO2, LOGK_ELECTRON_25, c.logAH, c.logAW), pe0 + c.logFe3 - c.logFe2, 1e-12);
    }
}

}  // namespace
}  // namespace wq
