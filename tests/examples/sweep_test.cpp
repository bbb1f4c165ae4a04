// wqspec sweep against the console program: every converged row of a sweep
// holds, to every printed digit, what the listing shows when the same water is
// carried through the dialogue to the same temperatures; failed rows say why
// and the sweep goes on; bad options end it with a clear message.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/folder.hpp"
#include "support/program_run.hpp"
#include "text/csv.hpp"
#include "text/layout.hpp"

namespace fs = std::filesystem;
using wq::testing::slurp;

namespace {

const fs::path kExamples = fs::path(WQSPEC_SOURCE_DIR) / "examples";
const fs::path kSweepCase = kExamples / "geothermal" / "sweep" / "WQCASE.DAT";

// `wqspec sweep ARGS` in a fresh directory holding the run input and database.
struct SweepRun {
    int status = -1;
    std::string out, errors, table;
};

SweepRun runSweep(const std::string& caseText, const std::string& database, const std::string& args,
                  const std::string& tag) {
    const wq::testing::ProgramRun run =
        wq::testing::runProgramWith(caseText, "", database, "sweep-" + tag, "sweep " + args, "sweep.csv");
    return {run.status, run.console, run.errors, run.extra};
}

using Row = std::map<std::string, std::string>;

// The data rows of a sweep table, comment lines left out.
std::vector<Row> rowsOf(const std::string& table) {
    std::string body;
    std::istringstream in(table);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("#", 0) != 0) body += line + "\n";
    wq::CsvReader reader(body);
    std::string error;
    std::vector<std::string> header;
    std::vector<Row> rows;
    while (auto record = reader.next(error)) {
        if (header.empty()) {
            header = record->fields;
            continue;
        }
        Row row;
        for (std::size_t i = 0; i < header.size() && i < record->fields.size(); ++i)
            row[header[i]] = record->fields[i];
        rows.push_back(row);
    }
    EXPECT_EQ(error, "");
    return rows;
}

std::string printed(const char* layout, std::initializer_list<wq::Value> values) {
    std::string s = wq::Layout(layout).write(values);
    if (!s.empty() && s.back() == '\n') s.pop_back();
    return s;
}

// The result blocks of a listing, one per run, each up to the next.
std::vector<std::string> resultBlocks(const std::string& listing) {
    std::vector<std::string> blocks;
    const std::string mark = "Number of loops used = ";
    for (std::size_t at = listing.find(mark); at != std::string::npos;) {
        const std::size_t next = listing.find(mark, at + 1);
        blocks.push_back(listing.substr(at, next == std::string::npos ? std::string::npos : next - at));
        at = next;
    }
    return blocks;
}

bool hasLine(const std::string& block, const std::string& line) {
    std::istringstream in(block);
    for (std::string l; std::getline(in, l);)
        if (l == line) return true;
    return false;
}

// The line of the saturation report for one mineral (it also stands in the
// plot file, but there with other layouts).
std::string mineralLine(const std::string& block, const std::string& name) {
    const std::string head = printed("(2X,A20)", {name});
    std::istringstream in(block);
    for (std::string l; std::getline(in, l);)
        if (l.rfind(head, 0) == 0 && l.size() == 55) return l;
    return "";
}

// Every number of the row, written with the layout the listing uses for it,
// stands in the listing's block of the same run.
void expectRowInBlock(const Row& row, const std::string& block) {
    const double t = std::stod(row.at("T [C]"));
    const std::string where = "row at " + row.at("T [C]") + " C: ";
    EXPECT_EQ(row.at("status").rfind("converged", 0), 0u) << where;
    EXPECT_EQ(block.rfind(printed("('Number of loops used = ',I3)", {std::stoi(row.at("loops"))}), 0), 0u) << where;
    EXPECT_TRUE(hasLine(block, printed("(2X,'Temperature: ',F6.2,'  Degrees C.    Pressure:',F8.3,' Bars')",
                                       {t, std::stod(row.at("P [bar]"))})))
        << where << "temperature line";
    EXPECT_NE(block.find("  Ionic Strength = " + printed("(E12.7)", {std::stod(row.at("I [mol/kgw]"))})),
              std::string::npos)
        << where << "ionic strength";
    const std::size_t hRow = block.find("\n   1 H+  ");
    ASSERT_NE(hRow, std::string::npos) << where;
    EXPECT_EQ(block.substr(hRow + 1 + 55, 10), printed("(F10.4)", {-std::stod(row.at("pH"))})) << where << "pH";
    int minerals = 0;
    for (const auto& [column, value] : row) {
        if (column.rfind("SI(", 0) != 0 || value.empty()) continue;
        const std::string name = column.substr(3, column.size() - 4);
        const std::string line = mineralLine(block, name);
        ASSERT_FALSE(line.empty()) << where << name << " is not in the listing";
        EXPECT_EQ(line.substr(line.size() - 9), printed("(F9.4)", {std::stod(value)})) << where << name;
        ++minerals;
    }
    EXPECT_GT(minerals, 50) << where;
}

// The console answers that take the dialogue to each temperature in turn
// (pH computed), then end the program.
std::string dialogueTo(const std::vector<double>& temperatures) {
    std::string answers;
    for (double t : temperatures) answers += "y\n" + std::to_string(t) + "\n\n";
    return answers + "\n\n";
}

std::vector<Row> sweepRowsOnly(const std::vector<Row>& rows) {
    std::vector<Row> sweep;
    for (const Row& r : rows)
        if (r.at("run") == "sweep") sweep.push_back(r);
    return sweep;
}

// The same water, aluminium fixed by K-feldspar, through the dialogue and
// through the sweep at 100, 200 and 300 C.
TEST(Sweep, RowsEqualTheDialoguesListings) {
    const std::string caseText = slurp(kSweepCase);
    const std::string database = slurp(kExamples / "LOGKDATA.KDB");
    const SweepRun sweep = runSweep(caseText, database, "--from 100 --to 300 --step 100", "equal");
    ASSERT_EQ(sweep.status, 0) << sweep.errors;
    const std::vector<Row> rows = rowsOf(sweep.table);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].at("run"), "input");
    const wq::testing::ProgramRun console =
        wq::testing::runProgram(caseText, dialogueTo({100, 200, 300}), kExamples / "LOGKDATA.KDB", "sweep-equal");
    ASSERT_EQ(console.status, 0) << console.errors;
    const std::vector<std::string> blocks = resultBlocks(console.listing);
    ASSERT_EQ(blocks.size(), 4u);
    for (std::size_t k = 0; k < rows.size(); ++k) expectRowInBlock(rows[k], blocks[k]);
    EXPECT_NE(sweep.table.find("\n# estimate: "), std::string::npos);
    EXPECT_NE(sweep.table.find("\n# forced mineral: K-Feldspar fixes Al+++"), std::string::npos);
}

// The bundled database with one more mineral entry, put before the end entry
// of the minerals (the last line whose name columns are blank).
std::string withMineral(const std::vector<std::string>& entry) {
    std::vector<std::string> lines;
    std::istringstream in(slurp(kExamples / "LOGKDATA.KDB"));
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    std::size_t end = 0;
    for (std::size_t k = 0; k < lines.size(); ++k)
        if (lines[k].size() > 20 && lines[k].find_first_not_of(' ') >= 20) end = k;
    lines.insert(lines.begin() + static_cast<long>(end - 1), entry.begin(), entry.end());
    std::string database;
    for (const std::string& l : lines) database += l + "\n";
    return database;
}

// A sodium sulfate made for this test holds the sulfate of the water: its
// log K falls from -2 at 250 C to -7.5 at 300 C, and up to 290 C the sulfate
// it would hold is more than the water's chloride balance can take: neither
// the iteration (in 11 loops) nor the joint solve finds a solution there.
// Those rows say so, and each next temperature starts from the state of the
// last converged run, which is the dialogue that skips the failed
// temperatures. The run input is at 320 C, where the sulfate is small.
TEST(Sweep, FailedRunsAreRecordedAndTheChainGoesOnFromTheLastConvergedRun) {
    std::string caseText = slurp(kSweepCase);
    const std::size_t options = caseText.find(" 0 1 0 0 100 3 0 1 0 0 0");
    ASSERT_NE(options, std::string::npos);
    caseText.replace(options, 12, " 0 1 0 0  11");
    caseText.replace(caseText.find("  250.0  "), 9, "  320.0  ");
    caseText += "Na2SO4,test            4     0.000\n";
    const std::string database = withMineral({
        "Na2SO4 with data made for a test",
        "Na2SO4,test          Na2SO4                                        0  53.000              L-V ",
        "Na2SO4 = 2 Na+ + SO4--",
        "  2    2.000 13    1.000  4",
        "-9.0 -9.0 -9.0 -9.0 -9.0 -2.0 -7.5 -10.0"});
    const SweepRun sweep = runSweep(caseText, database, "--from 275 --to 300 --step 5", "limit");
    EXPECT_EQ(sweep.status, 1) << sweep.errors;
    const std::vector<Row> rows = sweepRowsOnly(rowsOf(sweep.table));
    ASSERT_EQ(rows.size(), 6u);
    std::vector<double> converged;
    std::vector<Row> convergedRows;
    int failed = 0;
    for (const Row& r : rows) {
        if (r.at("status").rfind("converged", 0) == 0) {
            converged.push_back(std::stod(r.at("T [C]")));
            convergedRows.push_back(r);
            continue;
        }
        ++failed;
        EXPECT_FALSE(r.at("status").empty());
        EXPECT_EQ(r.at("pH"), "");
        EXPECT_EQ(r.at("SI(Quartz)"), "");
    }
    ASSERT_GT(failed, 0) << "no temperature fails any more; raise the mineral's log K";
    ASSERT_GT(converged.size(), 1u);
    ASSERT_NE(rows.front().at("status").rfind("converged", 0), 0u)
        << "a failure before a converged run is what is tested";
    const std::string dir = "sweep-limit";
    const wq::testing::ProgramRun console =
        wq::testing::runProgramWith(caseText, dialogueTo(converged), database, dir, "");
    ASSERT_EQ(console.status, 0) << console.errors;
    const std::vector<std::string> blocks = resultBlocks(console.listing);
    ASSERT_EQ(blocks.size(), converged.size() + 1);
    for (std::size_t k = 0; k < convergedRows.size(); ++k) expectRowInBlock(convergedRows[k], blocks[k + 1]);
}

// A forced mineral whose data end at 200 C (a short table) cannot be found
// beyond 250 C: those runs stop with the program's message, which their rows
// keep, and the sweep still writes its table.
TEST(Sweep, ARunThatStopsIsARowThatSaysWhy) {
    const std::string database = withMineral({
        "K-feldspar with data to 200 C only, for a test",
        "K-Feldspar,short     K(AlSi3)O8                                    0 108.870              L-V ",
        "K(AlSi3)O8 = K+ + Al+++ + 3 SiO2 + 2 H2O - 4 H+",
        "  5   -4.000  1    2.000  2    3.000 11    1.000 12    1.000 14",
        "-0.9599 -1.3196 -2.2603 -3.1346 -3.9045 99999.999 99999.999 99999.999"});
    std::string caseText = slurp(kSweepCase);
    caseText.replace(caseText.find("K-Feldspar            14"), 24, "K-Feldspar,short      14");
    const SweepRun sweep = runSweep(caseText, database, "--from 150 --to 350 --step 50", "stop");
    EXPECT_EQ(sweep.status, 1) << sweep.errors;
    const std::vector<Row> rows = sweepRowsOnly(rowsOf(sweep.table));
    ASSERT_EQ(rows.size(), 5u);
    for (const Row& r : rows) {
        const double t = std::stod(r.at("T [C]"));
        if (t <= 250.0) {
            EXPECT_EQ(r.at("status"), "converged") << t;
        } else {
            EXPECT_EQ(r.at("status"), "forced mineral K-Feldspar,short not found among the minerals of the run") << t;
        }
    }
}

struct BadOptions {
    const char* what;
    const char* args;
    const char* message;
};

// The charge balance is the run input's (on Cl-, its pH 6.0 fixed) unless
// --balance says otherwise: none computes the water as analysed (the same
// pH, another Cl- total and so other SI), pH computes the pH from
// electroneutrality.
TEST(Sweep, TheChargeBalanceIsTheRunInputsUnlessTheOptionChoosesAnother) {
    const std::string caseText = slurp(kSweepCase);
    const std::string database = slurp(kExamples / "LOGKDATA.KDB");
    const std::string range = "--from 150 --to 250 --step 50";
    const SweepRun own = runSweep(caseText, database, range, "balance-own");
    const SweepRun onCl = runSweep(caseText, database, range + " --balance Cl-", "balance-cl");
    const SweepRun none = runSweep(caseText, database, range + " --balance none", "balance-none");
    const SweepRun pH = runSweep(caseText, database, range + " --balance pH", "balance-ph");
    for (const SweepRun* run : {&own, &onCl, &none, &pH}) ASSERT_EQ(run->status, 0) << run->errors;
    EXPECT_EQ(onCl.table, own.table);
    const std::vector<Row> ownRows = rowsOf(own.table), noneRows = rowsOf(none.table), pHRows = rowsOf(pH.table);
    ASSERT_EQ(ownRows.size(), 4u);
    ASSERT_EQ(noneRows.size(), 4u);
    ASSERT_EQ(pHRows.size(), 4u);
    EXPECT_EQ(std::stod(ownRows[0].at("pH")), 6.0);
    EXPECT_EQ(std::stod(noneRows[0].at("pH")), 6.0);
    EXPECT_NE(noneRows[0].at("SI(Halite)"), ownRows[0].at("SI(Halite)"));
    EXPECT_GT(std::fabs(std::stod(pHRows[0].at("pH")) - 6.0), 0.01);
}

TEST(Sweep, BadOptionsEndWithAClearMessage) {
    const std::string caseText = slurp(kSweepCase);
    const std::string database = slurp(kExamples / "LOGKDATA.KDB");
    const BadOptions cases[] = {
        {"unknown mineral", "--minerals Quartz,Unobtainium", "unknown mineral Unobtainium: not in LOGKDATA.KDB"},
        {"mineral the water cannot form", "--minerals Epidote",
         "mineral Epidote is in LOGKDATA.KDB but not in this water's run"},
        {"empty name", "--minerals Quartz,,Calcite", "--minerals holds an empty name"},
        {"from above to", "--from 300 --to 100", "--from (300 C) is above --to (100 C)"},
        {"step 0", "--step 0", "--step must be above 0"},
        {"negative step", "--step -5", "--step must be above 0"},
        {"below the saturation curve", "--from 10", "a run on the saturation curve takes temperatures from 20 to 374 C"},
        {"above the saturation curve", "--to 380", "a run on the saturation curve takes temperatures from 20 to 374 C"},
        {"too many temperatures", "--step 0.0001", "more than 10000 temperatures"},
        {"balance on an ion the water lacks", "--balance Br-", "--balance Br-: the run input has no component Br-"},
        {"balance on an uncharged component", "--balance SiO2,aq",
         "--balance SiO2,aq: SiO2,aq is uncharged and cannot carry the charge balance"},
        {"balance on no component", "--balance Xx", "--balance Xx: not a component"},
    };
    for (const BadOptions& c : cases) {
        const SweepRun run = runSweep(caseText, database, c.args, "bad");
        EXPECT_EQ(run.status, 2) << c.what;
        EXPECT_NE(run.errors.find(c.message), std::string::npos) << c.what << ": " << run.errors;
        EXPECT_EQ(run.table, "") << c.what;
    }
    // An extended run spans the temperature grid instead.
    std::string extended = caseText;
    extended.replace(extended.find(" 0 1 0 0 100"), 12, " 1 1 0 0 100");
    const SweepRun run = runSweep(extended, database, "--from 0 --to 700", "bad-ext");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.errors.find("an extended run takes temperatures from 0.01 to 600 C"), std::string::npos)
        << run.errors;
}

// --- the sweep's files ------------------------------------------------------------

// A sweep that cannot start (a mistyped mineral), whose first run fails, or
// that would write over one of its inputs leaves the table of the last good
// sweep as it was, and nothing else behind.
TEST(SweepFiles, TheLastGoodTableStaysAndNoInputIsReplaced) {
    wq::testing::Folder folder("sweep-keep");
    folder.copy(kSweepCase, "WQCASE.DAT");
    folder.copy(kExamples / "LOGKDATA.KDB", "LOGKDATA.KDB");
    folder.write("keep.csv", "the last good sweep\n");
    // A forced mineral the database does not have stops the first run.
    std::string failing = slurp(kSweepCase);
    failing.replace(failing.find("K-Feldspar            14"), 24, "Kryptonite            14");
    folder.write("failing.dat", failing);
    const struct {
        const char* args;
        int status;
        const char* message;
    } cases[] = {
        {"--minerals Quartz,Kryptonite --out keep.csv", 2, "wqspec: unknown mineral Kryptonite"},
        {"--case failing.dat --out keep.csv", 1, "wqspec: the run at the run input's conditions failed"},
        {"--out LOGKDATA.KDB", 2,
         "wqspec: --out LOGKDATA.KDB is the database (LOGKDATA.KDB); the results go elsewhere\n"},
        {"--out ./WQCASE.DAT", 2,
         "wqspec: --out ./WQCASE.DAT is the run input (WQCASE.DAT); the results go elsewhere\n"},
    };
    for (const auto& c : cases) {
        const wq::testing::Command run = folder.run(std::string("sweep --from 100 --to 200 --step 50 ") + c.args);
        EXPECT_EQ(run.status, c.status) << c.args;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.args << ": " << run.err;
    }
    EXPECT_EQ(folder.read("keep.csv"), "the last good sweep\n");
    EXPECT_EQ(folder.read("WQCASE.DAT"), slurp(kSweepCase));
    EXPECT_EQ(std::filesystem::file_size(folder.path() / "LOGKDATA.KDB"),
              std::filesystem::file_size(kExamples / "LOGKDATA.KDB"));
    EXPECT_EQ(folder.listing(), "LOGKDATA.KDB\nWQCASE.DAT\nfailing.dat\nkeep.csv\n");
    // A sweep that succeeds replaces it, and says the step as it was given.
    const wq::testing::Command good = folder.run("sweep --from 100 --to 200 --step 0.05 --out keep.csv");
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_NE(folder.read("keep.csv").find("; T from 100 to 200 C in steps of 0.05 C;"), std::string::npos);
}

// A sweep uses the database as it was when the sweep started, at every
// temperature: the file replaced by another while it runs (here one that
// suppresses quartz) changes none of its rows. The sweep's console goes into
// a pipe of one page, so that it waits on the test after a few rows: the
// file is replaced while most temperatures are still to come.
TEST(SweepFiles, EveryTemperatureUsesTheDatabaseAsItWasAtTheStart) {
    wq::testing::Folder folder("sweep-snapshot");
    folder.copy(kSweepCase, "WQCASE.DAT");
    folder.copy(kExamples / "LOGKDATA.KDB", "LOGKDATA.KDB");
    const std::string args = "sweep --from 25 --to 300 --step 1 --minerals Quartz,Chalcedony";
    const wq::testing::Command reference = folder.run(args + " --out reference.csv");
    ASSERT_EQ(reference.status, 0) << reference.err;

    std::string edited = folder.read("LOGKDATA.KDB");
    const std::size_t quartz = edited.find("\nQuartz    ");
    ASSERT_NE(quartz, std::string::npos);
    ASSERT_EQ(edited.substr(quartz + 1 + 80, 4), "    ");
    edited.replace(quartz + 1 + 80, 4, "SUPR");
    folder.write("edited.kdb", edited);

    int console[2];
    ASSERT_EQ(::pipe(console), 0);
    ::fcntl(console[0], F_SETPIPE_SZ, 4096);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::dup2(console[1], 1);
        ::close(console[0]);
        if (::chdir(folder.path().c_str()) != 0) ::_exit(126);
        ::execl(WQSPEC_EXE, WQSPEC_EXE, "sweep", "--from", "25", "--to", "300", "--step", "1", "--minerals",
                "Quartz,Chalcedony", "--out", "during.csv", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(console[1]);
    std::string seen;
    char buf[256];
    while (seen.find("  sweep  T =   26.00") == std::string::npos) {
        const ssize_t n = ::read(console[0], buf, sizeof buf);
        ASSERT_GT(n, 0) << seen;
        seen.append(buf, static_cast<std::size_t>(n));
    }
    ASSERT_EQ(std::rename((folder.path() / "edited.kdb").c_str(), (folder.path() / "LOGKDATA.KDB").c_str()), 0);
    while (::read(console[0], buf, sizeof buf) > 0) {
    }
    ::close(console[0]);
    int raw = 0;
    ASSERT_EQ(::waitpid(pid, &raw, 0), pid);
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0);
    EXPECT_EQ(folder.read("during.csv"), folder.read("reference.csv"));
}

// A database that is no regular file is refused at once: a FIFO is not
// waited on, /dev/zero is not read up to the bound.
TEST(SweepFiles, ADatabaseThatIsNoRegularFileIsRefusedAtOnce) {
    wq::testing::Folder folder("sweep-fifo");
    folder.copy(kSweepCase, "WQCASE.DAT");
    ASSERT_EQ(::mkfifo((folder.path() / "fifo.kdb").c_str(), 0600), 0);
    const struct {
        const char* db;
        const char* message;
    } cases[] = {
        {"fifo.kdb", "wqspec: cannot read the database fifo.kdb: a FIFO (a named pipe), not a regular file\n"},
        {"/dev/zero", "wqspec: cannot read the database /dev/zero: a character device, not a regular file\n"},
    };
    for (const auto& c : cases) {
        const wq::testing::Command run = folder.run(std::string("sweep --db ") + c.db, "/dev/null", "", 20);
        EXPECT_EQ(run.status, 2) << c.db;
        EXPECT_EQ(run.err, c.message);
    }
}

}  // namespace
