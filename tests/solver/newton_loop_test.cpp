#include "solver/newton.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <optional>
#include <memory>
#include <string>
#include <string_view>

#include "activity/activity_model.hpp"
#include "solver/hand_water.hpp"
#include "solver/mass_action.hpp"
#include "solver/setup.hpp"
#include "solver/solve_observer.hpp"
#include "text/stop.hpp"

namespace wq {
namespace {

using handwater::count;
using handwater::Water;
using handwater::WATER_MOLES;
using testing::stopOf;

// ---- the loop ----------------------------------------------------------------

// Na+ and Cl- without secondary species: each total is its molality, so every
// residual is 0 from the start.
struct SaltWater : Water {
    int na, cl;
    explicit SaltWater(double m) {
        na = p.addComponent(13, "Na+", 1, m, m);
        cl = p.addComponent(3, "Cl-", -1, m, m);
        p.comp[HYDROGEN_SLOT].mtot = 1e-7;
        chargeBalanceOn(cl);
    }
};

TEST(Loop, MakesASecondLoopEvenWhenTheFirstIsWithinTolerance) {
    SaltWater w(0.1);
    setUp(w.p, w.out);
    iterate(w.p, w.out);
    EXPECT_EQ(w.p.run.loops, 2);
    EXPECT_FALSE(reachedLoopLimit(w.p));
    EXPECT_EQ(w.p.console(),
              "      0 LOOPS COMPLETED    IONIC STRENGTH =  0.00000000000\n"
              "      1 LOOPS COMPLETED    IONIC STRENGTH =  0.10000005000\n");
}

TEST(Loop, EndsAtTheLoopLimit) {
    for (int limit : {1, 0, -3}) {
        SaltWater w(0.1);
        w.p.comp[w.na].mtot = 0.2;  // not converged after one loop
        w.p.input.loopLimit = limit;
        setUp(w.p, w.out);
        iterate(w.p, w.out);
        EXPECT_EQ(w.p.run.loops, 1) << limit;
        EXPECT_TRUE(reachedLoopLimit(w.p)) << limit;
        EXPECT_NEAR(w.m(w.na), 0.2, 1e-15) << limit;
        EXPECT_EQ(count(w.p.console(), "LOOPS COMPLETED"), 1) << limit;
    }
}

TEST(Loop, HighMolalityKeepsTheActivityCoefficients) {
    struct Case {
        double m;
        const char* secondLine;
        int gamcalTraces;
    };
    const Case cases[] = {
        {6.0, "      1 LOOPS COMPLETED    IONIC STRENGTH =  6.00000005000\n", 1},
        {8.0, "      1 LOOPS COMPLETED    IONIC STRENGTH =  0.00000000000\n", 0},
    };
    for (const Case& c : cases) {
        SaltWater w(c.m);
        w.p.input.debug = 1;
        setUp(w.p, w.out);
        iterate(w.p, w.out);
        EXPECT_EQ(w.p.run.loops, 2);
        EXPECT_NE(w.p.console().find(c.secondLine), std::string::npos) << w.p.console();
        EXPECT_EQ(count(w.p.listing(), "SUBROUTINE GAMCALC WAS USED"), c.gamcalTraces) << c.m;
    }
}

void markListing(SolverState& p) {
    static const Layout line("('RESULT LISTING AT LOOP',I3)");
    p.io.listing.write(line, {p.run.loops});
}

TEST(Loop, DebugOutputInOrder) {
    SaltWater w(0.1);
    w.p.addSecondary("NaCl,aq", 0, -2.0, {{w.na, 1.0}, {w.cl, 1.0}});  // far from converged
    w.p.input.debug = 1;
    w.p.input.loopLimit = 3;
    setUp(w.p, w.out);
    SolverListing listed(w.p.io, markListing);
    iterate(w.p, listed);
    const std::string text = w.p.listing();
    const std::string trace = std::string(42, ' ') + "SUBROUTINE GAMCALC WAS USED\n";
    const std::string matrix = "  MATRIX OF A(I,J), I=1, 4 J=1, 5";
    EXPECT_EQ(count(text, matrix), 2);
    EXPECT_EQ(count(text, "RESULT LISTING AT LOOP  2\n"), 1);
    EXPECT_EQ(count(text, "\n, "), 3);  // the step, every loop
    EXPECT_EQ(count(text, trace), 2);   // not after the last loop
    std::size_t at = 0;
    for (std::string_view part : {std::string_view(matrix), std::string_view("\n, "),
                                  std::string_view("  No. of Loops =   1     Ionic strength = "),
                                  std::string_view(trace), std::string_view("RESULT LISTING AT LOOP  2"),
                                  std::string_view(matrix), std::string_view("\n, "),
                                  std::string_view("  No. of Loops =   2"), std::string_view(trace),
                                  std::string_view("\n, ")}) {
        std::size_t next = text.find(part, at);
        ASSERT_NE(next, std::string::npos) << "missing or out of order: " << part << "\n" << text;
        at = next + 1;
    }
    EXPECT_EQ(text.find("No. of Loops =   3"), std::string::npos);  // the limit ends loop 3 first
}

// The solve's lines are all its observer's: with every debug and refinement
// switch on, an observer that writes nothing leaves both channels empty.
TEST(Loop, WritesNothingOfItsOwn) {
    SaltWater w(0.1);
    w.p.addSecondary("NaCl,aq", 0, -2.0, {{w.na, 1.0}, {w.cl, 1.0}});
    w.p.conditions.pH = 7.0;
    w.p.input.debug = 1;
    w.p.input.refinement = 2;
    w.p.input.loopLimit = 3;
    SolveObserver silent;
    setUp(w.p, silent);
    iterate(w.p, silent);
    EXPECT_GE(w.p.run.loops, 2);  // past the trace of loops 1 and 2
    EXPECT_EQ(w.p.listing(), "");
    EXPECT_EQ(w.p.console(), "");
}

TEST(Loop, ChargeBalanceWaitsForLoopTwoWhenTotalsAreFixed) {
    struct Case {
        double pH;
        bool adjusted;
    };
    for (const Case& c : {Case{0.0, true}, Case{7.0, false}}) {
        SaltWater w(0.1);
        w.p.comp[w.na].mtot = 0.2;
        w.p.conditions.chargeBalanceSwitch = 1;
        w.p.conditions.pH = c.pH;
        w.p.input.loopLimit = 1;
        setUp(w.p, w.out);
        iterate(w.p, w.out);
        EXPECT_EQ(w.p.comp[w.cl].mtot != 0.1, c.adjusted) << c.pH;
    }
}

TEST(Loop, NonFiniteResidualEndsTheRun) {
    // An alkalinity carrier whose unbounded molality overflows.
    Water w;
    const int c = w.p.addComponent(5, "HCO3-", -1, 0.001, 1e-3);
    const int huge = w.p.addSecondary("huge", 0, -400.0, {{c, 1.0}});
    w.p.sp[c].alkFactor = w.p.sp[huge].alkFactor = 1.0;
    w.p.conditions.alkalinity = 0.001;
    setUp(w.p, w.out);
    EXPECT_EQ(stopOf([&] { iterate(w.p, w.out); }), ExitStatus::error);
    const std::string message = "\n     NEWTON ITERATION FAILED: NON-FINITE RESIDUAL OF HCO3- IN LOOP    1\n\n";
    EXPECT_EQ(w.p.listing(), message);
    EXPECT_NE(w.p.console().find(message), std::string::npos);
}

// ---- a whole speciation against an independent solution -------------------

// Ideal solution at 25 C. Dissociation constants (log K of the species as
// written in terms of the components):
constexpr double LOGK_OH = 14.0;     // OH- = H2O - H+
constexpr double LOGK_CO2 = -6.35;   // CO2,aq = HCO3- + H+ - H2O
constexpr double LOGK_CO3 = 10.33;   // CO3-- = HCO3- - H+
constexpr double LOGK_NACL = -0.5;   // NaCl,aq = Na+ + Cl-

struct CarbonateWater : Water {
    int cl, na, c, oh, co2, co3, nacl;
    CarbonateWater() {
        cl = p.addComponent(3, "Cl-", -1, 0.006, 0.006);
        na = p.addComponent(13, "Na+", 1, 0.01, 0.01);
        c = p.addComponent(5, "HCO3-", -1, 0.004, 0.004);
        p.sp[HYDROGEN_SLOT].alkFactor = -1.0;
        oh = p.addSecondary("OH-", -1, LOGK_OH, {{2, 1.0}, {1, -1.0}});
        co2 = p.addSecondary("CO2,aq", 0, LOGK_CO2, {{c, 1.0}, {1, 1.0}, {2, -1.0}});
        co3 = p.addSecondary("CO3--", -2, LOGK_CO3, {{c, 1.0}, {1, -1.0}});
        nacl = p.addSecondary("NaCl,aq", 0, LOGK_NACL, {{na, 1.0}, {cl, 1.0}});
        p.sp[c].alkFactor = p.sp[oh].alkFactor = 1.0;
        p.sp[co3].alkFactor = 2.0;
        chargeBalanceOn(cl);
    }

    // Every mass-action relation holds with the converged molalities.
    void expectMassAction() const {
        for (int s = p.comp.count + 1; s <= p.sp.count; ++s) {
            const Species& sp = p.sp[s];
            double x = -sp.logK;
            for (int j = 1; j <= sp.itot; ++j) x += sp.coef[j] * std::log10(m(sp.comp[j]));
            EXPECT_NEAR(std::log10(sp.molality), x, 1e-12) << s;
        }
    }
    // Every mass balance holds: kgw (m_i + sum_s nu_si m_s) = Mtot(i).
    void expectMassBalances(double relative) const {
        for (int i = 1; i <= p.comp.count; ++i) {
            double sum = i == 2 ? WATER_MOLES : m(i);
            for (int s = p.comp.count + 1; s <= p.sp.count; ++s)
                for (int j = 1; j <= p.sp[s].itot; ++j)
                    if (p.sp[s].comp[j] == i) sum += p.sp[s].coef[j] * p.sp[s].molality;
            EXPECT_NEAR(p.run.kgw * sum, p.comp[i].mtot, relative * std::fabs(p.comp[i].mtot)) << i;
        }
    }
    double charge() const {
        double z = m(1);
        for (int s = 3; s <= p.sp.count; ++s) z += p.sp[s].charge * p.sp[s].molality;
        return z;
    }
};

// Free Na+ and Cl- from their totals (mol/kg) with NaCl,aq: with
// mCl = mNa - q, mNa (1 + K mCl) = tNa is a quadratic in mNa.
void sodiumAndChloride(double tNa, double q, double& mNa, double& mCl) {
    const double k = std::pow(10.0, -LOGK_NACL);
    const double b = 1.0 - k * q;
    mNa = (-b + std::sqrt(b * b + 4.0 * k * tNa)) / (2.0 * k);
    mCl = mNa - q;
}

TEST(Speciation, ComputedPhMatchesBisection) {
    CarbonateWater w;
    w.p.conditions.chargeBalanceSwitch = 1;
    // H+ total 0.002: as if 2 mmol HCl were added to 4 mmol NaHCO3 and
    // 6 mmol NaCl... the chloride total is left to the charge balance.
    w.p.comp[HYDROGEN_SLOT].mtot = 0.002;
    setUp(w.p, w.out);
    iterate(w.p, w.out);
    ASSERT_FALSE(reachedLoopLimit(w.p));

    w.expectMassAction();
    w.expectMassBalances(1e-9);
    // Electroneutral, which for these reactions means Cl = H + Na - C.
    EXPECT_NEAR(w.charge(), 0.0, 1e-12);
    EXPECT_NEAR(w.p.comp[w.cl].mtot, 0.002 + 0.01 - 0.004, 1e-11);

    // The same equilibria by bisection on log mH, with the water mass from
    // its own balance by fixed point.
    const double k1 = std::pow(10.0, -LOGK_CO2), k2 = std::pow(10.0, -LOGK_CO3), kw = std::pow(10.0, -LOGK_OH);
    double kgw = 1.0, mH = 0.0, mC = 0.0, mNa = 0.0, mCl = 0.0, mOH = 0.0, mCO2 = 0.0, mCO3 = 0.0;
    for (int pass = 0; pass < 6; ++pass) {
        auto hydrogenExcess = [&](double logH) {
            mH = std::pow(10.0, logH);
            mC = 0.004 / kgw / (1.0 + k1 * mH + k2 / mH);
            mOH = kw / mH;
            mCO2 = k1 * mC * mH;
            mCO3 = k2 * mC / mH;
            return mH + mCO2 - mOH - mCO3 - 0.002 / kgw;
        };
        double lo = -12.0, hi = -2.0;
        for (int i = 0; i < 200; ++i) {
            double mid = 0.5 * (lo + hi);
            (hydrogenExcess(mid) > 0.0 ? hi : lo) = mid;
        }
        hydrogenExcess(0.5 * (lo + hi));
        kgw = WATER_MOLES * 1.0 / (WATER_MOLES + mOH - mCO2);
    }
    // Electroneutrality: mNa - mCl = mOH + mC + 2 mCO3 - mH.
    sodiumAndChloride(0.01 / kgw, mOH + mC + 2.0 * mCO3 - mH, mNa, mCl);

    const double rel = 1e-8;
    EXPECT_NEAR(w.m(1), mH, rel * mH);
    EXPECT_NEAR(w.m(w.c), mC, rel * mC);
    EXPECT_NEAR(w.m(w.na), mNa, rel * mNa);
    EXPECT_NEAR(w.m(w.cl), mCl, rel * mCl);
    EXPECT_NEAR(w.m(w.co2), mCO2, rel * mCO2);
    EXPECT_NEAR(w.p.run.kgw, kgw, 1e-12);
    EXPECT_NE(w.p.run.kgw, 1.0);  // the water balance moved it
}

TEST(Speciation, PhFromElectroneutralityWithANegativeProtonBalance) {
    // 10 mmol Na, 4 mmol Cl, 4 mmol carbonate: a soda water whose pH only
    // electroneutrality can give. Its H+ total (free H+ + CO2 - OH- - CO3--)
    // is negative, and the balance must carry it there.
    CarbonateWater w;
    w.p.comp[w.cl].mtot = 0.004;
    w.p.conditions.chargeBalanceSwitch = 1;
    w.chargeBalanceOn(1);
    setUp(w.p, w.out);
    iterate(w.p, w.out);
    ASSERT_FALSE(reachedLoopLimit(w.p));
    w.expectMassAction();
    w.expectMassBalances(1e-9);
    EXPECT_NEAR(w.charge(), 0.0, 1e-12);

    // Independently: bisection on log mH of the charge balance
    // mH + (mNa - mCl) = mOH + mC + 2 mCO3, where mNa - mCl = 0.006 / kgw
    // whatever NaCl,aq holds; the water mass from its own balance.
    const double k1 = std::pow(10.0, -LOGK_CO2), k2 = std::pow(10.0, -LOGK_CO3), kw = std::pow(10.0, -LOGK_OH);
    double kgw = 1.0, mH = 0.0, mC = 0.0, mOH = 0.0, mCO2 = 0.0, mCO3 = 0.0;
    for (int pass = 0; pass < 6; ++pass) {
        auto positiveCharge = [&](double logH) {
            mH = std::pow(10.0, logH);
            mC = 0.004 / kgw / (1.0 + k1 * mH + k2 / mH);
            mOH = kw / mH;
            mCO2 = k1 * mC * mH;
            mCO3 = k2 * mC / mH;
            return mH + 0.006 / kgw - mOH - mC - 2.0 * mCO3;
        };
        double lo = -14.0, hi = -2.0;
        for (int i = 0; i < 200; ++i) {
            double mid = 0.5 * (lo + hi);
            (positiveCharge(mid) > 0.0 ? hi : lo) = mid;
        }
        positiveCharge(0.5 * (lo + hi));
        kgw = WATER_MOLES * 1.0 / (WATER_MOLES + mOH - mCO2);
    }
    const double protonBalance = kgw * (mH + mCO2 - mOH - mCO3);
    ASSERT_LT(protonBalance, -1e-4);

    EXPECT_NEAR(w.m(1), mH, 1e-8 * mH);
    EXPECT_NEAR(w.m(w.c), mC, 1e-8 * mC);
    EXPECT_NEAR(w.m(w.co3), mCO3, 1e-8 * mCO3);
    EXPECT_NEAR(w.p.comp[HYDROGEN_SLOT].mtot, protonBalance, 1e-8 * std::fabs(protonBalance));
    EXPECT_NEAR(w.p.run.kgw, kgw, 1e-12);
    EXPECT_EQ(w.p.console().find("CHARGE IMBALANCE"), std::string::npos);
}

TEST(Speciation, FixedPhAndAlkalinityMatchClosedForm) {
    CarbonateWater w;
    w.p.conditions.pH = 8.0;
    w.p.conditions.alkalinity = 0.003;  // eq, for 1 kg of water
    w.p.sp[w.c].molality = 1e-7;
    w.p.comp[w.c].mtot = 0.003;
    setUp(w.p, w.out);
    iterate(w.p, w.out);
    ASSERT_FALSE(reachedLoopLimit(w.p));
    w.expectMassAction();

    const double k1 = std::pow(10.0, -LOGK_CO2), k2 = std::pow(10.0, -LOGK_CO3), kw = std::pow(10.0, -LOGK_OH);
    const double mH = 1e-8, mOH = kw / mH;
    // Alkalinity -mH + mC + 2 mCO3 + mOH = 0.003 with mCO3 = k2 mC / mH.
    const double mC = (0.003 + mH - mOH) / (1.0 + 2.0 * k2 / mH);
    const double mCO2 = k1 * mC * mH, mCO3 = k2 * mC / mH;
    const double kgw = WATER_MOLES / (WATER_MOLES + mOH - mCO2);
    // Electroneutrality: mNa - mCl = mOH + mC + 2 mCO3 - mH.
    double mNa = 0.0, mCl = 0.0;
    sodiumAndChloride(0.01 / kgw, mOH + mC + 2.0 * mCO3 - mH, mNa, mCl);

    const double rel = 1e-8;
    EXPECT_NEAR(w.m(1), mH, rel * mH);
    EXPECT_NEAR(w.p.sp[HYDROGEN_SLOT].activity, 1e-8, 1e-24);
    EXPECT_NEAR(w.m(w.c), mC, rel * mC);
    EXPECT_NEAR(w.m(w.co3), mCO3, rel * mCO3);
    EXPECT_NEAR(w.m(w.na), mNa, rel * mNa);
    EXPECT_NEAR(w.m(w.cl), mCl, rel * mCl);
    EXPECT_NEAR(w.p.run.kgw, kgw, 1e-12);
    // The carbonate total is a result: what the solution holds.
    EXPECT_NEAR(w.p.comp[w.c].mtot, kgw * (mC + mCO2 + mCO3), 1e-9 * w.p.comp[w.c].mtot);
    EXPECT_NEAR(w.charge(), 0.0, 1e-12);
}

}  // namespace
}  // namespace wq
