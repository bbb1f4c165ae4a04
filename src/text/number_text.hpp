// Numbers as text for the records, tables and messages that are not written
// through a layout: the one place each of these forms is spelled.
#pragma once

#include <string>

namespace wq {

// 17 significant digits ("%.17g"): enough for every double to read back as
// the very value written (IEEE 754 binary64 needs 17). Non-finite values
// give the C library's "nan" and "inf".
std::string exactText(double value);

// The shortest decimal that reads back as the value (std::to_chars): 0.05,
// not 0.050000000000000003.
std::string shortestText(double value);

// A fixed number of decimals ("%.*f"): 25.50 for (25.5, 2).
std::string fixedText(double value, int decimals);

}  // namespace wq
