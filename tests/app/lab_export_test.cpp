// A laboratory's export run as it is, end to end: the example of
// examples/lab against its blessed records, and the judgements that fall on
// one water rather than the table (oxygen beside sulfide, a component the
// Pitzer data lack), the columns carried through, --strict, and the list of
// columns in a folder without a database.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "support/folder.hpp"
#include "support/program_run.hpp"

namespace wq {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testing::Command;

const fs::path SOURCE = WQSPEC_SOURCE_DIR;
const fs::path DATABASE = SOURCE / "examples" / "LOGKDATA.KDB";

class Folder : public testing::Folder {
public:
    explicit Folder(const std::string& tag) : testing::Folder("lab-" + tag) {
        copy(DATABASE, "LOGKDATA.KDB");
    }
    json records(const std::string& table, const std::string& args = "") const {
        write("waters.csv", table);
        const Command c = run("batch waters.csv --out out.json " + args);
        EXPECT_NE(c.status, 2) << c.err;
        return json::parse(read("out.json"));
    }
};

// The fourteen waters of examples/lab, in the laboratory's own Latin-1
// export: ten computed, four refused, each alone and with all its reasons;
// the CSV is the blessed one.
TEST(LabExport, RunsInOneCommandEachWaterComputedOrRefusedAlone) {
    Folder folder("example");
    const fs::path example = SOURCE / "examples" / "lab";
    const std::string args = "batch '" + (example / "lab-export.csv").string() + "' --db '" + DATABASE.string() + "'";
    const Command csv = folder.run(args + " --out out.csv");
    EXPECT_EQ(csv.status, 1) << csv.err;  // some waters are refused
    EXPECT_EQ(folder.read("out.csv"), testing::slurp(example / "expected.csv"))
        << "re-bless with: build/release/wqspec " << args << " --out examples/lab/expected.csv";
    ASSERT_EQ(folder.run(args + " --out out.json").status, 1);
    const json r = json::parse(folder.read("out.json"));
    ASSERT_EQ(r.size(), 14u);
    const struct {
        const char* name;
        const char* status;  // its beginning
    } refused[] = {
        {"GW-06", "row on line 7: 2 cells cannot be read: column \"PH\": \"7.o\" is not a number; column \"Mg [MG/L]\""},
        {"GW-07", "O2,aq and HS- are both components"},
        {"GW-09", "row on line 10: amounts per kg and per litre of solution in one row"},
        {"GW-14", "row on line 15, column \"Temp [\u00B0C]\": \"285.9 K\" is not a number"},
    };
    int converged = 0;
    for (const json& w : r) {
        const std::string status = w["status"].get<std::string>();
        converged += status.rfind("converged", 0) == 0;
        for (const auto& k : refused) {
            if (w["name"] == k.name) {
                EXPECT_EQ(status.rfind(k.status, 0), 0u) << status;
            }
        }
    }
    EXPECT_EQ(converged, 10);
    EXPECT_EQ(r[0]["carried"]["Lab ID"], "L23-0412");
    EXPECT_EQ(r[3]["carried"]["Site"], "M\u00FChlbach Tiefbrunnen");  // Latin-1 read as such
    EXPECT_NE(r[1]["notes"].get<std::string>().find("below the detection limit, left out: NH4 [mg/L as N] (ND)"),
              std::string::npos);
}

// O2,aq and HS- columns in one table refuse only the row that gives both.
TEST(LabExport, OxygenBesideSulfideRefusesOnlyTheRowThatGivesBoth) {
    Folder folder("redox");
    const json r = folder.records(
        "name,T,pH,Ca [mg/L],Cl [mg/L],alkalinity [meq/L],DO [mg/L],H2S [mg/L]\n"
        "oxic,15,7.3,40,20,2,8.5,\n"
        "anoxic,15,7.1,40,20,2,,1.2\n"
        "both,15,7.2,40,20,2,0.5,0.3\n");
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0]["status"], "converged");
    EXPECT_EQ(r[1]["status"], "converged");
    EXPECT_EQ(r[2]["status"], "O2,aq and HS- are both components");
    EXPECT_TRUE(r[0]["totals"].contains("O2,aq"));
    EXPECT_TRUE(r[1]["totals"].contains("HS-"));
}

// With the Pitzer data, which carry no nitrate, a blank NO3 column is no
// fault and a row with a value is refused alone, saying why.
TEST(LabExport, AComponentThePitzerDataLackRefusesOnlyTheRowThatGivesIt) {
    Folder folder("pitzer");
    const json r = folder.records(
        "name,T,pH,Na [mol/kgw],Cl [mol/kgw],NO3 [mg/L]\n"
        "brine,25,7,2,2,\n"
        "nitrate,25,7,2,2,40\n",
        "--activity pitzer --db '" + (SOURCE / "examples" / "pitzer" / "LOGKDATA.KDB").string() + "'");
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0]["status"].get<std::string>().rfind("converged", 0), 0u) << r[0]["status"];
    EXPECT_EQ(r[1]["status"].get<std::string>().rfind("row on line 3, column \"NO3 [mg/L]\": the database has no "
                                                       "component NO3- (nitrate",
                                                       0),
              0u)
        << r[1]["status"];
}

// Columns that name nothing computed come back as they were, in the CSV
// beside the results and in the JSON record; --strict refuses them.
TEST(LabExport, ColumnsCarriedThroughOrRefusedWithStrict) {
    Folder folder("carried");
    folder.write("waters.csv",
                 "Lab ID,name,T,pH,Ca [mg/L],Cl [mg/L],alkalinity [meq/L],Sample Date,TDS [mg/L]\n"
                 "\"A-1, dup\",w,15,7.3,40,20,2,2023-05-14,212\n");
    const Command csv = folder.run("batch waters.csv");
    ASSERT_EQ(csv.status, 0) << csv.err;
    EXPECT_NE(csv.out.find(",activity model,Lab ID,Sample Date,TDS [mg/L],SI("), std::string::npos) << csv.out;
    EXPECT_NE(csv.out.find(",b-dot,\"A-1, dup\",2023-05-14,212,"), std::string::npos) << csv.out;
    EXPECT_EQ(csv.err,
              "wqspec: note: waters.csv: columns \"Lab ID\", \"Sample Date\", \"TDS [mg/L]\" name nothing computed: "
              "carried through to the records (--strict refuses them)\n");
    const Command strict = folder.run("batch waters.csv --strict");
    EXPECT_EQ(strict.status, 2);
    EXPECT_EQ(strict.err.rfind("wqspec: waters.csv: column \"Lab ID\": \"Lab ID\" is not a component species", 0), 0u)
        << strict.err;
    const Command bad = folder.run("batch waters.csv --below-detection some");
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.err, "wqspec: --below-detection some: give omit, zero, half, limit or fail\n");
}

// --list-columns in a folder without a database: the bundled one, and
// every column read and written, the redox ones too.
TEST(LabExport, TheListOfColumnsAnywhere) {
    testing::Folder folder("lab-list");
    const Command list = folder.run("batch --list-columns");
    ASSERT_EQ(list.status, 0) << list.err;
    for (const char* expected : {"  Eh [V]", "  redox ", "  conductance [uS/cm]", "O2,aq: dissolved oxygen",
                                 "Fe+++: iron(III), ferric iron", "Columns the batch writes", "redox pe",
                                 "Eh(COUPLE) [V]", "analysis imbalance [%]"})
        EXPECT_NE(list.out.find(expected), std::string::npos) << expected << "\n" << list.out;
}

}  // namespace
}  // namespace wq
