#include "solver/newton.hpp"
#include "solver/totals.hpp"

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
        setUp(w.p, w.out);
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
    setUp(w.p, w.out);
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
// The solve's lines with the debug tables marked by a line of their own.
struct MarkedDebugTables : SolverListing {
    using SolverListing::SolverListing;
    void debugTables(SolverState& p) override {
        // Written before the water total is converted to moles.
        static const Layout line("('DEBUG TABLES ',F6.3)");
        p.io.listing.write(line, {p.comp[WATER_SLOT].mtot});
    }
};

TEST(SetUp, TellsItsObserverAndChecksForcedMinerals) {
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
        MarkedDebugTables marked(w.p.io);
        EXPECT_EQ(stopOf([&] { setUp(w.p, marked); }), c.stopped ? std::optional(ExitStatus::error) : std::nullopt)
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
    adjustChargeBalance(w.p, 1, w.out);
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
    adjustChargeBalance(w.p, 5, w.out);
    EXPECT_NEAR(w.p.comp[w.cl].mtot, 0.01 - 0.0065, 1e-15);
}

TEST(ChargeBalance, OnHydrogenIonTheTotalMayTurnNegative) {
    // Balance on H+ with S = 2 (0.012 - 0.005 - 0.002) = 0.01. The proton
    // balance held is 2 (1e-7 - 1e-7) = 0, with 4e-7 protons on its two
    // sides: the correction is halved 16 times, to 0.01 / 65536 <= 2e-7, and
    // the total goes below 0 without a stop.
    ChargeWater w(0.01, 0.012, 0.005);
    w.chargeBalanceOn(1);
    adjustChargeBalance(w.p, 3, w.out);
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
        EXPECT_EQ(stopOf([&] { adjustChargeBalance(w.p, 3, w.out); }), ExitStatus::error) << c.what;
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
        adjustChargeBalance(w.p, c.loop, w.out);
        EXPECT_EQ(w.p.run.chargeBalanceFrozen, c.frozen) << c.loop << " " << c.mNa;
    }
}

}  // namespace
}  // namespace wq
