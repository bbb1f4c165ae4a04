// The console dialogue after every run: the same water again at a new
// temperature, pressure or pH, or the end of the program.
#pragma once

namespace wq {

struct Program;

// Resets the run state, asks the questions and sets the new conditions; returns
// when a new run is to start, and stops the program (normal end) otherwise.
void rerunDialogue(Program& prog);

}  // namespace wq
