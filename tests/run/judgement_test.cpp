// No impossible water called converged: waters that only an impossible
// solution satisfies, and inputs outside reason, come out of the batch as
// failures with their reason and empty result cells; the console program
// ends such a run with its reason.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "support/folder.hpp"

namespace wq {
namespace {

using nlohmann::json;
using testing::Command;

const std::filesystem::path EXAMPLES = std::filesystem::path(WQSPEC_SOURCE_DIR) / "examples";

// An acid mine water (pH 2.7, sulfate 2000 mg/L, iron 400 mg/L) with an
// alkalinity that only 8 mol/kg of dissolved CO2 would give it.
const std::string ACID = "180,2000,400,20";

TEST(Judgement, ImpossibleWatersAndInputsOutsideReasonFailWithTheirReason) {
    testing::Folder folder("judgement");
    folder.copy(EXAMPLES / "LOGKDATA.KDB", "LOGKDATA.KDB");
    folder.write("t.csv",
                 "name,T,pH,Ca [mg/L],SO4 [mg/L],Fe [mg/L],Na [mg/L],alkalinity [mg/L as CaCO3]\n"
                 "acid mine,25,2.7," + ACID + ",0.5\n"
                 "acid mine cold,16,2.7," + ACID + ",0.5\n"
                 "acid with 2 meq,25,2.5," + ACID + ",100\n"
                 "blank pH,25,," + ACID + ",100\n"
                 "pH 75,25,75," + ACID + ",\n"
                 "pH 15,25,15," + ACID + ",\n"
                 "below freezing,-5,7," + ACID + ",\n"
                 "too hot,700,7," + ACID + ",\n"
                 "melt water,0,6.5,10,10,,5,\n");
    const Command run = folder.run("batch t.csv --out out.json --jobs 2");
    EXPECT_EQ(run.status, 1) << run.err;
    const json records = json::parse(folder.read("out.json"));
    const struct {
        const char* name;
        const char* status;  // the start of it
    } expected[] = {
        {"acid mine", "no solution: the alkalinity given, "},
        {"acid mine cold", "no solution: the alkalinity given, "},
        {"acid with 2 meq", "no solution: "},
        {"blank pH", "row on line 5: a blank pH beside an alkalinity: the alkalinity fixes the charge"},
        {"pH 75", "row on line 6, column \"pH\": the pH 75 is above 16, which no water has"},
        {"pH 15", "no solution: OH- reaches "},
        {"below freezing", "row on line 8, column \"T\": the temperature -5 C is outside the 0 to 600 C of the data"},
        {"too hot", "row on line 9, column \"T\": the temperature 700 C is outside the 0 to 600 C of the data"},
        {"melt water", "converged"},
    };
    ASSERT_EQ(records.size(), std::size(expected));
    for (std::size_t i = 0; i < records.size(); ++i) {
        const json& r = records[i];
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(r["name"], expected[i].name);
        const std::string status = r["status"];
        EXPECT_EQ(status.rfind(expected[i].status, 0), 0u) << status;
        if (status == "converged") continue;
        // A failed water has no result: none of its cells is a number.
        for (const char* key : {"pH", "I", "a_H2O", "kg_water", "minerals", "species"})
            EXPECT_FALSE(r.contains(key) && !r[key].is_null()) << key << ": " << r[key];
    }
    // The reason gives what the non-carbonate species carry and the carbonate it would take.
    const std::string acid = records[0]["status"];
    EXPECT_NE(acid.find("meq/kgw that the species without carbonate carry"), std::string::npos) << acid;
    EXPECT_NE(acid.find("mol/kgw of it"), std::string::npos) << acid;
}

}  // namespace
}  // namespace wq
