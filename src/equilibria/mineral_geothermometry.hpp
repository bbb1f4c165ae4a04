// Multicomponent geothermometry: the temperature at which a water was last in
// equilibrium with its reservoir minerals is where their saturation indices,
// computed over a range of temperatures, cluster around zero (Reed & Spycher
// 1984, Geochim. Cosmochim. Acta 48, 1479-1492). Spycher et al. (2014,
// Geothermics 51, 113-123) judge the clustering by statistics over the
// mineral set at each temperature; two of theirs are used here: the median of
// |log Q/K| and the root mean square of log Q/K.
#pragma once

#include <vector>

namespace wq {

// The reservoir minerals of an estimate when none are named: the common
// hydrothermal alteration minerals of geothermal reservoirs, by their names
// in the bundled database, ended by a null. Those a database lacks, or a water cannot form, are passed
// over; minerals that fix a total tell nothing of the reservoir.
extern const char* const DEFAULT_RESERVOIR_MINERALS[];

// The smallest value of a curve sampled on a grid of temperatures.
struct CurveMinimum {
    bool found = false;
    double temperature = 0.0;  // deg C, refined between grid points
    double value = 0.0;
    bool atEdge = false;       // the smallest sample is the first or last one:
                               // the true minimum may lie beyond the sweep
};

// A range of temperatures; an open end reaches the edge of the sweep.
struct TemperatureRange {
    bool found = false;
    double low = 0.0, high = 0.0;  // deg C
    bool openLow = false, openHigh = false;
};

struct TemperatureEstimate {
    int minerals = 0;                  // in the statistics
    std::vector<double> temperatures;  // those where every mineral has a value
    std::vector<double> medianAbs;     // median of |log Q/K| at each of them
    std::vector<double> rms;           // root mean square of log Q/K
    CurveMinimum medianMinimum;  // refined by the parabola through its three lowest samples
    CurveMinimum rmsMinimum;     // exact between nodes for curves linear between them
    TemperatureRange rmsRange;         // RMS within RMS_TOLERANCE of its minimum
    // log Q/K of every mineral at each of `temperatures`: [temperature][mineral].
    std::vector<std::vector<double>> kept;
};

// The RMS of log Q/K of an estimate's curves at t, each curve interpolated
// smoothly between the nodes as the estimate's minimum is found; infinity
// outside its temperatures or when it has none.
double rmsAt(const TemperatureEstimate& estimate, double t);

// How far above its minimum the RMS may rise inside the range of the estimate.
constexpr double RMS_TOLERANCE = 0.1;

// `saturation[m][k]` is log Q/K of mineral m at temperatures[k] (ascending);
// NaN where the run at that temperature gave none (it failed, or the mineral
// was not in it). A temperature where any mineral has no value is left out.
TemperatureEstimate estimateTemperature(const std::vector<double>& temperatures,
                                        const std::vector<std::vector<double>>& saturation);

// The temperatures at which one curve crosses zero, linearly interpolated
// between neighbouring samples that have values.
std::vector<double> zeroCrossings(const std::vector<double>& temperatures, const std::vector<double>& values);

// The smallest sample of y(t), refined by the parabola through it and its two
// neighbours (t ascending, at least one sample).
CurveMinimum refinedMinimum(const std::vector<double>& t, const std::vector<double>& y);

// The connected range around the estimate's RMS minimum where its RMS
// (rmsAt, smooth between the nodes) stays at or below `limit`, each end
// found by bisection; not found when the minimum itself is above it.
TemperatureRange rmsRangeBelow(const TemperatureEstimate& estimate, double limit);

double medianOf(std::vector<double> values);

}  // namespace wq
