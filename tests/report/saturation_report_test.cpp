#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "equilibria/saturation.hpp"
#include "run/results.hpp"
#include "report/saturation_report.hpp"
#include "report/base_water.hpp"
#include "app/program.hpp"

namespace wq {
namespace {

using testing::Capture;
using testing::TestProgram;
using testwater::SODIUM;

// The results of the water with its minerals and gases read.
Results evaluated(Program& p) {
    p.conditions.mineralsSwitch = p.minerals.count;
    return evaluateResults(p);
}

void writeReport(Program& p) {
    const Results results = evaluated(p);
    writeSaturationReport(results, p.io.listing);
    writePlotRecords(results, p.io.plot);
}

// The base water; its minerals and gases dissolve to `coef` moles of the
// sodium component, so that log Q = coef x log a(Na+).
struct Report {
    std::unique_ptr<TestProgram> prog = testwater::baseWater();
    Report() {
        prog->conditions.temperature = 25.0;
        prog->conditions.pressure = 1.0;
        // log a(Na+) = -2 exactly
        prog->sp[SODIUM].activity = 0.01;
    }
};

TEST(SaturationReport, IonActivityProductsSumTheTermsInOrder) {
    Report r;
    TestProgram& p = *r.prog;
    p.addMineral("Halite", -3.0, {{SODIUM, 1.0}});
    p.addMineral("Two-terms", 0.0, {{SODIUM, 2.0}, {SODIUM, -1.0}});
    EXPECT_DOUBLE_EQ(ionActivityProduct(p.minerals[1], ComponentLogActivities(p.sp, p.comp.count)), -2.0);
    EXPECT_DOUBLE_EQ(ionActivityProduct(p.minerals[2], ComponentLogActivities(p.sp, p.comp.count)), -2.0);
}

TEST(SaturationReport, ReportSplitsGasesSupersaturatedAndUndersaturated) {
    Report r;
    TestProgram& p = *r.prog;
    p.addMineral("Supersat", -3.0, {{SODIUM, 1.0}});  // log Q/K = +1
    p.addGas("Gas1", -2.5, {{SODIUM, 1.0}});          // log Q > log K: gas table only
    p.addMineral("Equal", -2.0, {{SODIUM, 1.0}});     // log Q = log K: undersaturated, 0.0000
    p.addMineral("Undersat", -1.0, {{SODIUM, 2.0}});  // log Q/K = -3
    Capture listing(p.io.listing);
    Capture plot(p.io.plot);
    writeReport(p);
    const std::string expected =
        "  " + std::string(77, '+') + "\n\n  Gas fugacities\n\n"
        "  Gas                       Log K      Log Q     Log f     fugacity\n\n"
        "  Gas1                    -2.5000    -2.0000     0.5000    3.162    \n"
        "\n                                    Sum of fugacities =    3.162    \n"
        "\n  This solution is SUPERSATURATED with the following   minerals\n\n"
        "  Mineral                   Log K      Log Q     Log Q/K\n\n"
        "  Supersat                -3.0000    -2.0000     1.0000\n"
        "\n  This solution is UNDERSATURATED with the following   minerals \n\n"
        "  Mineral                   Log K      Log Q     Log Q/K\n\n"
        "  Equal                   -2.0000    -2.0000     0.0000\n"
        "  Undersat                -1.0000    -4.0000    -3.0000\n"
        "\n\n";
    EXPECT_EQ(listing.text(), expected);
    EXPECT_EQ(plot.text(),
              "Gas1                   0.50000  25.00000   1.000\n"
              "Supersat               1.00000  25.00000   1.000\n"
              "Equal                  0.00000  25.00000   1.000\n"
              "Undersat              -3.00000  25.00000   1.000\n");
}

TEST(SaturationReport, NoSupersaturatedBlockAndNoGasesGiveAZeroSum) {
    Report r;
    TestProgram& p = *r.prog;
    p.addMineral("Undersat", 0.0, {{SODIUM, 1.0}});
    Capture listing(p.io.listing);
    Capture plot(p.io.plot);
    writeReport(p);
    std::string text = listing.text();
    EXPECT_EQ(text.find("SUPERSATURATED"), std::string::npos);
    EXPECT_NE(text.find("Sum of fugacities =   0.0000E+00\n"), std::string::npos) << text;
    EXPECT_NE(text.find("UNDERSATURATED"), std::string::npos);
    EXPECT_EQ(plot.text(), "Undersat              -2.00000  25.00000   1.000\n");
}

TEST(SaturationReport, GasesAtEquilibriumHaveUnitFugacity) {
    Report r;
    TestProgram& p = *r.prog;
    p.addGas("GasA", -2.0, {{SODIUM, 1.0}});
    p.addGas("GasB", -2.0, {{SODIUM, 1.0}});
    Capture listing(p.io.listing);
    writeReport(p);
    std::string text = listing.text();
    EXPECT_NE(text.find("  GasA                    -2.0000    -2.0000     0.0000    1.000    \n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("Sum of fugacities =    2.000    "), std::string::npos);
}

}  // namespace
}  // namespace wq

namespace wq {
namespace {

// A gas above its equilibrium fugacity opens the supersaturated block even
// when no mineral is supersaturated: the block then holds its heading only.
TEST(SaturationReport, ASupersaturatedGasAloneOpensAnEmptySupersaturatedBlock) {
    Report r;
    TestProgram& p = *r.prog;
    p.addGas("GasHigh", -3.0, {{SODIUM, 1.0}});
    p.addMineral("Undersat", 0.0, {{SODIUM, 1.0}});
    Capture listing(p.io.listing);
    writeReport(p);
    const std::string text = listing.text();
    const std::string heading =
        "  This solution is SUPERSATURATED with the following   minerals\n\n"
        "  Mineral                   Log K      Log Q     Log Q/K\n\n\n"
        "  This solution is UNDERSATURATED";
    EXPECT_NE(text.find(heading), std::string::npos) << text;
}

// Evaluating the results changes nothing in the state, so a second
// evaluation gives the same rows.
TEST(SaturationReport, EvaluationLeavesTheStateAsItWas) {
    Report r;
    TestProgram& p = *r.prog;
    p.addMineral("Supersat", -3.0, {{SODIUM, 1.0}});
    const Results first = evaluated(p);
    const Results second = evaluated(p);
    ASSERT_EQ(first.minerals.size(), 1u);
    EXPECT_TRUE(first.minerals[0].supersaturated);
    EXPECT_EQ(second.minerals[0].logQ, first.minerals[0].logQ);
    EXPECT_EQ(p.minerals[1].logK, -3.0);
}

}  // namespace
}  // namespace wq
