#include <gtest/gtest.h>

#include <cmath>

#include "activity/neutral.hpp"

namespace wq {
namespace {

TEST(Co2GammaDrummond, ZeroIonicStrengthGivesOne) {
    for (double tK : {273.15, 298.15, 450.0, 623.0}) EXPECT_EQ(co2GammaDrummond(tK, 0.0), 1.0) << tK;
}

TEST(Co2GammaDrummond, HandComputedValues) {
    struct Case {
        double tK, i, expected;
    };
    const Case cases[] = {
        // (-1.0312 + 0.51224 + 0.63975) * 1 - 0.442893999... * 1/2
        {400.0, 1.0, std::exp(0.12079 - 0.44289399928474427 / 2.0)},
        // (-1.0312 + 0.38418 + 0.853) * 2 - 0.442893999... * 2/3
        {300.0, 2.0, std::exp(0.20598 * 2.0 - 0.44289399928474427 * 2.0 / 3.0)},
    };
    for (const Case& c : cases) EXPECT_NEAR(co2GammaDrummond(c.tK, c.i), c.expected, 1e-13) << c.tK;
    EXPECT_NEAR(co2GammaDrummond(400.0, 1.0), 0.9042431354190154, 1e-13);
    EXPECT_NEAR(co2GammaDrummond(300.0, 2.0), 1.1237792482291495, 1e-13);
}

TEST(MixedFluidFugacities, MolalitiesBecomeMoleFractionsAtPressureInAtm) {
    // No salt, no CO2: pure water, (0, 1, 0), at P / 1.01325 atm.
    const FugacityCoefficients pure = mixedFluidFugacities(673.15, 1013.25, 0.0, 0.0);
    const FugacityCoefficients ref = mixedFluidFugacityCoefficients(673.15, 1000.0, {0.0, 1.0, 0.0});
    EXPECT_NEAR(pure.co2 / ref.co2, 1.0, 1e-12);
    EXPECT_NEAR(pure.h2o / ref.h2o, 1.0, 1e-12);
    EXPECT_NEAR(pure.nacl / ref.nacl, 1.0, 1e-12);

    // 1 mol NaCl and 0.5 mol CO2 with 55.5084 mol water: n = 57.0084.
    const FugacityCoefficients mixed = mixedFluidFugacities(773.15, 2000.0, 1.0, 0.5);
    const FugacityCoefficients expected =
        mixedFluidFugacityCoefficients(773.15, 2000.0 / 1.01325, {0.5 / 57.0084, 55.5084 / 57.0084, 1.0 / 57.0084});
    EXPECT_NEAR(mixed.co2 / expected.co2, 1.0, 1e-12);
    EXPECT_NEAR(mixed.h2o / expected.h2o, 1.0, 1e-12);
    EXPECT_NEAR(mixed.nacl / expected.nacl, 1.0, 1e-12);
}

TEST(MixedFluidFugacities, FiniteAndPositiveOverTheExtendedRange) {
    for (double tC = 350.0; tC <= 700.0; tC += 50.0) {
        for (double pBar : {100.0, 300.0, 1000.0, 2000.0, 4000.0, 6000.0}) {
            for (double ms : {0.0, 0.01, 0.5, 1.0, 3.0, 6.0}) {
                for (double mc : {0.0, 0.001, 0.1, 1.0, 2.0}) {
                    const FugacityCoefficients phi = mixedFluidFugacities(tC + 273.15, pBar, ms, mc);
                    for (double v : {phi.co2, phi.h2o, phi.nacl}) {
                        EXPECT_TRUE(std::isfinite(v) && v > 0.0)
                            << tC << " C " << pBar << " bar ms " << ms << " mc " << mc << ": " << v;
                    }
                }
            }
        }
    }
}

TEST(MixedFluid, RatiosToPureWater) {
    EXPECT_EQ(co2GammaHighT(700.0, 800.0, 0.0, 0.0), 1.0);
    EXPECT_EQ(waterActivityHighT(700.0, 800.0, 0.0, 0.0), 1.0);

    const FugacityCoefficients salty = mixedFluidFugacities(700.0, 800.0, 2.0, 0.3);
    const FugacityCoefficients pure = mixedFluidFugacities(700.0, 800.0, 0.0, 0.0);
    EXPECT_DOUBLE_EQ(co2GammaHighT(700.0, 800.0, 2.0, 0.3), salty.co2 / pure.co2);
    EXPECT_DOUBLE_EQ(waterActivityHighT(700.0, 800.0, 2.0, 0.3), salty.h2o / pure.h2o);
}

TEST(MixedFluid, SwitchAt350Celsius) {
    // 623.15 K belongs to the mixed-fluid model; just below it, Drummond.
    const double below = std::nextafter(623.15, 0.0);
    EXPECT_EQ(co2ActivityCoefficient(623.15, 200.0, 1.5, 0.2), co2GammaHighT(623.15, 200.0, 1.5, 0.2));
    EXPECT_EQ(co2ActivityCoefficient(below, 200.0, 1.5, 0.2), co2GammaDrummond(below, 1.5));
    EXPECT_NE(co2GammaHighT(623.15, 200.0, 1.5, 0.2), co2GammaDrummond(623.15, 1.5));
}

}  // namespace
}  // namespace wq
