// Grid location: which block of the pressure-temperature grid serves a run,
// and whether the data reach it.
#include <algorithm>
#include <limits>

#include "grid/grid.hpp"

namespace wq {

namespace {

constexpr bool ascending(const auto& grid) {
    for (std::size_t i = 1; i < grid.size(); ++i)
        if (!(grid[i - 1] < grid[i])) return false;
    return true;
}
static_assert(ascending(GRID_PRESSURES));
static_assert(ascending(GRID_TEMPERATURES));
static_assert(ascending(SHORT_TABLE_TEMPERATURES));

// The saturation curve lies on the first 15 grid temperatures, and grid
// pressures 3 to 12 are its pressures at 125 to 350 °C.
constexpr bool curveOnGrid() {
    for (int c = 0; c < N_SATURATION; ++c)
        if (SATURATION_TEMPERATURES[c] != GRID_TEMPERATURES[c]) return false;
    for (int c = 5; c < N_SATURATION; ++c)
        if (SATURATION_PRESSURES[c] != GRID_PRESSURES[c - 3]) return false;
    return true;
}
static_assert(curveOnGrid());

// The top block: pressures 4000, 4500 and 5000 bar. 4500 is not a bracket
// boundary; this block serves everything from 4000 bar up.
constexpr int TOP_PRESSURE_BLOCK = N_PRESSURES - 2;
// Beyond the grid's 5000 bar the data are extrapolated up to this (bar).
constexpr double MAX_EXTRAPOLATED_PRESSURE = 6000.0;

constexpr double NEGATIVE_INFINITY = -std::numeric_limits<double>::infinity();
// A raise range or error threshold open downwards / absent.
constexpr double ANY_PRESSURE = NEGATIVE_INFINITY;
constexpr double NO_THRESHOLD = NEGATIVE_INFINITY;

// What a temperature bracket does to the pressure flag.
enum class PressureVerdict {
    keep,          // inside the grid
    error,         // outside the temperature range of the data
    warnIfNormal,  // extrapolation in temperature above 600 °C
};

// Pressures from <= P < below move the block up `by` pressure lines.
struct BlockRaise {
    double from = 0.0;
    double below = 0.0;
    int by = 0;
};

struct TemperatureBracket {
    double top;         // upper temperature bound (°C)
    bool topIncluded;   // the bracket is (previous top, top]; else (.., top)
    int temperatureIndex;
    std::array<BlockRaise, 3> raises;
    double errorBelow;  // block flag 'E' for P below this (bar)
    PressureVerdict verdict;
    int maxPressureIndex;
};

using enum PressureVerdict;

// Temperature brackets of the full grid, in ascending order; the first that
// contains T applies. From 75 to 350 °C the block is moved up one pressure line
// when P lies below the saturation pressure at the bracket's upper temperature
// (the lower grid lines hold no liquid data there), and P below the saturation
// pressure at its lower temperature (1.013 bar for 100-125 °C) is vapour. Above
// 350 °C the raise ranges and thresholds mark the low-pressure edge of the
// tabulated data, bracket by bracket; they are irregular (540-550 °C raises
// from 750 bar but errs only below 700; 600-700 °C errs below 800) and are
// copied as they are, not derived. Up to 50 °C the top block is 3500-4000-4500
// bar.
constexpr std::array<TemperatureBracket, 37> TEMPERATURE_BRACKETS = {{
    {0.01, false, 3, {}, NO_THRESHOLD, error, 34},
    {50.0, true, 3, {}, NO_THRESHOLD, keep, 34},
    {75.0, true, 4, {}, NO_THRESHOLD, keep, TOP_PRESSURE_BLOCK},
    {100.0, true, 5, {{{ANY_PRESSURE, 1.0133, 1}}}, NO_THRESHOLD, keep, TOP_PRESSURE_BLOCK},
    {125.0, true, 6, {{{ANY_PRESSURE, 2.321, 1}}}, 1.013, keep, TOP_PRESSURE_BLOCK},
    {150.0, true, 7, {{{ANY_PRESSURE, 4.758, 1}}}, 2.321, keep, TOP_PRESSURE_BLOCK},
    {175.0, true, 8, {{{ANY_PRESSURE, 8.919, 1}}}, 4.758, keep, TOP_PRESSURE_BLOCK},
    {200.0, true, 9, {{{ANY_PRESSURE, 15.537, 1}}}, 8.919, keep, TOP_PRESSURE_BLOCK},
    {225.0, true, 10, {{{ANY_PRESSURE, 25.479, 1}}}, 15.537, keep, TOP_PRESSURE_BLOCK},
    {250.0, true, 11, {{{ANY_PRESSURE, 39.737, 1}}}, 25.479, keep, TOP_PRESSURE_BLOCK},
    {275.0, true, 12, {{{ANY_PRESSURE, 59.432, 1}}}, 39.737, keep, TOP_PRESSURE_BLOCK},
    {300.0, true, 13, {{{ANY_PRESSURE, 85.839, 1}}}, 59.432, keep, TOP_PRESSURE_BLOCK},
    {325.0, true, 14, {{{ANY_PRESSURE, 120.458, 1}}}, 85.839, keep, TOP_PRESSURE_BLOCK},
    {350.0, true, 15, {{{ANY_PRESSURE, 165.212, 1}}}, 120.458, keep, TOP_PRESSURE_BLOCK},
    {400.0, true, 16, {{{165.212, 200.0, 3}, {200.0, 250.0, 2}, {250.0, 300.0, 1}}}, 165.212,
     keep, TOP_PRESSURE_BLOCK},
    {410.0, true, 17, {{{200.0, 350.0, 1}}}, 200.0, keep, TOP_PRESSURE_BLOCK},
    {420.0, true, 18, {{{350.0, 400.0, 1}}}, 350.0, keep, TOP_PRESSURE_BLOCK},
    {430.0, true, 19, {{{350.0, 400.0, 1}}}, 350.0, keep, TOP_PRESSURE_BLOCK},
    {440.0, true, 20, {{{400.0, 450.0, 1}}}, 400.0, keep, TOP_PRESSURE_BLOCK},
    {450.0, true, 21, {{{450.0, 500.0, 1}}}, 450.0, keep, TOP_PRESSURE_BLOCK},
    {460.0, true, 22, {{{450.0, 500.0, 1}}}, 450.0, keep, TOP_PRESSURE_BLOCK},
    {470.0, true, 23, {{{500.0, 550.0, 1}}}, 500.0, keep, TOP_PRESSURE_BLOCK},
    {480.0, true, 24, {{{550.0, 600.0, 1}}}, 550.0, keep, TOP_PRESSURE_BLOCK},
    {490.0, true, 25, {{{550.0, 600.0, 1}}}, 550.0, keep, TOP_PRESSURE_BLOCK},
    {500.0, true, 26, {{{600.0, 650.0, 1}}}, 600.0, keep, TOP_PRESSURE_BLOCK},
    {510.0, true, 27, {{{600.0, 650.0, 1}}}, 600.0, keep, TOP_PRESSURE_BLOCK},
    {520.0, true, 28, {{{650.0, 700.0, 1}}}, 650.0, keep, TOP_PRESSURE_BLOCK},
    {530.0, true, 29, {{{700.0, 750.0, 1}}}, 700.0, keep, TOP_PRESSURE_BLOCK},
    {540.0, true, 30, {{{700.0, 750.0, 1}}}, 700.0, keep, TOP_PRESSURE_BLOCK},
    {550.0, true, 31, {{{750.0, 800.0, 1}}}, 700.0, keep, TOP_PRESSURE_BLOCK},
    {560.0, true, 32, {{{800.0, 850.0, 1}}}, 800.0, keep, TOP_PRESSURE_BLOCK},
    {570.0, true, 33, {{{800.0, 850.0, 1}}}, 800.0, keep, TOP_PRESSURE_BLOCK},
    {580.0, true, 34, {{{850.0, 900.0, 1}}}, 850.0, keep, TOP_PRESSURE_BLOCK},
    {590.0, true, 35, {{{900.0, 950.0, 1}}}, 900.0, keep, TOP_PRESSURE_BLOCK},
    {600.0, true, 36, {{{900.0, 950.0, 1}}}, 900.0, keep, TOP_PRESSURE_BLOCK},
    {700.0, true, 36, {{{900.0, 950.0, 1}}}, 800.0, warnIfNormal, TOP_PRESSURE_BLOCK},
    // Above 700 °C (and any temperature no bracket holds): outside the data.
    {0.0, true, 36, {}, NO_THRESHOLD, error, TOP_PRESSURE_BLOCK},
}};

bool contains(const TemperatureBracket& bracket, double t) {
    return bracket.topIncluded ? t <= bracket.top : t < bracket.top;
}

const TemperatureBracket& bracketOf(double temperature) {
    for (std::size_t i = 0; i + 1 < TEMPERATURE_BRACKETS.size(); ++i)
        if (contains(TEMPERATURE_BRACKETS[i], temperature)) return TEMPERATURE_BRACKETS[i];
    return TEMPERATURE_BRACKETS.back();
}

// The highest pressure line k (1..34) with grid pressure k <= P.
int lowerPressureLine(double pressure) {
    for (int k = TOP_PRESSURE_BLOCK - 1; k > 1; --k)
        if (gridPressure(k) <= pressure) return k;
    return 1;
}

// Pressure index of the block, with the verdict on the pressure alone.
int pressureIndexOf(double pressure, char& pressureFlag) {
    if (pressure <= 0.0) {
        pressureFlag = 'E';
        return 1;
    }
    if (pressure < gridPressure(1)) {
        pressureFlag = 'W';
        return 1;
    }
    if (pressure < gridPressure(TOP_PRESSURE_BLOCK)) return lowerPressureLine(pressure);
    if (pressure <= gridPressure(N_PRESSURES)) return TOP_PRESSURE_BLOCK;
    pressureFlag = pressure < MAX_EXTRAPOLATED_PRESSURE ? 'W' : 'E';
    return TOP_PRESSURE_BLOCK;
}

void applyVerdict(PressureVerdict verdict, char& pressureFlag) {
    switch (verdict) {
    case keep:
        break;
    case error:
        pressureFlag = 'E';
        break;
    case warnIfNormal:
        if (pressureFlag == 'N') pressureFlag = 'W';
        break;
    }
}

}  // namespace

void locateOnGrid(double pressure, double temperature, GridLocation& loc) {
    loc.pressureFlag = 'N';
    loc.pressureIndex = pressureIndexOf(pressure, loc.pressureFlag);

    const TemperatureBracket& bracket = bracketOf(temperature);
    loc.temperatureIndex = bracket.temperatureIndex;
    applyVerdict(bracket.verdict, loc.pressureFlag);
    loc.pressureIndex = std::min(loc.pressureIndex, bracket.maxPressureIndex);

    // Raise and error tests are independent: a pressure may do both.
    for (const BlockRaise& raise : bracket.raises) {
        if (raise.by > 0 && raise.from <= pressure && pressure < raise.below) {
            loc.pressureIndex += raise.by;
            loc.blockFlag = 'W';
        }
    }
    if (pressure < bracket.errorBelow) loc.blockFlag = 'E';
}

}  // namespace wq
