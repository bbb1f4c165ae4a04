// The Newton system of the speciation: the Jacobian with the residuals in
// its last column, the step, and the work arrays of the linear solver.
#pragma once

#include "text/table.hpp"

namespace wq {

// The largest system the solver takes: one equation for each component of a
// run (the tables' MAX_COMPONENTS, which tables.hpp checks against it).
constexpr int MAX_NEWTON_ORDER = 70;

struct NewtonSystem {
    int order = 0;
    Matrix<MAX_NEWTON_ORDER, MAX_NEWTON_ORDER + 1> a;  // column order+1 holds -F
    Table<double, MAX_NEWTON_ORDER> f;
    Table<double, MAX_NEWTON_ORDER> x;
    Matrix<MAX_NEWTON_ORDER, MAX_NEWTON_ORDER> lu;
    Table<int, MAX_NEWTON_ORDER> pivot;
    Table<double, MAX_NEWTON_ORDER> b;
    Table<double, MAX_NEWTON_ORDER> r;
};

}  // namespace wq
