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
//   broken                files and streams that misbehave (optional), one a
//                         line: "<output> full" sends an output to /dev/full
//                         (every write fails with "No space left on device");
//                         "console closed" runs with standard output closed;
//                         "console broken-pipe" writes it into a pipe whose
//                         reader is gone, with SIGPIPE ignored (as under many
//                         process supervisors), so every write fails;
//                         "WQCASE.DAT endless" or "stdin endless" reads
//                         /dev/zero, an input without end. A broken output
//                         is not compared; its expected file says "(full)"
//                         or "(closed)".
// Setting WQSPEC_BLESS=1 (and only 1) rewrites expected/ from the actual
// output (review the difference by eye before committing it). A difference is
// reported as a unified diff.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/program_run.hpp"

namespace fs = std::filesystem;
using wq::testing::slurp;
using wq::testing::spit;

namespace {

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

// The files and streams a case breaks, with how: "full", "closed" or "endless".
std::map<std::string, std::string> brokenStreams(const fs::path& caseDir) {
    std::map<std::string, std::string> broken;
    std::istringstream lines(fs::exists(caseDir / "broken") ? slurp(caseDir / "broken") : std::string());
    std::string name, how;
    while (lines >> name >> how) broken[name] = how;
    return broken;
}

std::string consoleRedirection(const std::map<std::string, std::string>& broken) {
    auto it = broken.find("console");
    if (it == broken.end()) return "> console";
    return it->second == "closed" ? ">&-" : "> /dev/full";
}

// Runs the program in `work` with its standard output on a pipe whose read end
// is already closed and SIGPIPE ignored; writes the exit status to "status".
void runIntoBrokenPipe(const fs::path& work, const std::string& input) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[0]);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGPIPE, SIG_IGN);
        if (::chdir(work.c_str()) != 0) ::_exit(126);
        const int in = ::open(input.c_str(), O_RDONLY);
        const int err = ::open("errors", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || err < 0) ::_exit(126);
        ::dup2(in, 0);
        ::dup2(ends[1], 1);
        ::dup2(err, 2);
        ::execl(WQSPEC_EXE, WQSPEC_EXE, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(ends[1]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    spit(work / "status", (WIFEXITED(status) ? std::to_string(WEXITSTATUS(status)) : "signal") + "\n");
}

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

    const std::map<std::string, std::string> broken = brokenStreams(caseDir);
    for (const auto& [name, how] : broken) {
        if (name == "stdin" && how == "endless") input = "/dev/zero";
        if (name == "console" || name == "stdin") continue;
        if (how == "full") fs::create_symlink("/dev/full", work / name);
        if (how == "endless") fs::create_symlink("/dev/zero", work / name);
    }

    auto console = broken.find("console");
    if (console != broken.end() && console->second == "broken-pipe") {
        runIntoBrokenPipe(work, input);
    } else {
        std::string command = "cd '" + work.string() + "' && '" + WQSPEC_EXE + "' < '" + input + "' " +
                              consoleRedirection(broken) + " 2> errors; echo $? > status";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }

    const bool bless = blessing();
    const fs::path expected = caseDir / "expected";
    if (bless) fs::create_directories(expected);
    for (const char* name : kOutputs) {
        auto brokenOutput = broken.find(name);
        std::string actual = brokenOutput != broken.end() ? "(" + brokenOutput->second + ")\n"
                             : fs::exists(work / name)    ? slurp(work / name)
                                                          : std::string("(absent)\n");
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
