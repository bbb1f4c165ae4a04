#include "linear/linear.hpp"

#include <algorithm>
#include <cmath>
#include <span>
#include <utility>

namespace wq {

namespace {

using Column = std::span<double, MAX_NEWTON_ORDER>;
using ConstColumn = std::span<const double, MAX_NEWTON_ORDER>;

// The loops below run down columns of the order's length without checking
// each cell; the order is checked once here.
int checkedOrder(const NewtonSystem& sys) {
    if (sys.order < 1 || sys.order > MAX_NEWTON_ORDER) indexOutOfRange(sys.order, MAX_NEWTON_ORDER);
    return sys.order;
}

// Pivot search of step k: the row of largest |LU(i,k)|, i >= k. The strict
// comparison keeps the upper row of a tie. (Rows are 1-based, cells of a
// column 0-based: row i is cell i - 1.)
int pivotRow(ConstColumn column, int k, int order) {
    int m = k;
    double t = std::fabs(column[static_cast<std::size_t>(k - 1)]);
    for (int i = k + 1; i <= order; ++i) {
        const double v = std::fabs(column[static_cast<std::size_t>(i - 1)]);
        if (v > t) {
            m = i;
            t = v;
        }
    }
    return m;
}

// Step k with pivot row m (pivot LU(k,k) non-zero): multipliers below the
// diagonal, stored negated, then the remaining columns one at a time, each
// with its row exchange (done even when m = k) and its column update
// LU(.,j) += LU(.,k) * s. Column orientation keeps the inner loop on
// contiguous storage.
void eliminate(NewtonSystem& sys, int k, int m, int order) {
    const auto cell = [](int row) { return static_cast<std::size_t>(row - 1); };
    const Column pivot = sys.lu.column(k);
    const double scale = -1.0 / pivot[cell(k)];
    for (int i = k + 1; i <= order; ++i) pivot[cell(i)] = pivot[cell(i)] * scale;
    for (int j = k + 1; j <= order; ++j) {
        const Column column = sys.lu.column(j);
        const double s = column[cell(m)];
        column[cell(m)] = column[cell(k)];
        column[cell(k)] = s;
        for (int i = k + 1; i <= order; ++i) column[cell(i)] = column[cell(i)] + pivot[cell(i)] * s;
    }
}

}  // namespace

void factorLU(NewtonSystem& sys, int n) {
    const int order = checkedOrder(sys);
    if (n >= order) {
        for (int j = 1; j <= order; ++j) {
            const ConstColumn from = std::as_const(sys.a).column(j);
            const Column to = sys.lu.column(j);
            std::copy(from.begin(), from.begin() + order, to.begin());
        }
    }
    // pivot[N] serves as the sign of the permutation (the determinant is
    // pivot[N] times the product of the diagonal of U) and as the singularity
    // flag, 0.
    sys.pivot[order] = 1;
    for (int k = 1; k <= order - 1; ++k) {
        const int m = pivotRow(std::as_const(sys.lu).column(k), k, order);
        sys.pivot[k] = m;
        if (m != k) {
            sys.pivot[order] = -sys.pivot[order];
            std::swap(sys.lu(m, k), sys.lu(k, k));
        }
        // A zero pivot means a column that is zero on and below the diagonal:
        // record the singularity and pass over the column.
        if (sys.lu(k, k) == 0.0) {
            sys.pivot[order] = 0;
            continue;
        }
        eliminate(sys, k, m, order);
    }
    if (sys.lu(order, order) == 0.0) sys.pivot[order] = 0;
}

void substituteLU(const NewtonSystem& sys, NewtonVector& v) {
    const int order = checkedOrder(sys);
    double* x = v.data();  // entry i at x[i - 1]
    // Forward: apply the exchanges and the multipliers in the order of the
    // elimination (L y = P b).
    for (int k = 1; k <= order - 1; ++k) {
        const int m = sys.pivot[k];
        const double s = v[m];
        v[m] = v[k];
        v[k] = s;
        const ConstColumn column = sys.lu.column(k);
        for (int i = k; i < order; ++i) x[i] = x[i] + column[static_cast<std::size_t>(i)] * s;
    }
    // Back: U x = y, column by column from the last.
    for (int k = order; k >= 1; --k) {
        const ConstColumn column = sys.lu.column(k);
        x[k - 1] = x[k - 1] / column[static_cast<std::size_t>(k - 1)];
        if (k > 1) {
            const double s = -x[k - 1];
            for (int i = 0; i < k - 1; ++i) x[i] = x[i] + column[static_cast<std::size_t>(i)] * s;
        }
    }
}

void linearResidual(const NewtonSystem& sys, const NewtonVector& x, const NewtonVector& b,
           NewtonVector& r) {
    const int order = sys.order;
    for (int i = 1; i <= order; ++i) {
        double sum = -b[i];
        for (int j = 1; j <= order; ++j) sum = sum + sys.a(i, j) * x[j];
        r[i] = sum;
    }
}

namespace {

// The vector left in sys.r, copied into the report.
LinearSolveReport reported(const NewtonSystem& sys, LinearSolveReport::Vector vector, int refinements) {
    LinearSolveReport report;
    report.refinements = refinements;
    report.vector = vector;
    report.order = sys.order;
    if (vector != LinearSolveReport::Vector::none)
        for (int i = 1; i <= sys.order; ++i) report.last[i] = sys.r[i];
    return report;
}

}  // namespace

LinearSolveReport solveLinearSystem(NewtonSystem& sys, int refinementSwitch) {
    using Vector = LinearSolveReport::Vector;
    const int order = sys.order;
    for (int i = 1; i <= order; ++i) {
        sys.b[i] = sys.a(i, order + 1);
        sys.x[i] = sys.b[i];
    }
    if (sys.pivot[order] == 0) {
        LinearSolveReport singular;
        singular.singular = true;
        singular.order = order;
        return singular;
    }
    substituteLU(sys, sys.x);
    if (refinementSwitch == 0) return reported(sys, Vector::none, 0);

    // Iterative refinement (Wilkinson): the residual r = A x - b is solved
    // with the same factors for a correction d, and x -= d. The relative size
    // of a correction, sum|d| / sum|x|, must at least halve from one pass to
    // the next; otherwise the refinement is not converging and stops.
    double previous = 1.0;
    int corrections = 0;
    while (true) {
        linearResidual(sys, sys.x, sys.b, sys.r);
        if (refinementSwitch == 1) return reported(sys, Vector::residual, 0);
        substituteLU(sys, sys.r);  // sys.r now holds the correction d
        ++corrections;
        double sumX = 0.0;
        double sumD = 0.0;
        for (int i = 1; i <= order; ++i) {
            sumX = sumX + std::fabs(sys.x[i]);
            sumD = sumD + std::fabs(sys.r[i]);
            sys.x[i] = sys.x[i] - sys.r[i];
        }
        const double ratio = sumX > 0.0 ? sumD / sumX : sumD;
        // Written as "not 2r <= c" so that a NaN ratio (from overflowing
        // entries) also ends the loop rather than cycling for ever; for every
        // other value this is the test 2r > c.
        if (!(2.0 * ratio <= previous))
            return reported(sys, Vector::correction, -corrections);  // the last correction stays applied
        // Converged when the correction no longer changes 1.0, the ratio
        // being taken at single precision first.
        if (1.0 + static_cast<double>(static_cast<float>(ratio)) == 1.0)
            return reported(sys, Vector::correction, corrections);
        previous = ratio;
    }
}

}  // namespace wq
