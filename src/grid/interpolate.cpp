// Three-point Lagrange interpolation on the full grid, along the saturation
// curve and in the short tables.
#include "grid/grid.hpp"

namespace wq {

namespace {

// Reach of the saturation-curve interpolation (°C): from the triple point to a
// quadratic extrapolation 50 °C above the last point (350 °C).
constexpr double CURVE_LOWEST_TEMPERATURE = 0.01;
constexpr double CURVE_HIGHEST_TEMPERATURE = 400.0;

// A short table with a single value serves 10 to 35 °C, around its 25 °C point.
constexpr double SINGLE_VALUE_LOWEST_TEMPERATURE = 10.0;
constexpr double SINGLE_VALUE_HIGHEST_TEMPERATURE = 35.0;
// A short table with two values (25 and 50 °C) is a straight line over
// 0.01 to 75 °C; its slope is taken per 25 °C, 1/25 = 0.04.
constexpr double LINE_LOWEST_TEMPERATURE = 0.01;
constexpr double LINE_HIGHEST_TEMPERATURE = 75.0;
constexpr double PER_25_DEGREES = 0.04;
// Longer short tables extrapolate at most this far above their last value
// (°C), and never above the cap.
constexpr double MAX_EXTRAPOLATION = 50.0;
constexpr double SHORT_TABLE_CAP = 400.0;

// The number of the first `count` nodes lying strictly below x: the j with
// node j < x <= node j+1, 0 at or below the first node, `count` above node
// `count`.
template <std::size_t N>
int nodesBelow(double x, const std::array<double, N>& nodes, int count) {
    int j = 0;
    while (j < count && nodes[static_cast<std::size_t>(j)] < x) ++j;
    return j;
}

// Nodes first..first+2 (1-based) of a table.
template <std::size_t N>
std::array<double, 3> threeFrom(int first, const std::array<double, N>& nodes) {
    return {gridPoint(nodes, first), gridPoint(nodes, first + 1), gridPoint(nodes, first + 2)};
}

// The Lagrange value at x through nodes first..first+2 (1-based) of a table.
template <std::size_t N>
double lagrangeFrom(double x, int first, const std::array<double, N>& nodes,
                    const std::array<double, N>& values) {
    return lagrange3(x, threeFrom(first, nodes), threeFrom(first, values));
}

// Length of the valid part of a short table: up to the first of values 2..8
// that is exactly the absent-data marker. Value 1 always counts.
int validLength(const std::array<double, N_SHORT>& shortTable) {
    for (int k = 2; k <= N_SHORT; ++k)
        if (gridPoint(shortTable, k) == ABSENT_DATA) return k - 1;
    return N_SHORT;
}

}  // namespace

// Three-point Lagrange form: the sum over i of y_i prod_{j != i} (x - x_j) /
// (x_i - x_j). The order of the arithmetic is fixed (each term from y_i, its
// factors in ascending j, multiply then divide; terms added in ascending i from
// zero) so that every build gives the same bits.
Lagrange3::Lagrange3(double x, const std::array<double, 3>& nodes) {
    for (std::size_t j = 0; j < 3; ++j) fromNode_[j] = x - nodes[j];
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j) between_[i][j] = nodes[i] - nodes[j];
}

double lagrange3(double x, const std::array<double, 3>& nodes, const std::array<double, 3>& values) {
    return Lagrange3(x, nodes)(values);
}

// Quadratic in pressure down each of the three temperature columns of the
// block, then quadratic in temperature through the three results. A table may
// hold the absent-data value on cells where its data do not apply (the
// additions from a data set given along the saturation curve only): when any
// of the nine nodes is absent, so is the value, never a mixture of log K and
// the marker.
double interpolateFullTable(double p, double t, int pressureIndex, int temperatureIndex,
               const FullTable& table) {
    const int ip = pressureIndex;
    for (int r = ip; r <= ip + 2; ++r)
        for (int c = temperatureIndex - 2; c <= temperatureIndex; ++c)
            if (table.at(r, c) == ABSENT_DATA) return ABSENT_DATA;
    const std::array<double, 3> pressures = {gridPressure(ip), gridPressure(ip + 1),
                                             gridPressure(ip + 2)};
    std::array<double, 3> temperatures{};
    std::array<double, 3> atRunPressure{};
    for (int k = 0; k < 3; ++k) {
        const int c = temperatureIndex - 2 + k;
        temperatures[k] = gridTemperature(c);
        atRunPressure[k] = lagrange3(
            p, pressures, {table.at(ip, c), table.at(ip + 1, c), table.at(ip + 2, c)});
    }
    return lagrange3(t, temperatures, atRunPressure);
}

// Between 350 and 400 °C this extrapolates through 300, 325 and 350 °C.
int saturationCurveFirstNode(double t) {
    if (t < CURVE_LOWEST_TEMPERATURE || t > CURVE_HIGHEST_TEMPERATURE) return 0;
    const int bracket = nodesBelow(t, SATURATION_TEMPERATURES, N_SATURATION - 1);
    return bracket < 2 ? 1 : bracket - 1;
}

SaturationCurveAt::SaturationCurveAt(double t)
    : first_(saturationCurveFirstNode(t)), lagrange_(t, threeFrom(first_ == 0 ? 1 : first_, SATURATION_TEMPERATURES)) {}

double interpolateSaturationCurve(double t, const std::array<double, N_SATURATION>& curve) {
    return SaturationCurveAt(t)(curve);
}

double interpolateShortTable(double t, const std::array<double, N_SHORT>& shortTable) {
    const int n = validLength(shortTable);
    const double value1 = shortTable[0];
    if (n == 1) {
        const bool near25 = SINGLE_VALUE_LOWEST_TEMPERATURE <= t &&
                            t <= SINGLE_VALUE_HIGHEST_TEMPERATURE;
        return near25 ? value1 : ABSENT_DATA;
    }
    if (n == 2) {
        if (!(LINE_LOWEST_TEMPERATURE <= t && t <= LINE_HIGHEST_TEMPERATURE)) return ABSENT_DATA;
        const double value2 = shortTable[1];
        return value1 + (t - SHORT_TABLE_TEMPERATURES[0]) * (value2 - value1) * PER_25_DEGREES;
    }
    const int bracket = nodesBelow(t, SHORT_TABLE_TEMPERATURES, N_SHORT - 1);
    const double topOfData = gridPoint(SHORT_TABLE_TEMPERATURES, n);
    // No lower limit: below 25 °C the first three points always serve.
    if (t - MAX_EXTRAPOLATION > topOfData || t > SHORT_TABLE_CAP) return ABSENT_DATA;
    int first = 0;
    if (bracket < 2)
        first = 1;
    else if (bracket <= n - 1)
        first = bracket - 1;
    else
        first = n - 2;  // extrapolation above the data
    return lagrangeFrom(t, first, SHORT_TABLE_TEMPERATURES, shortTable);
}

// 1 bar up to 75 °C; from 100 °C the grid line on the curve.
int saturationCurveRow(int c) { return c <= 4 ? 1 : c - 3; }

void saturationCurveOf(const FullTable& table, std::array<double, N_SATURATION>& curve) {
    for (int c = 1; c <= N_SATURATION; ++c) curve[static_cast<std::size_t>(c - 1)] = table.at(saturationCurveRow(c), c);
}

double saturationPressure(double t) { return interpolateSaturationCurve(t, SATURATION_PRESSURES); }

}  // namespace wq
