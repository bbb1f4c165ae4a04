// A path's or a sweep's table as values, for the CSV text the command line
// writes and for a front end that keeps the values (the Python package): a
// number cell holds the very double the text writes with 17 digits, a whole
// number (a loop count, a step) its integer, a blank cell a NaN (or an empty
// text in a text column).
#pragma once

#include <string>
#include <vector>

#include "report/records.hpp"

namespace wq {

struct ValueTable {
    std::vector<std::string> header;
    std::vector<bool> text;  // of each column: text in every row (a status, the minerals held), else numbers
    std::vector<std::vector<RecordCell>> rows;
};

// The table's CSV lines: the header, then a line per row.
std::string csvLines(const ValueTable& table);

}  // namespace wq
