#include "linear/linear.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>


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
        for (int refinement : {0, 2}) {
            const LinearSolveReport report = solveLinearSystem(*sys, refinement);
            EXPECT_FALSE(report.singular);
            for (int i = 1; i <= n; ++i) EXPECT_EQ(sys->x[i], c.x[i - 1]) << "x(" << i << ")";
            // An exact solution leaves a zero first correction: one pass.
            EXPECT_EQ(report.refinements, refinement == 0 ? 0 : 1);
        }
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

TEST(Linear, SingularMatrixIsReportedNotSolved) {
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
        const LinearSolveReport report = solveLinearSystem(*sys, 2);
        EXPECT_TRUE(report.singular);
        EXPECT_EQ(report.refinements, 0);
        // No substitution through the zero pivot: x is b as it was copied.
        for (int i = 1; i <= sys->order; ++i) EXPECT_EQ(sys->x[i], c.rows[i - 1].back()) << i;
    }
    auto sys = system({{1, 2, 0, 1}, {2, 4, 1, 1}, {1, 2, 1, 1}});
    factorLU(*sys, 3);
    EXPECT_EQ(sys->lu(3, 2), 0.0);
    EXPECT_EQ(sys->lu(3, 3), 0.5);  // the last pivot alone would pass
}

TEST(Linear, RefinementSwitch) {
    // 49 * fl(1/49) = 1 - 2^-53: the plain solution leaves a residual.
    const double plain = 1.0 / 49.0;
    using Vector = LinearSolveReport::Vector;
    for (int refinement : {0, 1, 2, 7}) {
        SCOPED_TRACE(refinement);
        auto sys = system({{49, 1}});
        factorLU(*sys, 1);
        sys->r[1] = 123.0;
        const LinearSolveReport report = solveLinearSystem(*sys, refinement);
        EXPECT_EQ(report.order, 1);
        if (refinement == 0) {
            EXPECT_EQ(sys->x[1], plain);
            EXPECT_EQ(report.refinements, 0);
            EXPECT_EQ(report.vector, Vector::none);
            EXPECT_EQ(sys->r[1], 123.0);
        } else if (refinement == 1) {
            EXPECT_EQ(sys->x[1], plain);
            EXPECT_EQ(report.refinements, 0);
            EXPECT_EQ(report.vector, Vector::residual);
            EXPECT_EQ(sys->r[1], -std::ldexp(1.0, -53));
            EXPECT_EQ(report.last[1], sys->r[1]);
        } else {
            EXPECT_GT(report.refinements, 0);
            EXPECT_EQ(report.vector, Vector::correction);
            EXPECT_EQ(report.last[1], sys->r[1]);
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
    const LinearSolveReport diverging = solveLinearSystem(*sys, 2);
    EXPECT_EQ(diverging.refinements, -1);
    EXPECT_EQ(diverging.last[1], -0.1875);
    EXPECT_EQ(sys->r[1], -0.1875);
    EXPECT_EQ(sys->x[1], 0.4375);  // the last correction stays applied

    // LU = 2: the first ratio is exactly 1/2, which is not divergence, and
    // the refinement goes on, halving the error each pass, until the ratio
    // no longer changes 1.0.
    sys->lu(1, 1) = 2;
    EXPECT_GT(solveLinearSystem(*sys, 2).refinements, 1);
    EXPECT_DOUBLE_EQ(sys->x[1], 1.0);
}

TEST(Linear, ZeroRightHandSideTakesTheRatioAsTheSumOfCorrections) {
    auto sys = system({{2, 1, 1, 0}, {4, 1, 0, 0}, {-2, -1, 1, 0}});
    factorLU(*sys, 3);
    EXPECT_EQ(solveLinearSystem(*sys, 2).refinements, 1);
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(sys->x[i], 0.0);
}

}  // namespace
}  // namespace wq
