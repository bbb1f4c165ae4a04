// The free-format numbers of large tables: checked fast, found again later,
// and converted only when a value is needed.
//
// The free-format rules are those of readFreeReals: values are separated by
// blanks, commas or tabs; a value is whatever std::from_chars reads whole, a
// leading '+' and a Fortran D exponent included (parseFreeReal). A data file
// written by a program holds plain decimals ("-11.3452"), which are checked
// sixty-four characters at a time; any other line takes the general rules.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace wq {

constexpr bool isValueSeparator(char c) { return c == ' ' || c == ',' || c == '\t'; }

// The largest magnitude a value of a table may have. The tables hold log K
// values (and the parameters of the activity model): the log K of a reaction
// the data describe stays within a few hundred, and the value that marks
// absent data is 99999.999 (anything above 99999 means "no value"). A bound of
// 10^6 keeps both with room to spare and refuses what can only be a mistake
// (1e308 would overflow to infinity in an interpolator's products).
constexpr double MAX_TABLE_MAGNITUDE = 1e6;
// A plain decimal has at most this many digits before its point, so that it
// stays below MAX_TABLE_MAGNITUDE.
constexpr int MAX_PLAIN_INTEGER_DIGITS = 6;

// The number of values on a line (without its line end) when all of them
// are plain decimals: an optional minus, digits with at most one point, at
// most MAX_PLAIN_INTEGER_DIGITS digits before the point, no exponent, fewer
// than 128 characters. -1 when the line holds anything else; the line then
// needs the general rules.
// The 64 bytes after the line must be readable (they are not looked at):
// the line stands in a TextImage, or in a longer buffer.
int countPlainDecimals(std::string_view line);

// Whole rows at once: when the `rows` lines at the start of `text` each end
// with '\n' and hold exactly `perRow` plain decimals (by the rules of
// countPlainDecimals), the number of bytes they take, and in rowEnds[k] the
// offset after the line end of row k. 0 when any row breaks the rule (a
// '\r' before the line end included); the rows then need to be looked at one
// by one. The 64 bytes after the text must be readable, as for
// countPlainDecimals.
std::size_t checkPlainRows(std::string_view text, int rows, int perRow, std::uint32_t* rowEnds);

}  // namespace wq
