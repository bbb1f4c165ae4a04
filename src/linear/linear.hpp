// Dense linear solver of the Newton step.
//
// Each Newton loop ends in A x = b of order N = NC <= 70: the Jacobian of the
// component equations with the negated residuals as right-hand side (column
// N+1 of the NewtonSystem's matrix). It is solved by Gaussian elimination with
// partial pivoting, organised by columns after Forsythe, Malcolm & Moler,
// "Computer Methods for Mathematical Computations" (1977), DECOMP/SOLVE, and
// the solution is optionally improved by Wilkinson's iterative refinement.
//
// All routines work in the fixed storage of the NewtonSystem (order N from
// `sys.order`), allocate nothing and write nothing: what a solve found out is
// handed back in a LinearSolveReport, which a higher floor may print.
#pragma once

#include "linear/newton_system.hpp"

namespace wq {

// A vector of the solver: entries 1..N of a 1-based, range-checked table.
using NewtonVector = Table<double, MAX_NEWTON_ORDER>;

// What one solveLinearSystem found out.
struct LinearSolveReport {
    // The vector the refinement left: none (refinement switch 0), the
    // residual A x - b of the solution (switch 1), or the last correction d
    // (any other switch; x is already corrected by it).
    enum class Vector { none, residual, correction };

    // The factors have a zero pivot: nothing was solved, sys.x is b.
    bool singular = false;
    // Corrections applied by the refinement; negative when it stopped
    // because a correction did not at least halve.
    int refinements = 0;
    Vector vector = Vector::none;
    int order = 0;         // entries 1..order of `last`
    NewtonVector last{};   // the vector named by `vector`
};

// LU decomposition in place (slud; DECOMP of Forsythe, Malcolm & Moler). Copies rows and columns 1..N of sys.a into
// sys.lu when n >= N (always so as the iteration calls it), then factors
// sys.lu. Afterwards sys.lu holds U on and above the diagonal and the negated
// multipliers below it; sys.pivot[k] (k < N) is the row exchanged with row k
// at step k, and sys.pivot[N] is +1 or -1 (even or odd number of exchanges),
// or 0 when the matrix was found singular.
void factorLU(NewtonSystem& sys, int n);

// Forward and back substitution with the factors of factorLU (sbs; their
// SOLVE): v holds b on entry and x on return (entries 1..N).
void substituteLU(const NewtonSystem& sys, NewtonVector& v);

// r = A x - b with the original matrix sys.a (not its factors), entries 1..N
// (saxmb).
void linearResidual(const NewtonSystem& sys, const NewtonVector& x, const NewtonVector& b, NewtonVector& r);

// Solves A x = b (b from column N+1 of sys.a) into sys.x with Wilkinson's
// iterative refinement (sir); must follow factorLU.
// refinementSwitch: 0 = solve only; 1 = solve and leave the residual A x - b
// in sys.r; any other value = iterative refinement, the last correction in
// sys.r. The report tells how many corrections were made and holds a copy of
// sys.r's vector. A singular matrix (pivot[N] = 0 from factorLU) is not
// solved: the report says so, and the caller decides what follows.
[[nodiscard]] LinearSolveReport solveLinearSystem(NewtonSystem& sys, int refinementSwitch);

}  // namespace wq
