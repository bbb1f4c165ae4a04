// The columns a user asks for, out of every column a table of records can
// have: names as the header writes them, and patterns in which "*" stands for
// any run of characters ("SI(*)", "log_m(*)", "*imbalance*").
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace wq {

// Whether `name` is matched by `pattern` as a whole ("*" matches any run of
// characters, the empty run included; every other character itself).
bool matchesPattern(std::string_view pattern, std::string_view name);

// The pieces of a list of columns: separated by commas outside parentheses,
// so that "SI(Albite,low)" and "log_m(SiO2,aq)" stay whole; blanks around a
// piece are dropped, empty pieces too.
std::vector<std::string> splitColumnList(std::string_view list);

// The positions in `columns` that the patterns select: the columns each
// pattern matches, in the order of the patterns and, for one pattern, in the
// order of `columns`; a column selected twice is kept once, where it came
// first. Patterns that match no column go to `unmatched`.
std::vector<std::size_t> selectColumns(const std::vector<std::string>& columns,
                                       const std::vector<std::string>& patterns,
                                       std::vector<std::string>& unmatched);

}  // namespace wq
