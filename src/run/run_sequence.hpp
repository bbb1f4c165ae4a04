// The runs of one water: every run places T and P, reads the database,
// solves and reports; the dialogue then starts the next run or ends.
#pragma once

namespace wq {

struct Program;

// Runs until a STOP (the dialogue's normal end or an error).
void runSequence(Program& prog);

// Places the run on the pressure-temperature grid (extended run) or checks it
// against the saturation curve (saturation run); stops on an error.
void locateRun(Program& prog);

}  // namespace wq
