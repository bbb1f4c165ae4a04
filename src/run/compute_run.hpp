// One run of a water: from its conditions to its Results. The run places T
// and P on the pressure-temperature grid (or the saturation curve), reads
// the database, sets up, solves and evaluates, and judges the solution. What
// it needs from the front end (the console's question at the edge of the
// data, the debug listings) comes in as hooks; every front end (the console
// program, the batch, the sweep, the evaporation path, the Python package)
// runs its waters through computeRun.
#pragma once

#include <optional>
#include <string>

#include "input/database.hpp"
#include "run/results.hpp"

namespace wq {

struct SolverState;
class SolveObserver;
class WarmStarts;
struct Water;

// What a run asks of the front end that runs it. Each hook may be null.
struct RunHooks {
    // A run on the grid in a block at the edge of the data, whose values are
    // extrapolated: the console asks whether to go on (and stops when told
    // not to); null goes on.
    void (*atEdgeOfData)(SolverState&) = nullptr;
    // What the set-up and the solve tell as they go (the listing's lines,
    // the debug tables before and after the solve); null: nothing is told.
    SolveObserver* observer = nullptr;
    // Converged waters to start the water from, the nearest that fits it
    // (warm_start.hpp); null: the run input's start.
    const WarmStarts* warmStarts = nullptr;
};

// WQCASE.DAT (prog.caseFile) read into the state: the run input, the
// components with their first molalities and activity coefficients, the
// forced minerals and the conditions of the first run.
void readCase(SolverState& prog);

// A water given as a value (a water of a table) into the state, with the
// defaults, checks, messages and STOPs of the run input (caseOfWater), as
// readCase puts the one it reads; its messages go to prog.io.
void takeWater(SolverState& prog, const Water& water);

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

// Places the run on the pressure-temperature grid (extended run) or checks it
// against the saturation curve (saturation run); stops on an error.
void locateRun(SolverState& prog, const RunHooks& hooks = {});

// Brings the parsed database to the content LOGKDATA.KDB has now (read again
// only when the file changed); stops with a clear line when it cannot be read.
void refreshDatabase(SolverState& prog);

// One run of the water at the current conditions, from the grid location to
// the evaluated and judged results; nothing of the results is written. A
// converged water that no water can be becomes not converged, with the
// reason (Results::impossible); one that ended unsolved gets the reason
// where it ended. Error stops (outside the grid, bad data) end it with a
// STOP.
Results computeRun(SolverState& prog, const RunHooks& hooks = {});

// A run of a path whose water must converge: its Results, or none with why
// (the status of a run that did not converge, or the reason of the stop that
// ended it), for the path to try another way or to stop there.
std::optional<Results> convergedRun(SolverState& prog, const RunHooks& hooks, std::string& why);

}  // namespace wq
