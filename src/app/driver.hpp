// The program's main routine: opens the files, reads the run input and runs
// the water through the run sequence until the user ends the program.
#pragma once

#include <string>

#include "app/model_options.hpp"

namespace wq {

struct ProgramOptions {
    std::string resultsPath;  // --results: a JSON array of one record per run; empty: none
    // The shared options but the charge balance, which the run input says.
    // Another activity model than the default reads its data beside the
    // database (PITZER.DAT) and the listing says at its head which model
    // computed it; with the default the program is the console program it
    // has always been. The database is LOGKDATA.KDB unless --db names
    // another, whatever the model.
    ModelOptions model;
};

// Returns the process exit status.
int runProgram(const ProgramOptions& options = {});

}  // namespace wq
