#include "run/evaporation_sequence.hpp"

#include <algorithm>
#include <cmath>

#include "run/mineral_amounts.hpp"

namespace wq {

namespace {

// A mineral found to saturate within a step joins the minerals held this
// far (in ln F) past its saturation, where its log Q/K is above the
// threshold of joining.
constexpr double JOIN_MARGIN = 1e-3;

// Should the path between two steps fail to run: each mineral at its log
// Q/K linear in ln F between the last row and this step.
void noteByInterpolation(EvaporationResult& path, const Results& firstLook, const std::vector<std::string>& minerals,
                         double factor) {
    const EvaporationStep& before = path.steps.back();
    for (const std::string& m : minerals) {
        const double si = saturationIndexOf(firstLook, m);
        const double siBefore = before.converged() ? saturationIndexOf(*before.results, m) : 0.0;
        double at = factor;
        if (siBefore < 0.0) {
            const double x0 = std::log(before.factor), x1 = std::log(factor);
            at = std::exp(x0 + (x1 - x0) * (-siBefore) / (si - siBefore));
        }
        path.firstSaturations.push_back({m, at});
    }
}

}  // namespace

std::vector<std::string> newlySaturated(const EvaporationResult& path, const Results& firstLook,
                                        const std::vector<std::string>& candidates) {
    std::vector<std::string> found;
    for (const MineralRow& m : firstLook.minerals) {
        if (std::find(candidates.begin(), candidates.end(), m.name) == candidates.end()) continue;
        bool seen = false;
        for (const FirstSaturation& f : path.firstSaturations) seen |= f.mineral == m.name;
        if (!seen && m.saturationIndex >= 0.0) found.push_back(m.name);
    }
    return found;
}

std::optional<Results> stepNotingSaturations(EvaporationPath& evaporation, EvaporationResult& path, double factor,
                                             bool precipitate, const std::vector<std::string>& candidates,
                                             std::string& why) {
    double from = path.steps.back().factor;
    for (;;) {
        std::optional<Results> firstLook;
        std::optional<Results> r = evaporation.step(factor, precipitate, firstLook, why);
        if (!r) r = evaporation.approach(from, factor, precipitate, firstLook, why);
        if (!r) return r;
        double past = factor;
        while (past >= factor) {
            const std::vector<std::string> crossed = newlySaturated(path, *firstLook, candidates);
            if (crossed.empty()) return r;
            const std::optional<FirstSaturation> earliest = evaporation.earliestSaturation(crossed);
            if (!earliest) {
                noteByInterpolation(path, *firstLook, crossed, factor);
                return r;
            }
            path.firstSaturations.push_back(*earliest);
            past = std::exp(std::log(earliest->factor) + JOIN_MARGIN);
            if (past < factor && !evaporation.rewind()) past = factor;
        }
        std::optional<Results> ignored;
        std::string whyNot;
        if (evaporation.step(past, precipitate, ignored, whyNot)) from = past;
    }
}

}  // namespace wq
