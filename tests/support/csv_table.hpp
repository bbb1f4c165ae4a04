// A table a front end wrote as CSV (the evaporation path, the sweep): its
// comment lines ("# ..."), its header and its rows, read back for a test.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace wq::testing {

struct CsvTable {
    std::vector<std::string> comments, header;
    std::vector<std::vector<std::string>> rows;
    // The index of the column headed `name`; a test failure (and 0) when none is.
    std::size_t column(const std::string& name) const;
    // The cell of row `row` in the column headed `name`.
    const std::string& cell(std::size_t row, const std::string& name) const;
};

// The comment lines are kept apart; the first record of the rest is the header.
CsvTable readCsvTable(const std::string& text);

}  // namespace wq::testing
