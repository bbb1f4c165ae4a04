// A temperature sweep of one water, for multicomponent geothermometry: the
// water of WQCASE.DAT computed at every temperature of a grid the way the
// console dialogue computes it when the user changes only the temperature,
// with the saturation index of every mineral at each, and the temperature at
// which the chosen reservoir minerals come closest to equilibrium together.
//
// The chain of runs. The first run is at the run input's own conditions (its
// temperature, its pH as given, its alkalinity and charge balance): it is the
// analysis as sampled, and it fixes the totals. Every later run starts from
// the state the previous run left, after the dialogue's resets: the pH is
// computed from the conserved totals, the carbonate total is kept, and the
// forced-saturation records still apply (so a feldspar can fix aluminium).
// A run that stops on an error or does not converge gets a row saying so,
// and the next temperature starts again from the state the last converged run
// left (after the same resets), as if the failed run had not happened.
//
// Exit status: 0 every run converged; 1 some temperature failed (its row
// says why) or the run at the run input's conditions failed; 2 the sweep could
// not start (bad options, a file missing, a bad run input, an unknown
// mineral); 3 an internal fault.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "app/front_end.hpp"
#include "app/command_options.hpp"
#include "report/sweep_table.hpp"

namespace wq {

class Sink;
struct Program;

int runSweep(const SweepOptions& options);

// The temperatures of a sweep, from, from + step, ... up to `to`; a
// CannotStart for a range the run kind cannot take (`extended`: an extended
// run on the temperature grid, else the saturation curve) or too many.
std::vector<double> sweepTemperatures(const SweepOptions& options, bool extended);

// A sweep computed, nothing written: the rows and, when the run at the run
// input's conditions converged, the estimate.
struct SweepRun {
    SweepResult result;
    FrontEndExit status = FrontEndExit::allConverged;
    std::vector<std::string> notes;  // what the sweep would say on standard error
};

// The sweep of the water whose run input `p` has read (readSweepCase), at
// `temperatures`, each run's line shown on `console`. `stop`, when set, ends
// it before its next temperature, with no estimate.
SweepRun computeSweep(Program& p, const SweepOptions& options, const std::vector<double>& temperatures,
                      Sink& console, const std::atomic<bool>& stop);

// The run input of a sweep into `p` by `read` (readCase for p.caseFile; a
// water of a table given as a value), named `name` in messages: a
// CannotStart when it cannot be read or asks for no minerals.
void readSweepCase(Program& p, const std::string& name, const std::function<void(Program&)>& read);

}  // namespace wq
