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
// The diagnostic with a mineral left out needs its temperature, not the last
// digit of its unknowns: its searches end at this step.
constexpr double LEAVE_ONE_OUT_SMALLEST = 1.0 / 128.0;

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
    const std::map<UnitPoint, SaturationCurves>& computed() const { return computed_; }
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

// The statistic a search makes smallest: the least RMS over temperature
// (clusteringStatistic), or the RMS at one temperature (the profile).
double statisticOf(const TemperatureEstimate& estimate, double fixedTemperature) {
    return std::isnan(fixedTemperature) ? clusteringStatistic(estimate) : rmsAt(estimate, fixedTemperature);
}

class CompassSearch {
public:
    // `fixedTemperature`: NaN for the best temperature's statistic, else the
    // temperature of a point of the profile.
    CompassSearch(FluidCache& cache, const std::vector<double>& temperatures, std::size_t leftOut,
                  double fixedTemperature = std::numeric_limits<double>::quiet_NaN())
        : cache_(cache), temperatures_(temperatures), leftOut_(leftOut), fixed_(fixedTemperature),
          directions_(pollDirections(cache.size())) {}

    SearchPoint at(const UnitPoint& u) {
        SearchPoint p{u, estimateTemperature(temperatures_, without(cache_.curves(u), leftOut_)), 0.0};
        p.statistic = statisticOf(p.estimate, fixed_);
        return p;
    }

    // From `start` with the first step `step`, down to `smallest`, or until
    // the statistic is at or below `enough`.
    SearchPoint search(const UnitPoint& start, double step, double smallest = SMALLEST_SEARCH_STEP,
                       double enough = -std::numeric_limits<double>::infinity()) {
        SearchPoint best = at(start);
        while (step >= smallest && best.statistic > enough) {
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
    double fixed_;
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

// The profile of the RMS: walked out from the best temperature on each side
// in steps that halve from PROFILE_FIRST_STEP to PROFILE_LAST_STEP, each
// point the least RMS at its temperature over the unknowns. A point is
// first sought among the fluids computed so far (every fluid holds its RMS
// at every temperature), then by a compass search from the unknowns of the
// last point inside, PROFILE_SEARCH_FIRST down to PROFILE_SEARCH_LAST or
// until it finds the point inside.
constexpr double PROFILE_FIRST_STEP = 8.0;  // deg C
constexpr double PROFILE_LAST_STEP = 1.0;
constexpr double PROFILE_SEARCH_FIRST = 1.0 / 8.0;
constexpr double PROFILE_SEARCH_LAST = 1.0 / 64.0;

class ProfileWalk {
public:
    ProfileWalk(FluidCache& cache, const std::vector<double>& temperatures, const SearchPoint& best)
        : cache_(cache), temperatures_(temperatures), best_(best), limit_(best.statistic + PROFILE_THRESHOLD) {}

    ProfileEnd end(double direction) {
        const std::vector<double>& t = best_.estimate.temperatures;
        double inside = best_.estimate.rmsMinimum.temperature, insideRms = best_.statistic;
        UnitPoint u = best_.u, before = best_.u;
        double outside = NAN, outsideRms = NAN, previous = inside;
        ProfileEnd e;
        for (double step = PROFILE_FIRST_STEP; step >= PROFILE_LAST_STEP;) {
            const double trial = std::clamp(inside + direction * step, t.front(), t.back());
            if (trial == inside) {
                e.atEdge = true;
                break;
            }
            SearchPoint point = leastAt(trial, ahead(before, previous, u, inside, trial));
            if (point.statistic > limit_ && point.u != u) {
                SearchPoint fromInside = leastAt(trial, u);
                if (fromInside.statistic < point.statistic) point = std::move(fromInside);
            }
            if (point.statistic <= limit_) {
                before = u;
                previous = inside;
                inside = trial;
                insideRms = point.statistic;
                u = point.u;
            } else {
                outside = trial;
                outsideRms = point.statistic;
                step /= 2.0;
            }
        }
        // Between the last points inside and outside, the limit read off the line through them.
        e.temperature = std::isnan(outside) ? inside
                                            : inside + (outside - inside) * (limit_ - insideRms) / (outsideRms - insideRms);
        e.parameters = cache_.parameters(u);
        e.rms = insideRms;
        return e;
    }

private:
    // The unknowns at `trial` on the line through those of the last two
    // points inside (the valley of a trade-off runs straight for a while),
    // on the lattice of the search's last step so that fluids are reused.
    static UnitPoint ahead(const UnitPoint& before, double previous, const UnitPoint& u, double inside,
                           double trial) {
        if (previous == inside) return u;
        const double s = (trial - inside) / (inside - previous);
        UnitPoint next(u.size());
        for (std::size_t i = 0; i < u.size(); ++i) {
            const double x = std::clamp(u[i] + s * (u[i] - before[i]), 0.0, 1.0);
            next[i] = std::round(x / PROFILE_SEARCH_LAST) * PROFILE_SEARCH_LAST;
        }
        return next;
    }

    // The least RMS at `temperature`: the best of the fluids computed so far
    // when it lies within the limit, else the search from `from`.
    SearchPoint leastAt(double temperature, const UnitPoint& from) {
        SearchPoint known{from, {}, std::numeric_limits<double>::infinity()};
        for (const auto& [u, curves] : cache_.computed()) {
            auto at = estimates_.find(u);
            if (at == estimates_.end()) at = estimates_.emplace(u, estimateTemperature(temperatures_, curves)).first;
            const double rms = rmsAt(at->second, temperature);
            if (rms < known.statistic) known = SearchPoint{u, {}, rms};
        }
        if (known.statistic <= limit_) return known;
        CompassSearch search(cache_, temperatures_, std::numeric_limits<std::size_t>::max(), temperature);
        // Whether the point lies inside is all the walk needs: the search ends there.
        return search.search(from, PROFILE_SEARCH_FIRST, PROFILE_SEARCH_LAST, limit_);
    }

    FluidCache& cache_;
    const std::vector<double>& temperatures_;
    const SearchPoint& best_;
    double limit_;
    std::map<UnitPoint, TemperatureEstimate> estimates_;
};

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
    if (best.estimate.rmsMinimum.found) {
        ProfileWalk walk(cache, temperatures, best);
        r.profile.found = true;
        r.profile.low = walk.end(-1.0);
        r.profile.high = walk.end(1.0);
    }
    r.best = fitOf(cache, best);
    const std::size_t minerals = cache.curves(best.u).size();
    if (minerals >= 3)
        for (std::size_t m = 0; m < minerals; ++m) {
            CompassSearch partial(cache, temperatures, m);
            r.leftOut.push_back(fitOf(cache, partial.search(best.u, LEAVE_ONE_OUT_STEP, LEAVE_ONE_OUT_SMALLEST)));
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
