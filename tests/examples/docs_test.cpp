// The user guide in docs/ shows run inputs, database entries and output; each
// recipe under docs/recipes runs with the built program on the bundled
// database and converges, and every block of the guide marked
//
//   <!-- input: PATH -->          is the whole file PATH,
//   <!-- excerpt: PATH -->        is a run of consecutive lines of the file PATH,
//   <!-- output: CASE FILE -->    is a run of consecutive lines of the output FILE
//                                 (WQLIST.DAT, WQGRAPH.DAT, Skip_Species.txt or
//                                 console) of the case folder CASE,
//   <!-- help: SUBCOMMAND -->     is a run of consecutive lines of what
//                                 `wqspec SUBCOMMAND --help` prints,
//
// paths relative to the repository. Lines are compared without trailing blanks,
// which the program pads its fixed columns with and editors strip.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/folder.hpp"
#include "support/program_run.hpp"

namespace fs = std::filesystem;
using wq::testing::ProgramRun;
using wq::testing::slurp;

namespace {

const fs::path kRoot = WQSPEC_SOURCE_DIR;
const fs::path kRecipes = kRoot / "docs" / "recipes";
const fs::path kBundledDatabase = kRoot / "examples" / "LOGKDATA.KDB";

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        line.erase(line.find_last_not_of(" \r") + 1);
        lines.push_back(line);
    }
    return lines;
}

bool containsRun(const std::vector<std::string>& haystack, const std::vector<std::string>& run) {
    return !run.empty() && std::search(haystack.begin(), haystack.end(), run.begin(), run.end()) != haystack.end();
}

// A recipe may add entries to the minerals section of the database: its file
// minerals.add goes in front of the section's end entry, the last header line
// with a blank name (preceded by its free line).
fs::path databaseFor(const fs::path& caseDir) {
    if (!fs::exists(caseDir / "minerals.add")) return kBundledDatabase;
    std::vector<std::string> db;
    std::istringstream in(slurp(kBundledDatabase));
    for (std::string line; std::getline(in, line);) db.push_back(line);
    std::size_t end = db.size();
    for (std::size_t i = db.size(); i-- > 1;)
        if (db[i].size() > 20 && db[i].find_first_not_of(' ') >= 20) {
            end = i - 1;
            break;
        }
    EXPECT_LT(end, db.size()) << "no end entry in the minerals section";
    std::vector<std::string> added = linesOf(slurp(caseDir / "minerals.add"));
    db.insert(db.begin() + static_cast<std::ptrdiff_t>(std::min(end, db.size())), added.begin(), added.end());
    const fs::path path = fs::temp_directory_path() / ("wqspec-docs-" + caseDir.filename().string() + ".kdb");
    std::ofstream out(path, std::ios::binary);
    for (const auto& line : db) out << line << '\n';
    return path;
}

// Runs a case folder (WQCASE.DAT, answers, optional minerals.add and arguments) once per test
// program; the guide quotes some cases several times.
const ProgramRun& runOf(const std::string& caseFolder) {
    static std::map<std::string, ProgramRun> runs;
    auto found = runs.find(caseFolder);
    if (found != runs.end()) return found->second;
    const fs::path dir = kRoot / caseFolder;
    const std::string answers = fs::exists(dir / "answers") ? slurp(dir / "answers") : std::string();
    std::string tag = caseFolder;
    std::replace(tag.begin(), tag.end(), '/', '-');
    // The options of the case's command line, when it has any (examples/redox).
    std::string arguments = fs::exists(dir / "arguments") ? slurp(dir / "arguments") : std::string();
    arguments = arguments.substr(0, arguments.find('\n'));
    return runs[caseFolder] = wq::testing::runProgramWith(slurp(dir / "WQCASE.DAT"), answers,
                                                          slurp(databaseFor(dir)), tag, arguments);
}

std::vector<std::string> recipeNames() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(kRecipes))
        if (fs::exists(entry.path() / "WQCASE.DAT")) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class Recipe : public ::testing::TestWithParam<std::string> {};

TEST_P(Recipe, ConvergesAndEndsInTheDialogue) {
    const ProgramRun& run = runOf("docs/recipes/" + GetParam());
    EXPECT_EQ(run.status, 0) << run.errors << run.console.substr(0, 3000);
    EXPECT_EQ(run.errors, "");
    for (const char* failure : {"NON-CONVERGENCE", "ERROR", "WARNING", "Bombed", "EXCEEDS", "NOT FOUND"})
        EXPECT_EQ(run.console.find(failure), std::string::npos) << failure;
    EXPECT_NE(run.listing.find("Number of loops used"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Docs, Recipe, ::testing::ValuesIn(recipeNames()));

struct Quote {
    std::string doc, kind, path, output;
    int line = 0;
    std::vector<std::string> block;
};

std::vector<Quote> quotesIn(const fs::path& doc) {
    static const std::regex marker(R"(<!-- (input|excerpt|output|help): (\S+)(?: (\S+))? -->)");
    std::vector<Quote> quotes;
    std::vector<std::string> lines = linesOf(slurp(doc));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::smatch m;
        if (!std::regex_search(lines[i], m, marker)) continue;
        Quote q{doc.filename().string(), m[1], m[2], m[3], static_cast<int>(i + 1), {}};
        std::size_t j = i + 1;
        if (j < lines.size() && lines[j].rfind("```", 0) == 0)
            for (++j; j < lines.size() && lines[j].rfind("```", 0) != 0; ++j) q.block.push_back(lines[j]);
        quotes.push_back(q);
    }
    return quotes;
}

TEST(Docs, EveryQuotedFileAndOutputIsWhatTheProgramHasAndWrites) {
    int checked = 0;
    for (const char* name : {"run-input.md", "listing.md", "database.md", "redox.md"}) {
        for (const Quote& q : quotesIn(kRoot / "docs" / name)) {
            const std::string where = q.doc + ":" + std::to_string(q.line) + " (" + q.kind + " " + q.path + ")";
            ASSERT_FALSE(q.block.empty()) << where << ": no fenced block after the marker";
            ++checked;
            if (q.kind == "input") {
                EXPECT_EQ(q.block, linesOf(slurp(kRoot / q.path))) << where;
            } else if (q.kind == "excerpt") {
                EXPECT_TRUE(containsRun(linesOf(slurp(kRoot / q.path)), q.block)) << where << " is stale";
            } else if (q.kind == "help") {
                const std::string help = wq::testing::Folder("docs-help").run(q.path + " --help").out;
                EXPECT_TRUE(containsRun(linesOf(help), q.block))
                    << where << " is not what the help says now (tools/refresh-doc-excerpts.py):\n" << help;
            } else {
                const std::string* text = runOf(q.path).output(q.output);
                ASSERT_NE(text, nullptr) << where << ": unknown output " << q.output;
                EXPECT_TRUE(containsRun(linesOf(*text), q.block))
                    << where << " does not match what the program writes now; its " << q.output << ":\n"
                    << *text;
            }
        }
    }
    EXPECT_GE(checked, 15) << "the guide lost its checked quotes";
}

}  // namespace
