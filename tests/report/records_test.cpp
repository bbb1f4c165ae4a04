// The machine-readable records: what a record says of a quantity that does
// not apply, and of text that is not UTF-8.
#include "report/records.hpp"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "report/results.hpp"
#include "text/csv.hpp"

namespace wq {
namespace {

using nlohmann::json;

// The cells of a CSV line (one record, no line ends inside).
std::vector<std::string> cellsOf(const std::string& line) {
    CsvReader reader(line);
    std::string error;
    std::optional<CsvRecord> record = reader.next(error);
    EXPECT_TRUE(record) << error;
    return record ? record->fields : std::vector<std::string>{};
}

std::string cell(const RecordColumns& columns, const std::string& row, const std::string& name) {
    const std::vector<std::string> header = cellsOf(csvHeader(columns));
    const std::vector<std::string> cells = cellsOf(row);
    for (std::size_t i = 0; i < header.size() && i < cells.size(); ++i)
        if (header[i] == name) return cells[i];
    ADD_FAILURE() << "no column " << name;
    return "?";
}

// Eh needs a redox couple: without one it does not apply, and the record
// says so (null, an empty cell) whatever the value left in the results; with
// one, even an Eh of exactly 0 V is a value.
TEST(Records, EhIsNullWithoutARedoxCoupleAndAValueWithOne) {
    const struct {
        EhCouple couple;
        double eh;
        json expected;
        std::string cell;
        std::string coupleName;
    } cases[] = {
        {EhCouple::none, 0.0, nullptr, "", ""},
        {EhCouple::none, 0.25, nullptr, "", ""},
        {EhCouple::oxygen, 0.0, 0.0, "0", "H2O/O2(aq)"},
        {EhCouple::sulfideSulfate, -0.25, -0.25, "-0.25", "HS-/SO4--"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cell + " " + c.coupleName);
        Results r;
        r.converged = true;
        r.ehCouple = c.couple;
        r.eh = c.eh;
        const RecordHead head{"w", "converged", 25.0, 1.0};
        const json record = json::parse(jsonRecord(head, &r));
        ASSERT_TRUE(record.contains("Eh"));
        EXPECT_EQ(record["Eh"], c.expected);
        EXPECT_EQ(record["Eh_couple"], c.coupleName);
        const RecordColumns columns;
        const std::string row = csvRow(columns, head, &r);
        EXPECT_EQ(cell(columns, row, "Eh [V]"), c.cell);
        EXPECT_EQ(cell(columns, row, "Eh couple"), c.coupleName);
    }
}

// A name or status that is not UTF-8 (a Latin-1 cell) is written with
// replacement characters in both forms; the JSON stays parseable.
TEST(Records, TextThatIsNotUtf8IsCarriedWithReplacementCharacters) {
    Results r;
    r.converged = true;
    const Results* const withAndWithout[] = {nullptr, &r};
    for (const Results* results : withAndWithout) {
        const RecordHead head{"caf\xE9 \xB0" "C", "why \xFF", 25.0, 1.0};
        const json record = json::parse(jsonRecord(head, results));
        EXPECT_EQ(record["name"], "caf\uFFFD \uFFFDC");
        EXPECT_EQ(record["status"], "why \uFFFD");
        const RecordColumns columns;
        const std::string row = csvRow(columns, head, results);
        EXPECT_TRUE(validUtf8(row)) << row;
        EXPECT_EQ(cell(columns, row, "name"), "caf\uFFFD \uFFFDC");
        EXPECT_EQ(cell(columns, row, "status"), "why \uFFFD");
    }
}

}  // namespace
}  // namespace wq
