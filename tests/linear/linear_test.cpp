#include "linear/linear.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "text/channels.hpp"
#include "support/test_program.hpp"
#include "text/stop.hpp"

namespace wq {
namespace {

using Rows = std::vector<std::vector<double>>;

// A system from its augmented rows [A | b], exact binary fractions throughout
// so that every factor and solution can be checked by hand.
std::unique_ptr<NewtonSystem> system(const Rows& rows) {
    auto sys = std::make_unique<NewtonSystem>();
    sys->order = static_cast<int>(rows.size());
    for (int i = 1; i <= sys->order; ++i)
        for (int j = 1; j <= sys->order + 1; ++j)
            sys->a(i, j) = rows[static_cast<std::size_t>(i - 1)][static_cast<std::size_t>(j - 1)];
    return sys;
}

using testing::Capture;

void expectPivots(const NewtonSystem& sys, const std::vector<int>& pivot) {
    for (int k = 1; k <= sys.order; ++k) EXPECT_EQ(sys.pivot[k], pivot[static_cast<std::size_t>(k - 1)]) << "k=" << k;
}

TEST(Linear, DecomposesWithPartialPivotingAndSolves) {
    struct Case {
        const char* what;
        Rows rows;  // [A | b]
        std::vector<int> pivot;
        Rows lu;
        std::vector<double> x;
    };
    const Case cases[] = {
        {"tie in column 1 keeps the upper row", {{2, 1, 3}, {-2, 3, 1}}, {1, 1}, {{2, 1}, {1, 4}}, {1, 1}},
        {"one exchange", {{1, 1, 2}, {2, 4, 6}}, {2, -1}, {{2, 4}, {-0.5, -1}}, {1, 1}},
        {"tie after elimination in column 2",
         {{2, 1, 1, 7}, {4, 1, 0, 6}, {-2, -1, 1, -1}},
         {2, 2, -1},
         {{4, 1, 0}, {-0.5, 0.5, 1}, {0.5, 1, 2}},
         {1, 2, 3}},
        {"two exchanges give sign +1",
         {{0, 1, 0, 2}, {0, 0, 1, 3}, {1, 0, 0, 1}},
         {3, 3, 1},
         {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
         {1, 2, 3}},
        {"order one", {{-5, 10}}, {1}, {{-5}}, {-2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto sys = system(c.rows);
        const int n = sys->order;
        factorLU(*sys, n);
        expectPivots(*sys, c.pivot);
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n; ++j) {
                EXPECT_EQ(sys->lu(i, j), c.lu[i - 1][j - 1]) << "LU(" << i << "," << j << ")";
                EXPECT_EQ(sys->a(i, j), c.rows[i - 1][j - 1]) << "A is left as it was";
            }
        Capture listing;
        for (int refinement : {0, 2}) {
            solveLinearSystem(*sys, refinement, listing.sink());
            for (int i = 1; i <= n; ++i) EXPECT_EQ(sys->x[i], c.x[i - 1]) << "x(" << i << ")";
            // An exact solution leaves a zero first correction: one pass.
            EXPECT_EQ(sys->iter, refinement == 0 ? 0 : 1);
        }
        EXPECT_EQ(listing.text(), "");
    }
}

TEST(Linear, CopiesTheMatrixOnlyForTheFullOrder) {
    auto sys = system({{1, 1, 0}, {2, 4, 0}});
    sys->lu(1, 1) = 4;
    sys->lu(2, 2) = 2;
    factorLU(*sys, 1);  // n < N: the factors already in LU are decomposed
    expectPivots(*sys, {1, 1});
    EXPECT_EQ(sys->lu(1, 1), 4);
    EXPECT_EQ(sys->lu(2, 1), 0);
    EXPECT_EQ(sys->lu(2, 2), 2);
}

TEST(Linear, ResidualUsesTheMatrixNotItsFactors) {
    auto sys = system({{1, 2, 0}, {3, 4, 0}});
    NewtonVector x, b, r;
    x[1] = x[2] = 1;
    b[1] = b[2] = 1;
    for (int pass = 0; pass < 2; ++pass) {
        linearResidual(*sys, x, b, r);
        EXPECT_EQ(r[1], 2);
        EXPECT_EQ(r[2], 6);
        factorLU(*sys, 2);
    }
}

TEST(Linear, SingularMatrixStopsWithTheWarningOnTheListingOnly) {
    struct Case {
        const char* what;
        Rows rows;
        std::vector<int> pivot;
    };
    const Case cases[] = {
        {"zero first column", {{0, 1, 1}, {0, 2, 1}}, {1, 0}},
        {"zero column 2 after elimination", {{1, 2, 0, 1}, {2, 4, 1, 1}, {1, 2, 1, 1}}, {2, 2, 0}},
        {"zero last pivot", {{1, 2, 1}, {2, 4, 1}}, {2, 0}},
        {"order one, zero", {{0, 1}}, {0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto sys = system(c.rows);
        factorLU(*sys, sys->order);
        expectPivots(*sys, c.pivot);
        // A skipped column keeps its entries: no multipliers from a 0 pivot.
        for (int i = 2; i <= sys->order; ++i) EXPECT_FALSE(std::isnan(sys->lu(i, 1)));
        Capture listing;
        ::testing::internal::CaptureStdout();
        bool stopped = false;
        try {
            solveLinearSystem(*sys, 2, listing.sink());
        } catch (const Stop& s) {
            stopped = true;
            EXPECT_EQ(s.status, ExitStatus::error);
        }
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
        EXPECT_TRUE(stopped);
        EXPECT_EQ(listing.text(),
                  "\n     ************** WARNING **************\n"
                  "  COMPUTATIONAL SINGULARITY, IER = 0.0\n\n");
    }
    auto sys = system({{1, 2, 0, 1}, {2, 4, 1, 1}, {1, 2, 1, 1}});
    factorLU(*sys, 3);
    EXPECT_EQ(sys->lu(3, 2), 0.0);
    EXPECT_EQ(sys->lu(3, 3), 0.5);  // the last pivot alone would pass
}

TEST(Linear, RefinementSwitch) {
    // 49 * fl(1/49) = 1 - 2^-53: the plain solution leaves a residual.
    const double plain = 1.0 / 49.0;
    Capture listing;
    for (int refinement : {0, 1, 2, 7}) {
        SCOPED_TRACE(refinement);
        auto sys = system({{49, 1}});
        factorLU(*sys, 1);
        sys->r[1] = 123.0;
        solveLinearSystem(*sys, refinement, listing.sink());
        if (refinement == 0) {
            EXPECT_EQ(sys->x[1], plain);
            EXPECT_EQ(sys->iter, 0);
            EXPECT_EQ(sys->r[1], 123.0);
        } else if (refinement == 1) {
            EXPECT_EQ(sys->x[1], plain);
            EXPECT_EQ(sys->iter, 0);
            EXPECT_EQ(sys->r[1], -std::ldexp(1.0, -53));
        } else {
            EXPECT_GT(sys->iter, 0);
            EXPECT_EQ(sys->b[1], 1.0);
            EXPECT_NEAR(sys->x[1], plain, 1e-17);
        }
    }
}

TEST(Linear, RefinementStopsWhenACorrectionDoesNotHalve) {
    // A deliberately poor factor (as from a lower-precision decomposition)
    // makes the corrections hand-computable. A = 1, b = 1, LU = 4:
    // x = 1/4, r = -3/4, d = -3/16, ratio sum|d| / sum|x before| = 3/4 > 1/2.
    auto sys = system({{1, 1}});
    factorLU(*sys, 1);
    sys->lu(1, 1) = 4;
    Capture listing;
    solveLinearSystem(*sys, 2, listing.sink());
    EXPECT_EQ(sys->iter, -1);
    EXPECT_EQ(sys->r[1], -0.1875);
    EXPECT_EQ(sys->x[1], 0.4375);  // the last correction stays applied

    // LU = 2: the first ratio is exactly 1/2, which is not divergence, and
    // the refinement goes on, halving the error each pass, until the ratio
    // no longer changes 1.0.
    sys->lu(1, 1) = 2;
    solveLinearSystem(*sys, 2, listing.sink());
    EXPECT_GT(sys->iter, 1);
    EXPECT_DOUBLE_EQ(sys->x[1], 1.0);
}

TEST(Linear, ZeroRightHandSideTakesTheRatioAsTheSumOfCorrections) {
    auto sys = system({{2, 1, 1, 0}, {4, 1, 0, 0}, {-2, -1, 1, 0}});
    factorLU(*sys, 3);
    Capture listing;
    solveLinearSystem(*sys, 2, listing.sink());
    EXPECT_EQ(sys->iter, 1);
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(sys->x[i], 0.0);
}

TEST(Linear, DumpAndRefinementReport) {
    auto small = system({{1, 2, 3}, {-4, 0.5, 1e-3}});
    small->iter = -1;
    small->r[1] = 0.25;
    small->r[2] = -2;
    Capture listing;
    writeNewtonMatrix(*small, listing.sink());
    writeRefinementReport(*small, 2, listing.sink());
    writeRefinementReport(*small, 0, listing.sink());
    EXPECT_EQ(listing.text(),
              "\n\n\n\n"
              "  MATRIX OF A(I,J), I=1, 2 J=1, 3\n\n\n"
              "   0.1000E+01 0.2000E+01 0.3000E+01\n"
              "  -0.4000E+01 0.5000E+00 0.1000E-02\n"
              "        NUMBER OF ITERATIVE REFINEMENTS : =   -1\n"
              "   0.2500E+00-0.2000E+01\n"
              "        NUMBER OF ITERATIVE REFINEMENTS : =   -1\n");
}

TEST(Linear, DumpWrapsRowsAfterTenValues) {
    // Odd rows hold +j, even rows -j, j = 1..12; R(i) = -i.
    auto sys = std::make_unique<NewtonSystem>();
    sys->order = 11;
    for (int i = 1; i <= 11; ++i) {
        for (int j = 1; j <= 12; ++j) sys->a(i, j) = (i % 2 == 1 ? j : -j);
        sys->r[i] = -i;
    }
    sys->iter = 3;
    const std::string plus =
        "   0.1000E+01 0.2000E+01 0.3000E+01 0.4000E+01 0.5000E+01 0.6000E+01 0.7000E+01"
        " 0.8000E+01 0.9000E+01 0.1000E+02\n   0.1100E+02 0.1200E+02\n";
    const std::string minus =
        "  -0.1000E+01-0.2000E+01-0.3000E+01-0.4000E+01-0.5000E+01-0.6000E+01-0.7000E+01"
        "-0.8000E+01-0.9000E+01-0.1000E+02\n  -0.1100E+02-0.1200E+02\n";
    std::string expected = "\n\n\n\n  MATRIX OF A(I,J), I=1,11 J=1,12\n\n\n";
    for (int i = 1; i <= 11; ++i) expected += (i % 2 == 1 ? plus : minus);
    expected +=
        "        NUMBER OF ITERATIVE REFINEMENTS : =    3\n"
        "  -0.1000E+01-0.2000E+01-0.3000E+01-0.4000E+01-0.5000E+01-0.6000E+01-0.7000E+01"
        "-0.8000E+01-0.9000E+01-0.1000E+02\n  -0.1100E+02\n";
    Capture listing;
    writeNewtonMatrix(*sys, listing.sink());
    writeRefinementReport(*sys, 1, listing.sink());
    EXPECT_EQ(listing.text(), expected);
}

}  // namespace
}  // namespace wq
