#include "report/solver_listing.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "solver/solver_state.hpp"
#include "support/test_program.hpp"

namespace wq {
namespace {

using testing::TestProgram;

// A program whose channels are read back, and the solve's lines on them.
struct Listed {
    std::unique_ptr<TestProgram> prog = testing::newProgram(testing::Channels::captured);
    SolverListing out{prog->io};
};

std::unique_ptr<NewtonSystem> smallSystem() {
    auto sys = std::make_unique<NewtonSystem>();
    sys->order = 2;
    const double rows[2][3] = {{1, 2, 3}, {-4, 0.5, 1e-3}};
    for (int i = 1; i <= 2; ++i)
        for (int j = 1; j <= 3; ++j) sys->a(i, j) = rows[i - 1][j - 1];
    return sys;
}

LinearSolveReport refinementReport(LinearSolveReport::Vector vector, int refinements, int order) {
    LinearSolveReport report;
    report.vector = vector;
    report.refinements = refinements;
    report.order = order;
    for (int j = 1; j <= order; ++j) report.last[j] = j == 1 ? 0.25 : -2.0 * (j - 1);
    return report;
}

TEST(SolverListing, MatrixAndRefinementReport) {
    Listed l;
    l.out.newtonMatrix(*smallSystem());
    l.out.linearSolved(refinementReport(LinearSolveReport::Vector::correction, -1, 2));
    l.out.linearSolved(refinementReport(LinearSolveReport::Vector::none, -1, 2));
    EXPECT_EQ(l.prog->listing(),
              "\n\n\n\n"
              "  MATRIX OF A(I,J), I=1, 2 J=1, 3\n\n\n"
              "   0.1000E+01 0.2000E+01 0.3000E+01\n"
              "  -0.4000E+01 0.5000E+00 0.1000E-02\n"
              "        NUMBER OF ITERATIVE REFINEMENTS : =   -1\n"
              "   0.2500E+00-0.2000E+01\n"
              "        NUMBER OF ITERATIVE REFINEMENTS : =   -1\n");
    EXPECT_EQ(l.prog->console(), "");
}

TEST(SolverListing, RowsWrapAfterTenValues) {
    // Odd rows hold +j, even rows -j, j = 1..12; the residual is -i.
    auto sys = std::make_unique<NewtonSystem>();
    sys->order = 11;
    LinearSolveReport report;
    report.vector = LinearSolveReport::Vector::residual;
    report.refinements = 3;
    report.order = 11;
    for (int i = 1; i <= 11; ++i) {
        for (int j = 1; j <= 12; ++j) sys->a(i, j) = (i % 2 == 1 ? j : -j);
        report.last[i] = -i;
        sys->x[i] = -i;
    }
    const std::string plus =
        "   0.1000E+01 0.2000E+01 0.3000E+01 0.4000E+01 0.5000E+01 0.6000E+01 0.7000E+01"
        " 0.8000E+01 0.9000E+01 0.1000E+02\n   0.1100E+02 0.1200E+02\n";
    const std::string minus =
        "  -0.1000E+01-0.2000E+01-0.3000E+01-0.4000E+01-0.5000E+01-0.6000E+01-0.7000E+01"
        "-0.8000E+01-0.9000E+01-0.1000E+02\n  -0.1100E+02-0.1200E+02\n";
    const std::string firstTen =
        "-0.1000E+01-0.2000E+01-0.3000E+01-0.4000E+01-0.5000E+01-0.6000E+01-0.7000E+01"
        "-0.8000E+01-0.9000E+01-0.1000E+02\n";
    std::string expected = "\n\n\n\n  MATRIX OF A(I,J), I=1,11 J=1,12\n\n\n";
    for (int i = 1; i <= 11; ++i) expected += (i % 2 == 1 ? plus : minus);
    expected += "        NUMBER OF ITERATIVE REFINEMENTS : =    3\n  " + firstTen + "  -0.1100E+02\n";
    // The step starts each of its lines with ", " where a row has blanks.
    expected += ", " + firstTen + ", -0.1100E+02\n";
    Listed l;
    l.out.newtonMatrix(*sys);
    l.out.linearSolved(report);
    l.out.newtonStep(*sys);
    EXPECT_EQ(l.prog->listing(), expected);
}

// Each line of the solve on the channels it has always gone to: the listing,
// the console, or both with the listing first.
TEST(SolverListing, EachLineOnItsChannels) {
    struct Case {
        const char* what;
        void (*write)(SolverListing&, TestProgram&);
        const char* listing;
        const char* console;
    };
    const Case cases[] = {
        {"progress", [](SolverListing& o, TestProgram&) { o.loopStarting(12, 0.5); }, "",
         "     12 LOOPS COMPLETED    IONIC STRENGTH =  0.50000000000\n"},
        {"loop trace", [](SolverListing& o, TestProgram&) { o.loopEnded(3, 0.125); },
         "  No. of Loops =   3     Ionic strength = .1250000E+00\n", ""},
        {"fixed pH row", [](SolverListing& o, TestProgram&) { o.fixedPHRowUsed(); },
         "                                          SUBROUTINE HOH WAS USED\n", ""},
        {"alkalinity row", [](SolverListing& o, TestProgram&) { o.alkalinityRowUsed(); },
         "                                          SUBROUTINE ENRIQUE WAS USED\n", ""},
        {"activity coefficients", [](SolverListing& o, TestProgram&) { o.activityCoefficientsRefreshed(); },
         "                                          SUBROUTINE GAMCALC WAS USED\n", ""},
        {"singular system", [](SolverListing& o, TestProgram&) { o.singularSystem(); },
         "\n     ************** WARNING **************\n  COMPUTATIONAL SINGULARITY, IER = 0.0\n\n", ""},
        {"molality floored", [](SolverListing& o, TestProgram& p) { o.molalityFloored(p, 3, 1e-200); }, "",
         "     ** WARNING !  MOLALITY OF Na+          LESS THAN  0.100-199\n"},
        {"no solution", [](SolverListing& o, TestProgram&) { o.noSolution("no water holds it"); },
         "     NO SOLUTION: no water holds it\n\n", "     NO SOLUTION: no water holds it\n\n"},
        {"mineral without its component",
         [](SolverListing& o, TestProgram& p) { o.mineralWithoutComponent(p, 1, 3); },
         "\n     GIVEN MINERAL Calcite              DOES NOT CONTAIN Na+         \n",
         "\n     GIVEN MINERAL Calcite              DOES NOT CONTAIN Na+         \n"},
        {"forced mineral missing", [](SolverListing& o, TestProgram& p) { o.forcedMineralMissing(p, 1); },
         "\n     FOLLOWING GIVEN MINERAL NOT FOUND IN LOGKDATA: Gypsum              \n"
         "     CHECK IF MINERAL: IS SPELLED INCORRECTLY, IS SUPPRESSED, OR\n"
         "     CONTAINS SPECIES NOT ALL SPECIFIED IN WQCASE FILE.\n\n",
         "\n     FOLLOWING GIVEN MINERAL NOT FOUND IN LOGKDATA: Gypsum              \n"
         "     CHECK IF MINERAL: IS SPELLED INCORRECTLY, IS SUPPRESSED, OR\n"
         "     CONTAINS SPECIES NOT ALL SPECIFIED IN WQCASE FILE.\n\n"},
    };
    for (const Case& c : cases) {
        Listed l;
        TestProgram& p = *l.prog;
        p.addComponent(1, "H+", 1, 1e-7, 1e-7);
        p.addComponent(2, "H2O", 0, 1, 1);
        const int na = p.addComponent(13, "Na+", 1, 0.1, 0.1);
        p.addMineral("Calcite", 1.85, {{na, 1.0}});
        p.forced.count = 1;
        p.forced[1].mineral.assign("Gypsum");
        c.write(l.out, p);
        EXPECT_EQ(p.listing(), c.listing) << c.what;
        EXPECT_EQ(p.console(), c.console) << c.what;
    }
}

TEST(SolverListing, IterationStopsNameTheSpecies) {
    struct Case {
        IterationStop::Kind kind;
        const char* message;
    };
    const Case cases[] = {
        {IterationStop::Kind::chargeImbalance,
         "\n\n     CHARGE IMBALANCE EXEEDS THE TOTAL AMOUNT OF Na+          AND CANNOT \n"
         "     BE ADJUSTED BY THIS ION.  CHOOSE AN ION WITH OPPOSITE CHARGE\n\n\n\n"},
        {IterationStop::Kind::nonFiniteResidual, "\n     NEWTON ITERATION FAILED: NON-FINITE RESIDUAL OF Na+ IN LOOP    7\n\n"},
        {IterationStop::Kind::nonFiniteStep, "\n     NEWTON ITERATION FAILED: NON-FINITE NEWTON STEP OF Na+ IN LOOP    7\n\n"},
    };
    for (const Case& c : cases) {
        Listed l;
        TestProgram& p = *l.prog;
        p.addComponent(1, "H+", 1, 1e-7, 1e-7);
        p.addComponent(2, "H2O", 0, 1, 1);
        const int na = p.addComponent(13, "Na+", 1, 0.1, 0.1);
        l.out.iterationStopped(p, IterationStop{c.kind, na, 7});
        EXPECT_EQ(p.listing(), c.message);
        EXPECT_EQ(p.console(), c.message);
    }
}

TEST(SolverListing, HandsLoopTwoToItsListingAndDebugTablesToTheirs) {
    static int listed = 0;
    listed = 0;
    auto prog = testing::newProgram(testing::Channels::captured);
    SolverListing withListing(prog->io, [](SolverState&) { ++listed; });
    withListing.loopTwoState(*prog);
    EXPECT_EQ(listed, 1);
    SolverListing without(prog->io);
    without.loopTwoState(*prog);  // nothing to call
    EXPECT_EQ(listed, 1);
    withListing.debugTables(*prog);
    EXPECT_NE(prog->listing().find("Species   No.  Charge"), std::string::npos) << prog->listing();
}

}  // namespace
}  // namespace wq
