#include "activity/pitzer_mixing.hpp"

#include <algorithm>
#include <array>
#include <cmath>

namespace wq {
namespace {

// ------------------------------------------------------------ J(x)

// Gauss-Legendre nodes and weights on [-1, 1], 8 points (Abramowitz &
// Stegun 1964, table 25.4).
constexpr double GL_NODE[4] = {0.1834346424956498, 0.5255324099163290, 0.7966664774136267, 0.9602898564975363};
constexpr double GL_WEIGHT[4] = {0.3626837833783620, 0.3137066458778873, 0.2223810344533745, 0.1012285362903763};

// Panels of the quadrature of J: the range 0 < y < 1 in ln y (where the
// integrand changes on the scale of x when x is small), the range y > 1 in y.
constexpr int LOW_PANELS = 16;
constexpr int HIGH_PANELS = 12;
// The lower part starts at y0 = min(x, 1) * LOW_START; below it the integrand
// is x^2 e^(-2y) / 2 - x y e^(-y) + y^2, integrated by hand.
constexpr double LOW_START = 1e-6;
// Beyond y = max(1, ln x) + TAIL the integrand is below e^-60 of its size.
constexpr double TAIL = 20.0;
// Below this ionic strength (mol/kg) the mixing terms are left out: they add
// about I^2 ln I to ln gamma, and E-theta' = d E-theta/dI would need 1/I^2.
constexpr double MIN_MIXING_IONIC_STRENGTH = 1e-20;

// Below |q| = 0.1 the sums 1 + q + q^2/2 - e^q and 1 + q - e^q are taken from
// their series, which have no cancellation; q^13/13! is below 1e-17 of the
// first term there.
constexpr double SERIES_BELOW = 0.1;
// 1/k! for k = 2 ... 12.
constexpr double INVERSE_FACTORIAL[] = {1.0 / 2,        1.0 / 6,         1.0 / 24,         1.0 / 120,
                                        1.0 / 720,      1.0 / 5040,      1.0 / 40320,      1.0 / 362880,
                                        1.0 / 3628800,  1.0 / 39916800,  1.0 / 479001600};

// f(q) = 1 + q + q^2/2 - e^q and f'(q) = 1 + q - e^q.
void integrandFactors(double q, double& f, double& df) {
    if (std::fabs(q) >= SERIES_BELOW) {
        const double e = std::exp(q);
        f = 1.0 + q + 0.5 * q * q - e;
        df = 1.0 + q - e;
        return;
    }
    // f = -sum_{k>=3} q^k / k!, f' = -sum_{k>=2} q^k / k!, by Horner.
    double sum = 0.0;
    for (int k = 12; k >= 3; --k) sum = (sum + INVERSE_FACTORIAL[k - 2]) * q;  // sum_{k>=3} q^(k-2) / k!
    const double q2 = q * q;
    f = -sum * q2;
    df = -(INVERSE_FACTORIAL[0] + sum) * q2;
}

// Adds the integrals of f(q) y^2 and of f'(q) (q / x) y^2 over one point.
void addPoint(double x, double y, double weight, double& k, double& dk) {
    const double q = -(x / y) * std::exp(-y);
    double f = 0.0, df = 0.0;
    integrandFactors(q, f, df);
    const double y2 = y * y;
    k += weight * f * y2;
    dk += weight * df * (q / x) * y2;
}

}  // namespace

JValue pitzerJIntegral(double x) {
    if (!(x > 0.0)) return {};
    double k = 0.0, dk = 0.0;
    // 0 < y < y0, by hand (e^q vanishes there): x^2 y0 / 2 - x y0^2 / 2 + y0^3 / 3,
    // and for the derivative x y0 - y0^2 / 2.
    const double y0 = std::min(x, 1.0) * LOW_START;
    k += 0.5 * x * x * y0 - 0.5 * x * y0 * y0 + y0 * y0 * y0 / 3.0;
    dk += x * y0 - 0.5 * y0 * y0;
    // y0 < y < 1 in s = ln y: dy = y ds.
    const double s0 = std::log(y0);
    const double lowWidth = -s0 / LOW_PANELS;
    for (int p = 0; p < LOW_PANELS; ++p) {
        const double mid = s0 + (p + 0.5) * lowWidth;
        for (int n = 0; n < 4; ++n) {
            for (const double sign : {-1.0, 1.0}) {
                const double s = mid + sign * 0.5 * lowWidth * GL_NODE[n];
                const double y = std::exp(s);
                addPoint(x, y, 0.5 * lowWidth * GL_WEIGHT[n] * y, k, dk);
            }
        }
    }
    // 1 < y < y1.
    const double y1 = std::max(1.0, std::log(std::max(x, 1.0))) + TAIL;
    const double highWidth = (y1 - 1.0) / HIGH_PANELS;
    for (int p = 0; p < HIGH_PANELS; ++p) {
        const double mid = 1.0 + (p + 0.5) * highWidth;
        for (int n = 0; n < 4; ++n) {
            for (const double sign : {-1.0, 1.0}) {
                const double y = mid + sign * 0.5 * highWidth * GL_NODE[n];
                addPoint(x, y, 0.5 * highWidth * GL_WEIGHT[n], k, dk);
            }
        }
    }
    // J = K / x, J' = (K' - J) / x.
    const double j = k / x;
    return {j, (dk - j) / x};
}

namespace {

// J on ln x from -24 to 7 (x from 3.8e-11 to 1097: 6 zi zj A-phi sqrt(I) for
// I from 1e-20 mol/kg up, with zi zj up to 9) in pieces of width 1, each a
// Chebyshev series of degree 13 in ln x fitted at its Chebyshev points to the
// integral (error below 1e-12 of J); the derivative is that of the series,
// so E-theta' is the exact slope of E-theta. Built once, at first use.
constexpr double J_TABLE_FROM = -24.0;
constexpr int J_TABLE_PIECES = 31;
constexpr int J_TABLE_TERMS = 14;
constexpr double PI = 3.14159265358979323846;

struct JTable {
    // coefficient k of piece p: J = sum_k value[p][k] T_k(t), dJ/dt = sum_k slope[p][k] T_k(t),
    // t = 2 (ln x - from - p) - 1.
    std::array<std::array<double, J_TABLE_TERMS>, J_TABLE_PIECES> value{}, slope{};
};

JTable buildJTable() {
    JTable table;
    constexpr int n = J_TABLE_TERMS;
    for (int p = 0; p < J_TABLE_PIECES; ++p) {
        std::array<double, n> f{};
        for (int j = 0; j < n; ++j) {
            const double t = std::cos(PI * (j + 0.5) / n);
            f[static_cast<std::size_t>(j)] = pitzerJIntegral(std::exp(J_TABLE_FROM + p + 0.5 * (t + 1.0))).j;
        }
        auto& c = table.value[static_cast<std::size_t>(p)];
        for (int k = 0; k < n; ++k) {
            double sum = 0.0;
            for (int j = 0; j < n; ++j) sum += f[static_cast<std::size_t>(j)] * std::cos(PI * k * (j + 0.5) / n);
            c[static_cast<std::size_t>(k)] = (k == 0 ? 1.0 : 2.0) / n * sum;
        }
        // Derivative series: b(k-1) = b(k+1) + 2k c(k), b(0) halved.
        auto& b = table.slope[static_cast<std::size_t>(p)];
        double next = 0.0, nextNext = 0.0;  // b(k), b(k+1)
        for (int k = n - 1; k >= 1; --k) {
            const double bkMinus1 = nextNext + 2.0 * k * c[static_cast<std::size_t>(k)];
            b[static_cast<std::size_t>(k - 1)] = bkMinus1;
            nextNext = next;
            next = bkMinus1;
        }
        b[0] *= 0.5;
    }
    return table;
}

const JTable& jTable() {
    static const JTable table = buildJTable();
    return table;
}

// sum_k a(k) T_k(t) by Clenshaw's recurrence.
double chebyshevSum(const std::array<double, J_TABLE_TERMS>& a, double t) {
    double b1 = 0.0, b2 = 0.0;
    for (int k = J_TABLE_TERMS - 1; k >= 1; --k) {
        const double b0 = a[static_cast<std::size_t>(k)] + 2.0 * t * b1 - b2;
        b2 = b1;
        b1 = b0;
    }
    return a[0] + t * b1 - b2;
}

}  // namespace

JValue pitzerJ(double x) {
    if (!(x > 0.0)) return {};
    const double u = std::log(x) - J_TABLE_FROM;
    if (!(u >= 0.0 && u <= J_TABLE_PIECES)) return pitzerJIntegral(x);
    const int p = std::min(static_cast<int>(u), J_TABLE_PIECES - 1);
    const double t = 2.0 * (u - p) - 1.0;
    const JTable& table = jTable();
    const double j = chebyshevSum(table.value[static_cast<std::size_t>(p)], t);
    // dJ/dx = dJ/dt dt/du du/dx = dJ/dt * 2 / x.
    const double dj = chebyshevSum(table.slope[static_cast<std::size_t>(p)], t) * 2.0 / x;
    return {j, dj};
}

ETheta eTheta(double zi, double zj, double ionicStrength, double aPhi) {
    if (!(ionicStrength >= MIN_MIXING_IONIC_STRENGTH) || zi == zj) return {};
    const double u = 6.0 * aPhi * std::sqrt(ionicStrength);
    const double xij = zi * zj * u, xii = zi * zi * u, xjj = zj * zj * u;
    const JValue jij = pitzerJ(xij), jii = pitzerJ(xii), jjj = pitzerJ(xjj);
    const double i = ionicStrength;
    const double value = zi * zj / (4.0 * i) * (jij.j - 0.5 * jii.j - 0.5 * jjj.j);
    const double derivative =
        -value / i + zi * zj / (8.0 * i * i) * (xij * jij.dj - 0.5 * xii * jii.dj - 0.5 * xjj * jjj.dj);
    return {value, derivative};
}

}  // namespace wq
