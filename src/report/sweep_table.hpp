// The output of a temperature sweep: the CSV table with its "#" lines (the
// options echoed, the chosen minerals, the crossings of log Q/K = 0 and the
// estimate of the reservoir temperature), and the lines the sweep shows on
// the console as it goes.
//
// The table: one row per run, the run at the run input's own conditions
// first, with its status, loops, T, P, pH, ionic strength, the statistics of
// the estimate at its temperature and the log Q/K of every mineral of any
// run (an empty cell where a run has none).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "equilibria/mineral_geothermometry.hpp"
#include "report/results.hpp"

namespace wq {

class Sink;

struct SweepRow {
    bool input = false;  // the run at the run input's own conditions
    double temperature = 0.0, pressure = 0.0;
    std::string status;
    std::optional<Results> results;  // none for a run that stopped
    bool converged() const { return results && results->converged; }
    // log Q/K of the named mineral; NaN when the run did not converge or
    // has no such mineral.
    double saturationIndex(const std::string& mineral) const;
};

// What a sweep found, with the options it ran on.
struct SweepResult {
    std::string title1, title2;  // of the run input
    bool extended = false;       // extended runs at `pressure`; else along the saturation curve
    double pressure = 0.0;       // bar
    double from = 0.0, to = 0.0, step = 0.0;  // deg C, as asked
    std::vector<std::string> chosen;  // the minerals of the estimate
    std::vector<SweepRow> rows;       // the run at the run input's conditions first
    // The sweep's temperatures and the log Q/K of each chosen mineral at
    // them ([mineral][temperature], NaN where a run gave none), and the
    // estimate from them.
    std::vector<double> temperatures;
    std::vector<std::vector<double>> chosenCurves;
    TemperatureEstimate estimate;
};

// The whole table, "#" lines first. The run at the run input's conditions
// must have converged.
std::string sweepTable(const SweepResult& sweep);

// The estimate on one line, as "# estimate: ..." in the table.
std::string estimateLine(const TemperatureEstimate& estimate);

// The console line of one run, as the sweep computes it.
void writeSweepRow(const SweepRow& row, Sink& console);

// The estimate, the Na-K-Ca temperature and the crossings on the console.
void writeSweepEstimate(const SweepResult& sweep, Sink& console);

}  // namespace wq
