#include "equilibria/mineral_geothermometry.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace wq {

const char* const DEFAULT_RESERVOIR_MINERALS[] = {
    "Quartz",     "Chalcedony", "Albite,low", "K-Feldspar", "Muscovite", "Calcite",  "Laumontite", "Wairakite",
    "Clinochlore,14A", "Epidote", "Prehnite", "Anhydrite", "Fluorite", "Illite",   nullptr,
};

namespace {

// The samples a step of the sweep is cut into where the range of the RMS is walked.
constexpr int RANGE_SAMPLES = 16;

bool allHaveValues(const std::vector<std::vector<double>>& saturation, std::size_t k) {
    for (const std::vector<double>& curve : saturation)
        if (k >= curve.size() || !std::isfinite(curve[k])) return false;
    return true;
}

double rootMeanSquare(const std::vector<double>& values) {
    double sum = 0.0;
    for (double v : values) sum += v * v;
    return std::sqrt(sum / static_cast<double>(values.size()));
}

// Where the line through (t0, y0) and (t1, y1) reaches y.
double crossing(double t0, double y0, double t1, double y1, double y) {
    if (y1 == y0) return t0;
    return t0 + (y - y0) * (t1 - t0) / (y1 - y0);
}

// The slope of curve j at node k, by the differences to its neighbours.
double slopeAt(const std::vector<double>& t, const std::vector<std::vector<double>>& si, std::size_t k, std::size_t j) {
    const std::size_t lo = k == 0 ? 0 : k - 1, hi = k + 1 == t.size() ? k : k + 1;
    return (si[hi][j] - si[lo][j]) / (t[hi] - t[lo]);
}

// The mean square of log Q/K at t_k + u, every curve interpolated between
// nodes k and k + 1 by the cubic Hermite polynomial with those slopes: a
// curve smooth across the nodes, so the mean square has no kink at them.
double meanSquareBetween(const std::vector<double>& t, const std::vector<std::vector<double>>& si, std::size_t k,
                         double u) {
    const double h = t[k + 1] - t[k], s = u / h;
    const double h00 = (1 + 2 * s) * (1 - s) * (1 - s), h10 = s * (1 - s) * (1 - s);
    const double h01 = s * s * (3 - 2 * s), h11 = s * s * (s - 1);
    double sum = 0.0;
    for (std::size_t j = 0; j < si[k].size(); ++j) {
        const double y = h00 * si[k][j] + h10 * h * slopeAt(t, si, k, j) + h01 * si[k + 1][j] +
                         h11 * h * slopeAt(t, si, k + 1, j);
        sum += y * y;
    }
    return sum / static_cast<double>(si[k].size());
}

// meanSquareBetween at any temperature of the sweep.
double meanSquareAt(const std::vector<double>& t, const std::vector<std::vector<double>>& si, double at) {
    const std::size_t upper = static_cast<std::size_t>(std::upper_bound(t.begin(), t.end(), at) - t.begin());
    const std::size_t k = std::clamp<std::size_t>(upper, 1, t.size() - 1) - 1;
    return meanSquareBetween(t, si, k, at - t[k]);
}

// The least root mean square of log Q/K between the nodes, each curve a
// smooth interpolant of its samples (meanSquareBetween). The mean square of
// curves that cross zero together is smooth where their RMS has a V: a
// parabola through three samples of the RMS read the V as a minimum on the
// nearest node, so the estimate snapped to the grid. This one is found on
// the mean square itself, sampled within each step and refined by golden
// sections, and does not depend on where the nodes fall, to within the
// curves' own interpolation over a step.
CurveMinimum leastRootMeanSquare(const std::vector<double>& t, const std::vector<std::vector<double>>& si) {
    CurveMinimum m;
    if (t.empty()) return m;
    m.found = true;
    m.temperature = t.front();
    m.value = rootMeanSquare(si.front());
    if (t.size() == 1) return m;
    // The lowest of SAMPLES points a step, then golden sections about it.
    constexpr int SAMPLES = 8;
    double best = m.value * m.value, spacing = 0.0;
    for (std::size_t k = 0; k + 1 < t.size(); ++k) {
        const double h = t[k + 1] - t[k];
        for (int i = 0; i <= SAMPLES; ++i) {
            const double value = meanSquareBetween(t, si, k, h * i / SAMPLES);
            if (value < best) {
                best = value;
                m.temperature = t[k] + h * i / SAMPLES;
                spacing = h / SAMPLES;
            }
        }
    }
    double lo = std::max(t.front(), m.temperature - spacing), hi = std::min(t.back(), m.temperature + spacing);
    constexpr double GOLDEN = 0.6180339887498949;
    for (int step = 0; step < 80 && hi - lo > 1e-10; ++step) {
        const double a = hi - GOLDEN * (hi - lo), b = lo + GOLDEN * (hi - lo);
        if (meanSquareAt(t, si, a) < meanSquareAt(t, si, b)) hi = b;
        else lo = a;
    }
    if (spacing > 0.0) {
        m.temperature = 0.5 * (lo + hi);
        best = std::min(best, meanSquareAt(t, si, m.temperature));
    }
    m.value = std::sqrt(std::max(best, 0.0));
    m.atEdge = m.temperature <= t.front() + 1e-6 || m.temperature >= t.back() - 1e-6;
    return m;
}

}  // namespace

double medianOf(std::vector<double> values) {
    if (values.empty()) return NAN;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

CurveMinimum refinedMinimum(const std::vector<double>& t, const std::vector<double>& y) {
    CurveMinimum m;
    if (t.empty() || t.size() != y.size()) return m;
    const std::size_t i = static_cast<std::size_t>(std::min_element(y.begin(), y.end()) - y.begin());
    m.found = true;
    m.temperature = t[i];
    m.value = y[i];
    m.atEdge = t.size() > 1 && (i == 0 || i + 1 == t.size());
    if (i == 0 || i + 1 == t.size()) return m;
    // The parabola through the three points (divided differences); its vertex lies
    // between the outer two when the middle one is the lowest.
    const double t0 = t[i - 1], t1 = t[i], t2 = t[i + 1];
    const double y0 = y[i - 1], y1 = y[i], y2 = y[i + 1];
    const double d01 = (y1 - y0) / (t1 - t0), d12 = (y2 - y1) / (t2 - t1);
    const double a = (d12 - d01) / (t2 - t0);
    if (!(a > 0.0)) return m;
    const double vertex = 0.5 * (t0 + t1) - d01 / (2.0 * a);
    m.temperature = vertex;
    // y(t) = y0 + d01 (t - t0) + a (t - t0)(t - t1)
    m.value = y0 + d01 * (vertex - t0) + a * (vertex - t0) * (vertex - t1);
    return m;
}

TemperatureRange rmsRangeBelow(const TemperatureEstimate& e, double limit) {
    TemperatureRange r;
    if (!e.rmsMinimum.found || !(rmsAt(e, e.rmsMinimum.temperature) <= limit)) return r;
    r.found = true;
    const std::vector<double>& t = e.temperatures;
    double step = t.back() - t.front();
    for (std::size_t k = 0; k + 1 < t.size(); ++k) step = std::min(step, t[k + 1] - t[k]);
    step /= RANGE_SAMPLES;
    // From the minimum outward by a fraction of the smallest step until the
    // RMS passes the limit, then bisection between the last two samples.
    const auto end = [&](double direction, bool& open) {
        double inside = e.rmsMinimum.temperature;
        while (true) {
            const double next = std::clamp(inside + direction * step, t.front(), t.back());
            if (next == inside) {
                open = true;
                return inside;
            }
            if (rmsAt(e, next) > limit) {
                double outside = next;
                for (int i = 0; i < 40; ++i) {
                    const double mid = 0.5 * (inside + outside);
                    (rmsAt(e, mid) <= limit ? inside : outside) = mid;
                }
                return 0.5 * (inside + outside);
            }
            inside = next;
        }
    };
    r.low = end(-1.0, r.openLow);
    r.high = end(1.0, r.openHigh);
    return r;
}

std::vector<double> zeroCrossings(const std::vector<double>& t, const std::vector<double>& v) {
    std::vector<double> at;
    std::size_t previous = t.size();
    for (std::size_t k = 0; k < t.size() && k < v.size(); ++k) {
        if (!std::isfinite(v[k])) continue;
        if (v[k] == 0.0) {
            at.push_back(t[k]);
        } else if (previous < t.size() && v[previous] != 0.0 && (v[previous] < 0.0) != (v[k] < 0.0)) {
            at.push_back(crossing(t[previous], v[previous], t[k], v[k], 0.0));
        }
        previous = k;
    }
    return at;
}

TemperatureEstimate estimateTemperature(const std::vector<double>& temperatures,
                                        const std::vector<std::vector<double>>& saturation) {
    TemperatureEstimate e;
    e.minerals = static_cast<int>(saturation.size());
    if (saturation.empty()) return e;
    std::vector<std::vector<double>> kept;  // log Q/K of every mineral at each of e.temperatures
    for (std::size_t k = 0; k < temperatures.size(); ++k) {
        if (!allHaveValues(saturation, k)) continue;
        std::vector<double> si, magnitude;
        for (const std::vector<double>& curve : saturation) {
            si.push_back(curve[k]);
            magnitude.push_back(std::abs(curve[k]));
        }
        e.temperatures.push_back(temperatures[k]);
        e.medianAbs.push_back(medianOf(magnitude));
        e.rms.push_back(rootMeanSquare(si));
        kept.push_back(std::move(si));
    }
    e.medianMinimum = refinedMinimum(e.temperatures, e.medianAbs);
    e.rmsMinimum = leastRootMeanSquare(e.temperatures, kept);
    if (e.rmsMinimum.found)
    e.kept = std::move(kept);
    e.rmsRange = rmsRangeBelow(e, e.rmsMinimum.value + RMS_TOLERANCE);
    return e;
}

double rmsAt(const TemperatureEstimate& e, double t) {
    if (e.temperatures.empty() || !(t >= e.temperatures.front() && t <= e.temperatures.back()))
        return std::numeric_limits<double>::infinity();
    if (e.temperatures.size() == 1) return rootMeanSquare(e.kept.front());
    return std::sqrt(std::max(meanSquareAt(e.temperatures, e.kept, t), 0.0));
}

}  // namespace wq
