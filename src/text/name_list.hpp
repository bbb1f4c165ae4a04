// Lists of database names on a command line: NAME,NAME,...
//
// Some names of the database hold a comma themselves (the mineral
// "Albite,low", the species "N2,aq"), so a list cannot simply be cut at its
// commas: the pieces between commas are joined back where the joined text is
// a known name, the longest such name first.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace wq {

// The names of `list`, each once, in the order given; blanks around a piece
// are dropped. nullopt when a piece starts no known name; `unknown` is then
// that piece (empty for an empty piece).
std::optional<std::vector<std::string>> knownNames(std::string_view list, const std::set<std::string>& known,
                                                   std::string& unknown);

}  // namespace wq
