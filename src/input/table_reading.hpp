// How a table of waters is read beyond what its header says: what a cell
// below the detection limit becomes (--below-detection), whether a column
// the program does not compute refuses the table (--strict), and the
// density of a row that gives none (--density).
#pragma once

#include <optional>
#include <string_view>

namespace wq {

// A cell below the detection limit ("<0.01", "< 0.01", "ND", "n.d.", "-",
// "<DL", "BDL"): the component left out of that water (omit, noted in its
// record), taken as 0 (absent as well: a total of 0 is no amount the run can
// hold, but the note says so), as half the limit or as the limit, or the row
// refused (fail). A cell that names no limit ("ND") is left out under half and
// limit, and said so.
enum class BelowDetection { omit, zero, half, limit, fail };

struct TableReading {
    BelowDetection belowDetection = BelowDetection::omit;
    // A column that names nothing the program computes (a site, a date, a
    // TDS) refuses the table instead of being carried through to the records.
    bool strict = false;
    // kg/L of the solution of a row without a density cell; nullopt: 1 kg/L
    // for a row per litre, and for a row that mixes amounts per kg and per
    // litre of solution when its solutes weigh under 1 g/L.
    std::optional<double> density;
};

// --below-detection NAME; nullopt for a name that is none of them.
std::optional<BelowDetection> belowDetectionNamed(std::string_view name);
inline constexpr std::string_view BELOW_DETECTION_NAMES = "omit, zero, half, limit or fail";

// The cell of a value below the detection limit, with the limit when it
// gives one; nullopt for any other cell.
struct BelowDetectionCell {
    std::optional<double> limit;
};
std::optional<BelowDetectionCell> belowDetectionCell(std::string_view cell);

}  // namespace wq
