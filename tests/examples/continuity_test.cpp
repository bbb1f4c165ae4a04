// The waters of examples/metals from 0 to 100 °C in steps of 0.1 °C: every
// entry of the database serves every temperature, so no saturation index
// jumps where the run changes from an extended run to the saturation curve
// (20 °C) or where the data of an entry end (an ion pair measured at 25 °C,
// a fit that stops at 200 °C), and none appears or disappears on the way.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "support/csv_table.hpp"
#include "support/folder.hpp"
#include "support/program_run.hpp"

namespace fs = std::filesystem;
namespace wt = wq::testing;

namespace {

const fs::path EXAMPLES = fs::path(WQSPEC_SOURCE_DIR) / "examples";

// A step of a saturation index over 0.1 °C may differ from the mean of the
// two steps beside it by this much: a smooth temperature dependence, however
// steep (akermanite in an acid water moves by 0.03 per step), differs by
// less than 0.001; a species or mineral whose data stop differs by tenths.
constexpr double LARGEST_KINK = 0.01;

// The first row of each water of the example's table, at every temperature
// from 0 to 100 °C by 0.1 °C (0 is taken at the triple point).
std::string sweptTable(const wt::CsvTable& waters) {
    std::string text;
    for (std::size_t k = 0; k < waters.header.size(); ++k) text += (k ? "," : "") + std::string("\"") + waters.header[k] + "\"";
    text += "\n";
    const std::size_t tColumn = waters.column("T [C]");
    for (const std::size_t row : {std::size_t{0}, waters.rows.size() / 2}) {
        for (int tenth = 0; tenth <= 1000; ++tenth) {
            std::vector<std::string> cells = waters.rows[row];
            cells[tColumn] = std::to_string(tenth / 10) + "." + std::to_string(tenth % 10);
            for (std::size_t k = 0; k < cells.size(); ++k) text += (k ? "," : "") + cells[k];
            text += "\n";
        }
    }
    return text;
}

TEST(Continuity, NoSaturationIndexJumpsFromZeroToOneHundredDegrees) {
    // A property of the data: the release build checks it; the sanitizers'
    // build would spend a minute on two thousand waters the other batch
    // tests already take through the same code.
    if (wt::SANITIZED_BUILD) GTEST_SKIP() << "a property of the data, checked by the release build";
    const wt::CsvTable waters = wt::readCsvTable(wt::slurp(EXAMPLES / "metals" / "WATERS.csv"));
    wt::Folder folder("continuity");
    folder.write("swept.csv", sweptTable(waters));
    const wt::Command c = folder.run("batch swept.csv --all --out out.csv --db '" +
                                          (EXAMPLES / "LOGKDATA.KDB").string() + "'");
    ASSERT_EQ(c.status, 0) << c.err;
    const wt::CsvTable out = wt::readCsvTable(folder.read("out.csv"));
    ASSERT_EQ(out.rows.size(), 2u * 1001u);
    const std::size_t tColumn = out.column("T [C]");
    // The change over row r's step, per 0.1 °C (the first step, from the
    // triple point at 0.01 °C, is a little shorter).
    const auto step = [&](std::size_t r, std::size_t k) {
        const double dt = std::stod(out.rows[r][tColumn]) - std::stod(out.rows[r - 1][tColumn]);
        return (std::stod(out.rows[r][k]) - std::stod(out.rows[r - 1][k])) * 0.1 / dt;
    };
    for (std::size_t k = 0; k < out.header.size(); ++k) {
        if (out.header[k].rfind("SI(", 0) != 0) continue;
        for (std::size_t r = 1; r < out.rows.size(); ++r) {
            if (r % 1001 == 0) continue;  // the next water
            const std::string where = out.header[k] + " at " + out.rows[r][tColumn] + " C in " + out.rows[r][0];
            ASSERT_EQ(out.rows[r - 1][k].empty(), out.rows[r][k].empty()) << where << " comes or goes";
            // (a cell that goes at the next step fails there)
            if (out.rows[r][k].empty() || r % 1001 == 1000 || out.rows[r + 1][k].empty()) continue;
            const double next = step(r + 1, k);
            const double previous = r % 1001 == 1 ? next : step(r - 1, k);
            EXPECT_LE(std::fabs(step(r, k) - (previous + next) / 2.0), LARGEST_KINK) << where;
        }
    }
}

}  // namespace
