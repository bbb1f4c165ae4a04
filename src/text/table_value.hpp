// One value of a large table (the log K tables of the database): read by
// the free-format rules, and checked against the table's own.
#pragma once

#include <cstdint>

#include "text/number_scan.hpp"

namespace wq {

// Why a value of a table is refused.
enum class ValueFault : std::uint8_t {
    none,
    notANumber,
    twoSigns,     // "+-1.57": from_chars would read the second sign alone
    notFinite,    // nan, inf, infinity, in any case and with any sign
    outOfRange,   // beyond what a double holds ("1e400")
    beyondBound,  // finite, but of magnitude above MAX_TABLE_MAGNITUDE
    emptyValue,   // two commas with only blanks between them
    commaFirst,   // a comma before the first value
};

// Checks one value of a table at p (end = end of the line) by the general
// rules (readFreeValue) and the table's own: one sign at most, finite, of
// magnitude at most MAX_TABLE_MAGNITUDE. The position after it, or nullptr
// with the fault set.
const char* checkTableValue(const char* p, const char* end, ValueFault& fault);

// Reads one free-format value at p (end = end of the line): the position
// after it, or nullptr when the text there is not a value followed by a
// separator or the line end. The double is bit for bit the one
// std::from_chars gives; plain decimals of up to 15 digits take the exact
// short way (an integer below 2^53 divided by a power of ten below 10^23,
// both exact doubles, so the one correctly rounded division is the
// correctly rounded decimal).
const char* readFreeValue(const char* p, const char* end, double& out);

}  // namespace wq
