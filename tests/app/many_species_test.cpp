// A database with more aqueous species than the console program's 600
// positions hold (tests/support/many_species_kdb.py: the small test database
// and 700 trace species of Na+, each at 1e-30 of the sodium): the batch takes
// every species of it, --list-species counts them, and the console program
// stops at its 600th position as it always has.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "support/folder.hpp"

namespace wq {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const fs::path SOURCE = WQSPEC_SOURCE_DIR;
const fs::path SMALL_DATABASE = SOURCE / "tests" / "data" / "small.kdb";
constexpr int TRACE_SPECIES = 700;

// A folder with the database of many species as LOGKDATA.KDB.
class ManySpeciesFolder : public testing::Folder {
public:
    ManySpeciesFolder() : Folder("many-species") {
        const std::string generator = (SOURCE / "tests" / "support" / "many_species_kdb.py").string();
        made = run("--version", "/dev/null",
                   "/usr/bin/python3 '" + generator + "' LOGKDATA.KDB " + std::to_string(TRACE_SPECIES))
                   .status == 0 &&
               has("LOGKDATA.KDB");
    }
    bool made = false;
};

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

// The species lines of --list-species and the number its count line gives.
struct SpeciesList {
    std::vector<std::string> species;
    int counted = -1;
};

SpeciesList listOf(const testing::Folder& folder, const std::string& database) {
    const testing::Command c = folder.run("batch --list-species --db '" + database + "'");
    EXPECT_EQ(c.status, 0) << c.err;
    SpeciesList list;
    list.species = lines(c.out);
    if (list.species.empty()) return list;
    const std::string last = list.species.back();
    list.species.pop_back();
    EXPECT_NE(last.find(" aqueous species ("), std::string::npos) << last;
    list.counted = std::stoi(last);
    return list;
}

TEST(ManySpecies, TheBatchTakesEverySpeciesTheConsoleProgramItsFirst599) {
    ManySpeciesFolder folder;
    ASSERT_TRUE(folder.made);

    const SpeciesList many = listOf(folder, "LOGKDATA.KDB");
    const SpeciesList small = listOf(folder, SMALL_DATABASE.string());
    EXPECT_EQ(many.counted, static_cast<int>(many.species.size()));
    EXPECT_EQ(many.counted, small.counted + TRACE_SPECIES);
    EXPECT_EQ(many.species.back(), "Trace-0700           1");

    // The same water on both databases: every trace species in its record at
    // 1e-30 of the sodium, and nothing else changed.
    folder.write("waters.csv", "name,T,pH,Na [mmol/kgw],Cl [mmol/kgw],Ca [mmol/kgw]\nw,25,7.5,10,12,1\n");
    const testing::Command batch = folder.run("batch waters.csv --db LOGKDATA.KDB --out many.json");
    ASSERT_EQ(batch.status, 0) << batch.err;
    const testing::Command alone =
        folder.run("batch waters.csv --db '" + SMALL_DATABASE.string() + "' --out small.json");
    ASSERT_EQ(alone.status, 0) << alone.err;
    const json r = json::parse(folder.read("many.json"))[0];
    const json s = json::parse(folder.read("small.json"))[0];
    ASSERT_EQ(r["status"], "converged");
    EXPECT_EQ(r["species"].size(), s["species"].size() + TRACE_SPECIES);
    const double logNa = r["species"]["Na+"]["log_m"];
    EXPECT_NEAR(logNa, s["species"]["Na+"]["log_m"].get<double>(), 1e-12);
    for (const char* trace : {"Trace-0001", "Trace-0700"})
        EXPECT_NEAR(r["species"][trace]["log_m"].get<double>(), logNa - 30.0, 1e-9) << trace;

    // The console program: its 600th position taken, it stops with its message.
    folder.copy(SOURCE / "tests" / "golden" / "fixed-ph" / "WQCASE.DAT", "WQCASE.DAT");
    const testing::Command console = folder.run("");
    EXPECT_EQ(console.status, 1);
    EXPECT_EQ(console.err, "wqspec: LOGKDATA.KDB: more than 599 aqueous species\n");
    const std::string listing = folder.read("WQLIST.DAT");
    const std::string head = "\n     NUMBER OF SPECIES READ IN LOGKDATA EXCEEDS MAXIMUM OF 600\n     LAST NAME READ IS:  ";
    const std::string::size_type at = listing.rfind(head);
    ASSERT_NE(at, std::string::npos) << listing.substr(listing.size() > 400 ? listing.size() - 400 : 0);
    EXPECT_EQ(listing.substr(at + head.size() + 12), " (NS=600)\n\n\n");
}

}  // namespace
}  // namespace wq
