// The output of an evaporation path: the CSV table with its "#" lines (the
// run input, the kind of path, the activity model, the concentration factors
// at which each mineral first saturates) and the line the path shows on the
// console at each step.
//
// The table: one row per step, with its concentration factor, status, mass
// of water, pH, ionic strength, activity of water, the minerals held at
// saturation, log Q/K of every mineral of any step, the moles of every
// mineral precipitated so far and of every component left in the brine, per
// kilogram of the starting water.
#pragma once

#include <string>
#include <vector>

#include "report/value_table.hpp"
#include "run/evaporation_result.hpp"

namespace wq {

class Sink;

// The whole table, "#" lines first. The first step must have converged.
std::string evaporationTable(const EvaporationResult& path);

// The table's columns and its rows as values.
ValueTable evaporationColumns(const EvaporationResult& path);

// The console line of one step.
void writeEvaporationStep(const EvaporationStep& step, Sink& console);

// The first saturations and the notes, on the console.
void writeEvaporationSummary(const EvaporationResult& path, Sink& console);

}  // namespace wq
