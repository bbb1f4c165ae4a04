// The classical geothermometers against their published equations, each
// evaluated by hand at three points (values below to 1e-6 C), and against the
// limits of their calibrations.
#include <gtest/gtest.h>

#include <cmath>

#include "equilibria/geothermometers.hpp"

namespace wq {
namespace {

struct Point {
    double first, second;  // mg/kg
    double expected;       // deg C
};

TEST(ClassicalGeothermometers, SilicaScalesAtThreePoints) {
    // Fournier (1977): 48 mg/kg of silica is quartz saturation at about
    // 100 C and 265 mg/kg at about 200 C (the solubility his equation fits);
    // 670 mg/kg is the Wairakei-type example water.
    const Point quartz[] = {{48.0, 0, 99.916400}, {265.0, 0, 199.967574}, {670.0, 0, 280.590026}};
    const Point steamLoss[] = {{48.0, 0, 100.919855}, {265.0, 0, 184.353002}, {670.0, 0, 247.383152}};
    const Point chalcedonyPoints[] = {{48.0, 0, 69.848586}, {265.0, 0, 182.126551}, {670.0, 0, 280.520288}};
    for (const Point& p : quartz) EXPECT_NEAR(quartzNoSteamLoss(p.first).temperature, p.expected, 1e-6);
    for (const Point& p : steamLoss) EXPECT_NEAR(quartzSteamLoss(p.first).temperature, p.expected, 1e-6);
    for (const Point& p : chalcedonyPoints) EXPECT_NEAR(chalcedony(p.first).temperature, p.expected, 1e-6);
}

TEST(ClassicalGeothermometers, CationRatiosAtThreePoints) {
    // Giggenbach (1988): Na/K of 5, 10 and 20 by weight; K and Mg pairs.
    const Point naKPoints[] = {{500.0, 100.0, 294.435555}, {1000.0, 100.0, 232.304545}, {2000.0, 100.0, 182.433853}};
    const Point kMgPoints[] = {{10.0, 1.0, 94.35}, {50.0, 0.1, 186.126447}, {20.0, 0.01, 196.101772}};
    for (const Point& p : naKPoints) EXPECT_NEAR(naK(p.first, p.second).temperature, p.expected, 1e-6);
    for (const Point& p : kMgPoints) EXPECT_NEAR(kMg(p.first, p.second).temperature, p.expected, 1e-6);
}

TEST(ClassicalGeothermometers, RangesAndMissingConstituents) {
    // 670 mg/kg reads 281 C on the quartz scale: beyond Fournier's 250 C.
    EXPECT_FALSE(quartzNoSteamLoss(670.0).inRange());
    EXPECT_TRUE(quartzNoSteamLoss(265.0).inRange());
    EXPECT_FALSE(naK(2000.0, 10.0).inRange());  // Na/K 200: about 70 C, too cool for this scale
    // A silica content so high that the denominator vanishes has no reading,
    // nor has a water without the constituent.
    EXPECT_TRUE(std::isnan(quartzNoSteamLoss(1.6e5).temperature));
    EXPECT_TRUE(std::isnan(quartzNoSteamLoss(0.0).temperature));
    EXPECT_TRUE(std::isnan(kMg(10.0, 0.0).temperature));
    EXPECT_FALSE(quartzNoSteamLoss(0.0).inRange());

    EXPECT_EQ(classicalGeothermometers(670.0, 1000.0, 100.0, 0.1).size(), 5u);
    EXPECT_EQ(classicalGeothermometers(0.0, 1000.0, 100.0, 0.0).size(), 1u);
    EXPECT_EQ(classicalGeothermometers(670.0, 0.0, 0.0, 0.0).size(), 3u);
}

}  // namespace
}  // namespace wq
