// Reading values out of text records.
//
// Fixed-column fields: blanks are ignored, an all-blank field is 0, a real may
// carry an E or D exponent, and a real written without a decimal point takes an
// implied one before its last d digits (the digit 5 read with 13 decimals is
// 5.0E-13; "5." is 5.0). Free-format groups: values separated by blanks, commas
// or line ends, read over as many lines as they need.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace wq {

class TextFile;

// Columns are numbered from 1, as the record layouts give them. A line shorter
// than the field counts as padded with blanks.
std::string_view columns(std::string_view line, int first, int width);
std::string textField(std::string_view line, int first, int width);

// The text without the blanks before and after it: a name as a user types
// it on a command line.
std::string_view withoutBlanksAround(std::string_view text);

// False when the field holds something that is not a number.
bool readIntegerField(std::string_view line, int first, int width, long long& out);
bool readRealField(std::string_view line, int first, int width, int decimals, double& out);

// The decimal mantissa x 10^-decimals, negated when `negative`, by the exact
// short way: a mantissa of at most 15 digits is an integer below 2^53 and
// 10^decimals (decimals 0..22) a power of ten, both exact doubles, so their
// one correctly rounded quotient is the double std::from_chars gives for
// the decimal. False, `out` untouched, outside those bounds.
constexpr int MAX_SHORT_DIGITS = 15;
bool exactShortDecimal(std::uint64_t mantissa, int digits, int decimals, bool negative, double& out);

// Parses one free-format token at p (end = end of the line). Returns the
// position after the number, or nullptr when the text there is not a number
// followed by a separator or the line end.
const char* parseFreeReal(const char* p, const char* end, double& out);
const char* parseFreeInteger(const char* p, const char* end, long long& out);

// Reads a free-format group of `count` values, starting on the next line of the
// file and going on over further lines (empty lines are passed over) until the
// group is complete; the rest of its last line is discarded. False on a value
// that is not a number, on a null value (a comma before the first value, or
// two commas with only blanks or line ends between them) or on the end of the
// file.
bool readFreeReals(TextFile& file, double* out, int count);
bool readFreeIntegers(TextFile& file, long long* out, int count);

}  // namespace wq
