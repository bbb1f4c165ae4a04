#include "equilibria/forced_saturation.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>

#include "support/test_program.hpp"

namespace wq {
namespace {

using testing::RunTerm;

MineralEntry mineral(const char* name, double logK, std::initializer_list<RunTerm> terms) {
    MineralEntry m;
    m.name.assign(name);
    m.logK = logK;
    testing::setReaction(m, terms);
    return m;
}

// Components H+, H2O, Ca++, HCO3-, Na+ with non-ideal activity coefficients;
// the water entry's gamma holds the activity of water.
std::unique_ptr<SpeciesTable> water() {
    auto sp = std::make_unique<SpeciesTable>();
    const char* names[] = {"H+", "H2O", "Ca++", "HCO3-", "Na+"};
    const double molality[] = {1e-7, 1.0, 0.002, 0.004, 0.01};
    const double gamma[] = {0.9, 0.97, 0.6, 0.88, 0.89};
    sp->at.growTo(5);
    for (int i = 1; i <= 5; ++i) {
        (*sp)[i].name.assign(names[i - 1]);
        (*sp)[i].molality = molality[i - 1];
        (*sp)[i].gamma = gamma[i - 1];
    }
    sp->count = 5;
    return sp;
}

std::unique_ptr<NewtonSystem> marked(int n, double marker) {
    auto sys = std::make_unique<NewtonSystem>();
    sys->order = n;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) sys->a(i, j) = marker;
    return sys;
}

constexpr double LOG10_E = 0.4342944819032518;

TEST(SaturationRow, ResidualIsLogQOverKMinusTarget) {
    auto sp = water();
    auto sys = marked(5, 7.0);
    // Calcite + H+ = Ca++ + HCO3-, written as a dissolution in the components.
    MineralEntry calcite = mineral("Calcite", 1.85, {{3, 1.0}, {4, 1.0}, {1, -1.0}});
    ASSERT_TRUE(saturationRow(*sys, 3, calcite, 0.25, *sp));

    double logQ = std::log10(0.6 * 0.002) + std::log10(0.88 * 0.004) - std::log10(0.9 * 1e-7);
    EXPECT_NEAR(sys->f[3], logQ - 1.85 - 0.25, 1e-13);
    EXPECT_DOUBLE_EQ(sys->a(3, 3), LOG10_E / 0.002);
    EXPECT_DOUBLE_EQ(sys->a(3, 4), LOG10_E / 0.004);
    EXPECT_DOUBLE_EQ(sys->a(3, 1), -LOG10_E / 1e-7);
    // Columns of components outside the mineral keep what was there.
    EXPECT_EQ(sys->a(3, 2), 7.0);
    EXPECT_EQ(sys->a(3, 5), 7.0);
    EXPECT_EQ(sys->a(4, 3), 7.0);
}

TEST(SaturationRow, WaterColumnAndRepeatedComponents) {
    auto sp = water();
    auto sys = marked(5, 0.0);
    // Gypsum-like entry naming Ca++ twice and water: every term counts in
    // log Q, the later Ca++ term alone sets the derivative.
    MineralEntry m = mineral("Twice", -4.5, {{3, 1.0}, {2, 2.0}, {5, 1.0}, {3, 0.5}});
    ASSERT_TRUE(saturationRow(*sys, 3, m, 0.0, *sp));

    double logQ = 1.5 * std::log10(0.6 * 0.002) + 2.0 * std::log10(0.97) + std::log10(0.89 * 0.01);
    EXPECT_NEAR(sys->f[3], logQ + 4.5, 1e-13);
    EXPECT_DOUBLE_EQ(sys->a(3, 3), 0.5 * LOG10_E / 0.002);
    EXPECT_DOUBLE_EQ(sys->a(3, 2), 2.0 * LOG10_E);  // m(2) = 1
    EXPECT_DOUBLE_EQ(sys->a(3, 5), LOG10_E / 0.01);
}

TEST(SaturationRow, RefusesAMineralWithoutTheComponentAndWritesNothing) {
    auto sp = water();
    auto sys = marked(5, 7.0);
    sys->f[5] = 7.0;
    MineralEntry calcite = mineral("Calcite", 1.85, {{3, 1.0}, {4, 1.0}, {1, -1.0}});
    EXPECT_FALSE(saturationRow(*sys, 5, calcite, 0.0, *sp));
    EXPECT_EQ(sys->f[5], 7.0);
    for (int k = 1; k <= 5; ++k) EXPECT_EQ(sys->a(5, k), 7.0) << k;
}

std::unique_ptr<ComponentTable> components(int count) {
    auto comp = std::make_unique<ComponentTable>();
    comp->count = count;
    return comp;
}

void addForced(ForcedSaturationList& list, const char* name, int component) {
    ForcedSaturation& e = list[++list.count];
    e.mineral.assign(name);
    e.component = component;
}

TEST(ForcedMineralCheck, ReportsTheFirstMineralNotFound) {
    struct Case {
        const char* what;
        int linked3, linked4;  // forcedMineral of components 3 and 4
        int missing;           // the entry reported; 0: none
    };
    const Case cases[] = {
        {"both found", 7, 9, 0},
        {"neither found: only the first is reported", 0, 0, 1},
        {"second not found", 7, 0, 2},
    };
    for (const Case& c : cases) {
        auto comp = components(4);
        comp->at[3].forcedMineral = c.linked3;
        comp->at[4].forcedMineral = c.linked4;
        auto forced = std::make_unique<ForcedSaturationList>();
        addForced(*forced, "Calcite", 3);
        addForced(*forced, "Gypsum", 4);
        EXPECT_EQ(missingForcedMineral(*forced, *comp), c.missing) << c.what;
    }
}

}  // namespace
}  // namespace wq
