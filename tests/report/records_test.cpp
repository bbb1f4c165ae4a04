// The machine-readable records: what a record says of a quantity that does
// not apply, and of text that is not UTF-8; CSV and JSON agree on every
// field they share.
#include "report/records.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "report/record_fields.hpp"
#include "run/results.hpp"
#include "text/csv.hpp"

namespace wq {
namespace {

using nlohmann::json;

const RecordFormat& CSV = *recordFormatOf("records.csv");
const RecordFormat& JSON = *recordFormatOf("records.json");

std::string csvHeader(const RecordColumns& columns) { return CSV.opening(columns); }
std::string csvRow(const RecordColumns& columns, const RecordHead& head, const Results* results) {
    return CSV.record(columns, head, results);
}
std::string jsonRecord(const RecordHead& head, const Results* results) { return JSON.record({}, head, results); }

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

// The two formats write one list of fields: where a field has both a CSV
// column and a JSON key, the cell and the value say the same, for a water
// with results and for one without (whose CSV cell is empty where the field
// is of its results only).
TEST(Records, CsvAndJsonSayTheSameOfEveryFieldTheyShare) {
    Results r;
    r.converged = true;
    r.loops = 17;
    r.temperature = 61.5;
    r.pressure = 2.25;
    r.pH = 6.875;
    r.ionicStrength = 0.0125;
    r.waterActivity = 0.9996;
    r.chargeImbalancePercent = -1.5;
    r.activityModel = "b-dot";
    RecordHead head{"spring", "converged", 25.0, 1.0};
    head.analysisImbalancePercent = 3.25;
    head.balancedOn = "Cl-";
    head.notes = "a note";
    const Results* const withAndWithout[] = {&r, nullptr};
    for (const Results* results : withAndWithout) {
        const json record = json::parse(jsonRecord(head, results));
        const RecordColumns columns;
        const std::string row = csvRow(columns, head, results);
        for (const RecordField& field : recordFields()) {
            if (!field.column || !field.key) continue;
            SCOPED_TRACE(std::string(field.column) + (results ? " with results" : " without"));
            const std::string text = cell(columns, row, field.column);
            const bool inJson = record.contains(field.key) && !record[field.key].is_null();
            if (text.empty() && field.kind != RecordCell::Kind::text) {
                EXPECT_FALSE(inJson && (results || !field.csvOfResultsOnly)) << record[field.key];
            } else if (field.kind == RecordCell::Kind::text) {
                const bool emptyInCsv = !results && field.csvOfResultsOnly;
                EXPECT_EQ(text, emptyInCsv || !inJson ? "" : record[field.key].get<std::string>());
            } else {
                ASSERT_TRUE(inJson);
                EXPECT_EQ(std::stod(text), record[field.key].get<double>());
                EXPECT_EQ(field.kind == RecordCell::Kind::whole, record[field.key].is_number_integer());
            }
        }
    }
}

// The calculated conductance is checked against a measured one only where
// the table gives one that is a conductance: a percent of the measured, and
// no cell (no division by zero) without one or with none above 0.
TEST(Records, ConductanceDifferenceIsAPercentOfTheMeasuredWhereOneIsGiven) {
    Results r;
    r.converged = true;
    r.specificConductance = 1050.0;
    const struct {
        std::optional<double> measured;
        std::string cell;
    } cases[] = {{1000.0, "5"}, {1400.0, "-25"}, {std::nullopt, ""}, {0.0, ""}, {-3.0, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.measured ? std::to_string(*c.measured) : "none");
        RecordHead head{"well", "converged", 25.0, 1.0};
        head.measuredConductance = c.measured;
        const RecordColumns columns;
        EXPECT_EQ(cell(columns, csvRow(columns, head, &r), "conductance difference [%]"), c.cell);
        EXPECT_EQ(cell(columns, csvRow(columns, head, nullptr), "conductance difference [%]"), "");
    }
}

// A record's columns find the results' rows by name, in any order, among
// many (a run's few hundred minerals), the last row of a name should two
// come, and an empty cell for a name the water has not.
TEST(Records, ColumnsFindTheirRowsByNameTheLastOfANameWhereTwoCome) {
    Results r;
    r.converged = true;
    RecordColumns columns;
    for (int k = 0; k < 300; ++k) {
        const std::string name = "M" + std::to_string(k);
        r.minerals.push_back({name, 0.0, 0.0, static_cast<double>(k), false});
        columns.minerals.insert(columns.minerals.begin(), name);  // the reverse order
    }
    r.minerals.push_back({"M7", 0.0, 0.0, -7.0, false});
    columns.minerals.push_back("not in the water");
    const RecordHead head{"w", "converged", 25.0, 1.0};
    const std::string row = csvRow(columns, head, &r);
    EXPECT_EQ(cell(columns, row, "SI(M0)"), "0");
    EXPECT_EQ(cell(columns, row, "SI(M299)"), "299");
    EXPECT_EQ(cell(columns, row, "SI(M7)"), "-7");
    EXPECT_EQ(cell(columns, row, "SI(not in the water)"), "");
    // The next records of the thread: new values under the same names, a row
    // renamed (the same count), other columns over the same rows.
    for (auto& m : r.minerals) m.saturationIndex += 1000.0;
    EXPECT_EQ(cell(columns, csvRow(columns, head, &r), "SI(M299)"), "1299");
    r.minerals[299].name = "not in the water";
    const std::string renamed = csvRow(columns, head, &r);
    EXPECT_EQ(cell(columns, renamed, "SI(M299)"), "");
    EXPECT_EQ(cell(columns, renamed, "SI(not in the water)"), "1299");
    RecordColumns fewer;
    fewer.minerals = {"M5", "M7"};
    const std::string other = csvRow(fewer, head, &r);
    EXPECT_EQ(cell(fewer, other, "SI(M5)"), "1005");
    EXPECT_EQ(cell(fewer, other, "SI(M7)"), "993");
}

// The registry takes a file's format by its extension, in any case.
TEST(RecordFormats, EachFormatByTheExtensionOfItsFile) {
    struct Case {
        const char* path;
        const RecordFormat* format;
    };
    const Case cases[] = {{"out.csv", &CSV},   {"dir.json/out.CSV", &CSV}, {"out.Json", &JSON},
                          {"out.csv.txt", nullptr}, {"out", nullptr},        {"json", nullptr}};
    for (const Case& c : cases) EXPECT_EQ(recordFormatOf(c.path), c.format) << c.path;
    EXPECT_TRUE(CSV.fixesColumns());
    EXPECT_FALSE(JSON.fixesColumns());
    EXPECT_EQ(recordExtensions(), ".csv or .json");
}

// A file of records: its opening, the records with what stands between them,
// its closing; a JSON file is an array even without a record.
TEST(RecordFormats, AFileOfRecordsOpensSeparatesAndCloses) {
    Results r;
    r.converged = true;
    const RecordHead head{"w", "converged", 25.0, 1.0};
    for (const RecordFormat* format : {&CSV, &JSON}) {
        for (int records : {0, 1, 3}) {
            std::string expected = format->opening({});
            std::string written;
            {
                char* buffer = nullptr;
                std::size_t size = 0;
                std::FILE* memory = open_memstream(&buffer, &size);
                RecordWriter writer(memory, *format);
                EXPECT_TRUE(writer.open());
                for (int k = 0; k < records; ++k) {
                    EXPECT_TRUE(writer.add(writer.text(head, &r)));
                    expected += format->separator(k == 0) + format->record({}, head, &r);
                }
                EXPECT_TRUE(writer.close());
                expected += format->closing(records > 0);
                std::fclose(memory);
                written.assign(buffer, size);
                std::free(buffer);
            }
            EXPECT_EQ(written, expected);
            if (format == &JSON) {
                EXPECT_EQ(json::parse(written).size(), static_cast<std::size_t>(records));
            } else {
                EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), records + 1);  // the header and the rows
            }
        }
    }
}

}  // namespace
}  // namespace wq
