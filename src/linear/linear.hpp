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

// LU decomposition in place. Copies rows and columns 1..N of sys.a into
// sys.lu when n >= N (always so as the iteration calls it), then factors
// sys.lu. Afterwards sys.lu holds U on and above the diagonal and the negated
// multipliers below it; sys.pivot[k] (k < N) is the row exchanged with row k
// at step k, and sys.pivot[N] is +1 or -1 (even or odd number of exchanges),
// or 0 when the matrix was found singular.
void slud(NewtonSystem& sys, int n);

// Forward and back substitution with the factors of slud: v holds b on entry
// and x on return (entries 1..N).
void sbs(const NewtonSystem& sys, NewtonVector& v);

// r = A x - b with the original matrix sys.a (not its factors), entries 1..N.
void saxmb(const NewtonSystem& sys, const NewtonVector& x, const NewtonVector& b,
           NewtonVector& r);

// Solves A x = b (b from column N+1 of sys.a) into sys.x; must follow slud.
// refinementSwitch: 0 = solve only; 1 = solve and leave the residual A x - b
// in sys.r; any other value = iterative refinement, with the number of
// corrections in sys.iter (negative when the refinement stopped diverging).
// A singular matrix writes a warning to the listing and stops the program.
void sir(NewtonSystem& sys, int refinementSwitch, Sink& listing);

// Debug prints: the matrix with its right-hand-side column, and the
// refinement report (sys.iter, then sys.r when refinementSwitch != 0).
void dump(const NewtonSystem& sys, Sink& listing);
void dump2(const NewtonSystem& sys, int refinementSwitch, Sink& listing);

}  // namespace wq
