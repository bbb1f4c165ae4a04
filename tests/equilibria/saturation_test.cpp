#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "equilibria/saturation.hpp"
#include "report/water_builder.hpp"
#include "run/program.hpp"

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

struct Report {
    std::unique_ptr<Program> prog = testwater::baseWater();
    Report() {
        prog->input.temperature = 25.0;
        prog->input.pressure = 1.0;
        // log a(Na+) = -2 exactly
        prog->sp[testwater::SODIUM].activity = 0.01;
    }
};

TEST(Saturation, IonActivityProductsSumTheTermsInOrder) {
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
    computeIonActivityProducts(p.minerals, p.sp);
    EXPECT_DOUBLE_EQ(p.minerals[1].logQ, -2.0);
    EXPECT_DOUBLE_EQ(p.minerals[2].logQ, -2.0);
}

TEST(Saturation, ReportSplitsGasesSupersaturatedAndUndersaturated) {
    Report r;
    Program& p = *r.prog;
    addEntry(p, "Supersat", false, 1.0, -3.0);  // log Q/K = +1
    addEntry(p, "Gas1", true, 1.0, -2.5);       // log Q > log K: gas table only
    addEntry(p, "Equal", false, 1.0, -2.0);     // log Q = log K: undersaturated, 0.0000
    addEntry(p, "Undersat", false, 2.0, -1.0);  // log Q/K = -3
    Capture listing(p.io.listing);
    Capture plot(p.io.plot);
    minsa1(p);
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
    // Written supersaturated entries, gases included, carry the marker.
    EXPECT_EQ(p.minerals[1].logQ, SATURATION_MARKER);
    EXPECT_EQ(p.minerals[2].logQ, SATURATION_MARKER);
    EXPECT_EQ(p.minerals[3].logQ, -2.0);
}

TEST(Saturation, NoSupersaturatedBlockAndNoGasesGiveAZeroSum) {
    Report r;
    Program& p = *r.prog;
    addEntry(p, "Undersat", false, 1.0, 0.0);
    Capture listing(p.io.listing);
    Capture plot(p.io.plot);
    minsa1(p);
    std::string text = listing.text();
    EXPECT_EQ(text.find("SUPERSATURATED"), std::string::npos);
    EXPECT_NE(text.find("Sum of fugacities =   0.0000E+00\n"), std::string::npos) << text;
    EXPECT_NE(text.find("UNDERSATURATED"), std::string::npos);
    EXPECT_EQ(plot.text(), "Undersat              -2.00000  25.00000   1.000\n");
}

TEST(Saturation, GasesAtEquilibriumHaveUnitFugacity) {
    Report r;
    Program& p = *r.prog;
    addEntry(p, "GasA", true, 1.0, -2.0);
    addEntry(p, "GasB", true, 1.0, -2.0);
    Capture listing(p.io.listing);
    minsa1(p);
    std::string text = listing.text();
    EXPECT_NE(text.find("  GasA                    -2.0000    -2.0000     0.0000    1.000    \n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("Sum of fugacities =    2.000    "), std::string::npos);
}

}  // namespace
}  // namespace wq
