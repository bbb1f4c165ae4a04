// Reaction paths that take water away and reactants named by the database:
// boiling conserves every element between the liquid and the steam and
// takes the steam fraction of the enthalpy balance (IAPWS-IF97) at each
// stage, open or closed; an evaporate step precipitates the salts of
// seawater in the order `wqspec evaporate` finds, equilibrium or fractional;
// an HCl titration's steepest fall of pH is at the analysed alkalinity.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/front_end.hpp"
#include "app/model_setup.hpp"
#include "app/program.hpp"
#include "equilibria/steam_tables.hpp"
#include "input/reaction_path.hpp"
#include "input/run_input.hpp"
#include "run/reaction_path.hpp"
#include "support/csv_table.hpp"
#include "support/folder.hpp"
#include "support/program_run.hpp"

namespace wq {
namespace {

namespace fs = std::filesystem;

const fs::path EXAMPLES = fs::path(WQSPEC_SOURCE_DIR) / "examples";

// The path `toml` from the water of `folder`/WQCASE.DAT, on the example database.
ReactionResult pathOf(const testing::Folder& folder, const std::string& toml) {
    QuietProgram q;
    Program& p = *q;
    p.caseFile = loadInput((folder.path() / "WQCASE.DAT").string(), MAX_RUN_INPUT_BYTES, "the run input");
    ModelOptions o;
    o.databasePath = (EXAMPLES / "LOGKDATA.KDB").string();
    loadModel(p, o);
    readCase(p);
    takeModelChoices(p, o);
    const Results start = computeRun(p);
    EXPECT_TRUE(start.converged) << runStatus(start);
    const ReactionPath path = readReactionPath(toml, "test.toml");
    checkPathNames(p, path);
    ReactionInputs inputs;
    inputs.mixTotals.resize(path.steps.size());
    ReactionResult result;
    runReactionPath(p, {}, path, start, inputs, result);
    return result;
}

double molesOf(const Results& r, const std::string& component) {
    for (const ComponentRow& c : r.components)
        if (c.name == component) return c.moles;
    return NAN;
}

double steamOf(const ReactionRecord& rec, const std::string& gas) {
    for (const TransferAmount& g : rec.steam)
        if (g.name == gas) return g.moles;
    return 0.0;
}

double liquidEnthalpy(double c) { return saturationEnthalpies(c + 273.15).liquid; }

// The mass fraction of steam of a liquid saturated at `from` flashed to
// `to`: the heat the liquid gives in cooling is the heat of vaporisation
// of the steam it makes.
double steamOfTheEnthalpyBalance(double from, double to) {
    const SaturationEnthalpies h = saturationEnthalpies(to + 273.15);
    return (liquidEnthalpy(from) - h.liquid) / (h.steam - h.liquid);
}

TEST(ReactBoil, ConservesEveryElementAndTakesTheSteamOfTheEnthalpyBalance) {
    testing::Folder folder("react-boil");
    folder.copy(EXAMPLES / "geothermal" / "WQCASE.DAT", "WQCASE.DAT");
    for (const bool open : {true, false}) {
        const ReactionResult path = pathOf(folder, std::string("[start]\ncase='WQCASE.DAT'\n[[step]]\nkind='boil'\n"
                                                               "from=250\nto=100\nsteps=10\nopen=") +
                                                       (open ? "true" : "false") + "\n");
        ASSERT_EQ(path.records.size(), 12u) << (open ? "open" : "closed");
        const Results& start = *path.records.front().results;
        // What the steam took so far of each component, mol; and of water, kg.
        std::map<std::string, double> inSteam;
        double steamKg = 0.0;
        for (std::size_t i = 1; i < path.records.size(); ++i) {
            const ReactionRecord& rec = path.records[i];
            ASSERT_TRUE(rec.converged()) << rec.status;
            const ReactionRecord& before = path.records[i - 1];
            const double from = open && i > 1 ? before.variable : 250.0;
            const double entering = open ? before.water : 1.0;  // kg of liquid water per kg of the start's
            EXPECT_NEAR(rec.steamFraction, i == 1 ? 0.0 : steamOfTheEnthalpyBalance(from, rec.variable), 1e-6)
                << rec.variable;
            const double kg = rec.steamFraction * entering;
            EXPECT_NEAR(rec.water, entering - kg, 1e-12);
            // CO2(g) = HCO3- + H+ - H2O: a mole of it in the steam takes one
            // of each of those components from the liquid.
            std::map<std::string, double> stage = {{"HCO3-", steamOf(rec, "CO2(g)") * kg},
                                                   {"H+", steamOf(rec, "CO2(g)") * kg}};
            if (!open) inSteam.clear(), steamKg = 0.0;
            for (const auto& [c, moles] : stage) inSteam[c] += moles;
            steamKg += kg;
            for (const ComponentRow& c : start.components) {
                if (c.name == "H2O") {
                    EXPECT_NEAR(rec.water + steamKg, 1.0, 1e-12) << rec.variable;
                    continue;
                }
                const double scale = c.name == "H+" ? molesOf(start, "HCO3-") : std::fabs(c.moles);
                EXPECT_NEAR(molesOf(*rec.results, c.name) + inSteam[c.name], c.moles, 1e-10 * scale)
                    << c.name << " at " << rec.variable << (open ? " open" : " closed");
            }
        }
        // The reservoir's CO2 goes with the first steam: the liquid at 100 C
        // keeps a small part of it, whichever way it boiled.
        const ReactionRecord& last = path.records.back();
        EXPECT_LT(molesOf(*last.results, "HCO3-"), 0.5 * molesOf(start, "HCO3-")) << (open ? "open" : "closed");
        EXPECT_GT(last.results->pH, start.pH) << "boiling takes the CO2 and the pH rises";
    }
}

// The minerals of the "# first saturation" line of a table of `wqspec
// evaporate`, in order.
std::vector<std::string> firstSaturationOrder(const testing::CsvTable& t) {
    std::vector<std::string> order;
    const std::string head = "# first saturation (concentration factor): ";
    for (const std::string& c : t.comments) {
        if (!c.starts_with(head)) continue;
        for (std::size_t at = head.size(); at < c.size();) {
            const std::size_t end = c.find(" at ", at);
            order.push_back(c.substr(at, end - at));
            const std::size_t next = c.find("; ", end);
            at = next == std::string::npos ? c.size() : next + 2;
        }
    }
    return order;
}

// The minerals a reaction path's table moved, in the order they first appear.
std::vector<std::string> transferOrder(const testing::CsvTable& t) {
    std::vector<std::string> order;
    const std::string unit = ") [mol/kg starting water]";
    for (const std::string& h : t.header)
        if (h.starts_with("transfer(")) order.push_back(h.substr(9, h.size() - 9 - unit.size()));
    return order;
}

TEST(ReactEvaporate, SeawaterPrecipitatesItsSaltsInTheOrderOfTheEvaporationPath) {
    const std::string minerals =
        "'Anhydrite','Gypsum','Halite','Glauberite','Polyhalite','Syngenite','Bloedite','Epsomite','Hexahydrite',"
        "'Kieserite','Kainite','Carnallite','Sylvite','Bischofite','Leonite','Schoenite','Labile_S','Mirabilite',"
        "'Thenardite','Arcanite','Glaserite','Pentahydrite'";
    testing::Folder folder("react-evaporate");
    folder.copy(EXAMPLES / "evaporation" / "WQCASE.DAT", "WQCASE.DAT");
    for (const char* kind : {"equilibrium", "fractional"}) {
        const std::string example = std::string("evaporation") + (kind == std::string("fractional") ? "-fractional" : "");
        folder.write("p.toml", "[start]\ncase = 'WQCASE.DAT'\n[[step]]\nkind = 'evaporate'\nto = 150\nsteps = 100\n"
                               "precipitate = '" + std::string(kind) + "'\nminerals = [" + minerals + "]\n");
        const testing::Command c = folder.run("react p.toml --activity pitzer --out r.csv");
        ASSERT_EQ(c.status, 0) << c.err;
        const testing::CsvTable path = testing::readCsvTable(folder.read("r.csv"));
        const testing::CsvTable expected =
            testing::readCsvTable(testing::slurp(EXAMPLES / "evaporation" / (example + ".csv")));
        EXPECT_EQ(transferOrder(path), firstSaturationOrder(expected)) << kind;
        EXPECT_EQ(path.rows.size(), 101u) << kind;
        EXPECT_NEAR(std::stod(path.cell(path.rows.size() - 1, "water [kg/kg starting water]")), 1.0 / 150, 1e-12);
    }
}

// A Ca(HCO3)2 water at pH 7 (where bicarbonate buffers it, far from the
// carbonate end point of pH 8.3) with a trace of chloride, 5e-4 mol/kg of
// calcium; the carbonate balances the charge.
std::string carbonateWater() {
    return "Titration water\n\nConv.factor  pH    Act.  Alk(eq/kg water)  T(C)  Damp  Print.thr.  P(bar)\n"
           "----\n 1.0E-9  7.0  0.0  0.0  25.0  0.0  1.0E-10  1.0\n"
           "l/v-hiP Minerals Debug ChBal Loops ChBalSp FixActSp Geoth Refine ActOpt WatOpt\n----\n\n"
           " 0 1 0 0 200 5 0 0 0 0 0\nSAQ  species      Mtot\n----\n"
           "    1 H+             0.0000000000E+00   1.0000000000E-08   1.0000000000E+00\n"
           "    2 H2O            1.0000000000E+00   1.0000000000E+00   1.0000000000E+00\n"
           "    3 Cl-            1.0000000000E-06   1.0000000000E-06   1.0000000000E+00\n"
           "    9 Ca++           5.0000000000E-04   5.0000000000E-04   1.0000000000E+00\n"
           "    5 HCO3-          1.0000000000E-03   1.0000000000E-03   1.0000000000E+00\n    0\n";
}

TEST(ReactAdd, AnHClTitrationFallsSteepestAtTheAnalysedAlkalinity) {
    // A Ca(HCO3)2 water: its alkalinity is, by its charge balance, twice its
    // calcium less its chloride (eq/kg), whatever its carbonate species.
    const double calcium = 5e-4, chloride = 1e-6;
    testing::Folder folder("react-titration");
    folder.write("WQCASE.DAT", carbonateWater());
    const ReactionResult path = pathOf(folder, "[start]\ncase='WQCASE.DAT'\n[[step]]\nkind='add'\nreactant='HCl'\n"
                                               "amount=0.002\nincrements=1000\nuntil={pH=4.5}\n");
    ASSERT_TRUE(path.records.back().converged()) << path.records.back().status;
    ASSERT_LE(path.records.back().results->pH, 4.5);
    double steepest = 0.0, equivalence = NAN;
    for (std::size_t i = 2; i < path.records.size(); ++i) {
        const ReactionRecord &a = path.records[i - 1], &b = path.records[i];
        const double fall = -(b.results->pH - a.results->pH) / (b.variable - a.variable);
        if (fall > steepest) {
            steepest = fall;
            equivalence = 0.5 * (a.variable + b.variable);
        }
    }
    const double alkalinity = 2 * calcium - chloride;
    EXPECT_NEAR(equivalence, alkalinity, 0.01 * alkalinity);
    // HCl,aq of the database: a mole of H+ and of Cl- per mole.
    const Results& last = *path.records.back().results;
    EXPECT_NEAR(molesOf(last, "Cl-"), chloride + path.records.back().variable, 1e-15);
}

TEST(ReactAdd, StopsAtAMineralsSaturationIndexOrAGasFugacity) {
    testing::Folder folder("react-until");
    folder.write("WQCASE.DAT", carbonateWater());
    struct Case {
        const char* reactant;
        const char* until;
        const char* phase;
        bool gas;
        double target;
        double amount;
    };
    for (const Case& k : {Case{"Calcite", "{ SI = { Calcite = 0.0 } }", "Calcite", false, 0.0, 0.002},
                          Case{"CO2(g)", "{ log_f = { 'CO2(g)' = -1.0 } }", "CO2(g)", true, -1.0, 0.01}}) {
        const ReactionResult path = pathOf(folder, std::string("[start]\ncase='WQCASE.DAT'\n[[step]]\nkind='add'\n"
                                                               "reactant='") + k.reactant + "'\namount=" +
                                                   std::to_string(k.amount) + "\nincrements=100\nuntil=" + k.until + "\n");
        ASSERT_GE(path.records.size(), 3u) << k.reactant;
        const auto valueOf = [&](const ReactionRecord& rec) -> double {
            if (!k.gas) {
                for (const MineralRow& m : rec.results->minerals)
                    if (m.name == k.phase) return m.saturationIndex;
            }
            for (const GasRow& g : rec.results->gases)
                if (g.name == k.phase) return g.logFugacity;
            return NAN;
        };
        const ReactionRecord& last = path.records.back();
        ASSERT_TRUE(last.converged()) << last.status;
        EXPECT_GE(valueOf(last), k.target) << k.reactant;
        EXPECT_LT(valueOf(path.records[path.records.size() - 2]), k.target) << k.reactant;
        EXPECT_LT(last.variable, k.amount) << k.reactant << " stopped before its whole amount";
    }
}

double transferOf(const ReactionRecord& rec, const std::string& phase) {
    for (const TransferAmount& a : rec.transfer)
        if (a.name == phase && !a.reactant) return a.moles;
    return 0.0;
}

TEST(ReactTemperature, FractionalCalciteOnceTakenOutDoesNotDissolveAgain) {
    // Calcite under a fixed CO2 pressure precipitates as the water warms to
    // 80 C and would dissolve again as it cools back to 25 C: in contact
    // (equilibrium) the water comes back to where it started; taken out
    // (fractional) what precipitated stays out and the cooled water is
    // undersaturated.
    testing::Folder folder("react-fractional");
    folder.copy(EXAMPLES / "react" / "WQCASE.DAT", "WQCASE.DAT");
    for (const char* how : {"equilibrium", "fractional"}) {
        const std::string mode = std::string("precipitate='") + how + "'\n";
        const ReactionResult path =
            pathOf(folder, "[start]\ncase='WQCASE.DAT'\n[[step]]\nkind='equilibrate'\nminerals={Calcite=0.0}\n"
                           "gases={'CO2(g)'=-1.5}\n" + mode + "[[step]]\nkind='temperature'\nfrom=25\nto=80\nsteps=4\n" +
                           mode + "[[step]]\nkind='temperature'\nfrom=80\nto=25\nsteps=4\n" + mode);
        ASSERT_EQ(path.records.size(), 12u) << how;
        for (const ReactionRecord& rec : path.records) ASSERT_TRUE(rec.converged()) << how << ": " << rec.status;
        const ReactionRecord &held = path.records[1], &hottest = path.records[6], &last = path.records.back();
        EXPECT_LT(transferOf(hottest, "Calcite"), transferOf(held, "Calcite")) << how << ": calcite precipitates";
        double calciteSI = NAN;
        for (const MineralRow& m : last.results->minerals) calciteSI = m.name == "Calcite" ? m.saturationIndex : calciteSI;
        if (std::string(how) == "equilibrium") {
            EXPECT_NEAR(transferOf(last, "Calcite"), transferOf(held, "Calcite"), 1e-7) << "it dissolves back";
            EXPECT_NEAR(calciteSI, 0.0, 1e-5);
        } else {
            for (std::size_t i = 7; i < path.records.size(); ++i)
                EXPECT_NEAR(transferOf(path.records[i], "Calcite"), transferOf(hottest, "Calcite"), 1e-15) << i;
            EXPECT_LT(calciteSI, -0.01);
        }
    }
}

// The boiling example end to end, its table blessed as the goldens are
// (WQSPEC_BLESS=1 writes it again).
TEST(ReactBoil, TheWairakeiExampleIsItsTable) {
    const fs::path example = EXAMPLES / "react" / "wairakei-boil";
    testing::Folder folder("react-wairakei");
    folder.copy(example / "WQCASE.DAT", "WQCASE.DAT");
    folder.copy(example / "wairakei-boil.toml", "wairakei-boil.toml");
    folder.copy(EXAMPLES / "LOGKDATA.KDB", "LOGKDATA.KDB");
    const testing::Command c = folder.run("react wairakei-boil.toml --db LOGKDATA.KDB --out wairakei-boil.csv");
    ASSERT_EQ(c.status, 0) << c.err;
    const char* bless = std::getenv("WQSPEC_BLESS");
    if (bless && std::string(bless) == "1") testing::spit(example / "wairakei-boil.csv", folder.read("wairakei-boil.csv"));
    EXPECT_EQ(folder.read("wairakei-boil.csv"), testing::slurp(example / "wairakei-boil.csv"));
}

}  // namespace
}  // namespace wq
