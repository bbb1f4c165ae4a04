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

#include "app/command_options.hpp"

namespace wq {

int runReact(const ReactOptions& options);

}  // namespace wq
