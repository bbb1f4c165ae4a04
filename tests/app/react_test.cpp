// Reaction paths: two waters mixed give the mass-weighted totals exactly;
// calcite and CO2(g) held at their targets give the water of the closed
// form (Stumm and Morgan, Aquatic Chemistry, 3rd ed., ch. 4: the charge
// balance of Ca++, H+, HCO3-, CO3--, OH- at a fixed CO2 fugacity, here with
// the complexes of the same database); a bad path is refused with its line,
// and one whose target cannot be reached keeps the records before it.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "app/front_end.hpp"
#include "app/model_setup.hpp"
#include "app/program.hpp"
#include "input/reaction_path.hpp"
#include "input/run_input.hpp"
#include "run/mineral_amounts.hpp"
#include "run/next_run.hpp"
#include "run/reaction_path.hpp"
#include "support/folder.hpp"
#include "support/program_run.hpp"

namespace wq {
namespace {

namespace fs = std::filesystem;

const fs::path EXAMPLES = fs::path(WQSPEC_SOURCE_DIR) / "examples";

// A run input of the components given (database number, mol in 1 kg of
// water) at the pH given, 25 C on the saturation curve, minerals on, the
// charge balanced on the last component.
std::string runInput(double pH, const std::vector<std::pair<int, double>>& totals) {
    std::string t = "Reaction path test water\n\nConv.factor  pH    Act.  Alk(eq/kg water)  T(C)  Damp  Print.thr.  P(bar)\n"
                    "--------------------------------------------------------------------------\n";
    t += " 1.0E-9  " + std::to_string(pH) + "  0.0  0.0  25.0  0.0  1.0E-10  1.0\n";
    t += "l/v-hiP Minerals Debug ChBal Loops ChBalSp FixActSp Geoth Refine ActOpt WatOpt\n"
         "--------------------------------------------------------------------------\n\n"
         " 0 1 0 0 200 " + std::to_string(totals.back().first) + " 0 0 0 0 0\n"
         "SAQ  species      Mtot (moles; water: kg)      Mtry               gamma\n"
         "-----------------------------------------------------------------------------\n"
         "    1 H+             0.0000000000E+00   1.0000000000E-08   1.0000000000E+00\n"
         "    2 H2O            1.0000000000E+00   1.0000000000E+00   1.0000000000E+00\n";
    const char* names[] = {"", "", "", "Cl-", "", "HCO3-", "", "", "", "Ca++", "", "", "", "Na+"};
    for (const auto& [n, total] : totals) {
        char line[128];
        std::snprintf(line, sizeof line, "%5d %-15s%16.10E   %16.10E   %16.10E\n", n, names[n], total, total, 1.0);
        t += line;
    }
    return t + "    0\n";
}

// A water of `folder` read and computed in `q` on the example database.
Results computeWater(QuietProgram& q, const testing::Folder& folder, const std::string& name) {
    Program& p = *q;
    p.caseFile = loadInput((folder.path() / name).string(), MAX_RUN_INPUT_BYTES, "the run input");
    ModelOptions o;
    o.databasePath = (EXAMPLES / "LOGKDATA.KDB").string();
    loadModel(p, o);
    readCase(p);
    takeModelChoices(p, o);
    Results r = computeRun(p);
    EXPECT_TRUE(r.converged) << name << ": " << runStatus(r);
    return r;
}

ReactionResult runPath(QuietProgram& q, const Results& start, const std::string& toml, const ReactionInputs& in = {}) {
    const ReactionPath path = readReactionPath(toml, "test.toml");
    ReactionResult result;
    ReactionInputs inputs = in;
    inputs.mixTotals.resize(path.steps.size());
    runReactionPath(*q, {}, path, start, inputs, result);
    return result;
}

// The moles of a component in the run's water: per kg of water as the run
// input gives it (every water here holds 1 kg), not per kg of free water,
// which the species that bind water make smaller.
double totalOf(const Results& r, const std::string& component) {
    for (const ComponentRow& c : r.components)
        if (c.name == component) return c.moles;
    return NAN;
}

TEST(ReactPath, MixingGivesTheMassWeightedTotals) {
    testing::Folder folder("react-mix");
    folder.write("A.DAT", runInput(7.8, {{5, 2e-3}, {9, 1e-3}, {13, 1e-3}, {3, 1e-3}}));
    folder.write("B.DAT", runInput(7.0, {{5, 4e-3}, {9, 2e-3}, {13, 0.05}, {3, 0.05}}));
    QuietProgram other;
    const Results b = computeWater(other, folder, "B.DAT");
    prepareNextRun(*other);
    ReactionInputs in;
    in.mixTotals = {totalsPerKgByNumber(*other)};
    QuietProgram q;
    const Results start = computeWater(q, folder, "A.DAT");
    const ReactionResult path = runPath(q, start, "[start]\ncase='A.DAT'\n[[step]]\nkind='mix'\nwith='B.DAT'\n"
                                                  "fractions=[0.25, 0.75, 1.0]\n", in);
    ASSERT_EQ(path.records.size(), 4u);
    for (const ReactionRecord& rec : path.records) {
        ASSERT_TRUE(rec.converged()) << rec.status;
        if (rec.step == 0) continue;
        const double x = rec.variable;
        // The proton balance (H+) mixes as any total; Na+ and Cl- are the
        // conservative ions, Ca++ and HCO3- carry the carbonate system.
        for (const char* c : {"H+", "Cl-", "HCO3-", "Ca++", "Na+"}) {
            const double expected = (1 - x) * totalOf(start, c) + x * totalOf(b, c);
            EXPECT_NEAR(totalOf(*rec.results, c), expected, 1e-13 * std::fabs(expected) + 1e-18) << c << " at " << x;
        }
    }
}

TEST(ReactPath, AReactantAddsItsComponentsAndStopsPastItsPH) {
    testing::Folder folder("react-add");
    folder.write("A.DAT", runInput(7.8, {{5, 2e-3}, {9, 1e-3}, {13, 1e-3}, {3, 1e-3}}));
    QuietProgram q;
    const Results start = computeWater(q, folder, "A.DAT");
    const ReactionResult path = runPath(q, start, "[start]\ncase='A.DAT'\n[[step]]\nkind='add'\n"
                                                  "reactant={'H+'=1, 'Cl-'=1}\namount=0.004\nincrements=8\nuntil={pH=5.0}\n");
    ASSERT_GE(path.records.size(), 3u);
    for (const ReactionRecord& rec : path.records) {
        ASSERT_TRUE(rec.converged()) << rec.status;
        if (rec.step == 0) continue;
        EXPECT_NEAR(rec.transfer.at(0).moles, rec.variable, 1e-15);  // the moles of HCl so far
        for (const char* c : {"H+", "Cl-"})
            EXPECT_NEAR(totalOf(*rec.results, c), totalOf(start, c) + rec.variable, 1e-15) << c << " at " << rec.variable;
        EXPECT_NEAR(totalOf(*rec.results, "Ca++"), totalOf(start, "Ca++"), 1e-18);
    }
    // The last increment is the first at or below pH 5; the one before it is above.
    EXPECT_LE(path.records.back().results->pH, 5.0);
    EXPECT_GT(path.records[path.records.size() - 2].results->pH, 5.0);
    EXPECT_LT(path.records.back().variable, 0.004);
}

// The pH at which the water of `r`'s run (its species, log K values and
// activity coefficients) is electroneutral with Calcite at log Q/K = 0 and
// CO2(g) at log f: bisection on log a(H+).
double closedFormPH(const SolverState& p, const Results& r, double logF) {
    const auto entry = [&](const char* name) -> const MineralEntry& {
        for (int i = 1; i <= p.minerals.count; ++i)
            if (p.minerals[i].name.trimmed() == name) return p.minerals[i];
        return p.minerals[1];
    };
    const MineralEntry &gas = entry("CO2(g)"), &calcite = entry("Calcite");
    const double logW = std::log10(r.waterActivity);
    // log a of every component at log a(H+) = x: water as solved, HCO3- from
    // the gas, Ca++ from calcite (each reaction on these components only).
    const auto componentActivities = [&](double x) {
        std::vector<double> la(static_cast<std::size_t>(p.comp.count) + 1, 0.0);
        la[HYDROGEN_SLOT] = x;
        la[WATER_SLOT] = logW;
        const auto solveFor = [&](const MineralEntry& m, double logQ, int unknown) {
            double rest = logQ, c = 0.0;
            for (int t = 1; t <= m.itot; ++t)
                if (m.comp[t] == unknown) c += m.coef[t];
                else rest -= m.coef[t] * la[static_cast<std::size_t>(m.comp[t])];
            la[static_cast<std::size_t>(unknown)] = rest / c;
        };
        solveFor(gas, logF + gas.logK, p.map.position(5));
        solveFor(calcite, calcite.logK, p.map.position(9));
        return la;
    };
    const auto imbalance = [&](double x) {
        const std::vector<double> la = componentActivities(x);
        double charge = 0.0;
        for (int s = 1; s <= p.sp.count; ++s) {
            const Species& sp = p.sp[s];
            if (s == WATER_SLOT) continue;
            double logA = s <= p.comp.count ? la[static_cast<std::size_t>(s)] : -sp.logK;
            if (s > p.comp.count)
                for (int t = 1; t <= sp.itot; ++t) logA += sp.coef[t] * la[static_cast<std::size_t>(sp.comp[t])];
            charge += sp.charge * std::pow(10.0, logA) / sp.gamma;
        }
        return charge;
    };
    double low = -12.0, high = -4.0;  // log a(H+): the charge is positive at the acid end
    for (int i = 0; i < 200; ++i) {
        const double mid = 0.5 * (low + high);
        (imbalance(mid) > 0.0 ? high : low) = mid;
    }
    return -0.5 * (low + high);
}

TEST(ReactPath, CalciteAtAFixedCO2FugacityIsTheClosedForm) {
    testing::Folder folder("react-calcite");
    folder.write("A.DAT", runInput(8.0, {{9, 1e-4}, {5, 2e-4}}));
    for (const double logF : {-3.5, -1.5}) {
        QuietProgram q;
        const Results start = computeWater(q, folder, "A.DAT");
        const std::string toml = "[start]\ncase='A.DAT'\n[[step]]\nkind='equilibrate'\nminerals={Calcite=0.0}\n"
                                 "gases={'CO2(g)'=" + std::to_string(logF) + "}\n";
        const ReactionResult path = runPath(q, start, toml);
        ASSERT_EQ(path.records.size(), 2u);
        const ReactionRecord& rec = path.records.back();
        ASSERT_TRUE(rec.converged()) << rec.status;
        const Results& r = *rec.results;
        EXPECT_NEAR(saturationIndexOf(r, "Calcite"), 0.0, 1e-5);
        EXPECT_NEAR(closedFormPH(*q, r, logF), r.pH, 0.01) << "log f " << logF;
        // Ca of the water is what it had and what calcite gave it.
        double dissolved = NAN;
        for (const TransferAmount& a : rec.transfer) dissolved = a.name == "Calcite" ? a.moles : dissolved;
        EXPECT_NEAR(totalOf(r, "Ca++"), 1e-4 + dissolved, 1e-10);
        if (logF == -3.5) {
            EXPECT_NEAR(r.pH, 8.3, 0.1);  // the textbook's water, with its data
        }
    }
}

TEST(ReactCommand, RefusesAnUnknownMineralWithItsLine) {
    testing::Folder folder("react-bad");
    folder.write("WQCASE.DAT", runInput(8.0, {{9, 1e-4}, {5, 2e-4}}));
    folder.copy(EXAMPLES / "LOGKDATA.KDB", "LOGKDATA.KDB");
    folder.write("p.toml", "[start]\ncase = 'WQCASE.DAT'\n\n[[step]]\nkind = 'equilibrate'\n"
                           "# a misspelt mineral\nminerals = { Calcit = 0.0 }\n");
    const testing::Command c = folder.run("react p.toml --db LOGKDATA.KDB --out r.csv");
    EXPECT_EQ(c.status, 2);
    EXPECT_NE(c.err.find("p.toml line 7: \"Calcit\" is no mineral of the run"), std::string::npos) << c.err;
    EXPECT_FALSE(folder.has("r.csv"));
}

TEST(ReactCommand, StopsWhereNoAmountReachesTheTargetKeepingTheRecordsBefore) {
    testing::Folder folder("react-unreached");
    folder.write("WQCASE.DAT", runInput(8.0, {{9, 1e-4}, {5, 2e-4}}));
    folder.copy(EXAMPLES / "LOGKDATA.KDB", "LOGKDATA.KDB");
    // log f(CO2) of +6 is a million bar of CO2: no water holds it.
    folder.write("p.toml", "[start]\ncase = 'WQCASE.DAT'\n[[step]]\nkind = 'temperature'\nfrom = 25\nto = 35\n"
                           "steps = 2\n[[step]]\nkind = 'equilibrate'\ngases = { 'CO2(g)' = 6.0 }\n"
                           "[[step]]\nkind = 'temperature'\nfrom = 35\nto = 45\n");
    const testing::Command c = folder.run("react p.toml --db LOGKDATA.KDB --out r.csv");
    EXPECT_EQ(c.status, 1) << c.err;
    const std::string table = folder.read("r.csv");
    EXPECT_NE(table.find("\n2,equilibrate,,\"no amount brings"), std::string::npos) << table;
    EXPECT_NE(table.find("\n1,temperature,35,converged"), std::string::npos) << table;
    EXPECT_EQ(table.find("\n3,"), std::string::npos) << table;
}

// The example's path end to end, its table blessed as the goldens are
// (WQSPEC_BLESS=1 writes it again).
TEST(ReactCommand, TheExamplePathIsItsTable) {
    testing::Folder folder("react-example");
    folder.copy(EXAMPLES / "react" / "WQCASE.DAT", "WQCASE.DAT");
    folder.copy(EXAMPLES / "react" / "calcite-co2.toml", "calcite-co2.toml");
    folder.copy(EXAMPLES / "LOGKDATA.KDB", "LOGKDATA.KDB");
    const testing::Command c = folder.run("react calcite-co2.toml --db LOGKDATA.KDB --out calcite-co2.csv");
    ASSERT_EQ(c.status, 0) << c.err;
    const fs::path expected = EXAMPLES / "react" / "calcite-co2.csv";
    const char* bless = std::getenv("WQSPEC_BLESS");
    if (bless && std::string(bless) == "1") testing::spit(expected, folder.read("calcite-co2.csv"));
    EXPECT_EQ(folder.read("calcite-co2.csv"), testing::slurp(expected));
    // The same records as JSON: one per row, the phases' transfer by name.
    ASSERT_EQ(folder.run("react calcite-co2.toml --db LOGKDATA.KDB --out r.json").status, 0);
    const nlohmann::json doc = nlohmann::json::parse(folder.read("r.json"));
    const std::string csv = folder.read("calcite-co2.csv");
    const auto rows = std::count(csv.begin(), csv.end(), '\n') - std::count(csv.begin(), csv.end(), '#') - 1;
    ASSERT_EQ(static_cast<long>(doc["records"].size()), static_cast<long>(rows));
    const nlohmann::json& last = doc["records"].back();
    EXPECT_EQ(last["temperature_c"], 80.0);
    EXPECT_LT(last["transfer"]["Calcite"].get<double>(), doc["records"][1]["transfer"]["Calcite"].get<double>())
        << "calcite precipitates as the water warms";
}

}  // namespace
}  // namespace wq
