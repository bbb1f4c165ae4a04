#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <ostream>
#include <set>
#include <utility>
#include <vector>

#include "grid/grid.hpp"
#include "text/stop.hpp"

namespace wq {
namespace {

constexpr double INF = std::numeric_limits<double>::infinity();
double below(double x) { return std::nextafter(x, -INF); }
double above(double x) { return std::nextafter(x, INF); }

// ---------------------------------------------------------------------------
// The grids, typed again here from the published tables so that a typo on
// either side shows.

constexpr double kPressures[37] = {
    1.0,   1.0133, 2.321, 4.758, 8.919, 15.537, 25.479, 39.737, 59.432, 85.839, 120.458,
    165.212, 200,  250,   300,   350,   400,    450,    500,    550,    600,    650,
    700,   750,    800,   850,   900,   950,    1000,   1500,   2000,   2500,   3000,
    3500,  4000,   4500,  5000};
constexpr double kTemperatures[36] = {0.01, 25,  50,  75,  100, 125, 150, 175, 200,
                                      225,  250, 275, 300, 325, 350, 400, 410, 420,
                                      430,  440, 450, 460, 470, 480, 490, 500, 510,
                                      520,  530, 540, 550, 560, 570, 580, 590, 600};
constexpr double kSaturationPressures[15] = {1.0,    1.0,    1.0,    1.0,    1.013,
                                             2.321,  4.758,  8.919,  15.537, 25.479,
                                             39.737, 59.432, 85.839, 120.458, 165.212};
constexpr double kShortTemperatures[8] = {25, 50, 100, 150, 200, 250, 300, 350};

TEST(Grid, PointsAreThePublishedOnes) {
    for (int k = 1; k <= N_PRESSURES; ++k) EXPECT_EQ(gridPressure(k), kPressures[k - 1]) << k;
    for (int k = 1; k <= N_TEMPERATURES; ++k)
        EXPECT_EQ(gridTemperature(k), kTemperatures[k - 1]) << k;
    for (int k = 1; k <= N_SATURATION; ++k) {
        EXPECT_EQ(gridPoint(SATURATION_TEMPERATURES, k), kTemperatures[k - 1]) << k;
        EXPECT_EQ(gridPoint(SATURATION_PRESSURES, k), kSaturationPressures[k - 1]) << k;
    }
    for (int k = 1; k <= N_SHORT; ++k)
        EXPECT_EQ(gridPoint(SHORT_TABLE_TEMPERATURES, k), kShortTemperatures[k - 1]) << k;
}

TEST(Grid, PointIndexIsChecked) {
    EXPECT_THROW(gridPressure(0), InternalError);
    EXPECT_THROW(gridPressure(38), InternalError);
    EXPECT_THROW(gridTemperature(0), InternalError);
    EXPECT_THROW(gridTemperature(37), InternalError);
    EXPECT_THROW(gridPoint(SHORT_TABLE_TEMPERATURES, 9), InternalError);
}

TEST(Grid, AbsentMarker) {
    EXPECT_TRUE(isAbsent(ABSENT_DATA));
    EXPECT_TRUE(isAbsent(above(99999.0)));
    EXPECT_FALSE(isAbsent(99999.0));
    EXPECT_FALSE(isAbsent(-1e30));
}

// ---------------------------------------------------------------------------
// Full table storage

TEST(FullTable, RowsArePressuresStoredOneAfterAnother) {
    FullTable table;
    for (std::size_t i = 0; i < table.v.size(); ++i) table.v[i] = static_cast<double>(i);
    EXPECT_EQ(table.at(1, 1), 0.0);
    EXPECT_EQ(table.at(1, 36), 35.0);
    EXPECT_EQ(table.at(2, 1), 36.0);
    EXPECT_EQ(table.at(37, 36), 1331.0);
    table.at(3, 2) = -7.0;
    EXPECT_EQ(table.v[2 * 36 + 1], -7.0);
}

TEST(FullTable, IndexIsChecked) {
    FullTable table;
    const FullTable& view = table;
    const std::pair<int, int> bad[] = {{0, 1}, {38, 1}, {1, 0}, {1, 37}, {-1, -1}};
    for (auto [r, c] : bad) {
        EXPECT_THROW(table.at(r, c) = 1.0, InternalError) << r << "," << c;
        EXPECT_THROW((void)view.at(r, c), InternalError) << r << "," << c;
    }
}

// ---------------------------------------------------------------------------
// locateOnGrid

struct Located {
    int p;
    int t;
    char pf;
    char bf;
    bool operator==(const Located&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Located& l) {
    return os << "{p " << l.p << ", t " << l.t << ", " << l.pf << l.bf << "}";
}

Located locate(double p, double t) {
    GridLocation loc;  // flags 'N', as the caller resets them
    locateOnGrid(p, t, loc);
    return {loc.pressureIndex, loc.temperatureIndex, loc.pressureFlag, loc.blockFlag};
}

struct Case {
    double p;
    double t;
    Located expected;
};

TEST(LocateOnGrid, CasesFromTheScience) {
    const Case cases[] = {
        {1.0133, 90, {2, 5, 'N', 'N'}},      // a lower bound of a pressure bracket
        {1.0, 90, {2, 5, 'N', 'W'}},         // below 1 atm at 90-100 °C: raised
        {1.012, 110, {2, 6, 'N', 'E'}},      // raised, and vapour below 1.013 bar
        {1.013, 110, {2, 6, 'N', 'W'}},      // raised, not vapour
        {4500, 300, {35, 13, 'N', 'N'}},     // 4500 is not a bracket boundary
        {5000, 300, {35, 13, 'N', 'N'}},
        {5000.5, 300, {35, 13, 'W', 'N'}},
        {6000, 300, {35, 13, 'E', 'N'}},
        {4800, 50, {34, 3, 'N', 'N'}},       // 3500-4000-4500 up to 50 °C
        {4800, 50.001, {35, 4, 'N', 'N'}},
        {0.5, 25, {1, 3, 'W', 'N'}},         // no vapour test below 100 °C
        {180, 380, {15, 16, 'N', 'W'}},      // 12 raised by 3
        {720, 545, {23, 31, 'N', 'N'}},
        {690, 545, {22, 31, 'N', 'E'}},
        {1000, 650, {29, 36, 'W', 'N'}},     // extrapolation in T
        {1000, 700.5, {29, 36, 'E', 'N'}},
        {920, 700.5, {27, 36, 'E', 'N'}},    // no raise above 700 °C
        {100, 700.5, {10, 36, 'E', 'N'}},    // no threshold above 700 °C
        {100, 380, {10, 16, 'N', 'E'}},      // below the curve: error, no raise
        {0, 90, {2, 5, 'E', 'W'}},           // both flags, raised from 1
        {0.5, 650, {1, 36, 'W', 'E'}},       // a 'W' from pressure stays 'W'
        {6500, 650, {35, 36, 'E', 'N'}},     // an 'E' from pressure stays 'E'
        {5500, 650, {35, 36, 'W', 'N'}},
        {920, 650, {28, 36, 'W', 'W'}},      // 27 raised to 28
        {0.5, -5, {1, 3, 'E', 'N'}},         // below the grid overrides 'W'
        {4800, -5, {34, 3, 'E', 'N'}},
        {5500, 25, {34, 3, 'W', 'N'}},       // the limit applies off the grid too
        {6000, 25, {34, 3, 'E', 'N'}},
        {3499, 25, {33, 3, 'N', 'N'}},
        {3500, 25, {34, 3, 'N', 'N'}},
    };
    for (const Case& c : cases) EXPECT_EQ(locate(c.p, c.t), c.expected) << c.p << " bar, " << c.t << " C";
}

TEST(LocateOnGrid, ResetsOnlyThePressureFlag) {
    GridLocation loc{7, 9, 'E', 'E'};
    locateOnGrid(100, 60, loc);  // a plain point: nothing raised
    EXPECT_EQ(loc.pressureFlag, 'N');
    EXPECT_EQ(loc.blockFlag, 'E');
    EXPECT_EQ(loc.pressureIndex, 10);
    EXPECT_EQ(loc.temperatureIndex, 4);

    loc = {1, 3, 'W', 'W'};
    locateOnGrid(150, 340, loc);  // threshold 120.458 passed, raise below 165.212
    EXPECT_EQ(loc.pressureFlag, 'N');
    EXPECT_EQ(loc.blockFlag, 'W');
    EXPECT_EQ(loc.pressureIndex, 12);
}

// Pressure alone, with T = 60 °C (a bracket that neither raises nor errs).
TEST(LocateOnGrid, PressureBounds) {
    const std::pair<double, Located> cases[] = {
        {-1.0, {1, 4, 'E', 'N'}},
        {0.0, {1, 4, 'E', 'N'}},
        {above(0.0), {1, 4, 'W', 'N'}},
        {below(1.0), {1, 4, 'W', 'N'}},
        {1.0, {1, 4, 'N', 'N'}},
        {below(4000), {34, 4, 'N', 'N'}},
        {4000, {35, 4, 'N', 'N'}},
        {4500, {35, 4, 'N', 'N'}},
        {5000, {35, 4, 'N', 'N'}},
        {above(5000), {35, 4, 'W', 'N'}},
        {below(6000), {35, 4, 'W', 'N'}},
        {6000, {35, 4, 'E', 'N'}},
        {1e9, {35, 4, 'E', 'N'}},
    };
    for (auto [p, expected] : cases) EXPECT_EQ(locate(p, 60), expected) << p;
}

TEST(LocateOnGrid, EveryPressureLineIsALowerBound) {
    for (int k = 1; k <= 34; ++k) {
        EXPECT_EQ(locate(kPressures[k - 1], 60).p, k) << kPressures[k - 1];
        if (k > 1) {
            EXPECT_EQ(locate(below(kPressures[k - 1]), 60).p, k - 1) << kPressures[k - 1];
        }
    }
}

// The brackets from 50 °C to 700 °C: (low, high], the temperature index, the
// pressure ranges [from, below) that move the block up, and the pressure below
// which the point is outside the data.
struct Raise {
    double from;
    double below;
    int by;
};
struct Bracket {
    double low;
    double high;
    int t;
    std::vector<Raise> raises;
    double errorBelow;  // -INF: none
};
const std::vector<Bracket>& brackets() {
    static const std::vector<Bracket> rows = {
        {50, 75, 4, {}, -INF},
        {75, 100, 5, {{-INF, 1.0133, 1}}, -INF},
        {100, 125, 6, {{-INF, 2.321, 1}}, 1.013},
        {125, 150, 7, {{-INF, 4.758, 1}}, 2.321},
        {150, 175, 8, {{-INF, 8.919, 1}}, 4.758},
        {175, 200, 9, {{-INF, 15.537, 1}}, 8.919},
        {200, 225, 10, {{-INF, 25.479, 1}}, 15.537},
        {225, 250, 11, {{-INF, 39.737, 1}}, 25.479},
        {250, 275, 12, {{-INF, 59.432, 1}}, 39.737},
        {275, 300, 13, {{-INF, 85.839, 1}}, 59.432},
        {300, 325, 14, {{-INF, 120.458, 1}}, 85.839},
        {325, 350, 15, {{-INF, 165.212, 1}}, 120.458},
        {350, 400, 16, {{165.212, 200, 3}, {200, 250, 2}, {250, 300, 1}}, 165.212},
        {400, 410, 17, {{200, 350, 1}}, 200},
        {410, 420, 18, {{350, 400, 1}}, 350},
        {420, 430, 19, {{350, 400, 1}}, 350},
        {430, 440, 20, {{400, 450, 1}}, 400},
        {440, 450, 21, {{450, 500, 1}}, 450},
        {450, 460, 22, {{450, 500, 1}}, 450},
        {460, 470, 23, {{500, 550, 1}}, 500},
        {470, 480, 24, {{550, 600, 1}}, 550},
        {480, 490, 25, {{550, 600, 1}}, 550},
        {490, 500, 26, {{600, 650, 1}}, 600},
        {500, 510, 27, {{600, 650, 1}}, 600},
        {510, 520, 28, {{650, 700, 1}}, 650},
        {520, 530, 29, {{700, 750, 1}}, 700},
        {530, 540, 30, {{700, 750, 1}}, 700},
        {540, 550, 31, {{750, 800, 1}}, 700},
        {550, 560, 32, {{800, 850, 1}}, 800},
        {560, 570, 33, {{800, 850, 1}}, 800},
        {570, 580, 34, {{850, 900, 1}}, 850},
        {580, 590, 35, {{900, 950, 1}}, 900},
        {590, 600, 36, {{900, 950, 1}}, 900},
        {600, 700, 36, {{900, 950, 1}}, 800},
    };
    return rows;
}

// Pressure index and flag from the pressure alone.
std::pair<int, char> byPressure(double p) {
    if (p <= 0) return {1, 'E'};
    if (p < 1) return {1, 'W'};
    if (p < 4000) {
        // the number of grid pressures at or below p
        return {static_cast<int>(std::upper_bound(kPressures, kPressures + 35, p) - kPressures), 'N'};
    }
    if (p <= 5000) return {35, 'N'};
    return {35, p < 6000 ? 'W' : 'E'};
}

Located expectedIn(const Bracket& b, double p) {
    auto [index, pf] = byPressure(p);
    char bf = 'N';
    for (const Raise& r : b.raises) {
        if (r.from <= p && p < r.below) {
            index += r.by;
            bf = 'W';
        }
    }
    if (p < b.errorBelow) bf = 'E';
    if (b.low == 600 && pf == 'N') pf = 'W';
    return {index, b.t, pf, bf};
}

// Both sides of every raise range and threshold, at both ends and the middle
// of every bracket, plus pressures across the whole range.
TEST(LocateOnGrid, EveryBracketEdge) {
    for (const Bracket& b : brackets()) {
        std::vector<double> pressures = {0,   0.5, 1,    1.0133, 3,    50,   500,
                                         940, 960, 1000, 4000,   4800, 5500, 6000};
        for (const Raise& r : b.raises) {
            if (std::isfinite(r.from)) pressures.insert(pressures.end(), {r.from, below(r.from)});
            pressures.insert(pressures.end(), {r.below, below(r.below)});
        }
        if (std::isfinite(b.errorBelow))
            pressures.insert(pressures.end(), {b.errorBelow, below(b.errorBelow)});
        for (double t : {above(b.low), (b.low + b.high) / 2, b.high})
            for (double p : pressures)
                EXPECT_EQ(locate(p, t), expectedIn(b, p)) << p << " bar, " << t << " C";
    }
}

// The ends of the grid: below 0.01 °C, up to 50 °C, above 700 °C.
TEST(LocateOnGrid, TemperatureEnds) {
    const Case cases[] = {
        {100, -INF, {10, 3, 'E', 'N'}},
        {100, below(0.01), {10, 3, 'E', 'N'}},
        {100, 0.01, {10, 3, 'N', 'N'}},
        {4800, 0.01, {34, 3, 'N', 'N'}},
        {4800, below(0.01), {34, 3, 'E', 'N'}},
        {0.5, 50, {1, 3, 'W', 'N'}},
        {4000, 50, {34, 3, 'N', 'N'}},
        {4000, above(50), {35, 4, 'N', 'N'}},
        {1000, 700, {29, 36, 'W', 'N'}},
        {1000, above(700), {29, 36, 'E', 'N'}},
        {4800, 1e6, {35, 36, 'E', 'N'}},
        {4800, INF, {35, 36, 'E', 'N'}},
    };
    for (const Case& c : cases) EXPECT_EQ(locate(c.p, c.t), c.expected) << c.p << " bar, " << c.t << " C";
}

// ---------------------------------------------------------------------------
// Three-point Lagrange arithmetic

TEST(Lagrange, ReproducesNodesAndQuadratics) {
    const std::array<double, 3> x = {1.0, 1.0133, 2.321};
    auto f = [](double v) { return 0.25 - 3.0 * v + 1.75 * v * v; };
    const std::array<double, 3> y = {f(x[0]), f(x[1]), f(x[2])};
    // y*a/a need not give y back exactly: a node is reproduced within rounding.
    for (int i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(lagrange3(x[i], x, y), y[i]);
    for (double v : {0.0, 1.005, 1.5, 2.0, 3.0})
        EXPECT_NEAR(lagrange3(v, x, y), f(v), 1e-9) << v;
}

// The order of the arithmetic is fixed: these data give different bits with
// any other order of factors, divisions or terms.
TEST(Lagrange, OrderOfArithmeticIsPinned) {
    EXPECT_EQ(lagrange3(343.28, {300, 325, 350}, {-16.246, -18.866, 13.431}), 1.3181582822399571);
}

// ---------------------------------------------------------------------------
// Finding the nodes an interpolation uses: put 1 at one node, 0 elsewhere; the
// result is non-zero exactly when that node is in the stencil (the temperature
// must not sit on a node). Nodes holding the absent marker are left alone.

template <std::size_t N, class Interpolate>
std::vector<int> nodesUsed(Interpolate interpolate, double t, std::array<double, N> values) {
    std::vector<int> used;
    for (std::size_t k = 0; k < N; ++k) {
        if (values[k] == ABSENT_DATA) continue;
        std::array<double, N> spike = values;
        spike[k] = 1.0;
        if (interpolate(t, spike) != 0.0) used.push_back(static_cast<int>(k) + 1);
    }
    return used;
}
std::vector<int> threeFrom(int first) { return {first, first + 1, first + 2}; }

// ---------------------------------------------------------------------------
// interpolateSaturationCurve

double curveQuadratic(double t) { return 3.0 - 0.02 * t + 1.5e-4 * t * t; }
std::array<double, N_SATURATION> curveOfQuadratic() {
    std::array<double, N_SATURATION> curve{};
    for (int k = 0; k < N_SATURATION; ++k) curve[k] = curveQuadratic(kTemperatures[k]);
    return curve;
}

TEST(SaturationCurveInterpolation, ReproducesAQuadraticInsideAndOutside) {
    const auto curve = curveOfQuadratic();
    for (double t : {0.01, 1.0, 12.3, 25.0, 25.5, 50.5, 137.0, 325.0, 349.9, 350.0, 375.0, 400.0})
        EXPECT_NEAR(interpolateSaturationCurve(t, curve), curveQuadratic(t), 1e-11) << t;
    for (int k = 0; k < N_SATURATION; ++k)
        EXPECT_DOUBLE_EQ(interpolateSaturationCurve(kTemperatures[k], curve), curve[k]) << kTemperatures[k];
}

TEST(SaturationCurveInterpolation, Reach) {
    const auto curve = curveOfQuadratic();
    EXPECT_EQ(interpolateSaturationCurve(below(0.01), curve), ABSENT_DATA);
    EXPECT_EQ(interpolateSaturationCurve(-10, curve), ABSENT_DATA);
    EXPECT_EQ(interpolateSaturationCurve(above(400), curve), ABSENT_DATA);
    EXPECT_EQ(interpolateSaturationCurve(400.01, curve), ABSENT_DATA);
    EXPECT_FALSE(isAbsent(interpolateSaturationCurve(400, curve)));
    EXPECT_FALSE(isAbsent(interpolateSaturationCurve(0.01, curve)));
}

// Just below and just above every node: the bracket rule and its two ends
// (below 25 °C the first three nodes, above 325 °C the last three).
TEST(SaturationCurveInterpolation, Stencils) {
    const std::pair<double, int> cases[] = {
        {0.02, 1},    {24.9, 1},   {25.1, 1},   {25.5, 1},   {49.9, 1},   {50.1, 2},
        {50.5, 2},    {74.9, 2},   {75.1, 3},   {99.9, 3},   {100.1, 4},  {124.9, 4},
        {125.1, 5},   {149.9, 5},  {150.1, 6},  {174.9, 6},  {175.1, 7},  {199.9, 7},
        {200.1, 8},   {224.9, 8},  {225.1, 9},  {249.9, 9},  {250.1, 10}, {274.9, 10},
        {275.1, 11},  {299.9, 11}, {300.1, 12}, {324.9, 12}, {325.1, 13}, {349.9, 13},
        {350.1, 13},  {399.9, 13}, {400.0, 13},
    };
    for (auto [t, first] : cases)
        EXPECT_EQ(nodesUsed(interpolateSaturationCurve, t, std::array<double, N_SATURATION>{}), threeFrom(first)) << t;
}

TEST(SaturationCurveInterpolation, OnANodeGivesItsValue) {
    std::array<double, N_SATURATION> curve{};
    for (int k = 0; k < N_SATURATION; ++k) curve[k] = 10.0 + k * k;
    EXPECT_DOUBLE_EQ(interpolateSaturationCurve(0.01, curve), 10.0);
    EXPECT_DOUBLE_EQ(interpolateSaturationCurve(25, curve), 11.0);
    EXPECT_DOUBLE_EQ(interpolateSaturationCurve(350, curve), 10.0 + 14 * 14);
}

TEST(SaturationCurveInterpolation, OrderOfArithmeticIsPinned) {
    std::array<double, N_SATURATION> curve{};
    curve[12] = -16.246;
    curve[13] = -18.866;
    curve[14] = 13.431;
    EXPECT_EQ(interpolateSaturationCurve(343.28, curve), 1.3181582822399571);
}

// ---------------------------------------------------------------------------
// Saturation pressure

TEST(SaturationPressure, AlongTheCurve) {
    EXPECT_EQ(saturationPressure(0.01), 1.0);
    EXPECT_EQ(saturationPressure(20), 1.0);
    EXPECT_EQ(saturationPressure(25), 1.0);
    EXPECT_EQ(saturationPressure(100), 1.013);
    EXPECT_DOUBLE_EQ(saturationPressure(350), 165.212);
    // 75-100 °C: through 1, 1 and 1.013 bar at 50, 75 and 100 °C.
    EXPECT_NEAR(saturationPressure(87.5), 1.0 + 0.013 * (37.5 * 12.5) / (50.0 * 25.0), 1e-15);
    // 374 °C: quadratic extrapolation through 300, 325 and 350 °C (Newton form).
    const double d1 = (120.458 - 85.839) / 25, d2 = (165.212 - 120.458) / 25;
    EXPECT_NEAR(saturationPressure(374), 85.839 + d1 * 74 + (d2 - d1) / 50 * 74 * 49, 1e-12);
    EXPECT_EQ(saturationPressure(374), 217.71084799999994);
    EXPECT_EQ(saturationPressure(400.01), ABSENT_DATA);
}

TEST(SaturationCurve, TakenFromAFullTable) {
    FullTable table;
    for (int r = 1; r <= N_PRESSURES; ++r)
        for (int c = 1; c <= N_TEMPERATURES; ++c) table.at(r, c) = 100.0 * r + c;
    std::array<double, N_SATURATION> curve{};
    saturationCurveOf(table, curve);
    const std::array<double, N_SATURATION> expected = {101, 102, 103, 104, 205,  306,  407, 508,
                                                       609, 710, 811, 912, 1013, 1114, 1215};
    EXPECT_EQ(curve, expected);
}

// ---------------------------------------------------------------------------
// interpolateShortTable

double shortQuadratic(double t) { return -1.5 + 0.03 * t - 4e-5 * t * t; }
std::array<double, N_SHORT> shortOf(double (*f)(double), int valid) {
    std::array<double, N_SHORT> s{};
    for (int k = 0; k < N_SHORT; ++k) s[k] = k < valid ? f(kShortTemperatures[k]) : ABSENT_DATA;
    return s;
}
double zero(double) { return 0.0; }

TEST(ShortTableInterpolation, FullTableReproducesAQuadratic) {
    const auto s = shortOf(shortQuadratic, 8);
    for (double t : {-20.0, 0.0, 10.0, 25.0, 37.0, 60.0, 100.0, 175.0, 260.0, 349.0, 350.0, 380.0, 400.0})
        EXPECT_NEAR(interpolateShortTable(t, s), shortQuadratic(t), 1e-11) << t;
    EXPECT_EQ(interpolateShortTable(above(400), s), ABSENT_DATA);
    EXPECT_EQ(interpolateShortTable(400.01, s), ABSENT_DATA);
}

TEST(ShortTableInterpolation, Stencils) {
    struct Row {
        int valid;
        double t;
        int first;
    };
    const Row rows[] = {
        {8, -10, 1},   {8, 24.9, 1},  {8, 25.1, 1},  {8, 49.9, 1},  {8, 50.1, 1},
        {8, 99.9, 1},  {8, 100.1, 2}, {8, 149.9, 2}, {8, 150.1, 3}, {8, 199.9, 3},
        {8, 200.1, 4}, {8, 249.9, 4}, {8, 250.1, 5}, {8, 299.9, 5}, {8, 300.1, 6},
        {8, 349.9, 6}, {8, 350.1, 6}, {8, 399.9, 6},
        // values 6-8 absent: top 200 °C, extrapolation through 100, 150, 200
        {5, 149.9, 2}, {5, 150.1, 3}, {5, 199.9, 3}, {5, 200.1, 3}, {5, 249.0, 3},
        // values 4-8 absent: top 100 °C
        {3, -100, 1}, {3, 75, 1}, {3, 120, 1}, {3, 149.9, 1},
    };
    for (const Row& r : rows)
        EXPECT_EQ(nodesUsed(interpolateShortTable, r.t, shortOf(zero, r.valid)), threeFrom(r.first))
            << r.valid << " values, " << r.t << " C";
}

TEST(ShortTableInterpolation, ExtrapolatesAtMost50DegreesAboveTheData) {
    for (int valid = 3; valid <= 8; ++valid) {
        const auto s = shortOf(shortQuadratic, valid);
        const double top = kShortTemperatures[valid - 1];
        const double limit = std::min(top + 50, 400.0);
        EXPECT_NEAR(interpolateShortTable(limit, s), shortQuadratic(limit), 1e-11) << valid;
        EXPECT_EQ(interpolateShortTable(limit + 0.01, s), ABSENT_DATA) << valid;
        EXPECT_NEAR(interpolateShortTable(-30, s), shortQuadratic(-30), 1e-11) << valid;  // no lower limit
    }
    const auto five = shortOf(shortQuadratic, 5);
    EXPECT_NEAR(interpolateShortTable(249, five), shortQuadratic(249), 1e-11);
    EXPECT_EQ(interpolateShortTable(251, five), ABSENT_DATA);
}

TEST(ShortTableInterpolation, SingleValue) {
    auto s = shortOf(zero, 1);
    s[0] = -3.25;
    for (double t : {10.0, 20.0, 25.0, 35.0}) EXPECT_EQ(interpolateShortTable(t, s), -3.25) << t;
    for (double t : {below(10.0), above(35.0), 40.0, 0.01, 300.0})
        EXPECT_EQ(interpolateShortTable(t, s), ABSENT_DATA) << t;
}

TEST(ShortTableInterpolation, TwoValuesMakeAStraightLine) {
    auto s = shortOf(zero, 2);
    s[0] = 2.0;
    s[1] = 3.0;
    for (double t : {0.01, 10.0, 25.0, 40.0, 50.0, 60.0, 75.0})
        EXPECT_NEAR(interpolateShortTable(t, s), 2.0 + (t - 25.0) / 25.0, 1e-14) << t;
    EXPECT_EQ(interpolateShortTable(25.0, s), 2.0);
    EXPECT_EQ(interpolateShortTable(below(0.01), s), ABSENT_DATA);
    EXPECT_EQ(interpolateShortTable(above(75.0), s), ABSENT_DATA);
    // Only lines: a quadratic's two values give the chord, not the quadratic.
    const auto q = shortOf(shortQuadratic, 2);
    EXPECT_GT(std::abs(interpolateShortTable(70.0, q) - shortQuadratic(70.0)), 1e-3);
}

TEST(ShortTableInterpolation, OnlyTheExactMarkerEndsTheData) {
    // value 5 absent, 6-8 present: four values, the later ones ignored
    auto s = shortOf(shortQuadratic, 8);
    s[4] = ABSENT_DATA;
    EXPECT_NEAR(interpolateShortTable(190, s), shortQuadratic(190), 1e-11);
    EXPECT_EQ(interpolateShortTable(200.1, s), ABSENT_DATA);
    auto spikes = shortOf(zero, 8);
    spikes[4] = ABSENT_DATA;
    EXPECT_EQ(nodesUsed(interpolateShortTable, 190.0, spikes), threeFrom(2));

    // value 1 is always data, even when it holds the marker
    auto first = shortOf(shortQuadratic, 8);
    first[0] = ABSENT_DATA;
    EXPECT_NEAR(interpolateShortTable(330, first), shortQuadratic(330), 1e-11);

    // close to the marker is still a value
    for (double nearly : {99999.0, below(ABSENT_DATA), above(ABSENT_DATA)}) {
        auto z = shortOf(zero, 8);
        z[2] = nearly;
        EXPECT_EQ(interpolateShortTable(300, z), 0.0) << nearly;
    }
    auto z = shortOf(zero, 8);
    z[2] = ABSENT_DATA;
    EXPECT_EQ(interpolateShortTable(300, z), ABSENT_DATA);
}

// ---------------------------------------------------------------------------
// interpolateFullTable

// Quadratic in P at every T and quadratic in T at every P.
double biquadratic(double p, double t) {
    return 0.7 + 2e-4 * p - 3e-8 * p * p - 1e-3 * t + 2e-6 * t * t + 1e-7 * p * t +
           1e-14 * p * p * t * t - 5e-12 * p * p * t;
}
FullTable tableOf(double (*f)(double, double)) {
    FullTable table;
    for (int r = 1; r <= N_PRESSURES; ++r)
        for (int c = 1; c <= N_TEMPERATURES; ++c) table.at(r, c) = f(kPressures[r - 1], kTemperatures[c - 1]);
    return table;
}

TEST(FullTableInterpolation, ReproducesABiquadraticInsideAndOutside) {
    const FullTable table = tableOf(biquadratic);
    const struct {
        double p, t;
        int ip, it;
    } cases[] = {
        {1.005, 30, 1, 3},      {1.5, 90, 1, 5},      {180, 380, 12, 16},    {220, 380, 13, 16},
        {720, 545, 23, 31},     {4200, 585, 35, 36},  {4800, 40, 34, 3},     {5800, 650, 35, 36},
        {3000, 10, 33, 3},      {500, 600, 19, 36},   {100, 200, 10, 9},     {950, 610, 28, 36},
    };
    for (const auto& c : cases) {
        const double want = biquadratic(c.p, c.t);
        EXPECT_NEAR(interpolateFullTable(c.p, c.t, c.ip, c.it, table), want, 1e-10 * std::max(1.0, std::abs(want)))
            << c.p << " bar, " << c.t << " C";
    }
    for (int r = 1; r <= 35; ++r)
        for (int c = 3; c <= 36; ++c)
            EXPECT_DOUBLE_EQ(interpolateFullTable(kPressures[r - 1], kTemperatures[c - 1], r, c, table), table.at(r, c));
}

TEST(FullTableInterpolation, UsesTheBlockAboveThePressureAndBelowTheTemperature) {
    const struct {
        double p, t;
        int ip, it;
    } cases[] = {{4200, 585, 35, 36}, {1.005, 30, 1, 3}, {180, 380, 12, 16}, {100, 195, 10, 9}};
    for (const auto& c : cases) {
        std::set<std::pair<int, int>> used;
        for (int r = 1; r <= N_PRESSURES; ++r) {
            for (int col = 1; col <= N_TEMPERATURES; ++col) {
                FullTable spike;
                spike.at(r, col) = 1.0;
                if (interpolateFullTable(c.p, c.t, c.ip, c.it, spike) != 0.0) used.insert({r, col});
            }
        }
        std::set<std::pair<int, int>> expected;
        for (int r = c.ip; r < c.ip + 3; ++r)
            for (int col = c.it - 2; col <= c.it; ++col) expected.insert({r, col});
        EXPECT_EQ(used, expected) << c.ip << ", " << c.it;
    }
}

// A table holding the absent-data value on some cells (data given along the
// saturation curve only): a block with one absent node gives the absent
// value, whichever node it is; a block without one interpolates as before.
TEST(FullTableInterpolation, AnAbsentNodeMakesTheValueAbsent) {
    const struct {
        double p, t;
        int ip, it;
    } cases[] = {{1.013, 9.9, 1, 3}, {180, 380, 12, 16}, {100, 195, 10, 9}};
    for (const auto& c : cases) {
        for (int r = c.ip; r < c.ip + 3; ++r) {
            for (int col = c.it - 2; col <= c.it; ++col) {
                FullTable table = tableOf(biquadratic);
                table.at(r, col) = ABSENT_DATA;
                EXPECT_EQ(interpolateFullTable(c.p, c.t, c.ip, c.it, table), ABSENT_DATA) << r << ", " << col;
            }
        }
        FullTable outside = tableOf(biquadratic);
        outside.at(c.ip + 3, c.it) = ABSENT_DATA;
        outside.at(c.ip, c.it - 3 > 0 ? c.it - 3 : c.it + 1) = ABSENT_DATA;
        EXPECT_NEAR(interpolateFullTable(c.p, c.t, c.ip, c.it, outside), biquadratic(c.p, c.t), 1e-9);
    }
}

TEST(SaturationCurveInterpolation, AnAbsentNodeMakesTheValueAbsent) {
    for (double t : {9.9, 20.0, 137.0, 310.0, 360.0}) {
        std::array<double, N_SATURATION> probe{};
        const std::vector<int> used = nodesUsed(interpolateSaturationCurve, t, probe);
        for (int k = 1; k <= N_SATURATION; ++k) {
            auto curve = curveOfQuadratic();
            curve[static_cast<std::size_t>(k - 1)] = ABSENT_DATA;
            const bool inStencil = std::find(used.begin(), used.end(), k) != used.end();
            const double v = interpolateSaturationCurve(t, curve);
            if (inStencil)
                EXPECT_EQ(v, ABSENT_DATA) << t << " C, node " << k;
            else
                EXPECT_NEAR(v, curveQuadratic(t), 1e-11) << t << " C, node " << k;
        }
    }
}

TEST(FullTableInterpolation, BlockOutsideTheGridIsAnInternalError) {
    const FullTable table;
    EXPECT_THROW(interpolateFullTable(100, 100, 36, 5, table), InternalError);
    EXPECT_THROW(interpolateFullTable(100, 100, 0, 5, table), InternalError);
    EXPECT_THROW(interpolateFullTable(100, 100, 5, 2, table), InternalError);
    EXPECT_THROW(interpolateFullTable(100, 100, 5, 37, table), InternalError);
}

// Pressure first, down each temperature column, then temperature: the other
// order gives different bits for these data.
TEST(FullTableInterpolation, OrderOfArithmeticIsPinned) {
    FullTable table;
    const double block[3][3] = {{-3.52, -6.98, 3.02}, {-8.55, 0.72, -2.69}, {-8.84, 0.15, -9.25}};
    for (int k = 0; k < 3; ++k)
        for (int m = 0; m < 3; ++m) table.at(13 + k, 15 + m) = block[k][m];
    EXPECT_EQ(interpolateFullTable(243.4, 354.2, 13, 17, table), -6.260986105558407);
}

}  // namespace
}  // namespace wq
