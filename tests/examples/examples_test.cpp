// The bundled database and the ready examples, run through the built program:
// the database reads without an error message wherever the grid location
// accepts a run, the examples converge, and the geothermal water converges at
// every 25 C step of the saturation curve.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "support/program_run.hpp"

namespace fs = std::filesystem;
using wq::testing::ProgramRun;
using wq::testing::slurp;

namespace {

const fs::path kExamples = fs::path(WQSPEC_SOURCE_DIR) / "examples";

using Outcome = ProgramRun;

// Runs the program on a run-input text with the bundled database; the console
// answers end the program after the first run.
Outcome runCase(const std::string& caseText, const std::string& answers, const std::string& tag) {
    return wq::testing::runProgram(caseText, answers, kExamples / "LOGKDATA.KDB", "example-" + tag);
}

// The conditions line (the fifth line) of a run-input text, with T and P replaced.
std::string withConditions(const std::string& text, double t, double p) {
    std::istringstream in(text);
    std::string line, out;
    for (int n = 1; std::getline(in, line); ++n) {
        if (n == 5) {
            std::istringstream values(line);
            std::string v[8];
            for (auto& x : v) values >> x;
            v[4] = std::to_string(t);
            v[7] = std::to_string(p);
            line.clear();
            for (auto& x : v) line += " " + x;
        }
        out += line + "\n";
    }
    return out;
}

void expectCleanRun(const Outcome& out, const std::string& what) {
    EXPECT_EQ(out.status, 0) << what << "\n" << out.errors << out.console.substr(0, 2000);
    EXPECT_EQ(out.errors, "") << what;
    for (const char* failure : {"Reading", "Bombed", "EXCEEDS", "NON-CONVERGENCE", "ERROR"})
        EXPECT_EQ(out.console.find(failure), std::string::npos) << what << ": " << failure;
}

TEST(Examples, SeawaterConverges) {
    Outcome out = runCase(slurp(kExamples / "seawater/WQCASE.DAT"), "\n\n", "seawater");
    expectCleanRun(out, "seawater");
    EXPECT_NE(out.listing.find("Calcite"), std::string::npos);
}

TEST(Examples, GeothermalWaterConvergesAlongTheSaturationCurve) {
    const std::string text = slurp(kExamples / "geothermal/WQCASE.DAT");
    for (int t = 25; t <= 350; t += 25) {
        Outcome out = runCase(withConditions(text, t, 1.0), "\n\n", "geo" + std::to_string(t));
        expectCleanRun(out, "geothermal at " + std::to_string(t) + " C");
        EXPECT_NE(out.listing.find("Na-K-Ca Source Temperature"), std::string::npos);
    }
}

TEST(Examples, BrineConvergesInAnExtendedRun) {
    Outcome out = runCase(slurp(kExamples / "brine/WQCASE.DAT"), "\n\n\n", "brine");
    expectCleanRun(out, "brine");
}

// The ready examples are what a newcomer sees first: the listing must start
// with the water, not with solver diagnostics.
TEST(Examples, ListingsCarryNoSolverDiagnostics) {
    for (const char* name : {"seawater", "geothermal", "brine"}) {
        const fs::path dir = kExamples / name;
        Outcome out = runCase(slurp(dir / "WQCASE.DAT"), slurp(dir / "answers"), name);
        expectCleanRun(out, name);
        for (const char* noise : {"ITERATIVE REFINEMENTS", "MATRIX OF A(I,J)", "SUBROUTINE", "No. of Loops"})
            EXPECT_EQ(out.listing.find(noise), std::string::npos) << name << ": " << noise;
        const std::string firstTitle = slurp(dir / "WQCASE.DAT").substr(0, 40);
        EXPECT_LT(out.listing.find(firstTitle), 600u) << name << ": the water's title is not on the first screen";
    }
}

// The only error lines such a run may end with: a hard water that does not
// converge at some temperature, or that has no solution there (seawater's
// alkalinity at pH 8.22 is below what its hydroxide complexes carry above
// 100 C), is not a fault of the database.
bool noReadingError(const std::string& errors) {
    return errors.empty() || errors.starts_with("wqspec: no convergence within the loop limit") ||
           errors.starts_with("wqspec: no solution: ");
}

// The database is read completely at every run; whatever T and P the grid
// location accepts, no reading error may appear.
TEST(Examples, BundledDatabaseReadsAtEveryCondition) {
    const std::string text = slurp(kExamples / "seawater/WQCASE.DAT");
    for (double t : {20.0, 60.0, 100.0, 150.0, 200.0, 250.0, 300.0, 350.0, 374.0}) {
        Outcome out = runCase(withConditions(text, t, 1.0), "\n\n", "sat");
        EXPECT_TRUE(noReadingError(out.errors)) << t << ": " << out.errors;
        for (const char* failure : {"Reading", "Bombed", "EXCEEDS", "ERROR"})
            EXPECT_EQ(out.console.find(failure), std::string::npos) << t << ": " << failure;
    }
    std::string extended = text;
    extended.replace(extended.find(" 0 1 0 0 100"), 12, " 1 1 0 0 100");
    const double points[][2] = {{25, 1000}, {150, 500}, {300, 2000}, {450, 1000}, {500, 3000}, {600, 5000}};
    for (const auto& pt : points) {
        Outcome out = runCase(withConditions(extended, pt[0], pt[1]), "\n\n\n", "ext");
        EXPECT_TRUE(noReadingError(out.errors)) << pt[0] << " C " << pt[1] << " bar: " << out.errors;
        for (const char* failure : {"Reading", "Bombed", "EXCEEDS", "ERROR"})
            EXPECT_EQ(out.console.find(failure), std::string::npos) << pt[0] << ": " << failure;
    }
}

// The console case of examples/redox (the others are tables for the batch,
// tests/examples/redox_examples_test.cpp): its run input, the options of its
// command line (`arguments`) and the listing it gives (WQLIST.DAT), which the
// guide quotes.
std::string firstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

TEST(Examples, RedoxExamplesGiveTheirListings) {
    for (const char* name : {"seawater-air"}) {
        const fs::path dir = kExamples / "redox" / name;
        const Outcome out = wq::testing::runProgramWith(slurp(dir / "WQCASE.DAT"), slurp(dir / "answers"),
                                                        slurp(kExamples / "LOGKDATA.KDB"),
                                                        std::string("redox-") + name, firstLine(slurp(dir / "arguments")));
        expectCleanRun(out, name);
        EXPECT_NE(out.listing.find("  Redox state: "), std::string::npos) << name;
        EXPECT_EQ(out.listing, slurp(dir / "WQLIST.DAT")) << name;
    }
}

}  // namespace
