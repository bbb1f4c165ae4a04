// The activity models at the edges of what they describe, through the
// batch's table of waters: B-dot computed at every molality a front end
// reaches; Pitzer parameters no water obeys giving no solution, and values
// beyond the data flagged.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app/front_end.hpp"
#include "app/table_of_waters.hpp"
#include "support/folder.hpp"
#include "support/program_run.hpp"

namespace wq {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const fs::path SOURCE = WQSPEC_SOURCE_DIR;
const fs::path PITZER_DATABASE = SOURCE / "examples" / "pitzer" / "LOGKDATA.KDB";
const std::atomic<bool> NEVER{false};

// The JSON records of a table run as `wqspec batch --activity <activity>
// --db <database>` runs it, with the table's own default options.
std::vector<json> records(const std::vector<std::string>& columns, const std::vector<std::vector<std::string>>& rows,
                          const std::string& activity, const fs::path& database) {
    BatchOptions o;
    o.activity = activity;
    o.databasePath = database.string();
    o.jobs = "2";
    TableRunOptions run;
    run.json = true;
    const TableOutcome out = runTableOfWaters({columns, rows}, o, run, NEVER);
    std::vector<json> found;
    for (const WaterOutcome& w : out.waters) found.push_back(json::parse(w.json));
    return found;
}

std::string number(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.12g", v);
    return text;
}

TEST(ActivityRange, TheFrontEndsComputeBdotAtEveryMolality) {
    // Above 7 mol/kg the console program's iteration keeps the coefficients
    // of the loop before, and a water that starts there kept those of an
    // ideal solution: I 0, a(H2O) 1, every gamma 1, no note. A front end
    // computes it, and notes it beyond the model's range.
    struct Case {
        const char *cation, *anion;
        double m, t;
    };
    const Case cases[] = {{"Na+", "NO3-", 8, 25}, {"Li+", "Cl-", 12, 25}, {"K+", "NO3-", 8, 80}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cation);
        const std::vector<json> r =
            records({"name", "T [C]", "pH", std::string(c.cation) + " [mol/kgw]", std::string(c.anion) + " [mol/kgw]"},
                    {{"salt", number(c.t), "7", number(c.m), number(c.m)}}, "b-dot", SOURCE / "examples" / "LOGKDATA.KDB");
        ASSERT_EQ(r.size(), 1u);
        const json& w = r[0];
        EXPECT_EQ(w.at("status"), "converged");
        EXPECT_NEAR(w.at("I_stoichiometric").get<double>(), c.m, 1e-6 * c.m);
        // Ion pairs (LiCl,aq) take some of the salt out of I.
        EXPECT_GT(w.at("I").get<double>(), 0.6 * c.m);
        EXPECT_LE(w.at("I").get<double>(), c.m * (1.0 + 1e-6));
        EXPECT_GT(w.at("a_H2O").get<double>(), 0.0);
        EXPECT_LE(w.at("a_H2O").get<double>(), 1.0);
        for (const auto& [name, species] : w.at("species").items())
            EXPECT_TRUE(species.at("gamma").is_number() && species.at("gamma").get<double>() > 0.0) << name;
        EXPECT_NE(w.at("species").at(c.cation).at("gamma").get<double>(), 1.0);
        EXPECT_NE(w.at("notes").get<std::string>().find("beyond the range of the B-dot model"), std::string::npos)
            << w.at("notes");
    }
}

// A folder holding the Pitzer database and its PITZER.DAT with the line
// that starts with `start` replaced by `line` ("": left out).
struct OwnPitzerData {
    testing::Folder folder;
    OwnPitzerData(const std::string& tag, const std::string& start, const std::string& line) : folder(tag) {
        folder.copy(PITZER_DATABASE, "LOGKDATA.KDB");
        std::string text = testing::slurp(PITZER_DATABASE.parent_path() / "PITZER.DAT");
        const std::size_t at = text.find("\n" + start);
        EXPECT_NE(at, std::string::npos) << start;
        text.replace(at + 1, text.find('\n', at + 1) - at, line.empty() ? "" : line + "\n");
        folder.write("PITZER.DAT", text);
    }
    fs::path database() const { return folder.path() / "LOGKDATA.KDB"; }
};

TEST(ActivityRange, PitzerDataNoWaterObeysAreRefusedAndValuesBeyondTheDataFlagged) {
    // beta(0) of NaCl is 0.075 kg/mol at 25 C. At 10 kg/mol a NaCl brine of
    // 3 mol/kg had gamma(Na+) 5e25 and halite SI +50.8; at 1000 the
    // coefficients overflowed and a(H2O) was 1e-141: both "converged".
    for (const char* b0 : {"10", "1000"}) {
        const OwnPitzerData data(std::string("pitzer-b0-") + b0, "B0      Cl-          Na+", std::string("B0 Cl- Na+ ") + b0);
        const std::vector<json> r = records({"name", "T [C]", "pH", "Na+ [mol/kgw]", "Cl- [mol/kgw]"},
                                            {{"brine", "25", "7", "3", "3"}}, "pitzer", data.database());
        ASSERT_EQ(r.size(), 1u);
        EXPECT_EQ(r[0].at("status").get<std::string>().rfind("no solution: the Pitzer model gives ", 0), 0u)
            << b0 << ": " << r[0].at("status");
    }
    // A PITZER.DAT without its range keeps the runs from starting.
    const OwnPitzerData noRange("pitzer-no-range", "TEMPERATURE", "");
    try {
        records({"name", "T [C]", "Na+ [mol/kgw]", "Cl- [mol/kgw]"}, {{"w", "25", "1", "1"}}, "pitzer",
                noRange.database());
        ADD_FAILURE() << "started";
    } catch (const CannotStart& c) {
        EXPECT_NE(c.what.find("PITZER.DAT, line "), std::string::npos) << c.what;
        EXPECT_NE(c.what.find("without a TEMPERATURE line"), std::string::npos) << c.what;
    }
    // Beyond the data but a water all the same: computed, and flagged.
    const std::vector<json> r = records({"name", "T [C]", "Na+ [mol/kgw]", "HCO3- [mol/kgw]"},
                                        {{"nahco3", "200", "12", "12"}}, "pitzer", PITZER_DATABASE);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_GT(r[0].at("a_H2O").get<double>(), 1.0);
    EXPECT_EQ(r[0].at("status").get<std::string>().rfind("converged; doubtful: osmotic coefficient -0.", 0), 0u)
        << r[0].at("status");
}

}  // namespace
}  // namespace wq
