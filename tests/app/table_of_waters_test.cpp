// A table of waters given as values runs as the batch runs its file: the
// records of the batch example's table, given cell by cell, are the lines of
// its expected output, their text columns known as such; a row's fault is that row's, found by its place in
// the table even after a cell that holds line ends; a sweep takes one water
// and ends before its next temperature when stopped.
#include <gtest/gtest.h>

#include <atomic>
#include <iterator>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/front_end.hpp"
#include "app/table_of_waters.hpp"
#include "report/records.hpp"
#include "text/csv.hpp"

namespace wq {
namespace {

namespace fs = std::filesystem;

const fs::path SOURCE = WQSPEC_SOURCE_DIR;

std::string fileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::vector<std::string>> csvRecords(const std::string& text) {
    std::vector<std::vector<std::string>> records;
    CsvReader reader(text);
    std::string error;
    while (auto record = reader.next(error)) records.push_back(record->fields);
    EXPECT_EQ(error, "");
    return records;
}

// The lines of a CSV text, each with its line end.
std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line + "\n");
    return out;
}

BatchOptions exampleOptions() {
    BatchOptions o;
    o.casePath = (SOURCE / "examples" / "batch" / "WQCASE.DAT").string();
    o.model.databasePath = (SOURCE / "examples" / "LOGKDATA.KDB").string();
    return o;
}

// The batch example's table: its header, then its rows.
std::vector<std::vector<std::string>> exampleRecords() {
    return csvRecords(fileText(SOURCE / "examples" / "batch" / "WATERS.csv"));
}

TableOfWaters tableOf(const std::vector<std::vector<std::string>>& records, std::size_t rows) {
    return TableOfWaters(records.front(), {records.begin() + 1, records.begin() + 1 + rows});
}

const std::atomic<bool> NEVER{false};

TEST(TableOfWaters, GivesTheBatchExamplesExpectedRecords) {
    const std::vector<std::string> expected = lines(fileText(SOURCE / "examples" / "batch" / "expected.csv"));
    const std::vector<std::vector<std::string>> records = exampleRecords();
    const TableOfWaters table = tableOf(records, records.size() - 1);
    for (const char* jobs : {"1", "3"}) {
        BatchOptions o = exampleOptions();
        o.jobs = jobs;
        TableRunOptions run;
        run.json = true;
        const TableOutcome out = runTableOfWaters(table, o, run, NEVER);
        ASSERT_EQ(out.waters.size(), table.rowCount()) << jobs;
        EXPECT_EQ(csvLine(out.header.names), expected.front());
        // The text columns of the compact set; every other one holds numbers.
        ASSERT_EQ(out.header.text.size(), out.header.names.size());
        std::vector<std::string> text;
        for (std::size_t c = 0; c < out.header.names.size(); ++c)
            if (out.header.text[c]) text.push_back(out.header.names[c]);
        EXPECT_EQ(text, (std::vector<std::string>{"name", "status", "balanced on", "notes", "activity model"}));
        for (std::size_t i = 0; i < out.waters.size(); ++i) {
            EXPECT_EQ(out.waters[i].row, i);
            const std::string& name = records[i + 1][0];
            EXPECT_EQ(csvRecordLine(out.waters[i].cells), expected[i + 1]) << name;
            EXPECT_TRUE(out.waters[i].converged);
            EXPECT_EQ(out.waters[i].fault, "");
            EXPECT_NE(out.waters[i].json.find("\"name\":\"" + name + "\""), std::string::npos);
        }
        // Boron given as the species' own mass is said once.
        ASSERT_EQ(out.notes.size(), 1u);
        EXPECT_NE(out.notes[0].find("counts the mass of B(OH)3,aq"), std::string::npos) << out.notes[0];
    }
}

TEST(TableOfWaters, RowFaultsAreFoundByTheirPlaceInTheTable) {
    const TableOfWaters table({"name", "T [C]", "pH", "Na+ [mg/kg]", "Cl- [mg/kg]"},
                              {
                                  {"first", "25", "7", "10", "15"},
                                  {"two\nlines", "25", "7", "10", "15"},  // quoted across lines in the table's text
                                  {"", "", "", "", ""},                   // blank cells only: no water
                                  {"bad cell", "25", "7", "ten", "15"},
                                  {"last", "25", "7", "10", "15"},
                              });
    const TableOutcome out = runTableOfWaters(table, exampleOptions(), {}, NEVER);
    ASSERT_EQ(out.waters.size(), 4u);
    const std::size_t rows[] = {0, 1, 3, 4};
    for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(out.waters[k].row, rows[k]);
    EXPECT_EQ(out.waters[0].fault, "");
    EXPECT_TRUE(out.waters[0].converged);
    EXPECT_NE(out.waters[1].fault.find("control character"), std::string::npos) << out.waters[1].fault;
    EXPECT_NE(out.waters[2].fault.find("column \"Na+ [mg/kg]\""), std::string::npos) << out.waters[2].fault;
    EXPECT_EQ(out.waters[2].status, out.waters[2].fault);
    EXPECT_FALSE(out.waters[2].converged);
    EXPECT_TRUE(out.waters[3].converged);
    EXPECT_EQ(csvRecordLine(out.waters[3].cells).rfind("last,converged,", 0), 0u);
    ASSERT_EQ(out.notes.size(), 1u);
    EXPECT_NE(out.notes[0].find("1 blank row passed over"), std::string::npos) << out.notes[0];
    // Handed to onWater, the waters are not kept in the outcome as well.
    TableRunOptions handed;
    std::vector<std::size_t> seen;
    handed.onWater = [&](const RecordHeader&, const WaterOutcome& w) { seen.push_back(w.row); };
    EXPECT_TRUE(runTableOfWaters(table, exampleOptions(), handed, NEVER).waters.empty());
    EXPECT_EQ(seen, (std::vector<std::size_t>(std::begin(rows), std::end(rows))));
}

TEST(TableOfWaters, FaultsOfTheTableItselfKeepItFromStarting) {
    struct Case {
        const char* what;
        std::vector<std::string> columns;
        const char* named;
    } cases[] = {
        {"unknown unit", {"name", "T [C]", "Na+ [furlongs]"}, "furlongs"},
        {"no T column", {"name", "Na+ [mg/kg]"}, "\"T\""},
        {"same quantity twice", {"name", "T [C]", "Na+ [mg/kg]", "Na+ [mg/L]"}, "same quantity"},
    };
    for (const Case& c : cases) {
        TableOfWaters table{c.columns, {std::vector<std::string>(c.columns.size(), "1")}};
        try {
            runTableOfWaters(table, exampleOptions(), {}, NEVER);
            ADD_FAILURE() << c.what << ": no fault";
        } catch (const CannotStart& e) {
            EXPECT_NE(e.what.find(c.named), std::string::npos) << c.what << ": " << e.what;
        }
    }
}

TEST(TableOfWaters, ASweepTakesOneWater) {
    SweepOptions sweep;
    sweep.from = 25;
    sweep.to = 75;
    sweep.step = 25;
    const std::vector<std::vector<std::string>> records = exampleRecords();
    EXPECT_THROW(sweepTableWater(tableOf(records, 2), exampleOptions(), {}, sweep, NEVER), CannotStart);
    const SweepRun run = sweepTableWater(tableOf(records, 1), exampleOptions(), {}, sweep, NEVER);
    ASSERT_EQ(run.result.rows.size(), 4u);  // the water's own conditions, then 25, 50, 75 C
    EXPECT_TRUE(run.result.rows.front().input);
    EXPECT_EQ(run.result.rows[3].temperature, 75.0);
    EXPECT_EQ(run.status, FrontEndExit::allConverged);
    // Stopped (Ctrl-C in the Python package): no temperature after the water's own.
    const std::atomic<bool> stopped{true};
    const SweepRun cut = sweepTableWater(tableOf(records, 1), exampleOptions(), {}, sweep, stopped);
    EXPECT_EQ(cut.result.rows.size(), 1u);
    EXPECT_EQ(cut.status, FrontEndExit::someFailed);
}

}  // namespace
}  // namespace wq
