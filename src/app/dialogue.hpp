// The console dialogue after every run: the same water again at a new
// temperature, pressure or pH, or the end of the program.
#pragma once

namespace wq {

struct Program;

// Resets the run state, asks the questions and sets the new conditions; returns
// when a new run is to start, and stops the program (normal end) otherwise.
void rerunDialogue(Program& prog);

// The state reset between two runs, in its order.
void resetForNextRun(Program& prog);

// Everything between two runs but the questions: the state reset, the
// database back to its beginning and the grid verdicts cleared. The next run
// starts from what the last one left in the tables.
void prepareNextRun(Program& prog);

}  // namespace wq
