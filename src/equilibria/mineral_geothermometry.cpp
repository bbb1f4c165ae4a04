#include "equilibria/mineral_geothermometry.hpp"

#include <algorithm>
#include <cmath>

namespace wq {

const char* const DEFAULT_RESERVOIR_MINERALS[] = {
    "Quartz",     "Chalcedony", "Albite,low", "K-Feldspar", "Muscovite", "Calcite",  "Laumontite", "Wairakite",
    "Clinochlore,14A", "Epidote", "Prehnite", "Anhydrite", "Fluorite", "Illite",   nullptr,
};

namespace {

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

TemperatureRange rangeBelow(const std::vector<double>& t, const std::vector<double>& y, double around, double limit) {
    TemperatureRange r;
    if (t.empty() || t.size() != y.size()) return r;
    // The sample nearest to `around` that is within the limit starts the range.
    std::size_t start = t.size();
    for (std::size_t k = 0; k < t.size(); ++k)
        if (y[k] <= limit && (start == t.size() || std::abs(t[k] - around) < std::abs(t[start] - around))) start = k;
    if (start == t.size()) return r;
    r.found = true;
    std::size_t lo = start, hi = start;
    while (lo > 0 && y[lo - 1] <= limit) --lo;
    while (hi + 1 < t.size() && y[hi + 1] <= limit) ++hi;
    r.openLow = lo == 0;
    r.openHigh = hi + 1 == t.size();
    r.low = r.openLow ? t[lo] : crossing(t[lo - 1], y[lo - 1], t[lo], y[lo], limit);
    r.high = r.openHigh ? t[hi] : crossing(t[hi], y[hi], t[hi + 1], y[hi + 1], limit);
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
    }
    e.medianMinimum = refinedMinimum(e.temperatures, e.medianAbs);
    e.rmsMinimum = refinedMinimum(e.temperatures, e.rms);
    if (e.rmsMinimum.found)
        e.rmsRange = rangeBelow(e.temperatures, e.rms, e.rmsMinimum.temperature, e.rmsMinimum.value + RMS_TOLERANCE);
    return e;
}

}  // namespace wq
