#include "activity/constraints.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>

#include "support/test_program.hpp"

namespace wq {
namespace {

using testing::RunTerm;

// Species tables built by hand: components first, then secondary species.
class Tables {
public:
    Tables() : sp(std::make_unique<SpeciesTable>()), comp(std::make_unique<ComponentTable>()),
               newton(std::make_unique<NewtonSystem>()) {}

    int component(double molality, double gamma, double alkFactor = 0.0) {
        int i = ++comp->count;
        sp->at.growTo(++sp->count);
        Species& s = (*sp)[sp->count];
        s.molality = molality;
        s.gamma = gamma;
        s.alkFactor = alkFactor;
        return i;
    }
    int species(double logK, std::initializer_list<RunTerm> terms, double alkFactor, double gamma = 1.0) {
        sp->at.growTo(++sp->count);
        Species& s = (*sp)[sp->count];
        s.logK = logK;
        s.alkFactor = alkFactor;
        s.gamma = gamma;
        testing::setReaction(s, terms);
        return sp->count;
    }
    // The state the assembly leaves before a row is built: 0 everywhere and
    // kgw on the diagonal; F holds a marker.
    void clearedSystem(double kgw) {
        int n = comp->count;
        newton->order = n;
        for (int i = 1; i <= n; ++i) {
            for (int j = 1; j <= n; ++j) newton->a(i, j) = i == j ? kgw : 0.0;
            newton->f[i] = -999.0;
        }
    }
    // Every entry filled with a marker, to see which ones a routine writes.
    void markedSystem(double marker) {
        int n = comp->count;
        newton->order = n;
        for (int i = 1; i <= n; ++i) {
            for (int j = 1; j <= n; ++j) newton->a(i, j) = marker;
            newton->f[i] = marker;
        }
    }

    std::unique_ptr<SpeciesTable> sp;
    std::unique_ptr<ComponentTable> comp;
    std::unique_ptr<NewtonSystem> newton;
};

TEST(FixedPh, ReplacesRowOneByTheHydrogenActivity) {
    Tables t;
    t.component(2.0e-7, 0.9);  // H+
    t.component(1.0, 1.0);     // H2O
    t.component(0.01, 0.8);    // Na+
    t.markedSystem(5.0);
    fixedPHRow(*t.newton, *t.sp, 3, 7.0);

    EXPECT_DOUBLE_EQ(t.newton->f[1], 1e-7 - 0.9 * 2.0e-7);
    EXPECT_EQ(t.newton->a(1, 1), -0.9);
    EXPECT_EQ(t.newton->a(1, 2), 0.0);
    EXPECT_EQ(t.newton->a(1, 3), 0.0);
    // Other rows are not touched.
    EXPECT_EQ(t.newton->a(2, 1), 5.0);
    EXPECT_EQ(t.newton->f[2], 5.0);
}

TEST(FixedActivity, ReplacesTheRowOfItsComponent) {
    Tables t;
    t.component(1e-7, 1.0);
    t.component(1.0, 1.0);
    t.component(0.02, 0.8);  // the fixed-activity component
    t.component(0.01, 0.7);
    t.markedSystem(5.0);
    fixedActivityRow(*t.newton, *t.sp, 4, 3, 0.01);

    EXPECT_DOUBLE_EQ(t.newton->f[3], 0.01 - 0.8 * 0.02);
    for (int k : {1, 2, 4}) EXPECT_EQ(t.newton->a(3, k), 0.0) << k;
    EXPECT_EQ(t.newton->a(3, 3), -0.8);
    EXPECT_EQ(t.newton->a(4, 3), 5.0);
    EXPECT_EQ(t.newton->f[4], 5.0);
}

// H+ (Y = -1), H2O, Na+ (no alkalinity), HCO3- (Y = 1, the carbonate row);
// CO3-- (y = 2) = HCO3- - H+ and OH- (y = 1) = H2O - H+, non-ideal.
TEST(Alkalinity, BuildsTheCarbonateRowByHand) {
    Tables t;
    const double mH = 2.0e-9, gH = 0.95, mNa = 0.01, mC = 0.002, gC = 0.9, aw = 0.98;
    t.component(mH, gH, -1.0);
    t.component(1.0, aw);
    t.component(mNa, 0.9);
    const int r = t.component(mC, gC, 1.0);
    t.species(10.33, {{r, 1.0}, {1, -1.0}}, 2.0, 0.7);
    t.species(14.0, {{2, 1.0}, {1, -1.0}}, 1.0, 0.9);
    const double kgw = 1.2, alk = 0.003, mtot2 = 55.50825119018555 * 1.5;
    t.comp->at[2].mtot = mtot2;
    t.clearedSystem(kgw);
    alkalinityRow(*t.newton, *t.sp, 4, r, *t.comp, alk, kgw);

    // Molalities by the law of mass action, written out by hand.
    const double mCO3 = std::pow(10.0, -10.33) * (gC * mC) / (gH * mH) / 0.7;
    const double mOH = std::pow(10.0, -14.0) * aw / (gH * mH) / 0.9;
    const double vCO3 = 2.0 * kgw * mCO3, vOH = 1.0 * kgw * mOH;
    const double alkPerKg = alk / 1.5;
    const double f = -alkPerKg * kgw - kgw * mH + kgw * mC + vCO3 + vOH;
    EXPECT_NEAR(t.newton->f[r], f, 1e-13 * std::fabs(f) + 1e-18);

    const double tol = 1e-12;
    EXPECT_NEAR(t.newton->a(r, 1), -kgw - vCO3 / mH - vOH / mH, tol * (vCO3 / mH));
    EXPECT_NEAR(t.newton->a(r, r), kgw + vCO3 / mC, tol * kgw);
    // Column 2: total alkalinity molality, sum Y m + sum y m.
    EXPECT_NEAR(t.newton->a(r, 2), -mH + mC + 2.0 * mCO3 + mOH, tol * mC);
    // Na+ carries no alkalinity and is in no carrier: its entry stays 0.
    EXPECT_EQ(t.newton->a(r, 3), 0.0);
    // Other rows keep the assembly's values.
    EXPECT_EQ(t.newton->a(3, 3), kgw);
}

TEST(Alkalinity, KeepsTheDiagonalOfAComponentWithoutAlkalinity) {
    // A carbonate component that carries no alkalinity itself and is in no
    // carrier: the row holds kgw on its diagonal and 0 elsewhere, apart from
    // the H+ and water columns.
    Tables t;
    t.component(1e-8, 1.0, -1.0);
    t.component(1.0, 1.0);
    const int r = t.component(0.001, 1.0, 0.0);
    t.species(14.0, {{2, 1.0}, {1, -1.0}}, 1.0);
    const double kgw = 0.5;
    t.comp->at[2].mtot = 55.50825119018555;
    t.clearedSystem(kgw);
    alkalinityRow(*t.newton, *t.sp, 3, r, *t.comp, 0.0, kgw);

    EXPECT_EQ(t.newton->a(r, r), kgw);
    const double mOH = 1e-6;
    EXPECT_NEAR(t.newton->f[r], -kgw * 1e-8 + kgw * mOH, 1e-20);
    EXPECT_NEAR(t.newton->a(r, 1), -kgw - kgw * mOH / 1e-8, 1e-12);
    EXPECT_NEAR(t.newton->a(r, 2), -1e-8 + mOH, 1e-20);
}

TEST(Alkalinity, TakesCarrierMolalitiesWithoutTheIterationsBounds) {
    // log10 m = 3 for the carrier: the iteration would clamp it at 10, the
    // alkalinity row takes 1000.
    Tables t;
    t.component(1e-7, 1.0);
    t.component(1.0, 1.0);
    const int r = t.component(1.0, 1.0, 0.0);
    t.species(-3.0, {{r, 1.0}}, 1.0);
    t.comp->at[2].mtot = 55.50825119018555;
    t.clearedSystem(1.0);
    alkalinityRow(*t.newton, *t.sp, 3, r, *t.comp, 0.0, 1.0);
    EXPECT_NEAR(t.newton->f[r], 1000.0, 1e-9);
    EXPECT_NEAR(t.newton->a(r, r), 1.0 + 1000.0, 1e-9);
}

TEST(Alkalinity, HoldsTheConstantInSinglePrecision) {
    // With nothing carrying alkalinity, F = -Alk kgw 55.50825f / Mtot(2) and
    // column 2 is F/kgw + 55.50825f Alk / Mtot(2) = 0.
    Tables t;
    t.component(1e-7, 1.0);
    t.component(1.0, 1.0);
    const int r = t.component(1e-3, 1.0);
    t.comp->at[2].mtot = 100.0;
    t.clearedSystem(2.0);
    alkalinityRow(*t.newton, *t.sp, 3, r, *t.comp, 0.5, 2.0);
    EXPECT_EQ(t.newton->f[r], -0.5 * 2.0 * 55.50825119018555 / 100.0);
    EXPECT_NE(t.newton->f[r], -0.5 * 2.0 * 55.50825 / 100.0);
    EXPECT_EQ(t.newton->a(r, 2), 0.0);
}

}  // namespace
}  // namespace wq
