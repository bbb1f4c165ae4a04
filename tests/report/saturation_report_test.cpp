#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "equilibria/saturation.hpp"
#include "report/results.hpp"
#include "report/saturation_report.hpp"
#include "report/water_builder.hpp"
#include "app/program.hpp"

namespace wq {
namespace {

using testwater::Capture;

// A mineral or gas dissolving to `coef` moles of the sodium component, so that
// log Q = coef x log a(Na+).
int addEntry(Program& p, const char* name, bool gas, double coef, double logK) {
    int i = ++p.minerals.count;
    MineralEntry& e = p.minerals[i];
    e.name.assign(name);
    e.suppression.assign(gas ? "GAS " : "    ");
    e.itot = 1;
    e.coef[1] = coef;
    e.comp[1] = testwater::SODIUM;
    e.logK = logK;
    return i;
}

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

struct Report {
    std::unique_ptr<Program> prog = testwater::baseWater();
    Report() {
        prog->conditions.temperature = 25.0;
        prog->conditions.pressure = 1.0;
        // log a(Na+) = -2 exactly
        prog->sp[testwater::SODIUM].activity = 0.01;
    }
};

TEST(SaturationReport, IonActivityProductsSumTheTermsInOrder) {
    Report r;
    Program& p = *r.prog;
    addEntry(p, "Halite", false, 1.0, -3.0);
    int i = ++p.minerals.count;
    MineralEntry& two = p.minerals[i];
    two.itot = 2;
    two.coef[1] = 2.0;
    two.comp[1] = testwater::SODIUM;
    two.coef[2] = -1.0;
    two.comp[2] = testwater::SODIUM;
    EXPECT_DOUBLE_EQ(ionActivityProduct(p.minerals[1], p.sp), -2.0);
    EXPECT_DOUBLE_EQ(ionActivityProduct(p.minerals[2], p.sp), -2.0);
}

TEST(SaturationReport, ReportSplitsGasesSupersaturatedAndUndersaturated) {
    Report r;
    Program& p = *r.prog;
    addEntry(p, "Supersat", false, 1.0, -3.0);  // log Q/K = +1
    addEntry(p, "Gas1", true, 1.0, -2.5);       // log Q > log K: gas table only
    addEntry(p, "Equal", false, 1.0, -2.0);     // log Q = log K: undersaturated, 0.0000
    addEntry(p, "Undersat", false, 2.0, -1.0);  // log Q/K = -3
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
    Program& p = *r.prog;
    addEntry(p, "Undersat", false, 1.0, 0.0);
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
    Program& p = *r.prog;
    addEntry(p, "GasA", true, 1.0, -2.0);
    addEntry(p, "GasB", true, 1.0, -2.0);
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
    Program& p = *r.prog;
    addEntry(p, "GasHigh", true, 1.0, -3.0);
    addEntry(p, "Undersat", false, 1.0, 0.0);
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
    Program& p = *r.prog;
    addEntry(p, "Supersat", false, 1.0, -3.0);
    const Results first = evaluated(p);
    const Results second = evaluated(p);
    ASSERT_EQ(first.minerals.size(), 1u);
    EXPECT_TRUE(first.minerals[0].supersaturated);
    EXPECT_EQ(second.minerals[0].logQ, first.minerals[0].logQ);
    EXPECT_EQ(p.minerals[1].logK, -3.0);
}

}  // namespace
}  // namespace wq
