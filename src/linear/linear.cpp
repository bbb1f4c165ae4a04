#include "linear/linear.hpp"

#include <cmath>
#include <utility>

namespace wq {

namespace {

// Pivot search of step k: the row of largest |LU(i,k)|, i >= k. The strict
// comparison keeps the upper row of a tie.
int pivotRow(const NewtonSystem& sys, int k) {
    const int order = sys.order;
    int m = k;
    double t = std::fabs(sys.lu(k, k));
    for (int i = k + 1; i <= order; ++i) {
        if (std::fabs(sys.lu(i, k)) > t) {
            m = i;
            t = std::fabs(sys.lu(i, k));
        }
    }
    return m;
}

// Step k with pivot row m (pivot LU(k,k) non-zero): multipliers below the
// diagonal, stored negated, then the remaining columns one at a time, each
// with its row exchange (done even when m = k) and its column update
// LU(.,j) += LU(.,k) * s. Column orientation keeps the inner loop on
// contiguous storage.
void eliminate(NewtonSystem& sys, int k, int m) {
    const int order = sys.order;
    const double scale = -1.0 / sys.lu(k, k);
    for (int i = k + 1; i <= order; ++i) sys.lu(i, k) = sys.lu(i, k) * scale;
    for (int j = k + 1; j <= order; ++j) {
        const double s = sys.lu(m, j);
        sys.lu(m, j) = sys.lu(k, j);
        sys.lu(k, j) = s;
        for (int i = k + 1; i <= order; ++i) sys.lu(i, j) = sys.lu(i, j) + sys.lu(i, k) * s;
    }
}

}  // namespace

void factorLU(NewtonSystem& sys, int n) {
    const int order = sys.order;
    if (n >= order) {
        for (int j = 1; j <= order; ++j)
            for (int i = 1; i <= order; ++i) sys.lu(i, j) = sys.a(i, j);
    }
    // pivot[N] serves as the sign of the permutation (the determinant is
    // pivot[N] times the product of the diagonal of U) and as the singularity
    // flag, 0.
    sys.pivot[order] = 1;
    for (int k = 1; k <= order - 1; ++k) {
        const int m = pivotRow(sys, k);
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
        eliminate(sys, k, m);
    }
    if (sys.lu(order, order) == 0.0) sys.pivot[order] = 0;
}

void substituteLU(const NewtonSystem& sys, NewtonVector& v) {
    const int order = sys.order;
    // Forward: apply the exchanges and the multipliers in the order of the
    // elimination (L y = P b).
    for (int k = 1; k <= order - 1; ++k) {
        const int m = sys.pivot[k];
        const double s = v[m];
        v[m] = v[k];
        v[k] = s;
        for (int i = k + 1; i <= order; ++i) v[i] = v[i] + sys.lu(i, k) * s;
    }
    // Back: U x = y, column by column from the last.
    for (int k = order; k >= 1; --k) {
        v[k] = v[k] / sys.lu(k, k);
        if (k > 1) {
            const double s = -v[k];
            for (int i = 1; i <= k - 1; ++i) v[i] = v[i] + sys.lu(i, k) * s;
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
