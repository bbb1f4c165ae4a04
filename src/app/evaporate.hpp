// An evaporation path: the water of WQCASE.DAT concentrated step by step by
// taking water away, with the saturation index of every mineral at each
// step, so that the sequence in which minerals saturate (for seawater:
// gypsum or anhydrite, halite, then the K-Mg salts) can be read and drawn.
//
// The concentration factor F is the starting mass of water over the mass
// left; the steps are equal steps of ln F from 1 to --to. The first run is
// at the run input's own conditions (its pH as given, its charge balance);
// every later run keeps the totals it leaves, with the pH computed from
// them, as the console dialogue does after its first run.
//
// Equilibrium path (the default): every mineral that reaches saturation
// precipitates, in the amount that holds it at log Q/K = 0, and stays in
// contact with the brine, so it dissolves again when the brine no longer
// holds it at saturation (gypsum giving way to anhydrite as water activity
// falls). The solution's component totals are the starting ones less the
// components of the minerals precipitated (water of hydration included in
// the minerals, not in the solution: the factor counts the water of the
// solution). Fractional path (--fractional): what precipitates at a step is
// taken out of the brine, as in the experiments the evaporite sequences come
// from; the next step starts from the brine alone, so nothing precipitated
// dissolves again (gypsum stays gypsum when anhydrite comes). With --no-precipitation the water is only concentrated: a
// supersaturation path, valid up to the first saturation.
//
// Exit status: 0 every step converged; 1 some step failed (its row says why);
// 2 the path could not start (bad options, a file missing, a bad run input,
// an unknown mineral); 3 an internal fault.
#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "app/command_options.hpp"
#include "app/front_end.hpp"
#include "run/evaporation_result.hpp"

namespace wq {

class Sink;
struct Program;

int runEvaporate(const EvaporateOptions& options);

// The checks of the path's own options (--to, --steps, --fractional with
// --no-precipitation): a CannotStart in the command line's words.
void checkEvaporateOptions(const EvaporateOptions& options);

// The run input of a path into `p` by `read` (readCase for p.caseFile; a
// water of a table given as a value), named `name` in messages: a
// CannotStart when it cannot be read or asks for no minerals.
void readEvaporationCase(Program& p, const std::string& name, const std::function<void(Program&)>& read);

// A path computed, nothing written but each step's line on `console`.
struct EvaporationRun {
    EvaporationResult path;
    FrontEndExit status = FrontEndExit::allConverged;
};

// The path of the water whose run input `p` has read (readEvaporationCase,
// its model choices taken). `stop`, when set, ends it before its next step.
EvaporationRun computeEvaporation(Program& p, const EvaporateOptions& options, Sink& console,
                                  const std::atomic<bool>& stop);

}  // namespace wq
