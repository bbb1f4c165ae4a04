// Many waters in one process: every row of a table of analyses is one water,
// written as a run input from the template and solved on its own Program by
// one of N worker threads; the records are written in the table's order as
// they are done.
//
// The output is written under a temporary name and takes its name when
// complete (StagedFile); an interrupted batch leaves its whole records in
// OUT.partial.csv (or .json) beside the untouched OUT.
//
// Exit status: 0 every water converged; 1 at least one water failed (its
// record says why), the output could not be written completely, or the
// batch was interrupted; 2 the batch could not start (a file missing, a bad
// template, a fault of the table itself, bad options); 3 an internal fault.
#pragma once

#include <string>

#include "app/command_options.hpp"

namespace wq {

int runBatch(const BatchOptions& options);

}  // namespace wq
