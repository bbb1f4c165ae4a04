// The Newton system of the speciation: the Jacobian with the residuals in
// its last column, the step, and the work arrays of the linear solver.
#pragma once

#include "input/tables.hpp"

namespace wq {

struct NewtonSystem {
    int order = 0;
    Matrix<MAX_COMPONENTS, MAX_COMPONENTS + 1> a;  // column order+1 holds -F
    Table<double, MAX_COMPONENTS> f;
    Table<double, MAX_COMPONENTS> x;
    Matrix<MAX_COMPONENTS, MAX_COMPONENTS> lu;
    Table<int, MAX_COMPONENTS> pivot;
    Table<double, MAX_COMPONENTS> b;
    Table<double, MAX_COMPONENTS> r;
    int iter = 0;
};

}  // namespace wq
