#include "report/value_table.hpp"

#include "text/csv.hpp"

namespace wq {

std::string csvLines(const ValueTable& table) {
    std::string lines = csvLine(table.header);
    for (const std::vector<RecordCell>& row : table.rows) lines += csvRecordLine(row);
    return lines;
}

}  // namespace wq
