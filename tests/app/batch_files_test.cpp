// The files of a batch: an input that is no regular file is refused at
// once; an output takes its name only when complete, an interrupted batch
// leaves its whole records under a partial name, an input is never
// overwritten, a full disk leaves nothing half written; the worker threads
// stay within bounds and a thread that cannot start is not fatal.
// The built program runs in a folder of its own, as a user would run it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/folder.hpp"
#include "support/program_run.hpp"
#include "text/csv.hpp"

namespace wq {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testing::Command;

const fs::path SOURCE = WQSPEC_SOURCE_DIR;

// A folder of its own for a test, with the seawater template and the database.
class Folder : public testing::SeawaterFolder {
public:
    explicit Folder(const std::string& tag) : testing::SeawaterFolder("files-" + tag) {}
};

// `count` sodium chloride waters at temperatures from 20 C up.
std::string waters(int count) {
    std::string table = "name,T,pH,Na+ [mmol/kgw],Cl- [mmol/kgw]\n";
    for (int k = 0; k < count; ++k)
        table += "w" + std::to_string(k) + "," + std::to_string(20 + k % 300) + ",7.5," + std::to_string(10 + k % 50) +
                 "," + std::to_string(10 + k % 50) + "\n";
    return table;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

// The file names of the folder as `ls -A` shows them, one a line.
std::string onlyFiles(std::initializer_list<const char*> names) {
    std::vector<std::string> sorted(names.begin(), names.end());
    std::sort(sorted.begin(), sorted.end());
    std::string list;
    for (const std::string& n : sorted) list += n + "\n";
    return list;
}

// --- inputs ------------------------------------------------------------------

// The table, the template or the database as a FIFO is not waited on, as a
// device is not read up to the bound: each is refused at once with what it is.
TEST(BatchFiles, InputsThatAreNoRegularFilesAreRefusedAtOnce) {
    Folder folder("fifo");
    folder.write("t.csv", waters(1));
    ASSERT_EQ(::mkfifo((folder.path() / "fifo").c_str(), 0600), 0);
    const struct {
        std::string args, message;
    } cases[] = {
        {"fifo", "wqspec: cannot open the table of waters fifo: a FIFO (a named pipe), not a regular file\n"},
        {"t.csv --case fifo", "wqspec: cannot open the template fifo: a FIFO (a named pipe), not a regular file\n"},
        {"t.csv --db fifo", "wqspec: cannot read the database fifo: a FIFO (a named pipe), not a regular file\n"},
        {"t.csv --db /dev/zero", "wqspec: cannot read the database /dev/zero: a character device, not a regular file\n"},
        {"t.csv --case .", "wqspec: cannot open the template .: a directory, not a regular file\n"},
    };
    for (const auto& c : cases) {
        const Command run = folder.run("batch " + c.args, "/dev/null", "", 20);
        EXPECT_EQ(run.status, 2) << c.args;
        EXPECT_EQ(run.err, c.message);
    }
}

// --- outputs never replace an input ------------------------------------

// However the output is spelled (the same name, ./name, a hard link, a
// symbolic link), it may not be the table, the template or the database:
// the batch refuses before it reads anything, and every input stays.
TEST(BatchFiles, NeverReplacesAnInputHoweverItIsSpelled) {
    Folder folder("inputs");
    folder.write("t.csv", waters(2));
    ASSERT_EQ(::link((folder.path() / "t.csv").c_str(), (folder.path() / "hard.csv").c_str()), 0);
    fs::create_symlink("t.csv", folder.path() / "soft.csv");
    fs::create_symlink("WQCASE.DAT", folder.path() / "case.csv");
    fs::create_symlink("LOGKDATA.KDB", folder.path() / "db.json");
    const std::string table = folder.read("t.csv");
    const std::string templ = folder.read("WQCASE.DAT");
    const struct {
        std::string out, message;
    } cases[] = {
        {"t.csv", "wqspec: --out t.csv is the table of waters (t.csv); the results go elsewhere\n"},
        {"./t.csv", "wqspec: --out ./t.csv is the table of waters (t.csv); the results go elsewhere\n"},
        {"hard.csv", "wqspec: --out hard.csv is the table of waters (t.csv); the results go elsewhere\n"},
        {"soft.csv", "wqspec: --out soft.csv is the table of waters (t.csv); the results go elsewhere\n"},
        {"case.csv", "wqspec: --out case.csv is the template (WQCASE.DAT); the results go elsewhere\n"},
        {"db.json", "wqspec: --out db.json is the database (LOGKDATA.KDB); the results go elsewhere\n"},
    };
    for (const auto& c : cases) {
        const Command run = folder.run("batch t.csv --case WQCASE.DAT --out " + c.out);
        EXPECT_EQ(run.status, 2) << c.out;
        EXPECT_EQ(run.err, c.message);
        EXPECT_EQ(folder.read("t.csv"), table);
        EXPECT_EQ(folder.read("WQCASE.DAT"), templ);
    }
    EXPECT_EQ(fs::file_size(folder.path() / "LOGKDATA.KDB"), fs::file_size(SOURCE / "examples" / "LOGKDATA.KDB"));
}

// --- an output takes its name only when complete -------------------------

// A batch that cannot start leaves the output of the last good batch as it
// was, and no temporary file behind.
TEST(BatchFiles, ABatchThatCannotStartLeavesThePreviousOutput) {
    Folder folder("previous");
    folder.write("t.csv", waters(2));
    folder.write("bad.csv", "name,T,Na+ [furlongs]\nw,25,1\n");
    ASSERT_EQ(folder.run("batch t.csv --out out.csv").status, 0);
    ASSERT_EQ(folder.run("batch t.csv --out out.json").status, 0);
    const std::string csv = folder.read("out.csv"), records = folder.read("out.json");
    for (const std::string args : {"batch bad.csv --out out.csv", "batch t.csv --case missing.dat --out out.json",
                                   "batch t.csv --db missing.kdb --out out.csv", "batch t.csv --jobs 0 --out out.csv"}) {
        const Command run = folder.run(args);
        EXPECT_EQ(run.status, 2) << args;
        EXPECT_EQ(folder.read("out.csv"), csv) << args;
        EXPECT_EQ(folder.read("out.json"), records) << args;
    }
    EXPECT_EQ(folder.listing(), onlyFiles({"LOGKDATA.KDB", "WQCASE.DAT", "bad.csv", "out.csv", "out.json", "t.csv"}));
}

// Ctrl-C or SIGTERM: the workers finish the waters in progress, and the
// records done, whole and in the table's order, go to OUT.partial.csv (a
// closed JSON array in OUT.partial.json) beside OUT, which is left as it
// was; a job array's join of the OUT files cannot take them for complete. A
// second interrupted batch does not replace the first partial file.
TEST(BatchFiles, AnInterruptedBatchLeavesItsRecordsUnderAPartialName) {
    Folder folder("interrupt");
    folder.write("big.csv", waters(40000));
    for (const std::string out : {"out.csv", "out.json"}) {
        SCOPED_TRACE(out);
        folder.write(out, "the last good output\n");
        const std::string stem = out.substr(0, 3), extension = out.substr(3);
        for (const std::string& partial : {stem + ".partial" + extension, stem + ".partial-2" + extension}) {
            const pid_t pid = ::fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                if (::chdir(folder.path().c_str()) != 0) ::_exit(126);
                std::freopen(".stderr", "w", stderr);
                std::freopen("/dev/null", "w", stdout);
                ::execl(WQSPEC_EXE, WQSPEC_EXE, "batch", "big.csv", "--out", out.c_str(), "--jobs", "2",
                        static_cast<char*>(nullptr));
                ::_exit(127);
            }
            // Interrupted once a few records stand in its temporary file.
            for (int k = 0; k < 600; ++k) {
                std::uintmax_t written = 0;
                std::error_code ec;
                for (const auto& e : fs::directory_iterator(folder.path(), ec))
                    if (e.path().filename().string().rfind("." + out + ".", 0) == 0) {
                        const std::uintmax_t size = fs::file_size(e.path(), ec);
                        if (!ec) written = size;
                    }
                if (written > 20000) break;
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            // The second by a hangup of the terminal, which stops it as Ctrl-C does.
            ASSERT_EQ(::kill(pid, partial.find("-2") == std::string::npos ? SIGINT : SIGHUP), 0);
            int raw = 0;
            ASSERT_EQ(::waitpid(pid, &raw, 0), pid);
            ASSERT_TRUE(WIFEXITED(raw)) << "ended by a signal";
            EXPECT_EQ(WEXITSTATUS(raw), 1);
            EXPECT_EQ(folder.read(out), "the last good output\n");
            ASSERT_TRUE(folder.has(partial)) << folder.listing();
            const std::string err = folder.read(".stderr");
            EXPECT_NE(err.find("; their records are in " + partial + " (" + out + " is left as it was)\n"),
                      std::string::npos)
                << err;
            std::vector<std::string> names;
            if (extension == ".json") {
                for (const json& r : json::parse(folder.read(partial))) names.push_back(r["name"]);
            } else {
                const std::vector<std::string> rows = linesOf(folder.read(partial));
                ASSERT_GT(rows.size(), 1u);
                EXPECT_EQ(rows[0].rfind("name,status,", 0), 0u);
                for (std::size_t k = 1; k < rows.size(); ++k) {
                    names.push_back(rows[k].substr(0, rows[k].find(',')));
                    // "converged" or "converged by the joint solve": a whole record.
                    EXPECT_NE(rows[k].find(",converged"), std::string::npos) << "a whole record: " << rows[k];
                }
            }
            ASSERT_GT(names.size(), 0u);
            ASSERT_LT(names.size(), 40000u) << "the batch ended before the interrupt; give it more waters";
            for (std::size_t k = 0; k < names.size(); ++k) EXPECT_EQ(names[k], "w" + std::to_string(k));
            EXPECT_NE(err.find("interrupted after " + std::to_string(names.size()) + " of 40000 waters"),
                      std::string::npos)
                << err;
        }
    }
    // No temporary file is left behind.
    EXPECT_EQ(folder.listing(), onlyFiles({".stderr", "LOGKDATA.KDB", "WQCASE.DAT", "big.csv", "out.csv", "out.json",
                                           "out.partial-2.csv", "out.partial-2.json", "out.partial.csv",
                                           "out.partial.json"}));
}

// A disk that takes no more bytes (here a file size limit of 512 bytes, its
// signal ignored, so that a write past it fails with "File too large"; the
// error stream's file stays below it): the batch says why it cannot write,
// and the last good output stays.
const std::string FULL_DISK = "trap '' XFSZ; ulimit -f 1";

TEST(BatchFiles, AFullDiskLeavesThePreviousOutputAndSaysWhy) {
    Folder folder("full");
    folder.write("t.csv", waters(3));
    const std::string& full = FULL_DISK;
    for (const std::string out : {"out.csv", "out.json"}) {
        folder.write(out, "the last good output\n");
        const Command run = folder.run("batch t.csv --out " + out, "/dev/null", full);
        EXPECT_NE(run.status, 0) << out;
        EXPECT_NE(run.err.find("cannot write " + out + ": File too large"), std::string::npos) << run.err;
        EXPECT_EQ(folder.read(out), "the last good output\n");
    }
    EXPECT_EQ(folder.listing(), onlyFiles({"LOGKDATA.KDB", "WQCASE.DAT", "out.csv", "out.json", "t.csv"}));
}

// --- worker threads -------------------------------------------------------

TEST(BatchFiles, JobsAreAWholeNumberFromOneAndStayWithinBounds) {
    Folder folder("jobs");
    folder.write("t.csv", waters(5));
    const Command one = folder.run("batch t.csv --jobs 1");
    ASSERT_EQ(one.status, 0) << one.err;
    const struct {
        std::string jobs, message;
    } refused[] = {
        {"0", "wqspec: --jobs 0: there must be at least one thread\n"},
        {"-3", "wqspec: --jobs -3: there must be at least one thread\n"},
        {"two", "wqspec: --jobs two: not a whole number of threads\n"},
        {"1.5", "wqspec: --jobs 1.5: not a whole number of threads\n"},
        {"99999999999999999999999", "wqspec: --jobs 99999999999999999999999: not a whole number of threads\n"},
    };
    for (const auto& c : refused) {
        const Command run = folder.run("batch t.csv --jobs " + c.jobs);
        EXPECT_EQ(run.status, 2) << c.jobs;
        EXPECT_EQ(run.err, c.message);
        EXPECT_EQ(run.out, "");
    }
    // Far more threads than cores: a few per core, no more than the waters.
    const Command many = folder.run("batch t.csv --jobs 100000");
    EXPECT_EQ(many.status, 0) << many.err;
    EXPECT_EQ(many.out, one.out);
    EXPECT_NE(many.err.find("wqspec: note: --jobs 100000 is more than 4 threads per core; at most "), std::string::npos)
        << many.err;
}

// A thread that cannot be started (here: a stack limit no thread's stack
// fits in) is not fatal: with none started the calling thread computes
// every water, and the records are those of --jobs 1.
TEST(BatchFiles, AThreadThatCannotStartIsNotFatal) {
    if (testing::SANITIZED_BUILD) GTEST_SKIP() << "the sanitizers need the address space the limit takes";
    // Where the system grants any mapping (overcommit 1), the stacks fit.
    if (testing::slurp("/proc/sys/vm/overcommit_memory") == "1\n") GTEST_SKIP() << "every thread's stack is granted";
    Folder folder("threads");
    folder.write("t.csv", waters(6));
    const Command one = folder.run("batch t.csv --jobs 1");
    ASSERT_EQ(one.status, 0) << one.err;
    const Command none = folder.run("batch t.csv --jobs 4", "/dev/null", "ulimit -s 4000000000");
    EXPECT_EQ(none.status, 0) << none.err;
    EXPECT_EQ(none.err, "wqspec: note: 0 of 4 threads could be started; the waters are computed one by one\n");
    EXPECT_EQ(none.out, one.out);
}

// --- text that is not UTF-8 ------------------------------------------------

// A failed row whose name or cell is Latin-1 (as spreadsheets write it): the
// JSON output is whole and parseable, on any number of threads, the text
// carried with replacement characters.
TEST(BatchFiles, TextThatIsNotUtf8NeverAbortsTheOutput) {
    Folder folder("latin1");
    folder.write("t.csv",
                 "name,T,pH,Na+ [mmol/kgw],Cl- [mmol/kgw]\n"
                 "good,25,7.5,10,10\n"
                 "caf\xE9,warm,7.5,10,10\n"
                 "\xFF\xFE,25,7.5,-1,10\n"
                 "50 \xB0" "C,25,7.5,10,10\n");
    for (const std::string jobs : {"1", "3"}) {
        const Command run = folder.run("batch t.csv --out t.json --jobs " + jobs);
        EXPECT_EQ(run.status, 1) << run.err;
        const json records = json::parse(folder.read("t.json"));
        ASSERT_EQ(records.size(), 4u);
        EXPECT_EQ(records[1]["name"], "caf\uFFFD");
        EXPECT_EQ(records[1]["status"], "row on line 3, column \"T\": \"warm\" is not a number");
        EXPECT_EQ(records[2]["name"], "\uFFFD\uFFFD");
        EXPECT_EQ(records[3]["name"], "50 \uFFFDC");
        EXPECT_EQ(records[3]["status"], "converged");
        const Command csv = folder.run("batch t.csv --jobs " + jobs);
        EXPECT_TRUE(validUtf8(csv.out));
        EXPECT_NE(csv.out.find("\ncaf\uFFFD,\"row on line 3"), std::string::npos) << csv.out;
    }
}

// --- the command line --------------------------------------------------------

TEST(BatchFiles, TheExtensionOfOutInAnyCaseAndAnEmptyFolderRefused) {
    Folder folder("names");
    folder.write("t.csv", waters(1));
    ASSERT_EQ(folder.run("batch t.csv --out X.CSV").status, 0);
    EXPECT_EQ(folder.read("X.CSV").rfind("name,status,", 0), 0u);
    ASSERT_EQ(folder.run("batch t.csv --out X.Json").status, 0);
    EXPECT_EQ(json::parse(folder.read("X.Json")).size(), 1u);
    const Command empty = folder.run("batch t.csv --write-cases ''");
    EXPECT_EQ(empty.status, 2);
    EXPECT_EQ(empty.err, "wqspec: --write-cases needs the name of a folder\n");
    EXPECT_EQ(empty.out, "") << "nothing is computed to standard output";
}

// --- the results file of the console program ---------------------------------

// --results: the file takes its name when the program ends in order; an
// interrupt while the dialogue waits leaves the previous file and no
// temporary; it may not be one of the program's own files.
TEST(ResultsFile, TakesItsNameAtTheEndAndAnInterruptLeavesThePrevious) {
    Folder folder("results");
    folder.write("runs.json", "the last good records\n");
    // SIGPIPE as when the reader of the console's lines is gone.
    for (int signal : {SIGTERM, SIGPIPE}) {
        SCOPED_TRACE(signal);
        int answers[2];
        ASSERT_EQ(::pipe(answers), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            // Standard input stays open and empty: the dialogue waits.
            ::dup2(answers[0], 0);
            ::close(answers[1]);
            if (::chdir(folder.path().c_str()) != 0) ::_exit(126);
            std::freopen("/dev/null", "w", stdout);
            ::execl(WQSPEC_EXE, WQSPEC_EXE, "--results", "runs.json", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(answers[0]);
        // The program waits in the dialogue once its first run is in the listing.
        for (int k = 0; k < 1500 && folder.read("WQLIST.DAT").find("Number of loops used") == std::string::npos; ++k)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        ASSERT_EQ(::kill(pid, signal), 0);
        int raw = 0;
        ASSERT_EQ(::waitpid(pid, &raw, 0), pid);
        ::close(answers[1]);
        EXPECT_TRUE(WIFSIGNALED(raw) && WTERMSIG(raw) == signal) << "ended as the signal ends it";
        EXPECT_EQ(folder.read("runs.json"), "the last good records\n");
        EXPECT_EQ(folder.listing().find(".runs.json."), std::string::npos) << folder.listing();
    }

    // Ended in order, the file holds the records.
    const Command done = folder.run("--results runs.json");
    EXPECT_EQ(done.status, 0) << done.err;
    EXPECT_EQ(json::parse(folder.read("runs.json")).size(), 1u);
    const std::string templ = folder.read("WQCASE.DAT");
    for (const char* own : {"WQCASE.DAT", "./LOGKDATA.KDB", "WQLIST.DAT"}) {
        const Command refused = folder.run(std::string("--results ") + own);
        EXPECT_EQ(refused.status, 1) << own;
        EXPECT_NE(refused.err.find(std::string("wqspec: --results ") + own + " is "), std::string::npos) << refused.err;
    }
    EXPECT_EQ(folder.read("WQCASE.DAT"), templ);
    EXPECT_EQ(fs::file_size(folder.path() / "LOGKDATA.KDB"), fs::file_size(SOURCE / "examples" / "LOGKDATA.KDB"));
}

// --- --write-cases -------------------------------------------------------------

// A name longer than a file system takes for a folder is cut, and kept
// unique: every row gets its folder, none is left half done.
TEST(WriteCases, LongNamesAreCutToFolderNamesThatStayUnique) {
    Folder folder("long");
    const std::string a(300, 'a');
    folder.write("t.csv", "name,T,pH\n" + a + ",25,7\n" + a + "b,30,7\n");
    const Command run = folder.run("batch t.csv --write-cases cases");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "wqspec: wrote 2 run inputs in cases\n");
    const std::string first = folder.read("cases/" + std::string(100, 'a') + "/WQCASE.DAT");
    const std::string second = folder.read("cases/" + std::string(100, 'a') + "-2/WQCASE.DAT");
    EXPECT_EQ(first.substr(0, first.find('\n')), std::string(80, 'a')) << "the title holds the first 80 bytes";
    EXPECT_NE(second.find(" 30 "), std::string::npos);
}

// A name of two lines would shift every line of its run input: the row is
// refused with its reason, no folder is written for it, the others are.
TEST(WriteCases, ANameOfTwoLinesIsRefusedForItsRowAlone) {
    Folder folder("newline");
    folder.write("t.csv", "name,T,pH\n\"two\nlines\",25,7\nplain,25,7\n");
    const Command run = folder.run("batch t.csv --write-cases cases");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "wqspec: row on line 2: the name holds a control character (a line end or a tab); a name "
              "is one line\nwqspec: wrote 1 run inputs in cases\n");
    EXPECT_TRUE(folder.has("cases/plain/WQCASE.DAT"));
    EXPECT_FALSE(folder.has("cases/two_lines"));
    const Command batch = folder.run("batch t.csv --out out.json");
    EXPECT_EQ(batch.status, 1);
    const json records = json::parse(folder.read("out.json"));
    EXPECT_EQ(records[0]["name"], "two\nlines");
    EXPECT_EQ(records[0]["status"],
              "row on line 2: the name holds a control character (a line end or a tab); a name is one line");
    EXPECT_EQ(records[1]["status"], "converged");
}

// On a full disk no empty or cut WQCASE.DAT is left, and the line says why;
// a run input is never written over an input of the batch.
TEST(WriteCases, NothingHalfWrittenAndNoInputReplaced) {
    Folder folder("cases-full");
    folder.write("t.csv", waters(2));
    const Command full = folder.run("batch t.csv --write-cases cases", "/dev/null", FULL_DISK);
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.err, "wqspec: cannot write cases/w0/WQCASE.DAT: File too large; 0 run inputs written before it\n");
    ASSERT_TRUE(folder.has("cases/w0"));
    EXPECT_TRUE(fs::is_empty(folder.path() / "cases" / "w0")) << "no WQCASE.DAT, no temporary file";

    fs::create_directories(folder.path() / "cases" / "w1");
    folder.copy(folder.path() / "WQCASE.DAT", "cases/w1/WQCASE.DAT");
    const std::string templ = folder.read("cases/w1/WQCASE.DAT");
    const Command over = folder.run("batch t.csv --case cases/w1/WQCASE.DAT --write-cases cases");
    EXPECT_EQ(over.status, 1);
    EXPECT_EQ(over.err,
              "wqspec: cannot write cases/w1/WQCASE.DAT: it is the template (cases/w1/WQCASE.DAT); 1 run inputs "
              "written before it\n");
    EXPECT_EQ(folder.read("cases/w1/WQCASE.DAT"), templ);
}

}  // namespace
}  // namespace wq
