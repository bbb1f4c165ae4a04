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
// `sys.order`) and allocate nothing; only the two debug printers go through
// the text formatter.
#pragma once

#include "linear/newton_system.hpp"

namespace wq {

class Sink;

// A vector of the solver: entries 1..N of a 1-based, range-checked table.
using NewtonVector = Table<double, MAX_NEWTON_ORDER>;

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
// in sys.r; any other value = iterative refinement, with the number of
// corrections in sys.iter (negative when the refinement stopped diverging).
// A singular matrix writes a warning to the listing and stops the program.
void solveLinearSystem(NewtonSystem& sys, int refinementSwitch, Sink& listing);

// Debug prints: the matrix with its right-hand-side column (dump), and the
// refinement report (dump2: sys.iter, then sys.r when refinementSwitch != 0).
void writeNewtonMatrix(const NewtonSystem& sys, Sink& listing);
void writeRefinementReport(const NewtonSystem& sys, int refinementSwitch, Sink& listing);

}  // namespace wq
