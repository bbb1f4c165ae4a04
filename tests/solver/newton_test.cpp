#include "solver/newton.hpp"
#include "solver/totals.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <limits>
#include <optional>
#include <memory>
#include <string>
#include <string_view>

#include "activity/activity_model.hpp"
#include "app/program.hpp"
#include "support/test_program.hpp"
#include "text/stop.hpp"
#include "solver/mass_action.hpp"
#include "solver/setup.hpp"

namespace wq {
namespace {

using testing::Channels;
using testing::newProgram;
using testing::stopOf;
using testing::TestProgram;

constexpr double WATER_MOLES = 55.50825119018555;

// A water built by hand: H+ and H2O, then the components and secondary
// species a test names. Ideal solution (activity option 3: gamcal computes
// only the ionic strength, the activity of water stays 1).
struct Water {
    std::unique_ptr<TestProgram> prog = newProgram(Channels::captured);
    TestProgram& p = *prog;

    Water() {
        p.input.convergence = 1e-10;
        p.input.loopLimit = 100;
        p.input.activityOption = ActivityOption::ideal;
        p.input.waterOption = WaterOption::unity;
        p.conditions.temperature = 25.0;
        p.conditions.pressure = 1.0;
        p.addComponent(1, "H+", 1.0, 1e-7, 1e-7);
        p.addComponent(2, "H2O", 0.0, 1.0, 1.0);
    }

    void chargeBalanceOn(int position) {
        p.input.chargeBalancePosition = position;
        p.conditions.chargeBalanceStartTotal = p.comp[position].mtot;
    }

    double m(int i) const { return p.sp[i].molality; }
};

int count(const std::string& text, std::string_view what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// ---- mass action -----------------------------------------------------------

TEST(MassAction, FollowsFromTheComponentsAndIsBounded) {
    Water w;
    const int na = w.p.addComponent(13, "Na+", 1, 0.01, 0.01);
    const int cl = w.p.addComponent(3, "Cl-", -1, 0.01, 0.02);
    w.p.sp[na].gamma = 0.8;
    w.p.sp[WATER_SLOT].gamma = 0.5;  // the activity of water
    const int nacl = w.p.addSecondary("NaCl,aq", 0, 0.5, {{na, 1.0}, {cl, 1.0}});
    const int oh = w.p.addSecondary("OH-", -1, 14.0, {{2, 1.0}, {1, -1.0}});
    const int big = w.p.addSecondary("big", 0, -30.0, {{na, 1.0}});
    const int tiny = w.p.addSecondary("tiny", 0, 300.0, {{na, 1.0}});
    w.p.sp[nacl].gamma = 0.9;
    massActionUpdate(w.p.sp, w.p.comp.count);

    EXPECT_NEAR(w.m(nacl), 0.8 * 0.01 * 0.02 / 0.9 * std::pow(10.0, -0.5), 1e-17);
    EXPECT_NEAR(w.m(oh), 0.5 / 1e-7 * 1e-14, 1e-20);
    EXPECT_EQ(w.m(big), 10.0);
    EXPECT_EQ(w.m(tiny), 1e-200);
    EXPECT_EQ(w.m(na), 0.01);  // components are not changed
    EXPECT_EQ(w.m(2), 1.0);
}

// ---- set-up ----------------------------------------------------------------

TEST(SetUp, ConvertsWaterFixesPhAndComputesSecondaries) {
    struct Case {
        double kg, pH;
        double mtot2, activityH;
    };
    const Case cases[] = {
        {2.0, 7.0, 111.0165023803711, 1e-7},
        {1.0, 0.0, WATER_MOLES, -1.0},  // pH computed: activity left alone
    };
    for (const Case& c : cases) {
        Water w;
        w.p.comp[WATER_SLOT].mtot = c.kg;
        w.p.conditions.pH = c.pH;
        w.p.sp[HYDROGEN_SLOT].activity = -1.0;
        const int oh = w.p.addSecondary("OH-", -1, 14.0, {{2, 1.0}, {1, -1.0}});
        setUp(w.p, {});
        EXPECT_EQ(w.p.run.kgw, c.kg);
        EXPECT_EQ(w.p.comp[WATER_SLOT].mtot, c.mtot2);
        EXPECT_EQ(w.p.sp[HYDROGEN_SLOT].activity, c.activityH);
        EXPECT_EQ(w.p.newton.order, 2);
        EXPECT_EQ(w.p.run.firstSecondary, 3);
        EXPECT_NEAR(w.m(oh), 1e-7, 1e-20);
    }
}

TEST(SetUp, ChargeBalanceThresholdAndFreshAdjustment) {
    Water w;
    const int cl = w.p.addComponent(3, "Cl-", -1, 0.5, 0.5);
    w.chargeBalanceOn(cl);
    w.p.conditions.chargeBalanceStartTotal = 0.25;
    w.p.run.chargeBalanceFrozen = true;  // left by a previous run
    setUp(w.p, {});
    EXPECT_EQ(w.p.run.chargeBalanceThreshold, 9.99999993922529e-09 * 0.25);
    EXPECT_FALSE(w.p.run.chargeBalanceFrozen);
}

TEST(SetUp, Tolerances) {
    Water w;
    w.p.input.convergence = 1e-6;
    const int cl = w.p.addComponent(3, "Cl-", -1, -0.5, 0.5);
    const int zero = w.p.addComponent(20, "Zero", 1, 0.0, 1e-3);
    const int ca = w.p.addComponent(9, "Ca++", 2, 0.01, 0.01);
    const int sr = w.p.addComponent(21, "Sr++", 2, 0.01, 0.01);
    w.p.minerals.count = 2;
    w.p.minerals.at.growTo(2);
    w.p.minerals[1].logK = -8.5;
    w.p.minerals[2].logK = 0.0;
    w.p.comp[ca].forcedMineral = 1;
    w.p.comp[sr].forcedMineral = 2;
    w.p.comp[WATER_SLOT].mtot = 2.0;
    setTolerances(w.p);
    EXPECT_EQ(w.p.comp[HYDROGEN_SLOT].tolerance, 1e-7 * 1e-6);
    EXPECT_EQ(w.p.comp[WATER_SLOT].tolerance, 2.0 * 1e-6);
    EXPECT_EQ(w.p.comp[cl].tolerance, 0.5 * 1e-6);
    EXPECT_EQ(w.p.comp[zero].tolerance, 1e-6);
    EXPECT_EQ(w.p.comp[ca].tolerance, std::fabs(1e-6 * -8.5 * 10.0));
    EXPECT_EQ(w.p.comp[sr].tolerance, 10.0 * 1e-6);

    // Fixed pH, alkalinity and fixed activity replace theirs.
    const int carb = w.p.addComponent(5, "HCO3-", -1, 0.003, 1e-7);
    w.p.conditions.pH = 8.0;
    w.p.conditions.alkalinity = 0.004;
    w.p.input.fixedActivityPosition = cl;
    w.p.input.fixedActivity = 0.3;
    setTolerances(w.p);
    EXPECT_EQ(w.p.comp[HYDROGEN_SLOT].tolerance, 1e-6 * std::pow(10.0, -8.0));
    EXPECT_EQ(w.p.comp[carb].tolerance, 0.004 * 1e-6);
    EXPECT_EQ(w.p.comp[cl].tolerance, 1e-6 * 0.3);
}

// The minerals as their reader leaves them, Calcite linked to component 3.
void linkCalcite(SolverState& p) {
    p.comp[3].forcedMineral = 1;
    p.minerals.count = 1;
    p.minerals.at.growTo(1);
    p.minerals[1].logK = 1.0;
}
// A hook can reach no test state but the Program: it leaves its mark there.
void markDebugTables(SolverState& p) {
    // Written before the water total is converted to moles.
    static const Layout line("('DEBUG TABLES ',F6.3)");
    p.io.listing.write(line, {p.comp[WATER_SLOT].mtot});
}

TEST(SetUp, CallsItsHookAndChecksForcedMinerals) {
    struct Case {
        const char* what;
        int mineralsSwitch, debug;
        bool stopped;
        const char* listing;
    };
    const Case cases[] = {
        {"minerals read, mineral linked", 1, 1, false, "DEBUG TABLES  1.000\n"},
        {"no minerals read: mineral not found", 0, 1, true,
         "\n     FOLLOWING GIVEN MINERAL NOT FOUND IN LOGKDATA: Calcite             \n"
         "     CHECK IF MINERAL: IS SPELLED INCORRECTLY, IS SUPPRESSED, OR\n"
         "     CONTAINS SPECIES NOT ALL SPECIFIED IN WQCASE FILE.\n\n"},
        {"no debug tables without debug", 1, 0, false, ""},
    };
    for (const Case& c : cases) {
        Water w;
        const int ca = w.p.addComponent(9, "Ca++", 2, 0.01, 0.01);
        w.p.forced.count = 1;
        w.p.forced[1].mineral.assign("Calcite");
        w.p.forced[1].component = ca;
        w.p.conditions.mineralsSwitch = c.mineralsSwitch;
        w.p.input.debug = c.debug;
        if (c.mineralsSwitch != 0) linkCalcite(w.p);
        SetUpHooks hooks;
        hooks.writeDebugTables = markDebugTables;
        EXPECT_EQ(stopOf([&] { setUp(w.p, hooks); }), c.stopped ? std::optional(ExitStatus::error) : std::nullopt)
            << c.what;
        EXPECT_EQ(w.p.listing(), c.listing) << c.what;
        if (!c.stopped) {
            EXPECT_EQ(w.p.comp[ca].tolerance, 1e-10 * 1.0 * 10.0) << c.what;
        }
    }
}

// ---- totals that are results -----------------------------------------------

TEST(Totals, ForcedComponentsTakeTheFirstTermNamingThem) {
    Water w;
    const int ca = w.p.addComponent(9, "Ca++", 2, 0.0, 0.01);
    const int c = w.p.addComponent(5, "HCO3-", -1, 0.0, 0.002);
    w.p.addSecondary("CaHCO3+", 1, -1.0, {{ca, 1.0}, {c, 1.0}});
    w.p.addSecondary("odd", 0, 0.0, {{ca, 2.0}, {c, 1.0}, {ca, 5.0}});
    w.p.addSecondary("other", 0, 0.0, {{c, 1.0}});
    w.p.sp[3 + 2].molality = 1e-4;
    w.p.sp[3 + 3].molality = 1e-5;
    w.p.sp[3 + 4].molality = 1e-3;
    w.p.forced.count = 1;
    w.p.forced[1].component = ca;
    w.p.run.kgw = 2.0;
    recomputeForcedTotals(w.p);
    EXPECT_DOUBLE_EQ(w.p.comp[ca].mtot, 2.0 * (0.01 + 1e-4 + 2.0 * 1e-5));
    EXPECT_EQ(w.p.comp[c].mtot, 0.0);
}

TEST(Totals, FixedComponents) {
    Water w;
    const int na = w.p.addComponent(13, "Na+", 1, 0.0, 0.01);
    const int c = w.p.addComponent(5, "HCO3-", -1, 0.0, 0.002);
    const int co2 = w.p.addSecondary("CO2,aq", 0, -6.3, {{1, 1.0}, {c, 1.0}, {2, -1.0}});
    const int oh = w.p.addSecondary("OH-", -1, 14.0, {{2, 1.0}, {1, -1.0}});  // H+ not first
    const int twice = w.p.addSecondary("twice", 0, 0.0, {{na, 1.0}, {na, 2.0}});
    w.p.sp[co2].molality = 1e-3;
    w.p.sp[oh].molality = 1e-6;
    w.p.sp[twice].molality = 1e-4;
    w.p.sp[HYDROGEN_SLOT].molality = 1e-8;
    w.p.conditions.pH = 8.0;
    w.p.input.fixedActivityPosition = na;
    w.p.conditions.alkalinity = 0.002;
    w.p.run.kgw = 0.5;
    recomputeFixedTotals(w.p);
    // H+: only species whose reaction starts with H+.
    EXPECT_DOUBLE_EQ(w.p.comp[HYDROGEN_SLOT].mtot, 0.5 * 1e-8 + 1.0 * 1e-3 * 0.5);
    // The fixed-activity component and the carbonate: every term naming them.
    EXPECT_DOUBLE_EQ(w.p.comp[na].mtot, 0.5 * 0.01 + 3.0 * 1e-4 * 0.5);
    EXPECT_DOUBLE_EQ(w.p.comp[c].mtot, 0.5 * 0.002 + 1e-3 * 0.5);
}

// ---- charge balance --------------------------------------------------------

// Na+ and Cl- with H+ 1e-7, OH- 1e-7, CO3-- 1e-3: the charge is
// kgw (1e-7 + mNa - mCl - 1e-7 - 2e-3).
struct ChargeWater : Water {
    int na, cl;
    explicit ChargeWater(double clTotal, double mNa, double mCl) {
        na = p.addComponent(13, "Na+", 1, 0.05, mNa);
        cl = p.addComponent(3, "Cl-", -1, clTotal, mCl);
        p.addSecondary("OH-", -1, 14.0, {{2, 1.0}, {1, -1.0}});
        p.addSecondary("CO3--", -2, 0.0, {{na, 1.0}});
        p.sp[p.sp.count - 1].molality = 1e-7;
        p.sp[p.sp.count].molality = 1e-3;
        chargeBalanceOn(cl);
        p.run.kgw = 2.0;
        p.run.chargeBalanceThreshold = 9.99999993922529e-09 * clTotal;
    }
};

TEST(ChargeBalance, MovesTheTotalByTheImbalance) {
    ChargeWater w(0.01, 0.012, 0.005);
    adjustChargeBalance(w.p, 1);
    const double s = 2.0 * 1e-7 + (0.012 * 2.0 - 0.005 * 2.0 - 1e-7 * 2.0 - 2.0 * 1e-3 * 2.0);
    EXPECT_NEAR(w.p.run.chargeImbalance, s, 1e-17);
    EXPECT_NEAR(w.p.comp[w.cl].mtot, 0.01 + s, 1e-17);  // z = -1: Mtot = Mold - S/z
    EXPECT_EQ(w.p.comp[w.cl].tolerance, std::fabs(w.p.comp[w.cl].mtot) * 1e-10);
    EXPECT_FALSE(w.p.run.chargeBalanceFrozen);
}

TEST(ChargeBalance, HalvesACorrectionThatWouldExhaustTheTotal) {
    // S = 2 (0.001 - 0.0055 - 0.002) = -0.013: Mtot = 0.01 - 0.013 < 0, so
    // d is halved to 0.0065: Mtot = 0.0035.
    ChargeWater w(0.01, 0.001, 0.0055);
    w.p.sp[w.p.sp.count - 1].molality = 0.0;
    w.p.sp[HYDROGEN_SLOT].molality = 0.0;
    adjustChargeBalance(w.p, 5);
    EXPECT_NEAR(w.p.comp[w.cl].mtot, 0.01 - 0.0065, 1e-15);
}

TEST(ChargeBalance, OnHydrogenIonTheTotalMayTurnNegative) {
    // Balance on H+ with S = 2 (0.012 - 0.005 - 0.002) = 0.01. The proton
    // balance held is 2 (1e-7 - 1e-7) = 0, with 4e-7 protons on its two
    // sides: the correction is halved 16 times, to 0.01 / 65536 <= 2e-7, and
    // the total goes below 0 without a stop.
    ChargeWater w(0.01, 0.012, 0.005);
    w.chargeBalanceOn(1);
    adjustChargeBalance(w.p, 3);
    EXPECT_DOUBLE_EQ(w.p.comp[HYDROGEN_SLOT].mtot, -0.01 / 65536.0);
    EXPECT_DOUBLE_EQ(w.p.comp[HYDROGEN_SLOT].tolerance, 4e-7 * 1e-10);
    EXPECT_EQ(w.p.console(), "");
    EXPECT_EQ(w.p.listing(), "");
}

TEST(ChargeBalance, StopsWhenTheComponentCannotTakeTheImbalance) {
    struct Case {
        const char* what;
        double total, mNa, mCl, threshold;
    };
    const Case cases[] = {
        {"left at or below 1e-8 of the starting total", 0.01, 0.001, 0.0055, 0.0036},
        {"a total of 0 that the balance would lower", 0.0, 0.001, 0.0055, 0.0},
    };
    const std::string message =
        "\n\n     CHARGE IMBALANCE EXEEDS THE TOTAL AMOUNT OF Cl-          AND CANNOT \n"
        "     BE ADJUSTED BY THIS ION.  CHOOSE AN ION WITH OPPOSITE CHARGE\n\n\n\n";
    for (const Case& c : cases) {
        ChargeWater w(c.total, c.mNa, c.mCl);
        w.p.run.chargeBalanceThreshold = c.threshold;
        EXPECT_EQ(stopOf([&] { adjustChargeBalance(w.p, 3); }), ExitStatus::error) << c.what;
        EXPECT_EQ(w.p.listing(), message) << c.what;
        EXPECT_EQ(w.p.console(), message) << c.what;
    }
}

TEST(ChargeBalance, FreezesOnlyAfterLoopThirty) {
    struct Case {
        double mNa;  // sets the size of the change
        int loop;
        bool frozen;
    };
    // Balanced but for 2e-8 mol/kg: a change of 4e-8 on 0.01, below 1e-5 of it.
    const double balanced = 0.005 + 1e-7 + 2e-3 - 1e-7;
    const Case cases[] = {
        {balanced + 2e-8, 30, false},
        {balanced + 2e-8, 31, true},
        {balanced + 2e-6, 31, false},  // change 4e-6 > 1e-5 x 0.01
    };
    for (const Case& c : cases) {
        ChargeWater w(0.01, c.mNa, 0.005);
        adjustChargeBalance(w.p, c.loop);
        EXPECT_EQ(w.p.run.chargeBalanceFrozen, c.frozen) << c.loop << " " << c.mNa;
    }
}

// ---- assembly --------------------------------------------------------------

TEST(Assembly, MassBalanceRowsByHand) {
    Water w;
    const int na = w.p.addComponent(13, "Na+", 1, 0.02, 0.01);
    const int oh = w.p.addSecondary("OH-", -1, 14.0, {{2, 1.0}, {1, -1.0}});
    const int naoh = w.p.addSecondary("NaOH,aq", 0, 14.0, {{na, 1.0}, {2, 1.0}, {1, -1.0}});
    const int odd = w.p.addSecondary("Na2", 2, 0.0, {{na, 1.0}, {na, 1.0}});
    w.p.comp[HYDROGEN_SLOT].mtot = 1e-6;
    w.p.comp[WATER_SLOT].mtot = 112.0;
    const double kgw = 2.0, mH = 1e-8;
    w.p.run.kgw = kgw;
    w.p.sp[HYDROGEN_SLOT].molality = mH;
    w.p.sp[oh].molality = 1e-6;
    w.p.sp[naoh].molality = 1e-7;
    w.p.sp[odd].molality = 1e-5;
    w.p.newton.order = 3;
    assembleSystem(w.p);
    const auto& A = w.p.newton.a;
    const auto& F = w.p.newton.f;

    // H+: kgw (mH - mOH - mNaOH) - Mtot.
    EXPECT_NEAR(F[1], kgw * (mH - 1e-6 - 1e-7) - 1e-6, 1e-20);
    EXPECT_NEAR(A(1, 1), kgw + kgw * (1e-6 + 1e-7) / mH, 1e-12);
    EXPECT_NEAR(A(1, na), -kgw * 1e-7 / 0.01, 1e-18);
    EXPECT_NEAR(A(1, 2), (1e-6 + F[1]) / kgw, 1e-20);
    // Water: kgw (55.50825 + mOH + mNaOH) - Mtot(2).
    EXPECT_NEAR(F[2], kgw * WATER_MOLES + kgw * (1e-6 + 1e-7) - 112.0, 1e-12);
    EXPECT_NEAR(A(2, 1), -kgw * (1e-6 + 1e-7) / mH, 1e-9);
    EXPECT_NEAR(A(2, 2), (112.0 + F[2]) / kgw, 1e-12);
    // Na+: the species naming it twice counts with its first coefficient,
    // its derivative with every term.
    EXPECT_NEAR(F[na], kgw * (0.01 + 1e-7 + 1e-5) - 0.02, 1e-17);
    EXPECT_NEAR(A(na, na), kgw + kgw * 1e-7 / 0.01 + 2.0 * kgw * 1e-5 / 0.01, 1e-15);
    EXPECT_NEAR(A(na, 1), -kgw * 1e-7 / mH, 1e-12);
    EXPECT_NEAR(A(na, 2), (0.02 + F[na]) / kgw, 1e-18);
}

TEST(Assembly, FirstApplicableRulePerRow) {
    Water w;
    const int na = w.p.addComponent(13, "Na+", 1, 0.02, 0.01);
    const int c = w.p.addComponent(5, "HCO3-", -1, 0.002, 0.002);
    w.p.sp[c].alkFactor = 1.0;
    const int ca = w.p.addComponent(9, "Ca++", 2, 0.001, 0.001);
    w.p.comp[WATER_SLOT].mtot = WATER_MOLES;
    w.p.addMineral("Calcite", -5.0, {{ca, 1.0}, {c, 1.0}});
    w.p.comp[ca].forcedMineral = 1;
    w.p.comp[ca].forcedEntry = 1;
    w.p.forced.count = 1;
    w.p.forced[1].component = ca;
    w.p.conditions.pH = 7.0;
    w.p.input.fixedActivityPosition = 1;  // also H+: the pH wins
    w.p.input.fixedActivity = 0.5;
    w.p.conditions.alkalinity = 0.003;
    w.p.run.kgw = 1.0;
    w.p.newton.order = 5;
    assembleSystem(w.p);
    const auto& F = w.p.newton.f;
    EXPECT_NEAR(F[1], 0.0, 1e-22);                            // fixed pH
    EXPECT_NEAR(F[na], 0.01 - 0.02, 1e-18);                   // mass balance
    EXPECT_NEAR(F[c], -0.003 + 0.002, 1e-15);                 // alkalinity
    EXPECT_NEAR(F[ca], std::log10(0.001 * 0.002) + 5.0, 1e-12);  // saturation
    EXPECT_EQ(w.p.newton.a(na, na), 1.0);                     // kgw on the diagonal

    // The fixed-activity row when the pH is computed.
    w.p.conditions.pH = 0.0;
    w.p.conditions.alkalinity = 0.0;
    assembleSystem(w.p);
    EXPECT_EQ(F[1], 0.5 - 1e-7);
    EXPECT_EQ(w.p.newton.a(1, 1), -1.0);
    EXPECT_NEAR(F[c], 0.002 - 0.002, 1e-18);  // mass balance again
}

// ---- damping ---------------------------------------------------------------

TEST(Damping, WeightsOfResidualsThatDoNotShrink) {
    Water w;
    w.p.newton.order = 1;
    w.p.input.damping = 0.5;
    Component& c = w.p.comp[HYDROGEN_SLOT];
    auto damp = [&](double f) {
        w.p.newton.f[1] = f;
        dampResiduals(w.p);
        return w.p.newton.f[1];
    };
    EXPECT_EQ(damp(1.0), 1.0);  // previous residual 1e65: shrinking
    EXPECT_EQ(c.weight, 1.0);
    EXPECT_EQ(damp(-1.0), -0.5);  // same magnitude: half
    EXPECT_EQ(damp(1.0), 0.25);
    EXPECT_EQ(damp(1.0), 0.125);
    EXPECT_EQ(c.prevResidual, 1.0);  // the undamped residual
    for (int n = 4; n <= 13; ++n) EXPECT_EQ(damp(1.0), std::ldexp(1.0, -n)) << n;
    // 2^-14 is used once, then the weight floors at 1e-4 (single precision).
    EXPECT_EQ(damp(1.0), std::ldexp(1.0, -14));
    EXPECT_EQ(c.weight, 9.999999747378752e-05);
    EXPECT_EQ(damp(1.0), 0.5 * 9.999999747378752e-05);
    // Shrinking: back to full weight.
    EXPECT_EQ(damp(0.75), 0.75);
    EXPECT_EQ(c.weight, 1.0);
}

TEST(Damping, OffOutsideZeroToOne) {
    for (double d : {0.0, 1.0, -0.5}) {
        Water w;
        w.p.newton.order = 1;
        w.p.input.damping = d;
        w.p.comp[HYDROGEN_SLOT].prevResidual = 0.1;
        w.p.newton.f[1] = 1.0;
        dampResiduals(w.p);
        EXPECT_EQ(w.p.newton.f[1], 1.0) << d;
        EXPECT_EQ(w.p.comp[HYDROGEN_SLOT].prevResidual, 0.1) << d;
    }
}

// ---- step rules ------------------------------------------------------------

TEST(StepRules, RefuseHalveAndClamp) {
    Water w;
    const int a = w.p.addComponent(20, "A", 1, 0.0, 0.5);
    const int b = w.p.addComponent(21, "B", 1, 0.0, 0.01);
    const int c = w.p.addComponent(22, "C", 1, 0.0, 1e-199);
    const int d = w.p.addComponent(23, "D", 1, 0.0, 0.3);
    w.p.newton.order = 6;
    w.p.run.kgw = 1.0;
    auto& X = w.p.newton.x;
    X[1] = -1e-7 + 5e-16;  // H+ to 5e-16: refused
    X[2] = 10.0;           // water to 11 kg: allowed
    X[a] = 10.0;           // above 10 mol/kg: refused
    X[b] = -0.03;          // -0.02, halved to -0.005, again to 0.0025
    X[c] = -9.5e-200;      // below 1e-200: clamped with a warning
    X[d] = 0.2;
    applyNewtonStep(w.p);
    EXPECT_EQ(w.m(1), 1e-7);
    EXPECT_EQ(w.p.run.kgw, 11.0);
    EXPECT_EQ(w.m(2), 1.0);
    EXPECT_EQ(w.m(a), 0.5);
    EXPECT_EQ(w.m(b), 0.01 + -0.0075);
    EXPECT_EQ(w.m(c), 1e-200);
    EXPECT_EQ(w.m(d), 0.3 + 0.2);
    EXPECT_EQ(w.p.console(), "     ** WARNING !  MOLALITY OF C            LESS THAN  0.100-199\n");
    EXPECT_EQ(w.p.listing(), "");
}

TEST(StepRules, HydrogenIonAboveTheFloorMoves) {
    Water w;
    w.p.newton.order = 2;
    w.p.newton.x[1] = -1e-7 + 2e-15;
    w.p.newton.x[2] = -0.5;
    w.p.run.kgw = 2.0;
    applyNewtonStep(w.p);
    EXPECT_EQ(w.m(1), 1e-7 + (-1e-7 + 2e-15));
    EXPECT_EQ(w.p.run.kgw, 1.5);
}

// An infinite step is for the step rules to judge: above 10 mol/kg a
// component keeps its molality, below 1e-15 H+ keeps its own. What they leave
// infinite, and an undefined step, end the run naming the unknown.
TEST(StepRules, InfiniteAndUndefinedSteps) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* what;
        int unknown;  // 1 H+, 2 water, 3 the component A
        double step;
        bool stops;
        const char* name;  // in the message
    };
    const Case cases[] = {
        {"+inf for a component: refused", 3, inf, false, ""},
        {"+inf for H+: refused", 1, inf, false, ""},
        {"-inf for H+: refused", 1, -inf, false, ""},
        {"-inf for a component: no halving ends", 3, -inf, true, "A"},
        {"+inf for the mass of water", 2, inf, true, "H2O"},
        {"NaN", 3, nan, true, "A"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Water w;
        const int a = w.p.addComponent(20, "A", 1, 0.0, 0.5);
        w.p.newton.order = 3;
        w.p.run.kgw = 1.0;
        w.p.run.loops = 4;
        w.p.newton.x[c.unknown] = c.step;
        if (!c.stops) {
            applyNewtonStep(w.p);
            EXPECT_EQ(w.m(1), 1e-7);
            EXPECT_EQ(w.p.run.kgw, 1.0);
            EXPECT_EQ(w.m(a), 0.5);
            continue;
        }
        EXPECT_EQ(stopOf([&] { applyNewtonStep(w.p); }), ExitStatus::error);
        EXPECT_EQ(w.p.listing(), "\n     NEWTON ITERATION FAILED: NON-FINITE NEWTON STEP OF " + std::string(c.name) +
                                        " IN LOOP    4\n\n");
    }
}

// The ceiling of a component's molality is the activity model's: B-dot's
// 10 mol/kg, and for Pitzer, whose brines hold more (the chloride of a
// MgCl2 solution at bischofite saturation, near 5.8 mol/kg, is above 11),
// the 55.5 mol/kg of water itself. The mass of water has no ceiling.
TEST(StepRules, AComponentAboveTheActivityModelsHighestMolalityIsRefused) {
    const std::string pitzerDatabase = std::string(WQSPEC_SOURCE_DIR) + "/examples/pitzer/LOGKDATA.KDB";
    struct Case {
        const char* model;
        double to;    // the molality the step would give, from 9
        double kept;  // the molality after the step rules
    };
    const Case cases[] = {
        {"b-dot", 9.9, 9.9},   {"b-dot", 10.1, 9.0}, {"b-dot", 12.0, 9.0},
        {"pitzer", 10.1, 10.1}, {"pitzer", 12.0, 12.0}, {"pitzer", 55.5, 55.5}, {"pitzer", 55.6, 9.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.model) + " to " + std::to_string(c.to));
        Water w;
        w.p.activityModel = makeActivityModel(c.model, {pitzerDatabase});
        ASSERT_NE(w.p.activityModel, nullptr);
        const int cl = w.p.addComponent(3, "Cl-", -1, 0.0, 9.0);
        w.p.newton.order = 3;
        w.p.run.kgw = 1.0;
        w.p.newton.x[cl] = c.to - 9.0;
        w.p.newton.x[WATER_SLOT] = 60.0;
        applyNewtonStep(w.p);
        EXPECT_EQ(w.m(cl), c.kept);
        EXPECT_EQ(w.p.run.kgw, 61.0);
    }
}

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
    setUp(w.p, {});
    iterate(w.p, nullptr);
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
        setUp(w.p, {});
        iterate(w.p, nullptr);
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
        setUp(w.p, {});
        iterate(w.p, nullptr);
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
    setUp(w.p, {});
    iterate(w.p, markListing);
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
        setUp(w.p, {});
        iterate(w.p, nullptr);
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
    setUp(w.p, {});
    EXPECT_EQ(stopOf([&] { iterate(w.p, nullptr); }), ExitStatus::error);
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
    setUp(w.p, {});
    iterate(w.p, nullptr);
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
    setUp(w.p, {});
    iterate(w.p, nullptr);
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
    setUp(w.p, {});
    iterate(w.p, nullptr);
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
