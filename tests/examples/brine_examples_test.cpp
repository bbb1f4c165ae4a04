// The brine examples' figures, run through the built program as their
// READMEs run it: the Dead Sea of Marcus (1977) with both activity models
// (examples/deadsea/marcus1977) and the Black Sea evaporated to Carpenter's
// (1978) brine (examples/blacksea).
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "support/csv_table.hpp"
#include "support/folder.hpp"
#include "support/program_run.hpp"

namespace wq {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const fs::path EXAMPLES = fs::path(WQSPEC_SOURCE_DIR) / "examples";

TEST(BrineExamples, TheDeadSeaOfMarcusHasTheWaterActivityAndSaturationIndicesItsReadmeQuotes) {
    // Marcus measured a(H2O) = 0.754 +/- 0.004. The README quotes what each
    // model finds for the row whose pH the CO2 fugacity fixes, a(H2O) to
    // 0.0001 and log Q/K to 0.001, and says that the row at pH 6 differs by
    // less than 0.001 in a(H2O) and 0.005 in log Q/K; and the mean ionic
    // activity of KCl, against Marcus's 0.876-1.199, to 0.001.
    const fs::path dir = EXAMPLES / "deadsea" / "marcus1977";
    const struct {
        const char* model;
        std::string options;
        double aH2O, meanKCl;
        std::map<std::string, double> si;
    } runs[] = {
        {"b-dot", "--db '" + (EXAMPLES / "LOGKDATA.KDB").string() + "'", 0.7450, 0.622,
         {{"Halite", -1.063}, {"Gypsum", -1.025}, {"Anhydrite", -0.994}, {"Carnallite", -4.975}}},
        {"pitzer", "--activity pitzer", 0.7507, 0.819,
         {{"Halite", -0.356}, {"Gypsum", -0.051}, {"Anhydrite", -0.151}, {"Carnallite", -2.982}}},
    };
    for (const auto& r : runs) {
        testing::Folder folder(std::string("marcus-") + r.model);
        const testing::Command c = folder.run("batch '" + (dir / "WATERS.csv").string() + "' --case '" +
                                              (dir / "template.DAT").string() + "' --out out.json " + r.options);
        ASSERT_EQ(c.status, 0) << r.model << ": " << c.err;
        const json records = json::parse(folder.read("out.json"));
        ASSERT_EQ(records.size(), 2u);
        const json &fixedByCO2 = records[0], &atPH6 = records[1];
        for (const json& w : records)
            EXPECT_EQ(w["status"].get<std::string>().rfind("converged", 0), 0u) << r.model << " " << w["name"];
        EXPECT_NEAR(fixedByCO2["a_H2O"].get<double>(), r.aH2O, 0.00005) << r.model;
        EXPECT_NEAR(atPH6["a_H2O"].get<double>(), r.aH2O, 0.001) << r.model;
        const json& species = fixedByCO2["species"];
        EXPECT_NEAR(std::sqrt(species["K+"]["a"].get<double>() * species["Cl-"]["a"].get<double>()), r.meanKCl, 0.0005)
            << r.model << ": (a(K+) a(Cl-))^1/2";
        for (const auto& [mineral, si] : r.si) {
            EXPECT_NEAR(fixedByCO2["minerals"][mineral]["SI"].get<double>(), si, 0.0005) << r.model << " " << mineral;
            EXPECT_NEAR(atPH6["minerals"][mineral]["SI"].get<double>(), si, 0.005) << r.model << " " << mineral;
        }
    }
}

// The molalities of the run input's components (its component lines: number,
// name, total; the water's total is its kg), per kg of water.
std::map<std::string, double> startMolalities(const std::string& runInput) {
    std::istringstream in(runInput);
    std::string line;
    while (std::getline(in, line) && line.rfind("SAQ", 0) != 0) {
    }
    std::getline(in, line);  // the rule under the heading
    std::map<std::string, double> totals;
    int number = 0;
    std::string name;
    double total = 0.0;
    while (std::getline(in, line) && std::istringstream(line) >> number >> name >> total) totals[name] = total;
    const double water = totals.at("H2O");
    for (auto& [n, t] : totals) t /= water;
    return totals;
}

TEST(BrineExamples, TheBlackSeaEvaporatedToCarpentersBrineDiffersFromItAsItsReadmeSays) {
    // Carpenter's brine (examples/blacksea/WATERS.csv, mg/L with its density
    // 1.271 kg/L) in mol/kg of water, and the README's model brines at the
    // factor where their Mg is the measured one: the path with every salt of
    // the seawater example and the path of gypsum, anhydrite and halite
    // alone, each component's deviation from the measured in per cent.
    const std::map<std::string, double> measured = {{"Na+", 2.72005}, {"K+", 0.45780}, {"Mg++", 2.35379},
                                                    {"Cl-", 6.00407}, {"SO4--", 0.89861}, {"Br-", 0.03785}};
    const std::map<std::string, std::map<std::string, double>> formula = {
        {"Gypsum", {{"Ca++", 1}, {"SO4--", 1}}},
        {"Anhydrite", {{"Ca++", 1}, {"SO4--", 1}}},
        {"Halite", {{"Na+", 1}, {"Cl-", 1}}},
        {"Glauberite", {{"Na+", 2}, {"Ca++", 1}, {"SO4--", 2}}},
        {"Polyhalite", {{"K+", 2}, {"Ca++", 2}, {"Mg++", 1}, {"SO4--", 4}}}};
    const struct {
        const char* minerals;
        double factor;
        std::map<std::string, double> deviation;
    } paths[] = {
        {"Anhydrite,Gypsum,Halite,Glauberite,Polyhalite,Syngenite,Bloedite,Epsomite,Hexahydrite,Kieserite,Kainite,"
         "Carnallite,Sylvite,Bischofite,Leonite,Schoenite,Labile_S,Mirabilite,Thenardite,Arcanite,Glaserite,"
         "Pentahydrite",
         85.7,
         {{"Na+", -12.8}, {"K+", -30.3}, {"Mg++", 0.0}, {"Cl-", 6.9}, {"SO4--", -46.9}, {"Br-", -0.3}}},
        {"Gypsum,Anhydrite,Halite",
         83.9,
         {{"Na+", -5.2}, {"K+", -9.1}, {"Mg++", 0.0}, {"Cl-", 1.3}, {"SO4--", -11.5}, {"Br-", -2.5}}},
    };
    const std::string runInput = testing::slurp(EXAMPLES / "blacksea" / "WQCASE.DAT");
    for (const auto& p : paths) {
        SCOPED_TRACE(p.minerals);
        testing::Folder folder("blacksea");
        folder.write("WQCASE.DAT", runInput);
        const testing::Command c = folder.run("evaporate --activity pitzer --to " + std::to_string(p.factor) +
                                              " --steps 30 --minerals " + p.minerals + " --out path.csv");
        ASSERT_EQ(c.status, 0) << c.err;
        const testing::CsvTable path = testing::readCsvTable(folder.read("path.csv"));
        const std::size_t last = path.rows.size() - 1;
        const double factor = std::stod(path.cell(last, "concentration factor"));
        // The path's first run fixes the pH and balances the charge on Cl-.
        std::map<std::string, double> brine = startMolalities(runInput);
        const std::map<std::string, int> charge = {{"Na+", 1}, {"K+", 1}, {"Mg++", 2}, {"Ca++", 2},
                                                   {"Cl-", -1}, {"SO4--", -2}, {"Br-", -1}};
        double excess = 0.0;
        for (const auto& [ion, z] : charge) excess += z * brine[ion];
        brine["Cl-"] += excess;
        for (std::size_t i = 0; i < path.header.size(); ++i) {
            const std::string& column = path.header[i];
            if (column.rfind("precipitated(", 0) != 0 || std::stod(path.rows[last][i]) == 0.0) continue;
            const std::string mineral = column.substr(13, column.find(')') - 13);
            ASSERT_TRUE(formula.count(mineral)) << mineral << " precipitated: its formula is not in this test";
            for (const auto& [ion, nu] : formula.at(mineral)) brine[ion] -= nu * std::stod(path.rows[last][i]);
        }
        for (const auto& [ion, percent] : p.deviation)
            EXPECT_NEAR(100.0 * (brine[ion] * factor / measured.at(ion) - 1.0), percent, 1.0) << ion;
    }
}

}  // namespace
}  // namespace wq
