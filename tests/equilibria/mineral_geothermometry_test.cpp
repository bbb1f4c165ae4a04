// The statistics of the multicomponent temperature estimate: the refined
// minimum, the range around it, zero crossings and the choice of the
// temperatures that enter the statistics.
#include "equilibria/mineral_geothermometry.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using wq::CurveMinimum;
using wq::TemperatureRange;

struct MinimumCase {
    const char* what;
    std::vector<double> t, y;
    double temperature, value;
    bool atEdge;
};

// A parabola sampled on a grid has its vertex recovered exactly, wherever it
// falls between the samples; a minimum on the first or last sample is not
// refined and is flagged.
TEST(Estimate, RefinedMinimum) {
    const auto parabola = [](double t) { return 0.02 * (t - 263.0) * (t - 263.0) + 0.4; };
    std::vector<double> grid, y;
    for (double t = 200; t <= 300; t += 25) grid.push_back(t), y.push_back(parabola(t));
    const MinimumCase cases[] = {
        {"parabola, vertex between samples", grid, y, 263.0, 0.4, false},
        {"uneven spacing", {100, 110, 140}, {4.0, 1.0, 4.0}, 120.0, 0.0, false},
        {"falling to the last sample", {25, 50, 75}, {3.0, 2.0, 1.0}, 75.0, 1.0, true},
        {"rising from the first sample", {25, 50, 75}, {1.0, 2.0, 3.0}, 25.0, 1.0, true},
        {"flat: no curvature, the sample itself", {25, 50, 75}, {1.0, 1.0, 1.0}, 25.0, 1.0, true},
        {"single sample", {150}, {0.3}, 150.0, 0.3, false},
    };
    for (const MinimumCase& c : cases) {
        const CurveMinimum m = wq::refinedMinimum(c.t, c.y);
        ASSERT_TRUE(m.found) << c.what;
        EXPECT_NEAR(m.temperature, c.temperature, 1e-9) << c.what;
        EXPECT_NEAR(m.value, c.value, 1e-9) << c.what;
        EXPECT_EQ(m.atEdge, c.atEdge) << c.what;
    }
    EXPECT_FALSE(wq::refinedMinimum({}, {}).found);
}

// The range of the RMS within a limit of its minimum, on the smooth curve
// between the nodes: one mineral whose log Q/K is linear in T, so its RMS is
// |log Q/K| and the ends lie where the line reaches the limit, between the
// nodes or at the edge of the sweep.
TEST(Estimate, RangeOfTheRmsBelowALimit) {
    const std::vector<double> t = {100, 150, 200, 250, 300};
    struct {
        const char* what;
        double zeroAt, slope;  // log Q/K = slope (T - zeroAt)
        double low, high;
        bool openLow, openHigh;
    } cases[] = {
        {"between the nodes at both ends", 212.5, 0.01, 202.5, 222.5, false, false},
        {"reaching the first node", 100.0, 0.001, 100.0, 200.0, true, false},
        {"the whole sweep", 200.0, 0.0001, 100.0, 300.0, true, true},
    };
    for (const auto& c : cases) {
        std::vector<double> si;
        for (double x : t) si.push_back(c.slope * (x - c.zeroAt));
        const wq::TemperatureEstimate e = wq::estimateTemperature(t, {si});
        const TemperatureRange r = wq::rmsRangeBelow(e, e.rmsMinimum.value + 0.1);
        ASSERT_TRUE(r.found) << c.what;
        EXPECT_NEAR(r.low, c.low, 1e-6) << c.what;
        EXPECT_NEAR(r.high, c.high, 1e-6) << c.what;
        EXPECT_EQ(r.openLow, c.openLow) << c.what;
        EXPECT_EQ(r.openHigh, c.openHigh) << c.what;
    }
    const wq::TemperatureEstimate far = wq::estimateTemperature(t, {{1, 1, 1, 1, 1}});
    EXPECT_FALSE(wq::rmsRangeBelow(far, 0.5).found);
}

TEST(Estimate, ZeroCrossings) {
    const std::vector<double> t = {100, 150, 200, 250, 300};
    struct {
        const char* what;
        std::vector<double> v;
        std::vector<double> at;
    } cases[] = {
        {"one crossing", {-2, -1, 1, 2, 3}, {175}},
        {"two crossings", {-1, 1, 1, -1, -1}, {125, 225}},
        {"a sample exactly at zero counts once", {-1, 0, 1, 2, 3}, {150}},
        {"none", {1, 2, 3, 4, 5}, {}},
        {"across a gap of a failed run", {-1, NAN, 1, 2, 3}, {150}},
    };
    for (const auto& c : cases) {
        const std::vector<double> at = wq::zeroCrossings(t, c.v);
        ASSERT_EQ(at.size(), c.at.size()) << c.what;
        for (std::size_t k = 0; k < at.size(); ++k) EXPECT_NEAR(at[k], c.at[k], 1e-9) << c.what;
    }
}

TEST(Estimate, Median) {
    EXPECT_EQ(wq::medianOf({3, 1, 2}), 2);
    EXPECT_EQ(wq::medianOf({4, 1, 3, 2}), 2.5);
    EXPECT_TRUE(std::isnan(wq::medianOf({})));
}

// Three minerals whose curves cross zero at 245, 250 and 255 C: both
// statistics are smallest at 250 C. A temperature where one mineral has no
// value (a failed run) is left out of the statistics, not counted as zero.
TEST(Estimate, MineralsClusterAroundZero) {
    std::vector<double> t;
    std::vector<std::vector<double>> si(3);
    for (double x = 200; x <= 300; x += 10) {
        t.push_back(x);
        si[0].push_back((x - 245) / 50);
        si[1].push_back((x - 250) / 50);
        si[2].push_back((255 - x) / 50);
    }
    si[1][3] = NAN;  // 230 C
    const wq::TemperatureEstimate e = wq::estimateTemperature(t, si);
    EXPECT_EQ(e.minerals, 3);
    ASSERT_EQ(e.temperatures.size(), t.size() - 1);
    EXPECT_EQ(std::count(e.temperatures.begin(), e.temperatures.end(), 230.0), 0);
    EXPECT_NEAR(e.medianMinimum.temperature, 250, 1e-9);
    EXPECT_NEAR(e.medianMinimum.value, 0.1, 1e-12);
    EXPECT_NEAR(e.rmsMinimum.temperature, 250, 1e-6);
    EXPECT_NEAR(e.rmsMinimum.value, std::sqrt(2.0 / 3.0) * 0.1, 1e-9);
    ASSERT_TRUE(e.rmsRange.found);
    EXPECT_LT(e.rmsRange.low, 250);
    EXPECT_GT(e.rmsRange.high, 250);
}

// Curved log Q/K curves (as real minerals' are) crossing zero near 231.3 C:
// the RMS estimate is the same wherever the grid's nodes fall and whatever
// its step, where a parabola through three RMS samples read the V of the
// clustered curves as a minimum near the closest node.
TEST(Estimate, TheRmsMinimumDoesNotDependOnTheGrid) {
    const auto curves = [](double x) {
        const double u = (x - 231.3) / 40.0;
        return std::vector<double>{u + 0.3 * u * u, -0.8 * u + 0.2 * u * u, 1.5 * u - 0.4 * u * u, 0.02 - 0.6 * u};
    };
    std::vector<double> found;
    for (double step : {1.0, 2.5, 5.0, 7.0, 10.0})
        for (double shift : {0.0, 0.3, 0.5, 0.77}) {
            std::vector<double> t;
            std::vector<std::vector<double>> si(4);
            for (double x = 150.0 + shift * step; x <= 320.0; x += step) {
                t.push_back(x);
                const std::vector<double> y = curves(x);
                for (std::size_t j = 0; j < y.size(); ++j) si[j].push_back(y[j]);
            }
            found.push_back(wq::estimateTemperature(t, si).rmsMinimum.temperature);
        }
    const auto [low, high] = std::minmax_element(found.begin(), found.end());
    EXPECT_LT(*high - *low, 0.5) << *low << " to " << *high;
}

}  // namespace

