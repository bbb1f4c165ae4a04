// The output of a temperature sweep: the CSV table with its "#" lines (the
// options echoed, the activity model, the chosen minerals, the crossings of log Q/K = 0 and the
// estimate of the reservoir temperature), and the lines the sweep shows on
// the console as it goes.
//
// The table: one row per run, the run at the run input's own conditions
// first, with its status, loops, T, P, pH, ionic strength, the statistics of
// the estimate at its temperature and the log Q/K of every mineral of any
// run (an empty cell where a run has none).
#pragma once

#include <string>
#include <vector>

#include "report/value_table.hpp"
#include "run/sweep_result.hpp"

namespace wq {

class Sink;

// The whole table, "#" lines first. The run at the run input's conditions
// must have converged.
std::string sweepTable(const SweepResult& sweep);

// The table's columns and its rows as values.
ValueTable sweepColumns(const SweepResult& sweep);

// The estimate on one line, as "# estimate: ..." in the table, and its text
// after that head.
std::string estimateLine(const TemperatureEstimate& estimate);
std::string estimateText(const TemperatureEstimate& estimate);

// The "# reconstruction: ..." lines: the discharge (when given), the
// parameters, the estimate of the reconstructed fluid, its uncertainty (the
// profile, with the parameters at its ends) and, as a diagnostic, the best
// temperature with each mineral left out.
std::string reconstructionLines(const SweepReconstruction& reconstruction, const std::vector<std::string>& chosen);

// The classical geothermometers of an analysis, Na-K-Ca first, each with its
// temperature and, when the temperature lies outside the range its
// calibration covers, that range.
std::string geothermometersText(const GivenAnalysis& analysis);

// The console line of one run, as the sweep computes it.
void writeSweepRow(const SweepRow& row, Sink& console);

// The estimate, the Na-K-Ca temperature and the crossings on the console.
void writeSweepEstimate(const SweepResult& sweep, Sink& console);

}  // namespace wq
