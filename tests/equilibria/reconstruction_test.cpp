// The search for the reconstructed fluid's unknowns against fluids whose
// answer is known by construction: log Q/K of each mineral is a plane in the
// temperature and the unknowns, all of them zero at one temperature and one
// set of unknowns; the statistic is then convex in the unknowns and the
// search must find that point, within its bounds, the same way every time.
#include "equilibria/reconstruction.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using wq::ParameterBounds;
using wq::Reconstruction;
using wq::SaturationCurves;

std::vector<double> sweepTemperatures() {
    std::vector<double> t;
    for (double k = 150.0; k <= 350.0; k += 5.0) t.push_back(k);
    return t;
}

// A mineral's log Q/K: slope * (T - T*)/50 + dy * (y - y*)/0.1 + dc * (c - c*)/0.01.
struct PlaneMineral {
    double slope, dy, dc, offset;
};

struct PlaneFluid {
    double temperature, steamLoss, co2;  // where every mineral is at equilibrium
    std::vector<PlaneMineral> minerals;
    std::vector<std::vector<double>> asked;  // every set of unknowns the search asked for

    SaturationCurves operator()(const std::vector<double>& x) {
        asked.push_back(x);
        const double y = x.size() > 0 ? x[0] : steamLoss;
        const double c = x.size() > 1 ? x[1] : co2;
        SaturationCurves curves;
        for (const PlaneMineral& m : minerals) {
            std::vector<double> curve;
            for (double t : sweepTemperatures())
                curve.push_back(m.slope * (t - temperature) / 50.0 + m.dy * (y - steamLoss) / 0.1 +
                                m.dc * (c - co2) / 0.01 + m.offset);
            curves.push_back(curve);
        }
        return curves;
    }
};

// Quartz-like (falls with T, falls with steam given back), feldspar-like
// (flat in y), calcite-like (rises with CO2), a clay that moves with all.
const std::vector<PlaneMineral> kAssemblage = {
    {-1.0, -2.0, 0.0, 0.0}, {-0.3, 0.0, 0.2, 0.0}, {0.8, 0.5, 1.5, 0.0}, {0.5, 1.0, -0.6, 0.0}};

Reconstruction reconstructed(PlaneFluid& fluid, const std::vector<ParameterBounds>& bounds) {
    return wq::reconstruct(bounds, sweepTemperatures(), [&](const std::vector<double>& x) { return fluid(x); });
}

TEST(Reconstruction, FindsTheUnknownsWhereEveryMineralIsAtEquilibrium) {
    struct Case {
        const char* what;
        double temperature, steamLoss, co2;
    };
    const Case cases[] = {
        {"a cool water, little boiled", 182.0, 0.07, 0.004},
        {"the centre of the bounds", 250.0, 0.2, 0.05},
        {"a hot water, much boiled", 297.5, 0.33, 0.081},
    };
    for (const Case& c : cases) {
        PlaneFluid fluid{c.temperature, c.steamLoss, c.co2, kAssemblage, {}};
        const Reconstruction r = reconstructed(fluid, {{0.0, 0.4}, {0.0, 0.1}});
        ASSERT_EQ(r.best.parameters.size(), 2u) << c.what;
        // Near its zero the RMS is V-shaped in T, and the parabola that
        // refines its minimum between the 5 C steps is off by up to half a
        // step; the statistic is as rough, so the search ends within a few
        // hundredths of the range of each unknown, not at its last step.
        EXPECT_NEAR(r.best.parameters[0], c.steamLoss, 0.01) << c.what;
        EXPECT_NEAR(r.best.parameters[1], c.co2, 0.001) << c.what;
        ASSERT_TRUE(r.best.estimate.rmsMinimum.found) << c.what;
        EXPECT_NEAR(r.best.estimate.rmsMinimum.temperature, c.temperature, 5.0) << c.what;
        EXPECT_LT(r.best.statistic, 0.05) << c.what;
        EXPECT_EQ(r.evaluations, static_cast<int>(fluid.asked.size())) << c.what << ": each point computed once";
    }
}

TEST(Reconstruction, KeepsWithinTheBoundsAndStopsOnTheOneItCannotCross) {
    // The fluid's answer lies beyond the bound of the steam loss.
    PlaneFluid fluid{250.0, 0.6, 0.03, kAssemblage, {}};
    const Reconstruction r = reconstructed(fluid, {{0.0, 0.4}, {0.0, 0.1}});
    for (const std::vector<double>& x : fluid.asked) {
        EXPECT_GE(x[0], 0.0);
        EXPECT_LE(x[0], 0.4);
        EXPECT_GE(x[1], 0.0);
        EXPECT_LE(x[1], 0.1);
    }
    EXPECT_DOUBLE_EQ(r.best.parameters[0], 0.4);
    EXPECT_GT(r.best.statistic, 0.05);  // no set within the bounds brings every mineral to equilibrium
}

TEST(Reconstruction, TheSameSearchEveryTime) {
    PlaneFluid first{231.0, 0.12, 0.02, kAssemblage, {}}, second = first;
    const Reconstruction a = reconstructed(first, {{0.0, 0.4}, {0.0, 0.1}});
    const Reconstruction b = reconstructed(second, {{0.0, 0.4}, {0.0, 0.1}});
    EXPECT_EQ(first.asked, second.asked);
    EXPECT_EQ(a.best.parameters, b.best.parameters);
    EXPECT_EQ(a.evaluations, b.evaluations);
}

TEST(Reconstruction, NoUnknownsComputesTheFluidOnce) {
    PlaneFluid fluid{250.0, 0.2, 0.03, kAssemblage, {}};
    const Reconstruction r = reconstructed(fluid, {});
    EXPECT_EQ(r.evaluations, 1);
    EXPECT_TRUE(r.best.parameters.empty());
    const wq::TemperatureEstimate direct = wq::estimateTemperature(sweepTemperatures(), fluid({}));
    EXPECT_EQ(r.best.estimate.rmsMinimum.temperature, direct.rmsMinimum.temperature);
    EXPECT_EQ(r.best.statistic, direct.rmsMinimum.value);
}

TEST(Reconstruction, TheSpreadIsTheBestTemperatureWithEachMineralLeftOut) {
    // A fifth mineral out of equilibrium by half a log unit pulls the
    // estimate; left out, the others agree on 250 C again.
    std::vector<PlaneMineral> minerals = kAssemblage;
    minerals.push_back({-0.8, 0.0, 0.0, 0.5});
    PlaneFluid fluid{250.0, 0.2, 0.03, minerals, {}};
    const Reconstruction r = reconstructed(fluid, {{0.0, 0.4}, {0.0, 0.1}});
    ASSERT_EQ(r.leftOut.size(), 5u);
    ASSERT_TRUE(r.spreadFound);
    double low = 1e9, high = -1e9;
    for (const wq::ReconstructionFit& f : r.leftOut) {
        ASSERT_TRUE(f.estimate.rmsMinimum.found);
        low = std::min(low, f.estimate.rmsMinimum.temperature);
        high = std::max(high, f.estimate.rmsMinimum.temperature);
    }
    EXPECT_EQ(r.spreadLow, low);
    EXPECT_EQ(r.spreadHigh, high);
    EXPECT_NEAR(r.leftOut[4].estimate.rmsMinimum.temperature, 250.0, 5.0);
    EXPECT_LT(r.leftOut[4].statistic, 0.05);
    EXPECT_GT(r.best.statistic, 0.1);
}

TEST(Reconstruction, NoSpreadWithFewerThanThreeMinerals) {
    PlaneFluid fluid{250.0, 0.2, 0.03, {kAssemblage[0], kAssemblage[2]}, {}};
    const Reconstruction r = reconstructed(fluid, {{0.0, 0.4}});
    EXPECT_TRUE(r.leftOut.empty());
    EXPECT_FALSE(r.spreadFound);
}

}  // namespace
