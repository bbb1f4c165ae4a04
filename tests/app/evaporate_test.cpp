// wqspec evaporate and the brine examples through the built program: the
// seawater path holds every precipitated mineral at saturation and none
// above it, saturates in the order the evaporites keep, and is the example's
// table, and goes on to bischofite; bad options end it before it starts;
// the first saturations do not depend on the steps; the options it shares
// with the batch and the sweep act and are refused as there; a fractional path keeps
// what precipitated out of the brine; the Dead Sea's listings with either model are the example's, and the lake
// comes out near halite saturation with Pitzer only.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/csv_table.hpp"
#include "support/folder.hpp"
#include "support/program_run.hpp"

namespace wq {
namespace {

namespace fs = std::filesystem;

const fs::path EXAMPLES = fs::path(WQSPEC_SOURCE_DIR) / "examples";

// The minerals of the example's path: those of the Na-K-Mg-Ca-Cl-SO4 system
// in the Pitzer database but goergeyite (examples/evaporation/README.md).
const std::string SEAWATER_MINERALS =
    "Anhydrite,Gypsum,Halite,Glauberite,Polyhalite,Syngenite,Bloedite,Epsomite,Hexahydrite,Kieserite,Kainite,"
    "Carnallite,Sylvite,Bischofite,Leonite,Schoenite,Labile_S,Mirabilite,Thenardite,Arcanite,Glaserite,Pentahydrite";
const std::string EXAMPLE_ARGS = "evaporate --activity pitzer --to 150 --steps 100 --minerals " + SEAWATER_MINERALS;

using testing::CsvTable;
using testing::readCsvTable;

std::vector<std::string> split(const std::string& list, char separator) {
    std::vector<std::string> parts;
    std::istringstream in(list);
    for (std::string part; std::getline(in, part, separator);) {
        while (part.starts_with(" ")) part.erase(0, 1);
        if (!part.empty()) parts.push_back(part);
    }
    return parts;
}

// The "# first saturation" line of a path's table, mineral by factor, in order.
std::vector<std::pair<std::string, double>> firstSaturations(const CsvTable& t) {
    std::vector<std::pair<std::string, double>> first;
    for (const std::string& c : t.comments)
        if (c.starts_with("# first saturation (concentration factor): "))
            for (const std::string& part : split(c.substr(c.find(": ") + 2), ';'))
                first.emplace_back(part.substr(0, part.find(" at ")), std::stod(part.substr(part.find(" at ") + 4)));
    return first;
}

class SeawaterPath : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        testing::Folder folder("evaporate-seawater");
        folder.copy(EXAMPLES / "evaporation" / "WQCASE.DAT", "WQCASE.DAT");
        const testing::Command c = folder.run(EXAMPLE_ARGS + " --out path.csv");
        status = c.status;
        text = folder.read("path.csv");
    }
    static int status;
    static std::string text;
};
int SeawaterPath::status = -1;
std::string SeawaterPath::text;

TEST_F(SeawaterPath, IsTheExamplesTable) {
    ASSERT_EQ(status, 0);
    EXPECT_EQ(text, testing::slurp(EXAMPLES / "evaporation" / "evaporation.csv"))
        << "rebuild examples/evaporation/evaporation.csv with the command of its README";
}

TEST_F(SeawaterPath, HoldsEveryPrecipitatedMineralAtSaturationAndNoneAbove) {
    const CsvTable t = readCsvTable(text);
    ASSERT_EQ(t.rows.size(), 101u);
    const std::size_t held = t.column("saturated minerals");
    for (const std::vector<std::string>& row : t.rows) {
        ASSERT_EQ(row[t.column("status")], "converged");
        const std::vector<std::string> saturated = split(row[held], ';');
        for (const std::string& m : split(SEAWATER_MINERALS, ',')) {
            const double si = std::stod(row[t.column("SI(" + m + ")")]);
            const bool isHeld = std::find(saturated.begin(), saturated.end(), m) != saturated.end();
            if (isHeld) {
                EXPECT_LT(std::fabs(si), 1e-5) << m << " at " << row[0];
                EXPECT_GT(std::stod(row[t.column("precipitated(" + m + ") [mol/kg starting water]")]), 0.0)
                    << m << " at " << row[0];
            } else {
                EXPECT_LE(si, 1e-4) << m << " at " << row[0];
            }
        }
    }
    // Water goes: the mass of water is the starting 0.96492 kg over the factor
    // (the listing's liquid water: less the little bound in OH- and MgOH+).
    for (const std::vector<std::string>& row : t.rows)
        EXPECT_NEAR(std::stod(row[t.column("kg water")]) * std::stod(row[0]), 0.9649178358, 1e-4) << row[0];
}

TEST_F(SeawaterPath, SaturatesInTheOrderOfTheEvaporites) {
    // Usiglio's evaporation of Mediterranean water (1849) and every marine
    // evaporite since: calcium sulfate first, then halite, then the K-Mg
    // salts; halite at a concentration factor of about 10-11 (McCaffrey,
    // Lazar & Holland 1987, J. Sediment. Petrol. 57, 928-937).
    const std::vector<std::pair<std::string, double>> first = firstSaturations(readCsvTable(text));
    ASSERT_GE(first.size(), 4u);
    EXPECT_TRUE(first[0].first == "Gypsum" || first[0].first == "Anhydrite") << first[0].first;
    std::map<std::string, double> at(first.begin(), first.end());
    ASSERT_TRUE(at.count("Halite"));
    EXPECT_GE(at["Halite"], 10.0);
    EXPECT_LE(at["Halite"], 11.5);
    for (const char* kMg : {"Polyhalite", "Epsomite", "Kieserite", "Carnallite", "Sylvite", "Kainite", "Bischofite"})
        if (at.count(kMg)) {
            EXPECT_GT(at[kMg], at["Halite"]) << kMg;
        }
    EXPECT_TRUE(at.count("Carnallite") || at.count("Sylvite")) << "no potassium chloride by a factor of 150";
}

TEST(Evaporate, SeawaterGoesOnPastCarnalliteToBischofiteTheLastSaltOfTheSequence) {
    // Past carnallite the brine becomes a MgCl2 solution whose free chloride
    // rises above 10 mol/kg, and the marine sequence ends with bischofite,
    // MgCl2.6H2O, beside halite, kieserite and carnallite (Braitsch 1971,
    // Salt Deposits: Their Origin and Composition; Warren 2016, Evaporites: A
    // Geological Compendium, 2nd ed.): every step of the path reaches it.
    testing::Folder folder("evaporate-bischofite");
    folder.copy(EXAMPLES / "evaporation" / "WQCASE.DAT", "WQCASE.DAT");
    const testing::Command c =
        folder.run("evaporate --activity pitzer --to 2000 --steps 60 --minerals " + SEAWATER_MINERALS + " --out long.csv");
    ASSERT_EQ(c.status, 0) << c.err;
    const CsvTable t = readCsvTable(folder.read("long.csv"));
    ASSERT_EQ(t.rows.size(), 61u);
    for (std::size_t i = 0; i < t.rows.size(); ++i) EXPECT_EQ(t.cell(i, "status"), "converged") << t.rows[i][0];
    std::map<std::string, double> first;
    for (const std::string& line : t.comments)
        if (line.starts_with("# first saturation (concentration factor): "))
            for (const std::string& part : split(line.substr(line.find(": ") + 2), ';'))
                first[part.substr(0, part.find(" at "))] = std::stod(part.substr(part.find(" at ") + 4));
    ASSERT_TRUE(first.count("Carnallite") && first.count("Bischofite"));
    EXPECT_GT(first["Bischofite"], first["Carnallite"]);
    const std::vector<std::string> last = split(t.cell(t.rows.size() - 1, "saturated minerals"), ';');
    for (const char* m : {"Halite", "Kieserite", "Carnallite", "Bischofite"})
        EXPECT_NE(std::find(last.begin(), last.end(), m), last.end()) << m;
}

TEST(Evaporate, FirstSaturationsAreTheSameAtTenStepsAndAtSixHundred) {
    // Each mineral's saturation is bisected on the path between two steps,
    // the path going on from there with it held: the factors may not depend
    // on how coarse the steps are.
    testing::Folder folder("evaporate-first");
    folder.copy(EXAMPLES / "evaporation" / "WQCASE.DAT", "WQCASE.DAT");
    std::vector<std::vector<std::pair<std::string, double>>> first;
    for (const char* steps : {"10", "600"}) {
        const std::string args = std::string("evaporate --activity pitzer --to 15 --steps ") + steps + " --minerals " +
                                 SEAWATER_MINERALS + " --out " + steps + ".csv";
        ASSERT_EQ(folder.run(args).status, 0) << steps;
        first.push_back(firstSaturations(readCsvTable(folder.read(std::string(steps) + ".csv"))));
    }
    ASSERT_EQ(first[0].size(), first[1].size());
    ASSERT_GE(first[0].size(), 2u);  // gypsum and halite at least
    for (std::size_t i = 0; i < first[0].size(); ++i) {
        EXPECT_EQ(first[0][i].first, first[1][i].first) << i;
        EXPECT_NEAR(first[0][i].second, first[1][i].second, 0.01) << first[0][i].first;
    }
}

TEST(Evaporate, FractionalPathKeepsWhatPrecipitatedOutOfTheBrine) {
    // Each step's brine holds the last step's totals less what precipitated
    // at this step, every amount precipitated only grows, the minerals
    // precipitating are at saturation, and seawater gives gypsum, then halite;
    // the example's fractional table is this path.
    testing::Folder folder("evaporate-fractional");
    folder.copy(EXAMPLES / "evaporation" / "WQCASE.DAT", "WQCASE.DAT");
    const testing::Command c = folder.run(EXAMPLE_ARGS + " --fractional --out fractional.csv");
    ASSERT_EQ(c.status, 0) << c.err;
    const std::string text = folder.read("fractional.csv");
    EXPECT_EQ(text, testing::slurp(EXAMPLES / "evaporation" / "evaporation-fractional.csv"))
        << "rebuild examples/evaporation/evaporation-fractional.csv with the command of its README";
    const CsvTable t = readCsvTable(text);
    EXPECT_NE(t.comments[2].find("# path: fractional"), std::string::npos) << t.comments[2];
    // Moles of each component per mole of the salts the path can reach.
    const std::map<std::string, std::map<std::string, double>> formula = {
        {"Gypsum", {{"Ca++", 1}, {"SO4--", 1}}},
        {"Anhydrite", {{"Ca++", 1}, {"SO4--", 1}}},
        {"Glauberite", {{"Na+", 2}, {"Ca++", 1}, {"SO4--", 2}}},
        {"Halite", {{"Na+", 1}, {"Cl-", 1}}},
        {"Polyhalite", {{"K+", 2}, {"Ca++", 2}, {"Mg++", 1}, {"SO4--", 4}}},
        {"Bloedite", {{"Na+", 2}, {"Mg++", 1}, {"SO4--", 2}}},
        {"Epsomite", {{"Mg++", 1}, {"SO4--", 1}}},
        {"Hexahydrite", {{"Mg++", 1}, {"SO4--", 1}}},
        {"Kieserite", {{"Mg++", 1}, {"SO4--", 1}}},
        {"Kainite", {{"K+", 1}, {"Mg++", 1}, {"Cl-", 1}, {"SO4--", 1}}},
        {"Carnallite", {{"K+", 1}, {"Mg++", 1}, {"Cl-", 3}}},
        {"Sylvite", {{"K+", 1}, {"Cl-", 1}}},
    };
    const std::string unit = ") [mol/kg starting water]";
    std::vector<std::string> precipitated;
    for (const std::string& h : t.header)
        if (h.starts_with("precipitated(")) precipitated.push_back(h.substr(13, h.size() - 13 - unit.size()));
    for (const std::string& m : precipitated) ASSERT_TRUE(formula.count(m)) << m << ": add its formula";
    for (std::size_t i = 1; i < t.rows.size(); ++i) {
        ASSERT_EQ(t.cell(i, "status"), "converged") << i;
        std::map<std::string, double> lost;
        for (const std::string& m : precipitated) {
            const double now = std::stod(t.cell(i, "precipitated(" + m + unit)),
                         before = std::stod(t.cell(i - 1, "precipitated(" + m + unit));
            EXPECT_GE(now, before) << m << " dissolved at " << t.rows[i][0];
            for (const auto& [component, nu] : formula.at(m)) lost[component] += nu * (now - before);
        }
        for (const char* component : {"Na+", "K+", "Mg++", "Ca++", "Cl-", "SO4--"}) {
            const std::string column = std::string("brine(") + component + unit;
            const double before = std::stod(t.cell(i - 1, column));
            EXPECT_NEAR(std::stod(t.cell(i, column)), before - lost[component], 1e-9 * std::stod(t.cell(0, column)))
                << component << " at " << t.rows[i][0];
        }
        for (const std::string& m : split(t.cell(i, "saturated minerals"), ';'))
            EXPECT_LT(std::fabs(std::stod(t.cell(i, "SI(" + m + ")"))), 1e-5) << m << " at " << t.rows[i][0];
    }
    const std::vector<std::pair<std::string, double>> first = firstSaturations(t);
    ASSERT_GE(first.size(), 2u);
    EXPECT_EQ(first[0].first, "Gypsum");
    std::vector<std::string> order;
    for (const auto& f : first) order.push_back(f.first);
    EXPECT_NE(std::find(order.begin(), order.end(), "Halite"), order.end());
}

TEST(Evaporate, OnlyConcentratedThePathIsTheSameUpToTheFirstSaturation) {
    // Before anything saturates, the equilibrium path and the supersaturation
    // path are one path.
    testing::Folder folder("evaporate-paths");
    folder.copy(EXAMPLES / "evaporation" / "WQCASE.DAT", "WQCASE.DAT");
    const std::string args = "evaporate --activity pitzer --to 12 --steps 40 --minerals " + SEAWATER_MINERALS;
    ASSERT_EQ(folder.run(args + " --out held.csv").status, 0);
    ASSERT_EQ(folder.run(args + " --no-precipitation --out free.csv").status, 0);
    const CsvTable held = readCsvTable(folder.read("held.csv")), free = readCsvTable(folder.read("free.csv"));
    ASSERT_EQ(held.rows.size(), free.rows.size());
    EXPECT_NE(free.comments[2].find("supersaturation"), std::string::npos);
    for (std::size_t i = 0; i < held.rows.size(); ++i) {
        if (!held.rows[i][held.column("saturated minerals")].empty()) {
            EXPECT_GT(i, 10u);  // gypsum comes at a factor above 3
            // From here on the free path's gypsum is above saturation.
            EXPECT_GT(std::stod(free.rows[i][free.column("SI(Gypsum)")]), 0.0);
            break;
        }
        // Every column of the free path (the held path has its amounts beside).
        for (const std::string& column : free.header) EXPECT_EQ(held.cell(i, column), free.cell(i, column)) << column << " " << i;
    }
}

TEST(Evaporate, BadOptionsEndItBeforeItStarts) {
    testing::Folder folder("evaporate-options");
    folder.copy(EXAMPLES / "evaporation" / "WQCASE.DAT", "WQCASE.DAT");
    folder.copy(EXAMPLES / "LOGKDATA.KDB", "LOGKDATA.KDB");
    const struct {
        const char* args;
        const char* message;
    } cases[] = {
        {"evaporate --to 1", "wqspec: --to must be a concentration factor above 1 (it is 1)\n"},
        {"evaporate --steps 0", "wqspec: --steps must be from 1 to 10000 (it is 0)\n"},
        {"evaporate --fractional --no-precipitation",
         "wqspec: --fractional and --no-precipitation exclude each other: a fractional path precipitates\n"},
        {"evaporate --out WQCASE.DAT", "wqspec: --out WQCASE.DAT is the run input (WQCASE.DAT); the results go elsewhere\n"},
        {"evaporate --minerals Unobtainium", "wqspec: unknown mineral Unobtainium: not in LOGKDATA.KDB (names are spelled as there, case included)\n"},
    };
    for (const auto& c : cases) {
        const testing::Command run = folder.run(std::string(c.args));
        EXPECT_EQ(run.status, 2) << c.args;
        EXPECT_EQ(run.err, c.message) << c.args;
        EXPECT_EQ(run.out, "") << c.args << ": no step is shown";
        EXPECT_FALSE(folder.has("evaporation.csv")) << c.args;
    }
}

TEST(Evaporate, TakesTheChargeBalanceAsTheSweepDoes) {
    // The run input balances on Cl-; --balance pH computes the pH from
    // electroneutrality instead, so the path's pH is another.
    testing::Folder folder("evaporate-balance");
    folder.copy(EXAMPLES / "evaporation" / "WQCASE.DAT", "WQCASE.DAT");
    folder.copy(EXAMPLES / "LOGKDATA.KDB", "LOGKDATA.KDB");
    const std::string args = "evaporate --to 2 --steps 2";
    ASSERT_EQ(folder.run(args + " --out own.csv").status, 0);
    const testing::Command onPH = folder.run(args + " --balance pH --out ph.csv");
    ASSERT_EQ(onPH.status, 0) << onPH.err;
    const CsvTable own = readCsvTable(folder.read("own.csv")), ph = readCsvTable(folder.read("ph.csv"));
    ASSERT_EQ(own.rows.size(), ph.rows.size());
    for (std::size_t i = 0; i < own.rows.size(); ++i)
        EXPECT_GT(std::abs(std::stod(own.cell(i, "pH")) - std::stod(ph.cell(i, "pH"))), 0.01) << i;
}

TEST(Evaporate, RefusesABadSharedOptionInTheBatchsWords) {
    testing::Folder folder("evaporate-shared");
    folder.copy(EXAMPLES / "evaporation" / "WQCASE.DAT", "WQCASE.DAT");
    folder.copy(EXAMPLES / "LOGKDATA.KDB", "LOGKDATA.KDB");
    folder.copy(EXAMPLES / "batch" / "WATERS.csv", "WATERS.csv");
    for (const char* option : {"--redox Eh=high", "--decouple Xx", "--suppress Unobtainite", "--balance Xx"}) {
        const testing::Command batch = folder.run(std::string("batch WATERS.csv ") + option);
        const testing::Command evaporate = folder.run(std::string("evaporate ") + option);
        EXPECT_EQ(evaporate.status, 2) << option;
        EXPECT_EQ(batch.status, 2) << option;
        EXPECT_NE(batch.err, "") << option;
        EXPECT_EQ(evaporate.err, batch.err) << option;
        EXPECT_FALSE(folder.has("evaporation.csv")) << option;
    }
}

TEST(DeadSea, ListingsOfBothModelsAreTheExamplesAndOnlyPitzerFindsTheLakeNearHaliteSaturation) {
    // The lake has deposited halite since the early 1980s (Steinhorn 1983,
    // Limnol. Oceanogr. 28, 580-583): its brine is at or near halite
    // saturation. B-dot, with no basis at an ionic strength of 9.4 mol/kg,
    // puts it a log unit below.
    const fs::path dir = EXAMPLES / "deadsea";
    const struct {
        const char* model;
        fs::path database;
        double lowest, highest;
    } runs[] = {{"b-dot", EXAMPLES / "LOGKDATA.KDB", -1.1, -0.8}, {"pitzer", EXAMPLES / "pitzer" / "LOGKDATA.KDB", -0.15, 0.15}};
    for (const auto& r : runs) {
        testing::Folder folder(std::string("deadsea-") + r.model);
        folder.copy(dir / "WQCASE.DAT", "WQCASE.DAT");
        folder.copy(r.database, "LOGKDATA.KDB");
        if (fs::exists(r.database.parent_path() / "PITZER.DAT")) folder.copy(r.database.parent_path() / "PITZER.DAT", "PITZER.DAT");
        const std::string option = std::string(r.model) == "b-dot" ? "" : std::string("--activity ") + r.model;
        const testing::Command c = folder.run(option, (dir / "answers").string());
        ASSERT_EQ(c.status, 0) << r.model << ": " << c.err;
        const std::string listing = folder.read("WQLIST.DAT");
        EXPECT_EQ(listing, testing::slurp(dir / (std::string("WQLIST-") + r.model + ".DAT"))) << r.model;
        EXPECT_EQ(listing.find("Activity model: pitzer") != std::string::npos, std::string(r.model) == "pitzer");
        const std::size_t at = listing.find("\n  Halite ");
        ASSERT_NE(at, std::string::npos);
        std::istringstream row(listing.substr(at, 60));
        std::string name;
        double logK = 0.0, logQ = 0.0, si = 0.0;
        row >> name >> logK >> logQ >> si;
        EXPECT_GE(si, r.lowest) << r.model;
        EXPECT_LE(si, r.highest) << r.model;
    }
}

}  // namespace
}  // namespace wq
