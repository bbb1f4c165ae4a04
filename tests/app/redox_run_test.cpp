// Runs with a redox state, end to end on the bundled database: iron
// distributed over Fe(II) and Fe(III) from its total and an Eh, against the
// Nernst equation of the couple worked by hand; the same water given as the
// couple gives the Eh back; nitrogen kept decoupled beside coupled iron;
// species and minerals suppressed by the user; the refusals; the batch's
// redox columns.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "support/folder.hpp"
#include "support/program_run.hpp"

namespace wq {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testing::slurp;

const fs::path SOURCE = WQSPEC_SOURCE_DIR;
const fs::path DATABASE = SOURCE / "examples" / "LOGKDATA.KDB";

// log K at 25 C of the bundled database's couples section (its 1-bar row):
// the electron, e- = 0.5 H2O - H+ - 0.25 O2,aq, and the iron couple,
// Fe+++ + 0.5 H2O = Fe++ + H+ + 0.25 O2,aq.
constexpr double LOGK_ELECTRON_25 = 21.5008;
constexpr double LOGK_IRON_25 = -8.4899;

// pe = F Eh / (RT ln 10), with the CODATA 2018 constants.
double peOfEh(double eh, double tC) { return eh * 96485.33212 / (8.314462618 * (tC + 273.15) * std::log(10.0)); }

struct Component {
    int number;
    const char* name;
    double total;  // moles in 1 kg of water
};

std::string componentLine(const Component& c) {
    char line[128];
    std::snprintf(line, sizeof line, "%5d %-15s%16.10E   %16.10E   %16.10E\n", c.number, c.name, c.total,
                  c.number == 1 ? 1e-7 : c.number == 2 ? 1.0 : c.total / 2.0, 1.0);
    return line;
}

// A water at 25 C on the saturation curve, its pH fixed, the charge balance on
// the database number `balance`, the minerals read.
std::string runInput(double pH, int balance, const std::vector<Component>& components) {
    char conditions[128];
    std::snprintf(conditions, sizeof conditions, " 1.0E-9  %.2f  0.0  0.000000E+00  25.0  0.0  1.0E-10  1.0", pH);
    std::string text = "A water for the redox tests\n\n"
                       "Conv.factor  pH    Act.  Alk(eq/kg water)  T(C)  Damp  Print.thr.  P(bar)\n"
                       "--------------------------------------------------------------------------\n" +
                       std::string(conditions) +
                       "\nl/v-hiP Minerals Debug ChBal Loops ChBalSp FixActSp Geoth Refine ActOpt WatOpt\n"
                       "--------------------------------------------------------------------------\n\n"
                       " 0 1 0 0 300 " + std::to_string(balance) + " 0 0 0 0 0\n"
                       "SAQ  species      Mtot               Mtry               Gamma\n"
                       "-----------------------------------------------------------------------------\n";
    text += componentLine({1, "H+", 0.0});
    text += componentLine({2, "H2O", 1.0});
    for (const Component& c : components) text += componentLine(c);
    return text + "    0\n";
}

// The program in a folder of its own with the run input, the first run's
// JSON record and its outputs.
struct RedoxRunOutput {
    testing::Command command;
    json record;
    std::string listing, skip;
};

RedoxRunOutput run(const std::string& tag, const std::string& caseText, const std::string& args) {
    testing::Folder folder("redox-" + tag);
    folder.write("WQCASE.DAT", caseText);
    folder.copy(DATABASE, "LOGKDATA.KDB");
    folder.write("answers", "N\n");
    RedoxRunOutput r;
    r.command = folder.run(args + " --results out.json", "answers");
    if (folder.has("out.json")) {
        const json all = json::parse(folder.read("out.json"));
        if (!all.empty()) r.record = all[0];
    }
    if (folder.has("WQLIST.DAT")) r.listing = folder.read("WQLIST.DAT");
    if (folder.has("Skip_Species.txt")) r.skip = folder.read("Skip_Species.txt");
    return r;
}

double total(const json& record, const std::string& component) { return record["totals"][component]["moles"]; }

const std::vector<Component> IRON_WATER = {
    {3, "Cl-", 0.0110}, {13, "Na+", 0.0100}, {15, "Fe++", 1.0e-4}};

TEST(RedoxRun, IronFromItsTotalAndAnEhFollowsTheNernstEquation) {
    // pe0 of Fe+++ + e- = Fe++ is log K(couple) + log K(e-); the standard
    // potential 0.771 V (Bard, Parsons & Jordan 1985, Standard Potentials in
    // Aqueous Solution) is pe0 13.03 at 25 C, which the database's data meet.
    const double pe0 = LOGK_IRON_25 + LOGK_ELECTRON_25;
    EXPECT_NEAR(pe0, peOfEh(0.771, 25.0), 0.05);
    for (double eh : {0.70, 0.77, 0.85}) {
        const RedoxRunOutput r = run("nernst", runInput(3.0, 3, IRON_WATER), "--redox Eh=" + std::to_string(eh));
        ASSERT_EQ(r.command.status, 0) << r.command.err;
        const json& rec = r.record;
        EXPECT_EQ(rec["status"], "converged by the joint solve");
        const double pe = peOfEh(eh, 25.0);
        EXPECT_NEAR(double(rec["redox"]["pe"]), pe, 1e-6);
        EXPECT_NEAR(double(rec["redox"]["Eh"]), eh, 1e-8);
        // By hand: log(a Fe+++ / a Fe++) = pe - pe0, and the molalities are
        // the activities over the activity coefficients the run found.
        const json& fe2 = rec["species"]["Fe++"];
        const json& fe3 = rec["species"]["Fe+++"];
        const double ratio = std::pow(10.0, pe - pe0) * double(fe2["gamma"]) / double(fe3["gamma"]);
        EXPECT_NEAR(std::log10(double(fe3["m"]) / double(fe2["m"])), std::log10(ratio), 2e-3) << eh;
        // Iron is conserved: the two oxidation states hold the total given.
        EXPECT_NEAR(total(rec, "Fe++") + total(rec, "Fe+++"), 1.0e-4, 1e-12) << eh;
        EXPECT_GT(total(rec, "Fe+++"), 0.0);
    }
}

TEST(RedoxRun, TheSameWaterGivenAsTheCoupleGivesBackTheEh) {
    const double eh = 0.74;
    const RedoxRunOutput first = run("eh", runInput(3.0, 3, IRON_WATER), "--redox Eh=0.74");
    ASSERT_EQ(first.command.status, 0) << first.command.err;
    const double fe2 = total(first.record, "Fe++");
    const double fe3 = total(first.record, "Fe+++");
    ASSERT_GT(fe3, 1e-6);
    const std::vector<Component> asAnalysed = {
        {3, "Cl-", 0.0110}, {13, "Na+", 0.0100}, {15, "Fe++", fe2}, {16, "Fe+++", fe3}};
    const RedoxRunOutput couple = run("couple", runInput(3.0, 3, asAnalysed), "--redox Fe++/Fe+++");
    ASSERT_EQ(couple.command.status, 0) << couple.command.err;
    EXPECT_EQ(couple.record["redox"]["state"], "couple Fe++/Fe+++");
    EXPECT_NEAR(double(couple.record["redox"]["Eh"]), eh, 1e-6);
    EXPECT_NEAR(double(couple.record["redox"]["couples"]["Fe++/Fe+++"]["Eh"]), eh, 1e-6);
    // The totals the couple was given are the totals it keeps.
    EXPECT_NEAR(total(couple.record, "Fe+++"), fe3, 1e-12);
    EXPECT_NEAR(total(couple.record, "Fe++"), fe2, 1e-12);
}

TEST(RedoxRun, DecoupledNitrogenBesideCoupledIron) {
    const std::vector<Component> water = {
        {3, "Cl-", 0.0110}, {13, "Na+", 0.0100}, {15, "Fe++", 1.0e-4}, {21, "NH4+", 2.0e-4}, {22, "NO3-", 3.0e-4}};
    const RedoxRunOutput decoupled = run("decoupled", runInput(5.0, 3, water), "--redox Eh=0.6 --decouple N");
    ASSERT_EQ(decoupled.command.status, 0) << decoupled.command.err;
    const json& d = decoupled.record;
    // Nitrogen as analysed, iron distributed by the Eh.
    EXPECT_NEAR(total(d, "NH4+"), 2.0e-4, 1e-15);
    EXPECT_NEAR(total(d, "NO3-"), 3.0e-4, 1e-15);
    EXPECT_GT(total(d, "Fe+++"), 1e-9);
    EXPECT_NEAR(total(d, "Fe++") + total(d, "Fe+++"), 1.0e-4, 1e-12);
    EXPECT_FALSE(d["species"].contains("N2,aq"));
    EXPECT_NE(decoupled.skip.find("  N2,aq        left out: N is kept decoupled from the redox state"),
              std::string::npos);
    EXPECT_EQ(d["redox"]["decoupled"], json::array({"N"}));
    EXPECT_FALSE(bool(d["redox"]["couples"]["NH4+/NO3-"]["coupled"]));
    EXPECT_TRUE(bool(d["redox"]["couples"]["Fe++/Fe+++"]["coupled"]));
    // The decoupled couple shows the Eh of the analysis, far from the state's.
    EXPECT_GT(std::fabs(double(d["redox"]["couples"]["NH4+/NO3-"]["Eh"]) - 0.6), 0.05);
    EXPECT_NE(decoupled.listing.find("  Kept decoupled: N"), std::string::npos);

    // Coupled, ammonium is oxidized at this Eh: nitrogen is redistributed.
    const RedoxRunOutput coupled = run("coupled", runInput(5.0, 3, water), "--redox Eh=0.6 --suppress N2,aq");
    ASSERT_EQ(coupled.command.status, 0) << coupled.command.err;
    EXPECT_LT(total(coupled.record, "NH4+"), 1e-12);
    EXPECT_NEAR(total(coupled.record, "NH4+") + total(coupled.record, "NO3-"), 5.0e-4, 1e-12);
    EXPECT_NEAR(double(coupled.record["redox"]["couples"]["NH4+/NO3-"]["Eh"]), 0.6, 1e-6);
}

TEST(RedoxRun, SuppressedSpeciesAndMineralAreLeftOutAndListed) {
    const std::vector<Component> water = {
        {3, "Cl-", 0.0110}, {9, "Ca++", 1.0e-3}, {13, "Na+", 0.0100}, {5, "HCO3-", 2.0e-3}, {21, "NH4+", 1.0e-3}};
    const RedoxRunOutput plain = run("plain", runInput(7.0, 3, water), "--redox Eh=0.1");
    ASSERT_EQ(plain.command.status, 0) << plain.command.err;
    ASSERT_TRUE(plain.record["species"].contains("N2,aq"));
    ASSERT_TRUE(plain.record["minerals"].contains("Calcite"));
    const RedoxRunOutput suppressed = run("suppressed", runInput(7.0, 3, water), "--redox Eh=0.1 --suppress N2,aq,Calcite");
    ASSERT_EQ(suppressed.command.status, 0) << suppressed.command.err;
    EXPECT_FALSE(suppressed.record["species"].contains("N2,aq"));
    EXPECT_FALSE(suppressed.record["minerals"].contains("Calcite"));
    EXPECT_TRUE(suppressed.record["minerals"].contains("Aragonite"));
    for (const std::string& line : {std::string("  N2,aq        is SUPPRESSED in this run by the user"),
                                    std::string("  Calcite              is SUPPRESSED in this run by the user")}) {
        EXPECT_NE(suppressed.skip.find(line + "\n"), std::string::npos) << line;
        EXPECT_NE(suppressed.listing.find(line + "\n"), std::string::npos) << line;
    }
    // Without a redox state too.
    const RedoxRunOutput noState = run("no-state", runInput(7.0, 3, water), "--suppress Calcite");
    ASSERT_EQ(noState.command.status, 0) << noState.command.err;
    EXPECT_FALSE(noState.record["minerals"].contains("Calcite"));
    EXPECT_FALSE(noState.record.contains("redox"));
}

TEST(RedoxRun, StatesThatCannotBeTakenAreRefusedInOneLine) {
    const std::vector<Component> iron = {{3, "Cl-", 0.0110}, {13, "Na+", 0.0100}, {15, "Fe++", 1.0e-4}};
    const std::vector<Component> sulfate = {{4, "SO4--", 0.0100}, {13, "Na+", 0.0200}, {15, "Fe++", 1.0e-4}};
    struct Case {
        const char* tag;
        std::string caseText;
        const char* args;
        const char* message;
    };
    const Case cases[] = {
        {"one-total", runInput(3.0, 3, iron), "--redox Fe++/Fe+++",
         "wqspec: redox state: couple Fe++/Fe+++ needs the totals of both its members; Fe+++ has none\n"},
        {"no-couple", runInput(3.0, 3, iron), "--redox Mn++/MnO4-", "wqspec: redox state: the database lists no couple Mn++/MnO4-\n"},
        {"decoupled-couple", runInput(3.0, 3, iron), "--redox Fe++/Fe+++ --decouple Fe",
         "wqspec: redox state: couple Fe++/Fe+++ is of Fe, which is kept decoupled\n"},
        // The oxidized member may carry it (the reduced one then follows the couple); the reduced may not.
        {"balance", runInput(3.0, 15, sulfate), "--redox Eh=0.5",
         "wqspec: redox state: Fe++ of couple Fe++/Fe+++ carries the charge balance; keep its element decoupled\n"},
        {"no-oxygen", runInput(3.0, 3, iron), "--redox O2,aq",
         "wqspec: redox state: dissolved oxygen needs a total of O2,aq in the analysis\n"},
        {"words", runInput(3.0, 3, iron), "--redox Eh=high", "wqspec: redox state \"Eh=high\": \"high\" is not a number\n"},
        {"unknown-name", runInput(3.0, 3, iron), "--suppress Calcite,Unobtainium",
         "wqspec: --suppress: LOGKDATA.KDB has no species, mineral or gas named \"Unobtainium\" (names are spelled "
         "as there, case included)\n"},
        {"component", runInput(3.0, 3, iron), "--suppress Calcite,H+",
         "wqspec: --suppress: \"H+\" is a component of the database (its species are written in it), not a species "
         "that can be left out\n"},
        {"component-with-comma", runInput(3.0, 3, iron), "--suppress O2,aq",
         "wqspec: --suppress: \"O2,aq\" is a component of the database (its species are written in it), not a "
         "species that can be left out\n"},
    };
    for (const Case& c : cases) {
        const RedoxRunOutput r = run(c.tag, c.caseText, c.args);
        EXPECT_EQ(r.command.status, 1) << c.tag;
        EXPECT_EQ(r.command.err, c.message) << c.tag;
    }
}

TEST(RedoxRun, BatchColumnsGiveEachWaterItsState) {
    testing::Folder folder("redox-batch");
    folder.write("WQCASE.DAT", runInput(3.0, 3, IRON_WATER));
    folder.copy(DATABASE, "LOGKDATA.KDB");
    folder.write("waters.csv",
                 "name,T,pH,Cl- [mol/kgw],Na+ [mol/kgw],Fe++ [mol/kgw],Eh [V],pe,redox\n"
                 "by Eh,25,3,0.011,0.01,1e-4,0.74,,\n"
                 "by pe,25,3,0.011,0.01,1e-4,," + std::to_string(peOfEh(0.74, 25.0)) + ",\n"
                 "none,25,3,0.011,0.01,1e-4,,,none\n"
                 "two,25,3,0.011,0.01,1e-4,0.74,12,\n");
    const testing::Command c = folder.run("batch waters.csv --out out.csv --jobs 1");
    EXPECT_EQ(c.status, 1) << c.err;  // the row with two states fails
    std::istringstream in(folder.read("out.csv"));
    std::string header, line;
    std::getline(in, header);
    EXPECT_NE(header.find(",redox,redox pe,Eh(Fe++/Fe+++) [V],"), std::string::npos) << header;
    std::vector<std::string> rows;
    while (std::getline(in, line)) rows.push_back(line);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_NE(rows[0].find(",Eh 0.74 V,"), std::string::npos) << rows[0];
    EXPECT_NE(rows[1].find(",pe 12.5"), std::string::npos) << rows[1];
    EXPECT_NE(rows[2].find(",none,,"), std::string::npos) << rows[2];
    EXPECT_NE(rows[3].find("a second redox state in one row"), std::string::npos) << rows[3];
}

}  // namespace
}  // namespace wq

namespace wq {
namespace {

// A methanic water without oxygen or sulfide: its Eh is its methane's, and
// CH4(g) follows the analysed methane by its Henry constant (15 mg/kg of
// methane stands for a fugacity near 0.66 bar), not the carbonate.
TEST(RedoxRun, AMethanicWaterTakesItsEhAndCH4FugacityFromItsMethane) {
    testing::Folder folder("methanic");
    folder.copy(DATABASE, "LOGKDATA.KDB");
    folder.write("waters.csv", "name,T [C],pH,Na+ [mmol/kgw],Cl- [mmol/kgw],C(4) [mmol/kgw],\"CH4,aq [mg/kg]\"\n"
                               "methanic,25,7,10,5,5,15\n");
    const testing::Command c = folder.run("batch waters.csv --all --out out.json");
    ASSERT_EQ(c.status, 0) << c.err;
    const json r = json::parse(folder.read("out.json"))[0];
    EXPECT_EQ(r["Eh_couple"], "CH4,aq/HCO3-");
    // CO2/CH4 at pH 7 lies near -0.24 V (pe -4.1, Stumm & Morgan 1996, Table 8.6).
    EXPECT_NEAR(r["Eh"].get<double>(), -0.25, 0.02);
    EXPECT_NEAR(r["gases"]["CH4(g)"]["log_f"].get<double>(), -0.18, 0.02);
}

}  // namespace
}  // namespace wq
