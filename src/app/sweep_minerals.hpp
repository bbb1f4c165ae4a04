// Which minerals a sweep's estimate uses: those named by --minerals, or the
// default reservoir minerals the water can form.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace wq {

struct Program;
struct Results;

// The minerals of the run at the run input's conditions, and those of them
// that fix a total (forced minerals), as a user names them.
std::vector<std::string> mineralNames(const Results& first);
std::set<std::string> forcedMineralNames(const Results& first);

// NAME,NAME,... as --minerals gives them, each a mineral of the run (`known`).
// Some database names hold a comma themselves (Albite,low), so the pieces
// between commas are joined back where the joined name is a mineral of the
// run, the longest such name first. A name that is not one is a CannotStart
// saying whether the database has it at all.
std::vector<std::string> namedMinerals(const Program& p, const std::string& list, const std::vector<std::string>& known);

// The default reservoir minerals that are minerals of the run and fix no total.
std::vector<std::string> defaultMinerals(const std::vector<std::string>& known, const std::set<std::string>& forced);

}  // namespace wq
