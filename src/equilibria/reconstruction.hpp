// The reservoir fluid reconstructed: a sampled geothermal water has boiled
// (lost steam, so it is concentrated), lost most of its CO2 to the steam,
// and its aluminium is rarely analysed. Reed & Spycher (1984, Geochim.
// Cosmochim. Acta 48, 1479-1492) and Spycher et al. (2014, Geothermics 51,
// 113-123) treat those unknowns as parameters of the reservoir fluid and
// choose them so that the reservoir minerals cluster best around
// equilibrium at one temperature. Here the clustering is the root mean square
// of log Q/K of the chosen minerals at the temperature where it is smallest
// (refined between the sweep's steps, as the estimate does), and the unknowns
// are found by a derivative-free search over their bounds.
//
// The search is compass search (a pattern search; Hooke & Jeeves 1961,
// J. ACM 8, 212-229; Kolda, Lewis & Torczon 2003, SIAM Review 45, 385-482)
// on the box of the unknowns mapped onto the unit cube: try a step along
// each unknown and each diagonal of two or more, move to the first point that
// lowers the statistic, and halve the step when none does. The statistic has
// more than one valley (a little less steam loss and a little more CO2 make
// up for some degrees), so the search runs from the centre of the cube and
// from the centres of its quarters down to a step of 1/64, and from the best
// of those on down to 1/1024 of each range. It is still local: a valley
// narrower than the first steps can be missed, which is why the bounds of a
// sought parameter should be of the order of what it may be (the CO2 from a
// measured gas/steam ratio, say). It is deterministic (fixed starts, fixed
// order, no randomness), and every point it visits lies on a dyadic lattice
// of the cube, so points met again are computed once.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "equilibria/mineral_geothermometry.hpp"

namespace wq {

// The bounds of one unknown parameter (low < high).
struct ParameterBounds {
    double low = 0.0, high = 0.0;
};

// log Q/K of every chosen mineral at every temperature of the sweep,
// [mineral][temperature], NaN where a run gave none.
using SaturationCurves = std::vector<std::vector<double>>;

// The fluid computed over the sweep's temperatures for one value of each
// unknown (in the order of the bounds).
using CurvesOfParameters = std::function<SaturationCurves(const std::vector<double>& parameters)>;

// One fit: the unknowns, the estimate of the fluid they give, and the
// statistic the search made smallest (clusteringStatistic).
struct ReconstructionFit {
    std::vector<double> parameters;
    TemperatureEstimate estimate;
    double statistic = 0.0;
};

// One end of the profile: the temperature, the unknowns that bring the RMS
// there lowest, and that RMS.
struct ProfileEnd {
    double temperature = 0.0;  // deg C
    std::vector<double> parameters;
    double rms = 0.0;
    bool atEdge = false;  // the end of the sweep: the range may reach beyond it
};

// The uncertainty of the best temperature: the range of temperatures T at
// which some set of the unknowns within their bounds brings the RMS of
// log Q/K at T within PROFILE_THRESHOLD of the best fit's (the profile of
// the RMS over the unknowns). It holds every fluid whose fit is as good as
// the data allow, however steam loss, CO2 and temperature trade off.
struct TemperatureProfile {
    bool found = false;
    ProfileEnd low, high;
};

// How far above the best fit's RMS the profile may rise inside the
// uncertainty: how much better than the truth a fit can be made by the
// unknowns absorbing the errors of the data. The log K of one mineral differ
// between compilations by 0.1 to 0.2 at reservoir temperatures, so less than
// 0.1 would claim more than the data hold. On the synthetic discharges of
// bench/geothermometry.py (their log K exact, their analyses off by 3 %) the
// free search fits better than the true parameters by 0.035 in the median
// and 0.076 at most, and 0.1 holds the true temperature in 28 of 28 cases.
constexpr double PROFILE_THRESHOLD = 0.1;

struct Reconstruction {
    ReconstructionFit best;  // every chosen mineral
    TemperatureProfile profile;
    // The fit with each mineral in turn left out (only with three minerals
    // or more), each searched again from the best point with a finer step:
    // a diagnostic of the minerals that pull the estimate, not an uncertainty.
    std::vector<ReconstructionFit> leftOut;
    bool spreadFound = false;
    double spreadLow = 0.0, spreadHigh = 0.0;  // deg C
    int evaluations = 0;  // distinct sets of unknowns computed
};

// The smallest step of the search, as a fraction of each unknown's range.
constexpr double SMALLEST_SEARCH_STEP = 1.0 / 1024.0;

// Searches the unknowns within their bounds (none: the fluid is computed once
// as it is) for the smallest statistic over `temperatures` (ascending).
Reconstruction reconstruct(const std::vector<ParameterBounds>& unknowns, const std::vector<double>& temperatures,
                           const CurvesOfParameters& curvesAt);

// The statistic of one fluid: the RMS log Q/K of the curves at its smallest
// (refined between the sweep's steps, as the estimate gives it), infinity
// when none.
double clusteringStatistic(const TemperatureEstimate& estimate);

}  // namespace wq
