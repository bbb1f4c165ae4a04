// A batch's worker solves one water after another on one program, waters
// that share a temperature share the database's values there, and a silent
// run passes over the species its components cannot form: none of this may
// change a single number of a record. Each record must be, bit for bit, the
// record of the same water's run input run alone by the console program (a
// new program, every channel open, every value interpolated for the run).
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "support/folder.hpp"

namespace wq {
namespace {

using nlohmann::json;


// A folder of its own for a test, with the seawater template and the database.
class Folder : public testing::SeawaterFolder {
public:
    explicit Folder(const std::string& tag) : testing::SeawaterFolder("reuse-" + tag) {}
};

// Temperatures that keep different numbers of species and minerals (hot
// first, so that a later water finds slots an earlier one filled), a water
// that stops before it is solved (outside the saturation curve's range)
// between them, temperatures met twice (the second time from the cache),
// waters with fewer components than the one before (an empty cell), and
// waters with a redox state (O2,aq and Fe+++ added to their components)
// beside waters without one.
const std::string WATERS =
    "name,T [C],pH,pe,Na+ [mmol/kgw],Cl- [mmol/kgw],Ca++ [mmol/kgw],SO4-- [mmol/kgw],Fe++ [mmol/kgw]\n"
    "hot,300,6.5,,400,420,8,20,0.01\n"
    "sea,25,8.2,,468,546,10,28,\n"
    "too hot,400,7,,400,420,8,20,0.01\n"
    "iron reduced,25,6.8,-2,100,110,3,5,0.05\n"
    "sea again,25,7.9,,300,330,12,,\n"
    "iron oxidized,60,5.5,6,50,60,1,2,0.02\n"
    "warm,60,7.0,,200,210,5,10,0.01\n"
    "warm again,60,7.2,,100,90,2,,\n"
    "cool,20.5,8.4,,600,700,15,30,\n";

// The keys of a batch's record that only the batch knows (the analysis as
// the table gave it, before the charge balance, and the component that
// carried the balance); the console program's record has none of them.
const char* const BATCH_ONLY[] = {"analysis_imbalance", "analysis_imbalance_percent", "balanced_on", "notes"};

json withoutBatchOnly(json record) {
    for (const char* key : BATCH_ONLY) record.erase(key);
    return record;
}

TEST(BatchWorker, EveryRecordIsTheRecordOfItsWaterRunAloneBitForBit) {
    Folder batch("batch");
    batch.write("waters.csv", WATERS);
    const std::string options = "batch waters.csv --case WQCASE.DAT --balance Cl-";
    const testing::Command solved = batch.run(options + " --out records.json --jobs 1");
    EXPECT_EQ(solved.status, 1) << solved.err;  // "too hot" fails
    const json records = json::parse(batch.read("records.json"));
    ASSERT_EQ(records.size(), 9u);
    ASSERT_EQ(batch.run(options + " --write-cases cases").status, 0);
    int compared = 0;
    for (const json& r : records) {
        const std::string name = r["name"].get<std::string>();
        SCOPED_TRACE(name);
        if (name == "too hot") {
            EXPECT_NE(r["status"].get<std::string>().find("saturation"), std::string::npos) << r.dump();
            continue;
        }
        std::string dir = name;
        for (char& c : dir)
            if (c == ' ') c = '_';
        Folder alone("alone-" + dir);
        alone.write("WQCASE.DAT", batch.read("cases/" + dir + "/WQCASE.DAT"));
        // The water's redox state is a choice of the run, not of its run input.
        const std::string redox = name == "iron reduced" ? " --redox pe=-2" : name == "iron oxidized" ? " --redox pe=6" : "";
        const testing::Command run = alone.run("--results alone.json" + redox);
        // A water without a solution ends the console program with status 1,
        // after its record.
        const bool converged = r["status"].get<std::string>().starts_with("converged");
        ASSERT_EQ(run.status, converged ? 0 : 1) << run.err;
        const json single = json::parse(alone.read("alone.json"));
        ASSERT_EQ(single.size(), 1u);
        EXPECT_EQ(withoutBatchOnly(r), withoutBatchOnly(single[0]))
            << "batch: " << r.dump() << "\nalone: " << single[0].dump();
        ++compared;
    }
    EXPECT_EQ(compared, 8);
}

}  // namespace
}  // namespace wq
