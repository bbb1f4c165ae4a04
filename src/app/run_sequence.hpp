// The runs of one water: every run places T and P, reads the database,
// solves and reports; the dialogue then starts the next run or ends.
#pragma once

#include "input/database.hpp"

namespace wq {

struct CaseInput;
struct Program;
struct Results;
struct SolverState;

// WQCASE.DAT (prog.caseFile) read into the state: the run input, the
// components with their first molalities and activity coefficients, the
// forced minerals and the conditions of the first run.
void readCase(SolverState& prog);

// A run input given as a value (a water of a table) into the state, as
// readCase puts the one it reads.
void takeCase(SolverState& prog, const CaseInput& runInput);

// The current run's reading of the database: its content as last refreshed,
// at the run's conditions.
DatabaseRun databaseRun(SolverState& prog);

// The aqueous species of the current run into the species table and the
// activity-model tables into the state; gives the section the minerals and
// gases of the run follow (readMinerals).
RunSection readSpecies(SolverState& prog);

// The minerals and gases of the current run, after readSpecies; the minerals
// switch becomes the number of entries kept.
void readMinerals(SolverState& prog, const RunSection& section);

// One run of the water at the current conditions, from the grid location
// (and the database as it is on disk now) to the saturation report.
void runOnce(Program& prog);

// Runs until a STOP (the dialogue's normal end or an error).
void runSequence(Program& prog);

// One run of the water at the current conditions, from the grid location to
// the evaluated results; nothing of the results is written. Error stops
// (outside the grid, bad data) end it with a STOP.
Results computeRun(Program& prog);

// Places the run on the pressure-temperature grid (extended run) or checks it
// against the saturation curve (saturation run); stops on an error.
void locateRun(Program& prog);

// Brings the parsed database to the content LOGKDATA.KDB has now (read again
// only when the file changed); stops with a clear line when it cannot be read.
void refreshDatabase(Program& prog);

// The result block of a run on the listing, after the line that says so when
// the joint solve found the water. A run that used up its loops with no
// solution found ends with the block, before the forced-saturation legend,
// with the non-convergence message (and the line that says why no solution
// exists, when that is known) and a STOP; this holds for the extra debug
// block of loop 2 as well.
void writeResultListing(SolverState& prog, const Results& results);

}  // namespace wq
