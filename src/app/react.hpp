// A reaction path: the water of a run input changed step by step as a path
// file (TOML) says, mixed with other waters, given reactants, brought to
// equilibrium with minerals and gases, heated or cooled, with what
// precipitates, dissolves and degasses on the way (docs/reaction-paths.md).
//
// Exit status: 0 every record converged; 1 a record failed (a run that did
// not converge, a target no amount reaches: the path stops there, the
// records before it written); 2 the path could not start (a bad path file,
// named with its line; a file missing; a bad run input; an unknown phase or
// component); 3 an internal fault.
#pragma once

#include <atomic>
#include <string>

#include "app/command_options.hpp"
#include "app/front_end.hpp"
#include "input/reaction_path.hpp"
#include "run/reaction_result.hpp"

namespace wq {

class Sink;

int runReact(const ReactOptions& options);

// The path file `file` read (readPathText), or a CannotStart naming it.
ReactionPath readPathFile(const std::string& file);

// The path in `text`, named `file` (whose folder relative names are taken
// from); a fault of it a CannotStart with its line.
ReactionPath readPathText(const std::string& text, const std::string& file);

// The path's starting water read into `q` with the options' model; a
// CannotStart when it cannot be read, asks for no minerals or holds
// forced-saturation records.
void loadPathStart(QuietProgram& q, const ReactionPath& path, const ReactOptions& options);

// A path computed, nothing written but each record's line on the console.
struct ReactionRun {
    ReactionResult result;
    std::string startFailure;  // why the starting water's run failed (no record then), or empty
    bool interrupted = false;  // stopped from outside; the records before kept
    FrontEndExit status = FrontEndExit::allConverged;
};

// The path from the water `q` has loaded (loadPathStart). A CannotStart for
// a name of the path the start's run has not, or a water to mix that cannot
// be run. `stop`, when set, ends it after the record in progress.
ReactionRun computeReaction(QuietProgram& q, const ReactionPath& path, const ReactOptions& options, Sink& console,
                            const std::atomic<bool>& stop);

}  // namespace wq
