// What a table of waters means, end to end on the bundled database: the
// table alone is enough, a template gives options only, carbonate is said
// once, the charge balance is the user's choice, cold waters have their LLNL
// additions, and the columns are those asked for.
#include <gtest/gtest.h>

#include <cmath>
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
using testing::Command;

const fs::path SOURCE = WQSPEC_SOURCE_DIR;

// A folder with the database and nothing else: no WQCASE.DAT.
class Folder : public testing::Folder {
public:
    explicit Folder(const std::string& tag) : testing::Folder("table-" + tag) {
        copy(SOURCE / "examples" / "LOGKDATA.KDB", "LOGKDATA.KDB");
    }
    json records(const std::string& table, const std::string& args = "") const {
        write("waters.csv", table);
        const Command c = run("batch waters.csv --out out.json " + args);
        EXPECT_NE(c.status, 2) << c.err;
        return json::parse(read("out.json"));
    }
};

// A lab report: mg/L, the alkalinity in meq/L, a field pCO2 as log f.
const std::string HEADER =
    "name,T,pH,Ca [mg/L],Mg [mg/L],Na [mg/L],K [mg/L],Cl [mg/L],SO4 [mg/L],SiO2 [mg/L],alkalinity [meq/L]\n";
const std::string SPRING = "60,12,9,2,11,25,18,3.2\n";

std::vector<std::string> cells(const std::string& line) {
    std::vector<std::string> out;
    std::string cell;
    int depth = 0;
    bool quoted = false;
    for (char c : line) {
        if (c == '"') quoted = !quoted;
        if (!quoted && c == '(') ++depth;
        if (!quoted && c == ')') --depth;
        if (c == ',' && !quoted) {
            out.push_back(cell);
            cell.clear();
        } else if (c != '"') {
            cell += c;
        }
    }
    out.push_back(cell);
    return out;
}

TEST(TableOfWaters, TheTableAloneIsEnough) {
    Folder folder("alone");
    const json r = folder.records(HEADER + "spring,12," + "7.3," + SPRING);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0]["status"], "converged");
    // The components are the table's: H+, H2O, the seven component columns
    // and the carbonate of the alkalinity.
    EXPECT_EQ(r[0]["totals"].size(), 10u);
    EXPECT_TRUE(r[0]["minerals"].contains("Calcite"));
    EXPECT_TRUE(r[0]["minerals"].contains("Gypsum"));  // an LLNL addition, at 12 C
    EXPECT_FALSE(r[0]["T_NaKCa"].is_null());            // Na, K and Ca given
    // Computed as analysed: no total adjusted, none flagged.
    for (const auto& [name, t] : r[0]["totals"].items()) EXPECT_NE(t["flag"], "AD") << name;
    EXPECT_NEAR(r[0]["totals"]["Cl-"]["moles"].get<double>() / r[0]["kg_water"].get<double>(),
                11e-3 / 35.453 / r[0]["kg_water"].get<double>(), 1e-9);
}

// The template gives options and starting values; none of its water leaks.
TEST(TableOfWaters, ATemplatesComponentsDoNotLeak) {
    Folder folder("leak");
    folder.copy(SOURCE / "docs" / "recipes" / "river-fixed-ph" / "WQCASE.DAT", "river.dat");
    const json r = folder.records("name,T,pH,Ca++ [mg/L],Na+ [mg/L],Cl- [mg/L],HCO3- [mg/L]\nw,25,7.5,40,20,30,150\n",
                                  "--case river.dat");
    ASSERT_EQ(r[0]["status"], "converged");
    const json& totals = r[0]["totals"];
    for (const char* absent : {"Mg++", "K+", "SO4--", "SiO2,aq", "NO3-"}) EXPECT_FALSE(totals.contains(absent)) << absent;
    // The table's chloride and carbonate total, not the charge balance's nor
    // the template's alkalinity.
    const double kgw = r[0]["kg_water"].get<double>();
    EXPECT_NEAR(totals["Cl-"]["moles"].get<double>(), 30e-3 / 35.453, 1e-6 * 30e-3 / 35.453);
    EXPECT_NEAR(totals["HCO3-"]["moles"].get<double>(), 150e-3 / 61.0168, 1e-4 * 150e-3 / 61.0168);
    EXPECT_EQ(totals["Cl-"]["flag"], "");
    EXPECT_EQ(totals["HCO3-"]["flag"], "");
    EXPECT_LT(kgw, 1.0);
}

// Each way of fixing carbonate alone, and two in one row refused.
TEST(TableOfWaters, CarbonateFromAnAlkalinityATotalOrACo2Fugacity) {
    Folder folder("carbonate");
    const json r = folder.records(
        "name,T,pH,Ca [mmol/L],Na [mmol/L],Cl [mmol/L],alkalinity [meq/L],DIC [mmol/L],CO2(g) [log f]\n"
        "alkalinity,25,7.5,1,1,1,2,,\n"
        "total,25,7.5,1,1,1,,2.2,\n"
        "gas,25,7.5,1,1,1,,,-2.0\n"
        "two,25,7.5,1,1,1,2,,-2.0\n");
    ASSERT_EQ(r.size(), 4u);
    for (int k = 0; k < 3; ++k) ASSERT_EQ(r[k]["status"], "converged") << r[k]["name"];
    EXPECT_EQ(r[0]["totals"]["HCO3-"]["flag"], "AL");
    EXPECT_NEAR(r[1]["totals"]["HCO3-"]["moles"].get<double>(), 2.2e-3, 1e-12);
    EXPECT_NEAR(r[2]["gases"]["CO2(g)"]["log_f"].get<double>(), -2.0, 1e-6);
    EXPECT_EQ(r[2]["totals"]["HCO3-"]["flag"], "EQ");
    EXPECT_EQ(r[3]["status"],
              "row on line 5: columns \"alkalinity [meq/L]\" and \"CO2(g) [log f]\" both fix the carbonate; give one "
              "of them (alkalinity, total carbonate or CO2(g)), or leave the pH blank to compute it from the CO2 "
              "fugacity");
    // the alkalinity and a field pCO2 with the pH blank: the pH is the one
    // of the gas, and the carbonate follows from the alkalinity
    const json field = folder.records(
        "name,T,pH,Ca [mmol/L],Na [mmol/L],Cl [mmol/L],alkalinity [meq/L],CO2(g) [log f]\nfield,25,,1,1,1,2,-2.0\n");
    ASSERT_EQ(field[0]["status"], "converged");
    EXPECT_NEAR(field[0]["gases"]["CO2(g)"]["log_f"].get<double>(), -2.0, 1e-6);
    EXPECT_EQ(field[0]["totals"]["HCO3-"]["flag"], "AL");
    EXPECT_NEAR(field[0]["calculated_alkalinity"].get<double>(), 2e-3 / field[0]["kg_water"].get<double>(), 2e-5);
    // a water of pH 7.5 at the atmosphere's CO2 holds less carbonate than
    // at 10^-2 bar: the fixed fugacity moves the total
    const json air = folder.records("name,T,pH,Ca [mmol/L],Cl [mmol/L],CO2(g) [log f]\nair,25,7.5,1,2,-3.4\n");
    EXPECT_LT(air[0]["totals"]["HCO3-"]["moles"].get<double>(), r[2]["totals"]["HCO3-"]["moles"].get<double>() / 10);
}

// --balance: none is the water as analysed; an ion takes up the imbalance;
// pH makes the pH the one of electroneutrality (where the carbonate is a
// total: an alkalinity is itself the charge of the weak acids, and no pH can
// balance a water whose alkalinity is fixed). The analysis's own balance is
// the same in every case.
TEST(TableOfWaters, TheChargeBalanceAsChosen) {
    Folder folder("balance");
    const std::string table = HEADER + "spring,25,7.3," + SPRING;
    const json none = folder.records(table);
    const json cl = folder.records(table, "--balance Cl");
    for (const json* r : {&none, &cl}) ASSERT_EQ((*r)[0]["status"], "converged");
    // by hand: cations Ca 2x60/40.078 + Mg 2x12/24.305 + Na 9/22.9898 + K
    // 2/39.0983 meq; anions Cl 11/35.453 + SO4 2x25/96.0626 + alkalinity 3.2
    const double cations = 2 * 60 / 40.078 + 2 * 12 / 24.305 + 9 / 22.9898 + 2 / 39.0983;
    const double anions = 11 / 35.453 + 2 * 25 / 96.0626 + 3.2;
    const double percent = 100 * (cations - anions) / (cations + anions);
    for (const json* r : {&none, &cl}) EXPECT_NEAR((*r)[0]["analysis_imbalance_percent"].get<double>(), percent, 1e-6);
    EXPECT_GT(std::fabs(none[0]["charge_imbalance_percent"].get<double>()), 1.0);
    EXPECT_FALSE(none[0].contains("balanced_on"));
    EXPECT_EQ(none[0]["pH"], 7.3);
    EXPECT_LT(std::fabs(cl[0]["charge_imbalance_percent"].get<double>()), 1e-6);
    EXPECT_EQ(cl[0]["balanced_on"], "Cl-");
    EXPECT_EQ(cl[0]["totals"]["Cl-"]["flag"], "AD");
    EXPECT_GT(cl[0]["totals"]["Cl-"]["moles"].get<double>(), none[0]["totals"]["Cl-"]["moles"].get<double>());
    const json refused = folder.records(table, "--balance pH");
    EXPECT_NE(refused[0]["status"].get<std::string>().find("no pH can balance its charges"), std::string::npos);

    // The carbonate as a total: 3 meq of cations, 1 of chloride, the rest
    // is bicarbonate at the pH of electroneutrality (near 6.9 for 2.5 mmol of
    // carbonate carrying 2 meq).
    const std::string dic = "name,T,pH,Ca [mmol/L],Na [mmol/L],Cl [mmol/L],DIC [mmol/L]\n";
    const json ph = folder.records(dic + "w,25,7.0,1,1,1,2.5\n", "--balance pH");
    const json blank = folder.records(dic + "w,25,,1,1,1,2.5\n");
    ASSERT_EQ(ph[0]["status"], "converged");
    EXPECT_LT(std::fabs(ph[0]["charge_imbalance_percent"].get<double>()), 1e-6);
    EXPECT_EQ(ph[0]["balanced_on"], "H+");
    EXPECT_NEAR(ph[0]["pH"].get<double>(), 6.9, 0.3);
    EXPECT_NE(ph[0]["pH"], 7.0);
    EXPECT_EQ(blank[0]["pH"], ph[0]["pH"]);  // a blank pH is the pH of electroneutrality
    const json both = folder.records(dic + "w,25,,1,1,1,2.5\n", "--balance Cl-");
    EXPECT_NE(both[0]["status"].get<std::string>().find("a blank pH asks for the pH from electroneutrality"),
              std::string::npos);
    folder.write("waters.csv", table);
    EXPECT_EQ(folder.run("batch waters.csv --balance Br-").err,
              "wqspec: --balance Br-: the table has no column of Br-\n");
    EXPECT_EQ(folder.run("batch waters.csv --balance SiO2").err,
              "wqspec: --balance SiO2: SiO2,aq is uncharged and cannot carry the charge balance\n");
}

// A cold water is an extended run at 1.013 bar; the LLNL additions (gypsum)
// carry values there, and the saturation indices go on across 20 C.
TEST(TableOfWaters, ColdWatersAndTheStepAt20C) {
    Folder folder("cold");
    const json r = folder.records(HEADER + "ten,10,7.3," + SPRING + "below,19.9,7.3," + SPRING + "above,20.1,7.3," +
                                  SPRING);
    ASSERT_EQ(r.size(), 3u);
    for (const json& w : r) ASSERT_EQ(w["status"], "converged") << w["name"];
    EXPECT_EQ(r[0]["P"], 1.013);
    EXPECT_EQ(r[1]["P"], 1.013);
    EXPECT_EQ(r[2]["P"], 1.0);  // the saturation curve: 1 bar below 100 C
    EXPECT_TRUE(r[0]["minerals"].contains("Gypsum"));
    for (const char* mineral : {"Calcite", "Gypsum", "Quartz"}) {
        const double below = r[1]["minerals"][mineral]["SI"].get<double>();
        const double above = r[2]["minerals"][mineral]["SI"].get<double>();
        EXPECT_LT(std::fabs(below - above), 0.02) << mineral << ": " << below << " at 19.9 C, " << above << " at 20.1 C";
    }
}

// The default columns, a list with a wildcard, every column, the list of
// what a table may hold.
TEST(TableOfWaters, TheColumnsAsked) {
    Folder folder("columns");
    folder.write("waters.csv", HEADER + "spring,25,7.3," + SPRING);
    const Command compact = folder.run("batch waters.csv");
    ASSERT_EQ(compact.status, 0) << compact.err;
    const std::vector<std::string> head = cells(compact.out.substr(0, compact.out.find('\n')));
    const std::vector<std::string> first = {"name", "status", "T [C]", "pH", "I [mol/kgw]", "charge imbalance [%]",
                                            "analysis imbalance [%]", "balanced on", "balanced total [mol]", "notes",
                                            "activity model"};
    ASSERT_GT(head.size(), first.size());
    EXPECT_EQ(std::vector<std::string>(head.begin(), head.begin() + first.size()), first);
    for (std::size_t k = first.size(); k < head.size(); ++k)
        EXPECT_TRUE(head[k].rfind("SI(", 0) == 0 || head[k].rfind("log_f(", 0) == 0) << head[k];
    EXPECT_NE(std::find(head.begin(), head.end(), "SI(Calcite)"), head.end());
    EXPECT_NE(std::find(head.begin(), head.end(), "log_f(CO2(g))"), head.end());

    const Command chosen = folder.run("batch waters.csv --columns 'name,pH,SI(*ite),log_m(CO3--)'");
    ASSERT_EQ(chosen.status, 0) << chosen.err;
    const std::vector<std::string> asked = cells(chosen.out.substr(0, chosen.out.find('\n')));
    EXPECT_EQ(asked.front(), "name");
    EXPECT_EQ(asked[1], "pH");
    EXPECT_EQ(asked.back(), "log_m(CO3--)");
    for (std::size_t k = 2; k + 1 < asked.size(); ++k)
        EXPECT_EQ(asked[k].substr(asked[k].size() - 4), "ite)") << asked[k];
    EXPECT_NE(std::find(asked.begin(), asked.end(), "SI(Calcite)"), asked.end());

    const Command all = folder.run("batch waters.csv --all");
    EXPECT_NE(all.out.find(",log_m(CO3--),log_a(CO3--),gamma(CO3--),"), std::string::npos);
    const Command unknown = folder.run("batch waters.csv --columns 'SI(Unobtainium)'");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err,
              "wqspec: --columns: SI(Unobtainium) matches no column of this table's records (--all shows them all)\n");

    const Command list = folder.run("batch --list-columns");
    ASSERT_EQ(list.status, 0) << list.err;
    for (const char* expected : {"  Fe                     Fe++: iron, taken as iron(II)", "[meq/L]", "[ppm]",
                                 "[mg/L as CaCO3]", "[K]", "CO2(g) [log f]", "  SO4                    SO4--"})
        EXPECT_NE(list.out.find(expected), std::string::npos) << expected << "\n" << list.out;
}

// A brine far beyond the B-dot model's range says so in its record.
TEST(TableOfWaters, AWaterBeyondTheActivityModelIsNoted) {
    Folder folder("limits");
    const json r = folder.records(
        "name,T,pH,Na [mol/kgw],Cl [mol/kgw],Ca [mmol/kgw],alkalinity [meq/kgw]\n"
        "brine,25,7,3,3,1,2\n"
        "fresh,25,7,0.001,0.001,1,2\n");
    ASSERT_EQ(r[0]["status"], "converged");
    EXPECT_NE(r[0]["notes"].get<std::string>().find("beyond the range of the B-dot model"), std::string::npos);
    EXPECT_FALSE(r[1].contains("notes"));
}

// A dilute Ca-Mg-HCO3 water with a trace of chloride: the chloride left for
// NaCl after the magnesium's 2:1 salt is below zero, which once gave a
// negative count of ions, a(H2O) above 1 and an osmotic coefficient of 1.4.
TEST(TableOfWaters, ADiluteWaterHasAWaterActivityBelowOne) {
    Folder folder("dilute");
    const json r = folder.records(
        "name,T,pH,Ca [mmol/kgw],Mg [mmol/kgw],Cl [mmol/kgw],SO4 [mmol/kgw],alkalinity [meq/kgw]\n"
        "trace of chloride,25,7.5,1,0.5,0.01,,3\n"
        "no chloride,25,7.5,1,0.5,,,3\n"
        "sulfate,25,7.5,1,0.5,0.01,0.1,3\n");
    for (const json& w : r) {
        ASSERT_EQ(w["status"], "converged") << w["name"];
        // ln aw = -phi M_w sum m: about -0.018 x 0.9 x 0.005 for 5 mmol of ions
        EXPECT_LT(w["a_H2O"].get<double>(), 1.0) << w["name"];
        EXPECT_GT(w["a_H2O"].get<double>(), 0.9998) << w["name"];
        EXPECT_GT(w["osmotic_coefficient"].get<double>(), 0.8) << w["name"];
        EXPECT_LT(w["osmotic_coefficient"].get<double>(), 1.0) << w["name"];
    }
}

}  // namespace
}  // namespace wq
