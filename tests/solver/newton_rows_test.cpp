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
    assembleSystem(w.p, w.out);
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
    assembleSystem(w.p, w.out);
    const auto& F = w.p.newton.f;
    EXPECT_NEAR(F[1], 0.0, 1e-22);                            // fixed pH
    EXPECT_NEAR(F[na], 0.01 - 0.02, 1e-18);                   // mass balance
    EXPECT_NEAR(F[c], -0.003 + 0.002, 1e-15);                 // alkalinity
    EXPECT_NEAR(F[ca], std::log10(0.001 * 0.002) + 5.0, 1e-12);  // saturation
    EXPECT_EQ(w.p.newton.a(na, na), 1.0);                     // kgw on the diagonal

    // The fixed-activity row when the pH is computed.
    w.p.conditions.pH = 0.0;
    w.p.conditions.alkalinity = 0.0;
    assembleSystem(w.p, w.out);
    EXPECT_EQ(F[1], 0.5 - 1e-7);
    EXPECT_EQ(w.p.newton.a(1, 1), -1.0);
    EXPECT_NEAR(F[c], 0.002 - 0.002, 1e-18);  // mass balance again
}

// The rows of a fixed pH and an alkalinity leave their trace lines on the
// listing with the debug switch only: the pH's before its row (row 1, first),
// the alkalinity's after its own.
TEST(Assembly, TracesTheConstraintRowsOnlyWithDebug) {
    const std::string hoh = std::string(42, ' ') + "SUBROUTINE HOH WAS USED\n";
    const std::string enrique = std::string(42, ' ') + "SUBROUTINE ENRIQUE WAS USED\n";
    struct Case {
        int debug;
        double pH, alkalinity;
        std::string listing;
    };
    const Case cases[] = {
        {1, 7.0, 0.003, hoh + enrique}, {1, 7.0, 0.0, hoh}, {1, 0.0, 0.003, enrique}, {0, 7.0, 0.003, ""},
    };
    for (const Case& c : cases) {
        Water w;
        const int hco3 = w.p.addComponent(5, "HCO3-", -1, 0.002, 0.002);
        w.p.sp[hco3].alkFactor = 1.0;
        w.p.comp[WATER_SLOT].mtot = WATER_MOLES;
        w.p.input.debug = c.debug;
        w.p.conditions.pH = c.pH;
        w.p.conditions.alkalinity = c.alkalinity;
        w.p.newton.order = 3;
        assembleSystem(w.p, w.out);
        EXPECT_EQ(w.p.listing(), c.listing) << c.debug << " " << c.pH << " " << c.alkalinity;
        EXPECT_EQ(w.p.console(), "");
    }
}

// A mineral held at saturation on a component its reaction does not name
// cannot hold it: the run stops, its message on the listing and the console.
TEST(Assembly, AForcedMineralWithoutItsComponentStopsTheRun) {
    Water w;
    const int ca = w.p.addComponent(9, "Ca++", 2, 0.001, 0.001);
    const int na = w.p.addComponent(13, "Na+", 1, 0.01, 0.01);
    w.p.addMineral("Calcite", -5.0, {{ca, 1.0}});
    w.p.comp[na].forcedMineral = 1;
    w.p.comp[na].forcedEntry = 1;
    w.p.forced.count = 1;
    w.p.forced[1].component = na;
    w.p.run.kgw = 1.0;
    w.p.newton.order = 4;
    std::string reason;
    EXPECT_EQ(stopOf([&] { assembleSystem(w.p, w.out); }, &reason), ExitStatus::error);
    EXPECT_EQ(reason.rfind("forced mineral Calcite does not contain Na+", 0), 0u) << reason;
    const std::string message = "\n     GIVEN MINERAL Calcite              DOES NOT CONTAIN Na+         \n";
    EXPECT_EQ(w.p.listing(), message);
    EXPECT_EQ(w.p.console(), message);
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
    applyNewtonStep(w.p, w.out);
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
    applyNewtonStep(w.p, w.out);
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
            applyNewtonStep(w.p, w.out);
            EXPECT_EQ(w.m(1), 1e-7);
            EXPECT_EQ(w.p.run.kgw, 1.0);
            EXPECT_EQ(w.m(a), 0.5);
            continue;
        }
        EXPECT_EQ(stopOf([&] { applyNewtonStep(w.p, w.out); }), ExitStatus::error);
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
        applyNewtonStep(w.p, w.out);
        EXPECT_EQ(w.m(cl), c.kept);
        EXPECT_EQ(w.p.run.kgw, 61.0);
    }
}

}  // namespace
}  // namespace wq
