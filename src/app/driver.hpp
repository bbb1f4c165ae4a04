// The program's main routine: opens the files, reads the run input and runs
// the water through the run sequence until the user ends the program.
#pragma once

#include <string>

namespace wq {

struct ProgramOptions {
    std::string resultsPath;  // --results: a JSON array of one record per run; empty: none
    std::string databasePath = "LOGKDATA.KDB";  // --db
};

// Returns the process exit status.
int runProgram(const ProgramOptions& options = {});

}  // namespace wq
