#include "support/csv_table.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>

#include "text/csv.hpp"

namespace wq::testing {

std::size_t CsvTable::column(const std::string& name) const {
    for (std::size_t i = 0; i < header.size(); ++i)
        if (header[i] == name) return i;
    ADD_FAILURE() << "no column " << name;
    return 0;
}

const std::string& CsvTable::cell(std::size_t row, const std::string& name) const {
    return rows.at(row).at(column(name));
}

CsvTable readCsvTable(const std::string& text) {
    CsvTable t;
    std::string body;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("#"))
            t.comments.push_back(line);
        else
            body += line + "\n";
    }
    CsvReader reader(body);
    std::string error;
    while (std::optional<CsvRecord> record = reader.next(error))
        (t.header.empty() ? t.header : t.rows.emplace_back()) = record->fields;
    EXPECT_EQ(error, "");
    return t;
}

}  // namespace wq::testing
