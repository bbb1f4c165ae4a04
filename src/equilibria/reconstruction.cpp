#include "equilibria/reconstruction.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace wq {

namespace {

// The first step of the search from the centre of the cube, and of the
// leave-one-out searches from the best point.
constexpr double FIRST_STEP = 0.25;
// The smallest step of the searches from each start.
constexpr double COARSE_STEP = 1.0 / 64.0;
constexpr double LEAVE_ONE_OUT_STEP = 1.0 / 16.0;

using UnitPoint = std::vector<double>;  // each coordinate in [0, 1]

// The fluids computed so far, by their point in the unit cube.
class FluidCache {
public:
    FluidCache(const std::vector<ParameterBounds>& bounds, const CurvesOfParameters& curvesAt)
        : bounds_(bounds), curvesAt_(curvesAt) {}

    std::vector<double> parameters(const UnitPoint& u) const {
        std::vector<double> x(u.size());
        for (std::size_t i = 0; i < u.size(); ++i)
            x[i] = bounds_[i].low + u[i] * (bounds_[i].high - bounds_[i].low);
        return x;
    }

    const SaturationCurves& curves(const UnitPoint& u) {
        auto at = computed_.find(u);
        if (at == computed_.end()) at = computed_.emplace(u, curvesAt_(parameters(u))).first;
        return at->second;
    }

    int evaluations() const { return static_cast<int>(computed_.size()); }
    std::size_t size() const { return bounds_.size(); }

private:
    const std::vector<ParameterBounds>& bounds_;
    const CurvesOfParameters& curvesAt_;
    std::map<UnitPoint, SaturationCurves> computed_;
};

// The curves of the minerals other than `leftOut` (none left out: past the end).
SaturationCurves without(const SaturationCurves& curves, std::size_t leftOut) {
    SaturationCurves kept;
    for (std::size_t m = 0; m < curves.size(); ++m)
        if (m != leftOut) kept.push_back(curves[m]);
    return kept;
}

struct SearchPoint {
    UnitPoint u;
    TemperatureEstimate estimate;
    double statistic = 0.0;
};

class CompassSearch {
public:
    CompassSearch(FluidCache& cache, const std::vector<double>& temperatures, std::size_t leftOut)
        : cache_(cache), temperatures_(temperatures), leftOut_(leftOut), directions_(pollDirections(cache.size())) {}

    SearchPoint at(const UnitPoint& u) {
        SearchPoint p{u, estimateTemperature(temperatures_, without(cache_.curves(u), leftOut_)), 0.0};
        p.statistic = clusteringStatistic(p.estimate);
        return p;
    }

    // From `start` with the first step `step`, down to `smallest`.
    SearchPoint search(const UnitPoint& start, double step, double smallest = SMALLEST_SEARCH_STEP) {
        SearchPoint best = at(start);
        while (step >= smallest) {
            if (!improve(best, step)) step /= 2.0;
        }
        return best;
    }

private:
    // Polls the neighbours of the best point one step away along each
    // coordinate, then along each diagonal of the coordinates (the unknowns
    // of a fluid trade off against each other, so its valleys run
    // diagonally); moves to the first that is better.
    bool improve(SearchPoint& best, double step) {
        for (const std::vector<double>& direction : directions_) {
            UnitPoint trial = best.u;
            for (std::size_t i = 0; i < trial.size(); ++i)
                trial[i] = std::clamp(trial[i] + direction[i] * step, 0.0, 1.0);
            if (trial == best.u) continue;
            SearchPoint candidate = at(trial);
            if (candidate.statistic < best.statistic) {
                best = std::move(candidate);
                return true;
            }
        }
        return false;
    }

    // Every direction of {-1, 0, 1}^n but 0, those along one coordinate first.
    static std::vector<std::vector<double>> pollDirections(std::size_t n) {
        std::vector<std::vector<double>> axes, diagonals;
        std::vector<int> d(n, -1);
        for (bool more = n > 0; more;) {
            std::size_t moved = 0;
            for (int c : d) moved += c != 0;
            if (moved > 0) (moved == 1 ? axes : diagonals).push_back(std::vector<double>(d.begin(), d.end()));
            more = false;
            for (std::size_t i = 0; i < n && !more; ++i) {
                if (d[i] < 1) {
                    ++d[i];
                    more = true;
                } else {
                    d[i] = -1;
                }
            }
        }
        axes.insert(axes.end(), diagonals.begin(), diagonals.end());
        return axes;
    }

    FluidCache& cache_;
    const std::vector<double>& temperatures_;
    std::size_t leftOut_;
    std::vector<std::vector<double>> directions_;
};

// The starts of the search: the centre of the cube, then the centres of its
// halves' corners ({1/4, 3/4}^n). The statistic of a fluid has more than one
// valley (a little less steam loss and a little more CO2 can make up for a
// few degrees), so a search from each start goes down to COARSE_STEP, and
// the best of them is searched on down to SMALLEST_SEARCH_STEP.
UnitPoint bestOfStarts(CompassSearch& search, std::size_t n) {
    std::vector<UnitPoint> starts = {UnitPoint(n, 0.5)};
    for (std::size_t corner = 0; n > 0 && corner < (std::size_t{1} << n); ++corner) {
        UnitPoint u(n);
        for (std::size_t i = 0; i < n; ++i) u[i] = (corner >> i) & 1 ? 0.75 : 0.25;
        starts.push_back(u);
    }
    SearchPoint best = search.at(starts.front());
    for (const UnitPoint& start : starts) {
        SearchPoint found = search.search(start, FIRST_STEP, COARSE_STEP);
        if (found.statistic < best.statistic) best = std::move(found);
    }
    return best.u;
}

ReconstructionFit fitOf(const FluidCache& cache, SearchPoint point) {
    return ReconstructionFit{cache.parameters(point.u), std::move(point.estimate), point.statistic};
}

}  // namespace

double clusteringStatistic(const TemperatureEstimate& estimate) {
    return estimate.rmsMinimum.found ? estimate.rmsMinimum.value : std::numeric_limits<double>::infinity();
}

Reconstruction reconstruct(const std::vector<ParameterBounds>& unknowns, const std::vector<double>& temperatures,
                           const CurvesOfParameters& curvesAt) {
    FluidCache cache(unknowns, curvesAt);
    const std::size_t none = std::numeric_limits<std::size_t>::max();
    CompassSearch all(cache, temperatures, none);
    const SearchPoint best = all.search(bestOfStarts(all, unknowns.size()), COARSE_STEP);
    Reconstruction r;
    r.best = fitOf(cache, best);
    const std::size_t minerals = cache.curves(best.u).size();
    if (minerals >= 3)
        for (std::size_t m = 0; m < minerals; ++m) {
            CompassSearch partial(cache, temperatures, m);
            r.leftOut.push_back(fitOf(cache, partial.search(best.u, LEAVE_ONE_OUT_STEP)));
            const CurveMinimum& minimum = r.leftOut.back().estimate.rmsMinimum;
            if (!minimum.found) continue;
            r.spreadLow = r.spreadFound ? std::min(r.spreadLow, minimum.temperature) : minimum.temperature;
            r.spreadHigh = r.spreadFound ? std::max(r.spreadHigh, minimum.temperature) : minimum.temperature;
            r.spreadFound = true;
        }
    r.evaluations = cache.evaluations();
    return r;
}

}  // namespace wq
