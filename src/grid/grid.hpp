// The pressure-temperature grid of the thermodynamic data.
//
// Every temperature-dependent number of the database (log K of the aqueous
// species, minerals and gases, and the activity-model parameters) is tabulated
// on fixed points: a full table on 37 pressures by 36 temperatures, fifteen
// points along the liquid-vapour saturation curve of water, or a short table of
// eight points from 25 to 350 °C. The grids are fixed here; the database must be
// laid out on exactly these points.
//
// `locateOnGrid` places a run's pressure and temperature in a block of the full
// grid and says whether the data serve it, serve it only by extrapolation, or
// not at all. Three three-point (quadratic) Lagrange interpolators then bring a
// tabulated quantity to the run's conditions, in the plain variables T (°C),
// P (bar) and the tabulated value itself (log K is interpolated as log K).
#pragma once

#include <array>
#include <cstddef>

#include "text/table.hpp"

namespace wq {

constexpr int N_PRESSURES = 37;
constexpr int N_TEMPERATURES = 36;
constexpr int N_SATURATION = 15;
constexpr int N_SHORT = 8;

// Marks "no value": a temperature without data in a short table, and the answer
// of an interpolator that cannot reach the temperature.
constexpr double ABSENT_DATA = 99999.999;
// Any value above this is read as absent (interpolation may move the marker).
constexpr double ABSENT_ABOVE = 99999.0;
constexpr bool isAbsent(double v) { return v > ABSENT_ABOVE; }

// Pressure grid of the full tables (bar), ascending. Points 2 to 12 are the
// liquid-vapour saturation pressures of water at 100, 125, ..., 350 °C, so that
// grid point (pressure k+1, temperature k+4) lies on the saturation curve for
// k = 1..11; the lower grid lines hold no liquid data above 100 °C.
constexpr std::array<double, N_PRESSURES> GRID_PRESSURES = {
    1.0,    1.0133, 2.321,  4.758,  8.919,  15.537, 25.479, 39.737, 59.432, 85.839,
    120.458, 165.212, 200.0, 250.0, 300.0, 350.0, 400.0, 450.0, 500.0, 550.0,
    600.0,  650.0,  700.0,  750.0,  800.0,  850.0,  900.0,  950.0,  1000.0, 1500.0,
    2000.0, 2500.0, 3000.0, 3500.0, 4000.0, 4500.0, 5000.0};

// Temperature grid of the full tables (°C), ascending: 0.01 (the triple point),
// 25 to 350 in steps of 25, 400, then 410 to 600 in steps of 10.
constexpr std::array<double, N_TEMPERATURES> GRID_TEMPERATURES = {
    0.01,  25.0,  50.0,  75.0,  100.0, 125.0, 150.0, 175.0, 200.0, 225.0, 250.0, 275.0,
    300.0, 325.0, 350.0, 400.0, 410.0, 420.0, 430.0, 440.0, 450.0, 460.0, 470.0, 480.0,
    490.0, 500.0, 510.0, 520.0, 530.0, 540.0, 550.0, 560.0, 570.0, 580.0, 590.0, 600.0};

// The liquid-vapour saturation curve of water: temperatures (°C, the first 15
// of the temperature grid) and pressures (bar). Below 100 °C a saturation run
// is held at 1 bar; at 100 °C the curve holds 1.013, not the 1.0133 of the
// pressure grid.
constexpr std::array<double, N_SATURATION> SATURATION_TEMPERATURES = {
    0.01, 25.0, 50.0, 75.0, 100.0, 125.0, 150.0, 175.0,
    200.0, 225.0, 250.0, 275.0, 300.0, 325.0, 350.0};
constexpr std::array<double, N_SATURATION> SATURATION_PRESSURES = {
    1.0,    1.0,    1.0,    1.0,    1.013,  2.321,  4.758,   8.919,
    15.537, 25.479, 39.737, 59.432, 85.839, 120.458, 165.212};

// The temperatures (°C) a saturation run may take: from 20 °C up to 374 °C,
// just above the critical point of water (373.946 °C; Wagner & Pruss 2002,
// J. Phys. Chem. Ref. Data 31, 387-535), where the liquid-vapour curve ends.
// Above 350 °C the saturation pressure is extrapolated (saturationPressure).
constexpr double SATURATION_RUN_LOWEST = 20.0;
constexpr double SATURATION_RUN_HIGHEST = 374.0;
// Below it a saturation run is held at 1 bar, the saturation pressure of
// water at 100 C being 1.013 bar (°C).
constexpr double BOILING_POINT_C = 100.0;

// Temperatures of a short table (°C): eight points along the saturation curve.
constexpr std::array<double, N_SHORT> SHORT_TABLE_TEMPERATURES = {
    25.0, 50.0, 100.0, 150.0, 200.0, 250.0, 300.0, 350.0};

// Point k (1-based, checked) of one of the grids above.
template <std::size_t N>
double gridPoint(const std::array<double, N>& grid, int k) {
    if (k < 1 || k > static_cast<int>(N)) indexOutOfRange(k, static_cast<long>(N));
    return grid[static_cast<std::size_t>(k - 1)];
}
inline double gridPressure(int k) { return gridPoint(GRID_PRESSURES, k); }
inline double gridTemperature(int k) { return gridPoint(GRID_TEMPERATURES, k); }

// One entry's full table: element (r, c) belongs to pressure-grid point r and
// temperature-grid point c. Stored row by row as the database writes it: row r
// holds the 36 temperatures at pressure r.
struct FullTable {
    std::array<double, static_cast<std::size_t>(N_PRESSURES) * N_TEMPERATURES> v{};

    double& at(int r, int c) { return v[offset(r, c)]; }
    double at(int r, int c) const { return v[offset(r, c)]; }

    static std::size_t offset(int r, int c) {
        if (r < 1 || r > N_PRESSURES) indexOutOfRange(r, N_PRESSURES);
        if (c < 1 || c > N_TEMPERATURES) indexOutOfRange(c, N_TEMPERATURES);
        return static_cast<std::size_t>((r - 1) * N_TEMPERATURES + (c - 1));
    }
};

// Where a run sits on the grid, and the verdicts about it.
//   pressureIndex: 1..35, the lowest of the three pressure points interpolated;
//   temperatureIndex: 3..36, the highest of the three temperature points;
//   pressureFlag: 'N', 'W' (extrapolation) or 'E' (outside the data); despite
//     its name it also carries the verdicts about the temperature range;
//   blockFlag: 'N', 'W' or 'E' about the low-pressure edge of the data (the
//     vapour region and the liquid-only part of the grid).
struct GridLocation {
    int pressureIndex = 1;
    int temperatureIndex = 3;
    char pressureFlag = 'N';
    char blockFlag = 'N';
};

// Locates (pressure, temperature) on the grid (pt_indexer). The pressure flag
// is reset to 'N' on entry; the block flag is only ever raised, so the caller
// resets it before each location.
void locateOnGrid(double pressure, double temperature, GridLocation& loc);

// Three-point Lagrange interpolation at x through (nodes[i], values[i]).
double lagrange3(double x, const std::array<double, 3>& nodes,
                 const std::array<double, 3>& values);

// lagrange3 at one x through fixed nodes, for many tables: the differences
// x - x_j and x_i - x_j are worked out once; each value then costs the six
// products and quotients alone, the same operations in the same order, so
// the same bits.
class Lagrange3 {
public:
    Lagrange3(double x, const std::array<double, 3>& nodes);
    double operator()(const std::array<double, 3>& values) const {
        // Each term from y_i, its factors in ascending j, multiply then
        // divide; the terms added in ascending i from zero.
        const double term0 = values[0] * fromNode_[1] / between_[0][1] * fromNode_[2] / between_[0][2];
        const double term1 = values[1] * fromNode_[0] / between_[1][0] * fromNode_[2] / between_[1][2];
        const double term2 = values[2] * fromNode_[0] / between_[2][0] * fromNode_[1] / between_[2][1];
        return 0.0 + term0 + term1 + term2;
    }

private:
    std::array<double, 3> fromNode_{};                 // x - x_j
    std::array<std::array<double, 3>, 3> between_{};  // x_i - x_j
};

// Full table at (p, t), with the block chosen by `locateOnGrid`: pressures
// ip..ip+2 and temperatures it-2..it, quadratic in both (intrp3d). No range
// test.
double interpolateFullTable(double p, double t, int pressureIndex, int temperatureIndex, const FullTable& table);

// Fifteen values along the saturation curve at t (intrp2d_l); ABSENT_DATA
// outside 0.01..400 °C.
double interpolateSaturationCurve(double t, const std::array<double, N_SATURATION>& curve);
// The first of the three nodes (1-based) interpolateSaturationCurve
// interpolates through at t; 0 outside its reach. A caller may fill only
// these three values.
int saturationCurveFirstNode(double t);

// interpolateSaturationCurve at one t, for many tables: the nodes about t
// and their Lagrange differences found once.
class SaturationCurveAt {
public:
    explicit SaturationCurveAt(double t);
    // Absent when one of the three nodes is (see interpolateFullTable).
    double operator()(const std::array<double, N_SATURATION>& curve) const {
        if (first_ == 0) return ABSENT_DATA;
        const std::size_t k = static_cast<std::size_t>(first_ - 1);
        const std::array<double, 3> values = {curve[k], curve[k + 1], curve[k + 2]};
        if (values[0] == ABSENT_DATA || values[1] == ABSENT_DATA || values[2] == ABSENT_DATA) return ABSENT_DATA;
        return lagrange_(values);
    }

private:
    int first_;
    Lagrange3 lagrange_;
};

// A short table (25..350 °C) at t (intrp2d); ABSENT_DATA when the data do not
// reach t.
double interpolateShortTable(double t, const std::array<double, N_SHORT>& shortTable);

// The saturation-curve values of a full table: 1 bar at 0.01..75 °C, then the
// grid pressure equal to the saturation pressure at 100..350 °C.
void saturationCurveOf(const FullTable& table, std::array<double, N_SATURATION>& curve);
// The pressure row of a full table that holds saturation-curve value c.
int saturationCurveRow(int c);

// Liquid-vapour saturation pressure of water at t (bar), from the curve above;
// 350 to 400 °C is a quadratic extrapolation through 300, 325 and 350 °C.
double saturationPressure(double t);

}  // namespace wq
