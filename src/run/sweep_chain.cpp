#include "run/sweep_chain.hpp"

#include <algorithm>
#include <memory>

#include "grid/grid.hpp"
#include "run/compute_run.hpp"
#include "run/next_run.hpp"
#include "solver/solver_state.hpp"
#include "text/csv.hpp"
#include "text/fields.hpp"
#include "text/stop.hpp"

namespace wq {

double SweepRow::saturationIndex(const std::string& mineral) const {
    if (!converged()) return NAN;
    for (const MineralRow& m : results->minerals)
        if (withoutBlanksAround(m.name) == mineral) return m.saturationIndex;
    return NAN;
}

SweepRow computeRow(SolverState& p, bool input, const RunHooks& hooks) {
    SweepRow row;
    row.input = input;
    row.temperature = p.conditions.temperature;
    try {
        Results r = computeRun(p, hooks);
        row.status = runStatus(r);
        row.results = std::move(r);
    } catch (...) {
        row.status = utf8FromLatin1(endingInFlight().reason);
    }
    row.pressure = row.results ? row.results->pressure : p.conditions.pressure;
    return row;
}

double liquidPressure(const SolverState& p, double t) {
    const double given = p.input.pressure;
    if (!p.input.extendedRun() || t <= BOILING_POINT_C || t > SATURATION_RUN_HIGHEST) return given;
    return std::max(given, saturationPressure(t));
}

bool runTemperatures(SolverState& p, const std::vector<double>& temperatures, std::vector<SweepRow>& rows,
                     const ChainHooks& chain) {
    auto kept = std::make_unique<CarriedState>(p);
    bool lastFailed = false, anyFailed = false;
    for (double t : temperatures) {
        if (chain.stop && *chain.stop) return false;
        if (lastFailed) {
            static_cast<CarriedState&>(p) = *kept;
            p.grid.pressureFlag = 'N';
            p.grid.blockFlag = 'N';
        }
        p.conditions.temperature = t;
        p.conditions.pressure = liquidPressure(p, t);
        rows.push_back(computeRow(p, false, chain.run));
        if (chain.onRow) chain.onRow(rows.back());
        lastFailed = !rows.back().converged();
        anyFailed |= lastFailed;
        if (lastFailed) continue;
        prepareNextRun(p);
        *kept = p;
    }
    return !anyFailed;
}

SaturationCurves curvesOf(const std::vector<SweepRow>& rows, const std::vector<std::string>& minerals) {
    SaturationCurves curves;
    for (const std::string& m : minerals) {
        std::vector<double> curve;
        for (const SweepRow& row : rows)
            if (!row.input) curve.push_back(row.saturationIndex(m));
        curves.push_back(std::move(curve));
    }
    return curves;
}

}  // namespace wq
