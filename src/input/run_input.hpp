// The run-input file WQCASE.DAT: one water and the options of its runs.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "input/activity_switches.hpp"
#include "input/tables.hpp"
#include "input/water.hpp"
#include "input/water_intake.hpp"
#include "text/table.hpp"

namespace wq {

struct Channels;
class TextFile;

// A run input is a few kilobytes; anything near this bound is not one (a
// device or a pipe that never ends, a wrong file), and is not read until
// memory runs out.
constexpr std::size_t MAX_RUN_INPUT_BYTES = std::size_t{1} << 20;

// What WQCASE.DAT gives: the water its lines hold, and that water taken
// into the run input the solver starts from.
struct RunInputRead {
    Water water;
    CaseInput input;
};

// Reads WQCASE.DAT from the start of `caseFile` up to the end of the
// forced-mineral list, taking each part of the water as it is read
// (water_intake.hpp: a fault is found where the file has it, named with its
// line). Writes the plot-file titles, the skip-list notice and header and
// the run-kind banner to `io`; an unreadable line is shown on its console,
// which waits for Enter, before the STOP.
RunInputRead readRunInput(TextFile& caseFile, Channels& io);

}  // namespace wq
