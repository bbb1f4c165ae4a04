#include "solver/joint_solve.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/program.hpp"
#include "equilibria/saturation.hpp"
#include "report/solver_listing.hpp"
#include "solver/mass_action.hpp"
#include "solver/newton.hpp"
#include "solver/setup.hpp"
#include "solver/solve.hpp"
#include "support/test_program.hpp"

namespace wq {
namespace {

using testing::Channels;
using testing::newProgram;
using testing::stopOf;
using testing::TestProgram;

constexpr double WATER_MOLES = 55.50825119018555;

// A water built by hand with a species of every kind the equations meet:
// complexes, a species that names a component twice, protonated and
// deprotonated ones, alkalinity of both signs, a forced mineral. Activity
// coefficients away from 1, so that the equations in log units carry them.
struct Brine {
    std::unique_ptr<TestProgram> prog = newProgram(Channels::captured);
    TestProgram& p = *prog;
    int na, cl, ca, hco3, sio2, so4;

    Brine() {
        p.input.convergence = 1e-10;
        p.input.loopLimit = 100;
        p.conditions.temperature = 25.0;
        p.conditions.pressure = 1.0;
        p.addComponent(1, "H+", 1.0, 2e-3, 3e-8, 0.8);
        p.addComponent(2, "H2O", 0.0, 1.0, 1.0, 0.98);
        na = p.addComponent(13, "Na+", 1, 0.1, 0.08, 0.75, 22.99);
        cl = p.addComponent(3, "Cl-", -1, 0.11, 0.09, 0.72);
        ca = p.addComponent(9, "Ca++", 2, 0.01, 4e-3, 0.3);
        hco3 = p.addComponent(5, "HCO3-", -1, 2e-3, 1.5e-3, 0.7);
        sio2 = p.addComponent(11, "SiO2,aq", 0, 1e-4, 9e-5, 1.0);
        so4 = p.addComponent(4, "SO4--", -2, 0.02, 0.01, 0.25);
        p.sp[HYDROGEN_SLOT].alkFactor = -1.0;
        p.sp[hco3].alkFactor = 1.0;
        p.addSecondary("OH-", -1, 14.0, {{2, 1.0}, {1, -1.0}}, 0.0, 0.7);
        p.addSecondary("NaCl,aq", 0, 0.7, {{na, 1.0}, {cl, 1.0}});
        p.addSecondary("CaCl+", 1, 0.3, {{ca, 1.0}, {cl, 1.0}}, 0.0, 0.7);
        p.addSecondary("CO2,aq", 0, -6.35, {{1, 1.0}, {hco3, 1.0}, {2, -1.0}}, 0.0, 1.1);
        p.addSecondary("CO3--", -2, 10.33, {{hco3, 1.0}, {1, -1.0}}, 0.0, 0.3);
        p.addSecondary("CaCO3,aq", 0, 7.0, {{ca, 1.0}, {hco3, 1.0}, {1, -1.0}});
        p.addSecondary("HSiO3-", -1, 9.8, {{sio2, 1.0}, {2, 1.0}, {1, -1.0}}, 0.0, 0.7);
        p.addSecondary("HSO4-", -1, -1.99, {{1, 1.0}, {so4, 1.0}}, 0.0, 0.7);
        // Two terms naming Na+: the totals count it once, the mass action twice.
        p.addSecondary("Na2SO4,aq", 0, 0.5, {{na, 1.0}, {so4, 1.0}, {na, 1.0}});
        for (const char* name : {"OH-", "CO3--", "HSiO3-"}) alkalinityOf(name) = 1.0;
        alkalinityOf("CO3--") = 2.0;
        alkalinityOf("CaCO3,aq") = 2.0;
        alkalinityOf("HSO4-") = -1.0;
        const int calcite = p.addMineral("Calcite", 1.85, {{ca, 1.0}, {hco3, 1.0}, {1, -1.0}});
        p.comp[ca].forcedMineral = calcite;
        p.comp[ca].forcedEntry = 1;
        p.forced.count = 1;
        p.forced[1].mineral.assign("Calcite");
        p.forced[1].component = ca;
        p.forced[1].target = 0.2;
        p.comp[WATER_SLOT].mtot = WATER_MOLES;
        p.run.kgw = 1.02;
        p.conditions.alkalinity = 2.4e-3;
        p.input.fixedActivity = 8e-5;
    }

    double& alkalinityOf(const std::string& name) {
        for (int s = 1; s <= p.sp.count; ++s)
            if (p.sp[s].name.trimmed() == name) return p.sp[s].alkFactor;
        throw std::invalid_argument("no species " + name);
    }
};

// Every row of the Jacobian against central differences of the residuals,
// activity coefficients held as the solve holds them within a step.
void expectJacobianMatchesDifferences(TestProgram& p, JointSystem& sys, const std::string& what) {
    const int n = sys.order;
    JointVector u;
    jointUnknowns(p, u);
    setJointUnknowns(p, u);
    for (int s = p.comp.count + 1; s <= p.sp.count; ++s) ASSERT_FALSE(p.storage.boundedSpecies[s]) << what << ": species " << s;
    jointJacobian(p, sys, p.newton);
    const double h = 1e-6;
    for (int j = 1; j <= n; ++j) {
        JointVector up = u, down = u, fUp, fDown;
        up[j] += h;
        down[j] -= h;
        setJointUnknowns(p, up);
        jointResiduals(p, sys, fUp);
        setJointUnknowns(p, down);
        jointResiduals(p, sys, fDown);
        for (int i = 1; i <= n; ++i) {
            const double difference = (fUp[i] - fDown[i]) / (2.0 * h);
            EXPECT_NEAR(p.newton.a(i, j), difference, 1e-7 * std::max(1.0, std::fabs(difference)))
                << what << ": row " << i << " (" << static_cast<int>(sys.row[i]) << "), column " << j;
        }
    }
    setJointUnknowns(p, u);
}

TEST(JointJacobian, EveryRowAgainstDifferences) {
    struct Case {
        const char* what;
        JointRow h, na, cl, ca, hco3, sio2, so4;
    };
    using R = JointRow;
    const Case cases[] = {
        {"electroneutrality on Cl-, calcite, alkalinity, fixed activity", R::massBalance, R::massBalance,
         R::electroneutrality, R::saturation, R::alkalinity, R::fixedActivity, R::massBalance},
        {"pH fixed, electroneutrality on H+'s partner Na+, balances", R::fixedPH, R::electroneutrality,
         R::massBalance, R::massBalance, R::massBalance, R::massBalance, R::massBalance},
        {"pH from electroneutrality, pinned and absent rows", R::electroneutrality, R::massBalance,
         R::massBalance, R::saturation, R::pinned, R::absent, R::massBalance},
    };
    for (const Case& c : cases) {
        Brine b;
        b.p.conditions.pH = 7.6;
        JointSystem sys = jointSystem(b.p);
        const JointRow rows[] = {c.h, R::massBalance, c.na, c.cl, c.ca, c.hco3, c.sio2, c.so4};
        for (int i = 1; i <= sys.order; ++i) sys.row[i] = rows[i - 1];
        sys.pinnedAt[b.hco3] = std::log(1e-3);
        sys.pinnedAt[b.sio2] = std::log(1e-4);
        expectJacobianMatchesDifferences(b.p, sys, c.what);
    }
}

// ---- the joint solve on its own --------------------------------------------

// Sums over the species, written out here from the definitions of the
// equations rather than taken from the solver.
double charge(const TestProgram& p) {
    double sum = p.sp[HYDROGEN_SLOT].molality;
    for (int s = 3; s <= p.sp.count; ++s) sum += p.sp[s].charge * p.sp[s].molality;
    return sum;
}
double grossCharge(const TestProgram& p) {
    double sum = p.sp[HYDROGEN_SLOT].molality;
    for (int s = 3; s <= p.sp.count; ++s) sum += std::fabs(p.sp[s].charge) * p.sp[s].molality;
    return sum;
}
double alkalinity(const TestProgram& p) {
    double sum = 0.0;
    for (int s = 1; s <= p.sp.count; ++s) sum += p.sp[s].alkFactor * p.sp[s].molality;
    return sum;
}
// kgw (m(i) + sum_s nu m(s)), nu of the first term of s naming i.
double total(const TestProgram& p, int i) {
    double sum = i == 2 ? WATER_MOLES : p.sp[i].molality;
    for (int s = p.comp.count + 1; s <= p.sp.count; ++s) {
        const int t = firstTermNaming(p.sp[s], i);
        if (t != 0) sum += p.sp[s].coef[t] * p.sp[s].molality;
    }
    return p.run.kgw * sum;
}

// The brine with every kind of equation at once: pH fixed, charge balance on
// Cl-, calcite held 0.2 above saturation on Ca++, carbonate from the
// alkalinity, SiO2 held at an activity; activity coefficients held (an ideal
// solution in the activity options, coefficients as set by hand).
TEST(JointSolve, EveryEquationHoldsAtTheSolution) {
    Brine b;
    TestProgram& p = b.p;
    p.input.activityOption = ActivityOption::ideal;
    p.input.waterOption = WaterOption::unity;
    // The activity model as the set-up of a run leaves it for these options:
    // the activity coefficients the brine was given are held.
    p.activityModel->setUp(p.sp, {298.15, 1.0, {}, p.input.activityOption, p.input.waterOption, false});
    p.conditions.pH = 7.6;
    p.sp[HYDROGEN_SLOT].activity = std::pow(10.0, -7.6);
    p.input.chargeBalancePosition = b.cl;
    p.input.fixedActivityPosition = b.sio2;
    const double given = 0.1;  // Na+
    const JointResult result = jointSolve(p);
    ASSERT_TRUE(result.solved);
    EXPECT_GT(result.iterations, 0);
    const double tolerance = 1e-9;
    EXPECT_NEAR(std::log10(p.sp[HYDROGEN_SLOT].gamma * p.sp[HYDROGEN_SLOT].molality), -7.6, tolerance);
    EXPECT_NEAR(charge(p) / grossCharge(p), 0.0, tolerance);
    const MineralEntry& calcite = p.minerals[p.comp[b.ca].forcedMineral];
    EXPECT_NEAR(ionActivityProduct(calcite, ComponentLogActivities(p.sp, p.comp.count)) - calcite.logK, 0.2, tolerance);
    EXPECT_NEAR(alkalinity(p) / 2.4e-3, 1.0, tolerance);
    EXPECT_NEAR(p.sp[b.sio2].gamma * p.sp[b.sio2].molality / 8e-5, 1.0, tolerance);
    EXPECT_NEAR(total(p, b.na) / given, 1.0, tolerance);
    EXPECT_NEAR(total(p, b.so4) / 0.02, 1.0, tolerance);
    EXPECT_NEAR(total(p, 2) / WATER_MOLES, 1.0, tolerance);
    // The totals that are results are what the water holds, and the
    // charge balance counts as an adjustment.
    EXPECT_DOUBLE_EQ(p.comp[b.cl].mtot, total(p, b.cl));
    EXPECT_DOUBLE_EQ(p.comp[b.ca].mtot, total(p, b.ca));
    EXPECT_NE(p.run.chargeImbalance, 0.0);
    // Every secondary molality follows from the components.
    for (int s = p.comp.count + 1; s <= p.sp.count; ++s)
        EXPECT_NEAR(std::log10(p.sp[s].molality), massActionLogMolality(p.sp, p.sp[s]), 1e-12) << s;
}

// ---- which method solves a run ---------------------------------------------

// Na+, Cl- and Ca++ in an ideal solution at 25 C, with OH- and two complexes.
struct SaltWater {
    std::unique_ptr<TestProgram> prog = newProgram(Channels::captured);
    TestProgram& p = *prog;
    SolverListing out{p.io};  // the solve's lines on the program's channels
    int na, cl, ca;

    SaltWater(double naTotal, double clTotal, double caTotal) {
        p.input.convergence = 1e-10;
        p.input.loopLimit = 100;
        p.input.activityOption = ActivityOption::ideal;
        p.input.waterOption = WaterOption::unity;
        p.conditions.temperature = 25.0;
        p.conditions.pressure = 1.0;
        p.addComponent(1, "H+", 1.0, 0.0, 1e-7);
        p.addComponent(2, "H2O", 0.0, 1.0, 1.0);
        na = p.addComponent(13, "Na+", 1, naTotal, std::max(naTotal, 1e-10));
        cl = p.addComponent(3, "Cl-", -1, clTotal, std::max(clTotal, 1e-10));
        ca = p.addComponent(9, "Ca++", 2, caTotal, std::max(caTotal, 1e-10));
        p.addSecondary("OH-", -1, 14.0, {{2, 1.0}, {1, -1.0}});
        p.addSecondary("NaCl,aq", 0, -0.5, {{na, 1.0}, {cl, 1.0}});
        p.addSecondary("CaCl+", 1, -0.3, {{ca, 1.0}, {cl, 1.0}});
    }

    void balanceOn(int i) {
        p.input.chargeBalancePosition = i;
        p.conditions.chargeBalanceStartTotal = p.comp[i].mtot;
        p.conditions.chargeBalanceSwitch = 1;
    }
};

TEST(SolveSpeciation, AWaterTheIterationSolvesNeverReachesTheJointSolve) {
    struct Case {
        const char* what;
        double pH;
        bool balance;
    };
    const Case cases[] = {
        {"pH computed, no charge balance", 0.0, false},
        {"pH computed, charge balance on Cl-", 0.0, true},
        {"pH fixed, charge balance on Cl-", 7.0, true},
    };
    for (const Case& c : cases) {
        SaltWater iterated(0.1, 0.1, 0.01), solved(0.1, 0.1, 0.01);
        for (SaltWater* w : {&iterated, &solved}) {
            w->p.conditions.pH = c.pH;
            if (c.balance) w->balanceOn(w->cl);
            setUp(w->p, w->out);
        }
        iterate(iterated.p, iterated.out);
        solveSpeciation(solved.p, solved.out);
        EXPECT_FALSE(solved.p.run.joint.ran) << c.what;
        EXPECT_EQ(solved.p.run.joint.iterations, 0) << c.what;
        EXPECT_EQ(solved.p.run.loops, iterated.p.run.loops) << c.what;
        for (int s = 1; s <= solved.p.sp.count; ++s)
            EXPECT_EQ(solved.p.sp[s].molality, iterated.p.sp[s].molality) << c.what << ": species " << s;
        for (int i = 1; i <= solved.p.comp.count; ++i)
            EXPECT_EQ(solved.p.comp[i].mtot, iterated.p.comp[i].mtot) << c.what << ": total " << i;
        EXPECT_EQ(solved.p.console(), iterated.p.console()) << c.what;
        EXPECT_EQ(solved.p.listing(), iterated.p.listing()) << c.what;
    }
}

TEST(SolveSpeciation, TheLoopLimitHandsTheWaterToTheJointSolve) {
    SaltWater w(0.2, 0.1, 0.01);
    w.balanceOn(w.cl);
    w.p.input.loopLimit = 1;
    setUp(w.p, w.out);
    solveSpeciation(w.p, w.out);
    EXPECT_TRUE(w.p.run.joint.ran);
    EXPECT_TRUE(w.p.run.joint.solved);
    EXPECT_FALSE(w.p.run.joint.iterationStopped);
    EXPECT_EQ(w.p.run.loops, 1);  // the iteration's, as the listing reports them
    EXPECT_NEAR(charge(w.p) / grossCharge(w.p), 0.0, 1e-10);
    // Na+ and 2 Ca++ are balanced by Cl- alone (OH- and H+ cancel to 1e-7).
    EXPECT_NEAR(w.p.comp[w.cl].mtot, 0.22, 1e-6);
    // Nothing of the failed attempt is written: only its progress line.
    EXPECT_EQ(w.p.listing(), "");
    EXPECT_EQ(w.p.console(), "      0 LOOPS COMPLETED    IONIC STRENGTH =  0.00000000000\n");
}

TEST(SolveSpeciation, AChargeBalanceStopIsLeftUnsaidWhenTheJointSolveSolves) {
    // Cl- starts far above the sodium it must balance and with a total of 0:
    // the first adjustment would take that total below 0, and the iteration
    // stops; the water itself is ordinary.
    SaltWater w(0.1, 0.0, 0.0);
    w.p.sp[w.cl].molality = 1.0;
    w.balanceOn(w.cl);
    setUp(w.p, w.out);
    solveSpeciation(w.p, w.out);
    ASSERT_TRUE(w.p.run.joint.solved);
    EXPECT_TRUE(w.p.run.joint.iterationStopped);
    EXPECT_EQ(w.p.run.joint.stop.kind, IterationStop::Kind::chargeImbalance);
    EXPECT_EQ(w.p.run.joint.stop.component, w.cl);
    EXPECT_NEAR(w.p.comp[w.cl].mtot, 0.1, 1e-6);
    EXPECT_EQ(w.p.listing(), "");
    EXPECT_EQ(w.p.console().find("CHARGE IMBALANCE"), std::string::npos) << w.p.console();
}

TEST(SolveSpeciation, AnInfeasibleBalanceKeepsItsMessageAndSaysWhy) {
    // Na+ balances the charge but has a total of 0, with 0.1 Cl- against
    // 0.1 Ca++ (0.2 equivalents): charge conservation asks for a Na+ total of
    // -(2 x 0.1 - 0.1) = -0.1 mol, whatever the species.
    SaltWater w(0.0, 0.1, 0.1);
    w.balanceOn(w.na);
    setUp(w.p, w.out);
    std::string reason;
    EXPECT_EQ(stopOf([&] { solveSpeciation(w.p, w.out); }, &reason), ExitStatus::error);
    const std::string why = "balancing on Na+ needs a negative Na+ total (-1.000e-01 mol)";
    EXPECT_EQ(reason, "no solution: " + why);
    EXPECT_EQ(w.p.run.joint.infeasibility, why);
    const std::string listing = w.p.listing();
    const std::size_t message = listing.find("CHARGE IMBALANCE EXEEDS THE TOTAL AMOUNT OF Na+");
    const std::size_t line = listing.find("     NO SOLUTION: " + why + "\n");
    ASSERT_NE(message, std::string::npos) << listing;
    ASSERT_NE(line, std::string::npos) << listing;
    EXPECT_LT(message, line);
    EXPECT_NE(w.p.console().find("     NO SOLUTION: " + why + "\n"), std::string::npos);
}

}  // namespace
}  // namespace wq
