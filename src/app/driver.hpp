// The program's main routine: opens the files, reads the run input and runs
// the water through the run sequence until the user ends the program.
#pragma once

namespace wq {

// Returns the process exit status.
int runProgram();

}  // namespace wq
