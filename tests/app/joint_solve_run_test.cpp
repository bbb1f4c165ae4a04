// The joint solve in whole runs on the bundled database: where it takes over,
// that it agrees with the iteration where both solve a water, and the line
// that names a condition no water can meet, with its numbers checked against
// an independent derivation.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>

#include "app/front_end.hpp"
#include "app/program.hpp"
#include "app/run_sequence.hpp"
#include "grid/grid.hpp"
#include "input/database.hpp"
#include "input/minerals.hpp"
#include "input/run_input.hpp"
#include "run/results.hpp"
#include "solver/joint_solve.hpp"
#include "solver/setup.hpp"
#include "solver/solve_observer.hpp"
#include "support/program_run.hpp"

namespace wq {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testing::ProgramRun;
using testing::slurp;

const fs::path SOURCE = WQSPEC_SOURCE_DIR;
const fs::path DATABASE = SOURCE / "examples" / "LOGKDATA.KDB";

// A run-input text with the conditions line (line 5) replaced.
std::string withConditions(const std::string& text, const std::string& conditions) {
    std::istringstream in(text);
    std::string line, out;
    for (int n = 1; std::getline(in, line); ++n) out += (n == 5 ? conditions : line) + "\n";
    return out;
}

// A run input of its own: totals in moles in 1 kg of water, charge balance on
// the database number `balance` (switch on), forced minerals as given.
std::string runInput(const std::string& conditions, int balance, const std::string& components,
                     const std::string& forced = "") {
    return "A water for the joint-solve tests\n"
           "\n"
           "Conv.factor  pH    Act.  Alk(eq/kg water)  T(C)  Damp  Print.thr.  P(bar)\n"
           "--------------------------------------------------------------------------\n" +
           conditions + "\n"
           "l/v-hiP Minerals Debug ChBal Loops ChBalSp FixActSp Geoth Refine ActOpt WatOpt\n"
           "--------------------------------------------------------------------------\n"
           "\n"
           " 0 1 0 1 100 " + std::to_string(balance) + " 0 0 0 0 0\n"
           "SAQ  species      Mtot               Mtry               Gamma\n"
           "-----------------------------------------------------------------------------\n" +
           components + "    0\nForced minerals: name, IEQ, log(Q/K)\n" + forced;
}

ProgramRun run(const std::string& caseText, const std::string& tag, const std::string& args = "",
               const std::string& extra = "") {
    return testing::runProgramWith(caseText, "", slurp(DATABASE), "joint-" + tag, args, extra);
}

// The one number of the reason that follows `label`.
double numberAfter(const std::string& text, const std::string& label) {
    const std::size_t at = text.find(label);
    if (at == std::string::npos) return NAN;
    return std::stod(text.substr(at + label.size()));
}

// ---- a condition no water can meet -------------------------------------------

// Each case: its reason on the error stream, the same line in the listing
// (after the iteration's own ending, which stays), and the number of the
// reason against a derivation that does not use the probe that found it.
TEST(NoSolution, ThreeConditionsNamedWithTheirNumbers) {
    const std::string seawater = slurp(SOURCE / "examples" / "seawater" / "WQCASE.DAT");
    struct Case {
        const char* tag;
        std::string caseText;
        std::regex reason;
        std::string stopped;  // the iteration's own ending, kept in the listing
    };
    const Case cases[] = {
        // Seawater at 200 C and pH 7.5: its hydroxide complexes alone carry
        // more alkalinity than the analysis gives.
        {"alkalinity", withConditions(seawater, " 1.0E-9  7.5  0.0  2.406439E-03  200.0  0.0  1.0E-10  1.0"),
         std::regex("alkalinity 2\\.406e-03 eq/kgw is below the ([0-9.e+-]+) eq/kgw carried by non-carbonate "
                    "species at 200 C and pH 7\\.50: no carbonate total can meet it"),
         "NUMBER OF LOOPS REACHED GIVEN MAXIMUM OF 100"},
        // Na+ balances a water whose cations already exceed its anions.
        {"balance",
         runInput(" 1.0E-9  0.0  0.0  0.0  25.0  0.0  1.0E-12  1.0", 13,
                  "    1 H+             1.0000000000E-03   1.0000000000E-07   1.0000000000E+00\n"
                  "    2 H2O            1.0000000000E+00   1.0000000000E+00   1.0000000000E+00\n"
                  "    3 Cl-            2.0000000000E-03   2.0000000000E-03   1.0000000000E+00\n"
                  "    4 SO4--          1.0000000000E-03   1.0000000000E-03   1.0000000000E+00\n"
                  "    5 HCO3-          2.0000000000E-03   1.0000000000E-03   1.0000000000E+00\n"
                  "    9 Ca++           2.5000000000E-03   2.0000000000E-03   1.0000000000E+00\n"
                  "   10 Mg++           1.0000000000E-03   1.0000000000E-03   1.0000000000E+00\n"
                  "   12 K+             5.0000000000E-04   5.0000000000E-04   1.0000000000E+00\n"
                  "   13 Na+            0.0000000000E+00   1.0000000000E-10   1.0000000000E+00\n"),
         std::regex("balancing on Na\\+ needs a negative Na\\+ total \\(([0-9.e+-]+) mol\\)"),
         "CHARGE IMBALANCE EXEEDS THE TOTAL AMOUNT OF Na+"},
        // Gypsum held on sulfate in a water of as much Ca++ as Na+.
        {"mineral",
         runInput(" 1.0E-9  0.0  0.0  0.0  25.0  0.0  1.0E-12  1.0", 3,
                  "    1 H+             0.0000000000E+00   1.0000000000E-07   1.0000000000E+00\n"
                  "    2 H2O            1.0000000000E+00   1.0000000000E+00   1.0000000000E+00\n"
                  "    3 Cl-            2.0000000000E-02   1.0000000000E-02   1.0000000000E+00\n"
                  "    4 SO4--          1.0000000000E-03   1.0000000000E-03   1.0000000000E+00\n"
                  "    9 Ca++           1.0000000000E-02   5.0000000000E-03   1.0000000000E+00\n"
                  "   13 Na+            1.0000000000E-02   5.0000000000E-03   1.0000000000E+00\n",
                  "Gypsum                 4     0.000\n"),
         std::regex("holding Gypsum at log Q/K 0\\.000 puts ([0-9.e+-]+) mol of SO4-- in the water, so balancing "
                    "on Cl- needs a negative Cl- total \\(([0-9.e+-]+) mol\\)"),
         "CHARGE IMBALANCE EXEEDS THE TOTAL AMOUNT OF Cl-"},
    };
    for (const Case& c : cases) {
        const ProgramRun out = run(c.caseText, c.tag);
        EXPECT_EQ(out.status, 1) << c.tag;
        std::smatch match;
        const std::string errors = out.errors;
        ASSERT_TRUE(std::regex_match(errors, match, std::regex("wqspec: no solution: (.*)\n"))) << errors;
        const std::string why = match[1];
        std::smatch numbers;
        ASSERT_TRUE(std::regex_match(why, numbers, c.reason)) << c.tag << ": " << why;
        const std::size_t ending = out.listing.find(c.stopped);
        const std::size_t line = out.listing.find("\n     NO SOLUTION: " + why + "\n");
        ASSERT_NE(ending, std::string::npos) << c.tag;
        ASSERT_NE(line, std::string::npos) << c.tag;
        EXPECT_LT(ending, line) << c.tag;
        EXPECT_NE(out.console.find("     NO SOLUTION: " + why + "\n"), std::string::npos) << c.tag;

        const std::string tag = c.tag;
        if (tag == "alkalinity") {
            // The same water without carbonate and without an alkalinity,
            // solved by the iteration: the alkalinity its species carry.
            std::string noCarbonate =
                withConditions(seawater, " 1.0E-9  7.5  0.0  0.0  200.0  0.0  1.0E-10  1.0");
            const ProgramRun plain = run(noCarbonate, "alkalinity-plain");
            ASSERT_EQ(plain.status, 0) << plain.errors;
            const double carried = numberAfter(plain.listing, "Calculated Alkalinity = ");
            EXPECT_NEAR(std::stod(numbers[1]), carried, 1e-3 * carried);
            EXPECT_GT(carried, 2.406439e-3);
        } else if (tag == "balance") {
            // Charge conservation: the Na+ total that balances the totals
            // as given (the H+ total a proton balance of +1 per mole).
            const double others = 1e-3 - 2e-3 - 2 * 1e-3 - 2e-3 + 2 * 2.5e-3 + 2 * 1e-3 + 5e-4;
            EXPECT_NEAR(std::stod(numbers[1]), -others, 1e-3 * std::fabs(others));
        } else {
            // With the sulfate the mineral holds: Na+ + 2 Ca++ - 2 SO4-- is
            // the Cl- the water needs (H+ total 0).
            const double sulfate = std::stod(numbers[1]);
            const double needed = 1e-2 + 2 * 1e-2 - 2 * sulfate;
            EXPECT_LT(needed, 0.0);
            EXPECT_NEAR(std::stod(numbers[2]), needed, 1e-3 * std::fabs(needed));
        }
    }
}

// A water at 250 C whose Na+ albite and SiO2 quartz fix, its pH from
// electroneutrality, with 1e-6 mol of Al+++ that no mineral holds: no water
// meets every condition, and the reason names the mineral (the joint solve
// once found one with 123 mol/kg of NaHSiO3). With K-feldspar and muscovite
// fixing K+ and Al+++ too, the assemblage buffers the pH near 7.1, where
// other programs put it.
TEST(NoSolution, AHeldMineralNoWaterMeetsIsNamed) {
    const std::string components =
        "    1 H+             0.0000000000E+00   1.0000000000E-07   1.0000000000E+00\n"
        "    2 H2O            1.0000000000E+00   1.0000000000E+00   1.0000000000E+00\n"
        "    3 Cl-            1.0000000000E-02   5.0000000000E-03   1.0000000000E+00\n"
        "   11 SiO2,aq        1.0000000000E-03   5.0000000000E-04   1.0000000000E+00\n"
        "   12 K+             1.0000000000E-03   5.0000000000E-04   1.0000000000E+00\n"
        "   13 Na+            1.0000000000E-02   5.0000000000E-03   1.0000000000E+00\n"
        "   14 Al+++          1.0000000000E-06   1.0000000000E-08   1.0000000000E+00\n";
    const std::string conditions = " 1.0E-9  0.0  0.0  0.0  250.0  0.0  1.0E-10  1.0";
    const std::string albite = "Albite                13     0.000\n";
    const std::string quartz = "Quartz                11     0.000\n";
    const ProgramRun none = run(runInput(conditions, 1, components, albite + quartz), "albite-quartz");
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.errors.rfind("wqspec: no solution: no water holds Albite at log Q/K 0.000 with the other conditions", 0),
              0u)
        << none.errors;
    const ProgramRun buffered =
        run(runInput(conditions, 1, components,
                     albite + quartz + "Muscovite             14     0.000\nK-Feldspar            12     0.000\n"),
            "feldspars", "--results r.json", "r.json");
    ASSERT_EQ(buffered.status, 0) << buffered.errors;
    const double pH = json::parse(buffered.extra)[0]["pH"].get<double>();
    EXPECT_NEAR(pH, 7.1, 0.1);
}

// ---- where the joint solve takes over -------------------------------------------

// The ready examples converge in the iteration: their records say so and show
// no loop of the joint solve, and their listings carry no line of it.
TEST(JointSolveRun, TheExamplesNeverReachTheJointSolve) {
    for (const char* name : {"seawater", "geothermal", "brine"}) {
        const fs::path dir = SOURCE / "examples" / name;
        const ProgramRun out = testing::runProgramWith(slurp(dir / "WQCASE.DAT"), slurp(dir / "answers"),
                                                       slurp(DATABASE), std::string("joint-") + name,
                                                       "--results r.json", "r.json");
        ASSERT_EQ(out.status, 0) << name << ": " << out.errors;
        for (const json& record : json::parse(out.extra)) {
            EXPECT_EQ(record["status"], "converged") << name;
            EXPECT_EQ(record["joint_loops"], 0) << name;
        }
        EXPECT_EQ(out.listing.find("joint Newton solve"), std::string::npos) << name;
        EXPECT_EQ(out.console.find("joint Newton solve"), std::string::npos) << name;
    }
}

// A loop limit too small for the iteration: the joint solve finds the water,
// and the listing holds the one line that says so and the result block of the
// solution, nothing of the failed attempt.
TEST(JointSolveRun, AWaterTheIterationLeavesUnsolvedSaysHowItWasFound) {
    std::string text = slurp(SOURCE / "examples" / "seawater" / "WQCASE.DAT");
    text.replace(text.find(" 0 1 0 0 100 3"), 14, " 0 1 0 0   3 3");
    const ProgramRun out = run(text, "limit", "--results r.json", "r.json");
    ASSERT_EQ(out.status, 0) << out.errors;
    const json record = json::parse(out.extra).at(0);
    EXPECT_EQ(record["status"], "converged by the joint solve");
    EXPECT_EQ(record["loops"], 3);
    const int joint = record["joint_loops"];
    EXPECT_GT(joint, 0);
    const std::string note = "\n     The iteration did not converge in 3 loops; solved by the joint Newton solve in " +
                             std::to_string(joint) + " iterations.\n";
    EXPECT_NE(out.console.find(note), std::string::npos) << out.console;
    const std::size_t at = out.listing.find(note);
    ASSERT_NE(at, std::string::npos) << out.listing;
    EXPECT_LT(at, out.listing.find("Number of loops used =   3"));
    EXPECT_EQ(out.listing.find("NUMBER OF LOOPS REACHED"), std::string::npos);
    EXPECT_EQ(out.listing.find("Number of loops used", out.listing.find("Number of loops used") + 1),
              std::string::npos) << "one result block";
}

// ---- the same water, two methods --------------------------------------------------

// The run of a case up to its set-up, on the bundled database.
std::unique_ptr<QuietProgram> setUpCase(const std::string& caseText) {
    auto q = std::make_unique<QuietProgram>();
    Program& p = **q;
    p.caseFile = TextFile("WQCASE.DAT", caseText);
    p.database = DatabaseFile(DATABASE.string());
    readCase(p);
    locateRun(p);
    refreshDatabase(p);
    const RunSection section = readSpecies(p);
    if (p.conditions.mineralsSwitch != 0) readMinerals(p, section);
    SolveObserver quiet;  // the quiet program writes nothing of the set-up
    setUp(p, quiet);
    return q;
}

// Seawater with its charge balance on Cl- (pH and alkalinity given) at three
// temperatures: the joint solve, run on its own from the same start, finds
// the water the iteration finds.
TEST(JointSolveRun, AgreesWithTheIterationWhereBothSolve) {
    const std::string seawater = slurp(SOURCE / "examples" / "seawater" / "WQCASE.DAT");
    for (const char* conditions : {" 1.0E-9  8.22  0.0  2.406439E-03  25.0  0.0  1.0E-10  1.0",
                                   " 1.0E-9  7.9  0.0  2.406439E-03  60.0  0.0  1.0E-10  1.0",
                                   " 1.0E-9  7.7  0.0  3.0E-03  45.0  0.0  1.0E-10  1.0"}) {
        const std::string text = withConditions(seawater, conditions);
        QuietProgram byRun;
        (*byRun).caseFile = TextFile("WQCASE.DAT", text);
        (*byRun).database = DatabaseFile(DATABASE.string());
        readCase(*byRun);
        const Results iterated = computeRun(*byRun);
        ASSERT_TRUE(iterated.converged);
        ASSERT_FALSE(iterated.solvedJointly);

        auto joint = setUpCase(text);
        ASSERT_TRUE(jointSolve(**joint).solved) << conditions;
        const Results solved = evaluateResults(**joint);
        EXPECT_NEAR(solved.pH, iterated.pH, 1e-9);
        EXPECT_NEAR(solved.ionicStrength, iterated.ionicStrength, 1e-8 * iterated.ionicStrength);
        ASSERT_EQ(solved.species.size(), iterated.species.size());
        for (std::size_t s = 0; s < solved.species.size(); ++s)
            EXPECT_NEAR(solved.species[s].logMolality(), iterated.species[s].logMolality(), 1e-7)
                << conditions << ": " << solved.species[s].name;
        for (std::size_t k = 0; k < solved.components.size(); ++k) {
            const double expected = iterated.components[k].moles;
            EXPECT_NEAR(solved.components[k].moles, expected, 1e-7 * std::fabs(expected))
                << conditions << ": " << solved.components[k].name;
            EXPECT_EQ(solved.components[k].flag, iterated.components[k].flag);
        }
        EXPECT_EQ(solved.chargeBalance.adjusted, iterated.chargeBalance.adjusted);
    }
}

}  // namespace
}  // namespace wq
