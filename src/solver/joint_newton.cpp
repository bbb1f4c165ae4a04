#include "solver/joint_newton.hpp"

#include <algorithm>
#include <cmath>

#include "linear/linear.hpp"
#include "linear/newton_system.hpp"
#include "solver/solver_state.hpp"
#include "solver/totals.hpp"

namespace wq {

namespace {

// Trust region of a step, in the Euclidean norm of the changes of ln m: its
// first radius (ln 100: a component moves by two decades at most), its
// largest (four decades), and the smallest before the solve gives up; and
// the least ratio of the actual to the predicted decrease of the residual
// norm for a step to be taken, and the ratios below which the region shrinks
// and above which it may grow.
const double FIRST_RADIUS = std::log(100.0);
const double LARGEST_RADIUS = std::log(1e4);
constexpr double SMALLEST_RADIUS = 1e-10;
constexpr double ACCEPTED_RATIO = 1e-4;
constexpr double POOR_RATIO = 0.25;
constexpr double GOOD_RATIO = 0.75;

double norm2(const JointVector& f, int n) {
    double sum = 0.0;
    for (int i = 1; i <= n; ++i) sum += f[i] * f[i];
    return sum;
}

double largest(const JointVector& f, int n) {
    double m = 0.0;
    for (int i = 1; i <= n; ++i) m = std::max(m, std::fabs(f[i]));
    return m;
}

// The Euclidean length, free of overflow for any finite vector (a nearly
// singular Jacobian gives Newton steps of 1e150 and more).
double length(const NewtonVector& x, int n) {
    double largestEntry = 0.0;
    for (int i = 1; i <= n; ++i) largestEntry = std::max(largestEntry, std::fabs(x[i]));
    if (!(largestEntry > 0.0) || !std::isfinite(largestEntry)) return largestEntry;
    double sum = 0.0;
    for (int i = 1; i <= n; ++i) sum += (x[i] / largestEntry) * (x[i] / largestEntry);
    return largestEntry * std::sqrt(sum);
}

double dot(const NewtonVector& a, const NewtonVector& b, int n) {
    double sum = 0.0;
    for (int i = 1; i <= n; ++i) sum += a[i] * b[i];
    return sum;
}

// y = J x, with the Jacobian that stays in newton.a (factorLU factors a copy).
void timesJacobian(const NewtonSystem& newton, const NewtonVector& x, NewtonVector& y) {
    const int n = newton.order;
    for (int i = 1; i <= n; ++i) y[i] = 0.0;
    for (int j = 1; j <= n; ++j)
        for (int i = 1; i <= n; ++i) y[i] += newton.a(i, j) * x[j];
}

// The two directions of a step at the current point: Newton's, from
// J dN = -f (not finite when J is singular), and the Cauchy point, the
// minimum of the linear model |f + J d|^2 / 2 along steepest descent,
// dC = -t g with g = J^T f and t = |g|^2 / |J g|^2.
struct Directions {
    NewtonVector newton, cauchy;
    bool newtonFinite = false;
};

void directions(SolverState& prog, const JointSystem& sys, const JointVector& f, Directions& dir) {
    const int n = sys.order;
    NewtonSystem& newton = prog.newton;
    jointJacobian(prog, sys, newton);
    NewtonVector g, jg;
    for (int j = 1; j <= n; ++j) {
        g[j] = 0.0;
        for (int i = 1; i <= n; ++i) g[j] += newton.a(i, j) * f[i];
    }
    timesJacobian(newton, g, jg);
    const double jgjg = dot(jg, jg, n);
    const double t = jgjg > 0.0 ? dot(g, g, n) / jgjg : 0.0;
    for (int j = 1; j <= n; ++j) dir.cauchy[j] = -t * g[j];
    factorLU(newton, n);
    dir.newtonFinite = newton.pivot[n] != 0;
    if (!dir.newtonFinite) return;
    for (int i = 1; i <= n; ++i) dir.newton[i] = -f[i];
    substituteLU(newton, dir.newton);
    dir.newtonFinite = std::isfinite(length(dir.newton, n));
}

// Powell's dogleg within the radius: the Newton step when it fits; else the
// point where the path from the Cauchy point towards it leaves the region;
// steepest descent cut at the radius when even the Cauchy point lies outside
// (Powell 1970, "A hybrid method for nonlinear equations", in Rabinowitz
// (ed.), Numerical Methods for Nonlinear Algebraic Equations; Nocedal &
// Wright, "Numerical Optimization", 2006, section 4.1).
void dogleg(const Directions& dir, double radius, int n, NewtonVector& d) {
    if (dir.newtonFinite && length(dir.newton, n) <= radius) {
        d = dir.newton;
        return;
    }
    const double cauchyLength = length(dir.cauchy, n);
    if (!dir.newtonFinite || cauchyLength >= radius) {
        const double scale = cauchyLength > 0.0 ? radius / cauchyLength : 0.0;
        for (int i = 1; i <= n; ++i) d[i] = scale * dir.cauchy[i];
        return;
    }
    // |dC + s e| = radius along the unit vector e of dN - dC; |dC| < radius,
    // so the root s is positive (and short of dN, which lies outside).
    NewtonVector e;
    for (int i = 1; i <= n; ++i) e[i] = dir.newton[i] - dir.cauchy[i];
    const double legLength = length(e, n);
    for (int i = 1; i <= n; ++i) e[i] /= legLength;
    const double p = dot(dir.cauchy, e, n);
    const double q = cauchyLength * cauchyLength - radius * radius;
    const double s = -p + std::sqrt(p * p - q);
    for (int i = 1; i <= n; ++i) d[i] = dir.cauchy[i] + s * e[i];
}

// |f + J d|^2 / 2: the residual norm the linear model predicts after d.
double predictedPhi(const NewtonSystem& newton, const JointVector& f, const NewtonVector& d) {
    NewtonVector jd;
    timesJacobian(newton, d, jd);
    double sum = 0.0;
    for (int i = 1; i <= newton.order; ++i) sum += (f[i] + jd[i]) * (f[i] + jd[i]);
    return 0.5 * sum;
}

}  // namespace

void refreshAfterStep(SolverState& prog, const JointSystem& sys) {
    updateResultTotals(prog, sys);
    if (!refreshActivities(prog)) refreshGammas(prog);
}

// Newton's method within a trust region, from u, on the equations of sys.
// True when every residual is within `tolerance`; u then holds the solution
// and the state is set to it. Counts its iterations (Jacobians) into `used`.
//
// Far from the solution one species can dominate two balances at once (an
// iron hydroxide complex of a poor start both the iron balance and the
// alkalinity); the Jacobian is then nearly singular and its Newton step an
// enormous move along the one direction it barely sees. A line search along
// that step can only shorten it; the dogleg turns towards steepest descent
// instead, which reduces the large residuals. Near the solution the Newton
// step fits the region and converges quadratically.
bool newtonSolve(SolverState& prog, JointSystem& sys, JointVector& u, double tolerance, int budget, int& used) {
    const int n = sys.order;
    JointVector f, trialF, trial;
    NewtonVector d;
    Directions dir;
    double radius = FIRST_RADIUS;
    for (int k = 0;; ++k) {
        setJointUnknowns(prog, u);
        jointResiduals(prog, sys, f);
        const double phi = 0.5 * norm2(f, n);
        if (!std::isfinite(phi)) return false;
        if (largest(f, n) <= tolerance) return true;
        if (k == budget) return false;
        ++used;
        directions(prog, sys, f, dir);
        for (bool accepted = false; !accepted;) {
            if (!(radius >= SMALLEST_RADIUS)) return false;
            dogleg(dir, radius, n, d);
            const double stepLength = length(d, n);
            const double predicted = phi - predictedPhi(prog.newton, f, d);
            for (int i = 1; i <= n; ++i) trial[i] = std::clamp(u[i] + d[i], lowerBound(i), upperBound(sys, i));
            setJointUnknowns(prog, trial);
            jointResiduals(prog, sys, trialF);
            const double actual = phi - 0.5 * norm2(trialF, n);
            const double ratio = std::isfinite(actual) && predicted > 0.0 ? actual / predicted : -1.0;
            // A step that fails shrinks the region below its own length,
            // so that the next one differs; one that the model predicted
            // well lets it grow.
            if (ratio < POOR_RATIO)
                radius = POOR_RATIO * std::min(radius, stepLength);
            else if (ratio > GOOD_RATIO && stepLength >= 0.99 * radius)
                radius = std::min(2.0 * radius, LARGEST_RADIUS);
            accepted = ratio > ACCEPTED_RATIO;
        }
        u = trial;
        refreshAfterStep(prog, sys);
    }
}

}  // namespace wq
