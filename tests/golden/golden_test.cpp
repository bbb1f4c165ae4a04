// End-to-end cases: the built program runs in a fresh temporary directory with
// the case's input files and console answers; its console output, error
// output, exit status and every file it writes are compared byte for byte with
// the blessed files of the case.
//
// A case is a folder under tests/golden/ holding:
//   case                  one line saying what the case shows
//   WQCASE.DAT            the run input (absent to test its absence)
//   LOGKDATA.KDB or database   the database, or a file naming one (a path
//                         relative to tests/, e.g. data/small.kdb)
//   stdin                 the console answers (optional)
//   expected/             console, errors, status, WQLIST.DAT, WQGRAPH.DAT,
//                         Skip_Species.txt as they must come out
// Setting WQSPEC_BLESS=1 (and only 1) rewrites expected/ from the actual
// output (review the difference by eye before committing it). A difference is
// reported as a unified diff.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void spit(const fs::path& p, const std::string& text) {
    std::ofstream out(p, std::ios::binary);
    out << text;
}

std::vector<std::string> goldenCases() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(WQSPEC_GOLDEN_DIR))
        if (entry.is_directory() && fs::exists(entry.path() / "case"))
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

fs::path databaseOf(const fs::path& caseDir) {
    if (fs::exists(caseDir / "LOGKDATA.KDB")) return caseDir / "LOGKDATA.KDB";
    if (fs::exists(caseDir / "database")) {
        std::string rel = slurp(caseDir / "database");
        while (!rel.empty() && (rel.back() == '\n' || rel.back() == ' ')) rel.pop_back();
        return fs::path(WQSPEC_GOLDEN_DIR).parent_path() / rel;
    }
    return {};
}

bool blessing() {
    const char* value = std::getenv("WQSPEC_BLESS");
    return value != nullptr && std::string(value) == "1";
}

// The unified diff of the blessed file against the actual one, cut after a
// screenful or two.
std::string unifiedDiff(const fs::path& expected, const fs::path& actual, const fs::path& work) {
    const fs::path out = work / "golden.diff";
    const std::string command =
        "diff -u '" + expected.string() + "' '" + actual.string() + "' > '" + out.string() + "'";
    if (std::system(command.c_str()) == -1) return "(diff could not be run)";
    std::istringstream lines(slurp(out));
    std::string shown, line;
    for (int n = 0; std::getline(lines, line); ++n) {
        if (n == 120) return shown + "... (diff cut)\n";
        shown += line + "\n";
    }
    return shown;
}

// The outputs compared for every case.
const char* const kOutputs[] = {"console", "errors", "status", "WQLIST.DAT", "WQGRAPH.DAT",
                                "Skip_Species.txt"};

class Golden : public ::testing::TestWithParam<std::string> {};

TEST_P(Golden, OutputMatchesBlessedFiles) {
    const fs::path caseDir = fs::path(WQSPEC_GOLDEN_DIR) / GetParam();
    const fs::path work = fs::temp_directory_path() / ("wqspec-golden-" + GetParam() + "-" +
                                                       std::to_string(::getpid()));
    fs::remove_all(work);
    fs::create_directories(work);
    if (fs::exists(caseDir / "WQCASE.DAT")) fs::copy_file(caseDir / "WQCASE.DAT", work / "WQCASE.DAT");
    fs::path db = databaseOf(caseDir);
    if (!db.empty()) fs::copy_file(db, work / "LOGKDATA.KDB");
    fs::path answers = caseDir / "stdin";
    std::string input = fs::exists(answers) ? answers.string() : std::string("/dev/null");

    std::string command = "cd '" + work.string() + "' && '" + WQSPEC_EXE + "' < '" + input +
                          "' > console 2> errors; echo $? > status";
    ASSERT_EQ(std::system(command.c_str()), 0);

    const bool bless = blessing();
    const fs::path expected = caseDir / "expected";
    if (bless) fs::create_directories(expected);
    for (const char* name : kOutputs) {
        std::string actual = fs::exists(work / name) ? slurp(work / name) : std::string("(absent)\n");
        if (bless) {
            spit(expected / name, actual);
            continue;
        }
        ASSERT_TRUE(fs::exists(expected / name)) << "no blessed " << name << " for " << GetParam();
        if (actual == slurp(expected / name)) continue;
        const fs::path actualFile = work / (std::string("actual-") + name);
        spit(actualFile, actual);
        ADD_FAILURE() << name << " differs in case " << GetParam() << ":\n"
                      << unifiedDiff(expected / name, actualFile, work);
    }
    fs::remove_all(work);
}

INSTANTIATE_TEST_SUITE_P(Cases, Golden, ::testing::ValuesIn(goldenCases()),
                         [](const ::testing::TestParamInfo<std::string>& param) {
                             std::string n = param.param;
                             for (char& c : n)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return n;
                         });

}  // namespace
