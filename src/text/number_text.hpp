// Numbers as text for the records, tables and messages that are not written
// through a layout: the one place each of these forms is spelled.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace wq {

// 17 significant digits ("%.17g"): enough for every double to read back as
// the very value written (IEEE 754 binary64 needs 17). Non-finite values
// give the C library's "nan" and "inf".
std::string exactText(double value);

// The shortest decimal that reads back as the value (std::to_chars): 0.05,
// not 0.050000000000000003.
std::string shortestText(double value);
void appendShortestText(std::string& text, double value);  // added at the end of `text`

// Scientific notation with `decimals` digits after the point, as "%.*E"
// writes it (1.500E-03 for (0.0015, 3); NAN, INF), by std::to_chars.
std::string scientificText(double value, int decimals);

// The value `value` reads back as (std::from_chars) when written in
// scientific form with `decimals` digits after the point (std::to_chars);
// nullopt for a value that is not finite, and where that text is longer
// than `width` or does not read back.
std::optional<double> scientificReadBack(double value, int decimals, std::size_t width);

// A fixed number of decimals ("%.*f"): 25.50 for (25.5, 2).
std::string fixedText(double value, int decimals);

// A number of significant digits ("%.*g"): 0.0123 for (0.012345, 3).
std::string significantText(double value, int digits);

}  // namespace wq
