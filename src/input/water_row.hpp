// One row of a table of waters read into a sample: its name, each cell by
// its column's kind and unit (a component's amount, the alkalinity, T, P,
// pH, the mass of water, a redox state), and its amounts in its mass of
// water. What the row cannot give is the sample's `error`, naming the row's
// line and the cell.
#pragma once

#include <cstddef>
#include <vector>

#include "input/table_reading.hpp"
#include "input/water_columns.hpp"
#include "input/water_sample.hpp"
#include "text/csv.hpp"

namespace wq {

// A row's message tells at most this many of its cells' faults (each with a
// cut piece of its cell), then how many more: a table of a thousand bad
// columns still gives each row a message one can read.
constexpr std::size_t FAULTS_TOLD = 8;

// The sample of `record` under `columns`: amounts per kg of water are taken
// in the row's mass of water (its own, else `templateKgWater`), an
// alkalinity as carbonate of `carbonateGramsPerEquivalent`; a row with no
// name is named by its line. `reading` says what a cell below the detection
// limit becomes and the density of a row without its own.
WaterSample readWaterRow(const std::vector<Column>& columns, const CsvRecord& record, double templateKgWater,
                         double carbonateGramsPerEquivalent, const TableReading& reading = {});

}  // namespace wq
