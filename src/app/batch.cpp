#include "app/batch.hpp"

#include <signal.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "activity/activity_model.hpp"
#include "app/batch_options.hpp"
#include "app/batch_output.hpp"
#include "app/batch_run.hpp"
#include "app/front_end.hpp"
#include "input/case_writer.hpp"
#include "input/parsed_database.hpp"
#include "input/water_columns.hpp"
#include "report/records.hpp"
#include "text/number_text.hpp"
#include "text/staged_file.hpp"
#include "text/stop.hpp"
#include "text/textfile.hpp"
#include "wqspec_paths.hpp"

namespace wq {

namespace {

std::atomic<bool> interrupted{false};

extern "C" void onInterrupt(int) { interrupted = true; }

// The batch's inputs, the table read from its file: held whole to write
// the run inputs, read again as the workers take its waters to solve them.
BatchInputs readInputs(const BatchOptions& o) {
    BatchInputs s =
        o.writeCases
            ? readBatchInputs(o, [&] { return loadInput(o.watersPath, MAX_FILE_BYTES, "the table of waters"); })
            : readBatchInputsOfFile(o);
    if (std::string note = blankRowsNote(o.watersPath, s.table.blankRows); !note.empty())
        std::fprintf(stderr, "wqspec: %s\n", note.c_str());
    for (const std::string& note : s.table.notes)
        std::fprintf(stderr, "wqspec: note: %s: %s\n", o.watersPath.c_str(), note.c_str());
    return s;
}

// Solves every water on `jobs` threads and writes the records in the table's
// order as soon as each is ready. An interrupt (Ctrl-C) stops the workers
// taking new waters; what is done is written and the output closed.
FrontEndExit solveAll(const BatchInputs& s, const RecordColumns& columns, const RecordFormat& format,
                      BatchOutput& out, int jobs) {
    const std::size_t n = s.waterCount;
    Progress progress(n);
    bool anyFailed = false, writeFailed = false;
    std::string threadNote;
    const std::size_t written = solveInOrder(
        s,
        [&](const RecordHead& head, const Results* results, SolvedWater& water) {
            water.records.push_back(format.record(columns, head, results));
        },
        jobs, interrupted,
        [&](std::size_t i, SolvedWater&& solved) {
            anyFailed |= !solved.converged;
            writeFailed = writeFailed || !out.write(solved.records.front());
            progress.update(i + 1);
            return !writeFailed;
        },
        threadNote, [&] { writeFailed = writeFailed || !out.flush(); });
    if (!threadNote.empty()) std::fprintf(stderr, "wqspec: note: %s\n", threadNote.c_str());
    progress.update(written, true);
    if (!out.close(written == n) || writeFailed) {
        std::fprintf(stderr, "wqspec: cannot write %s: %s; %s\n", out.name().c_str(), out.failure().c_str(),
                     out.name() == "standard output" ? "the records may be incomplete"
                                                      : "an earlier file of that name is left as it was");
        return FrontEndExit::someFailed;
    }
    if (written < n) {
        if (out.partialPath().empty())
            std::fprintf(stderr, "wqspec: interrupted after %zu of %zu waters; the output holds them\n", written, n);
        else
            std::fprintf(stderr,
                         "wqspec: interrupted after %zu of %zu waters; their records are in %s (%s is left as it "
                         "was)\n",
                         written, n, out.partialPath().c_str(), out.name().c_str());
        return FrontEndExit::someFailed;
    }
    return anyFailed ? FrontEndExit::someFailed : FrontEndExit::allConverged;
}

// A folder name for a water: its name with every character other than
// letters, digits, '.', '-' and '_' replaced (so ASCII only), cut to
// MAX_FOLDER_NAME bytes (a file system takes at most 255), made unique by a
// number.
constexpr std::size_t MAX_FOLDER_NAME = 100;

std::string folderName(const std::string& name, std::set<std::string>& used) {
    std::string base;
    for (char c : name) base += (std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_') ? c : '_';
    if (base.size() > MAX_FOLDER_NAME) base.resize(MAX_FOLDER_NAME);
    if (base.empty() || base == "." || base == "..") base = "water";
    std::string unique = base;
    for (int k = 2; !used.insert(unique).second; ++k) unique = base + "-" + std::to_string(k);
    return unique;
}

// One run input, written whole under a temporary name and renamed: a full
// disk leaves no empty or cut WQCASE.DAT. False with the reason.
bool writeCaseFile(const std::string& path, const std::string& text, std::string& why) {
    StagedFile file;
    if (!file.open(path, why)) return false;
    if (std::fwrite(text.data(), 1, text.size(), file.file()) != text.size()) {
        why = std::strerror(errno);
        return false;
    }
    return file.commit(why);
}

FrontEndExit writeCases(const BatchInputs& s, const BatchOptions& o) {
    const std::string& dir = o.writeCasesDir;
    // Every folder's name first: none is written when a name cannot be made.
    std::set<std::string> used;
    std::vector<std::string> folders;
    for (const WaterSample& w : s.table.waters) folders.push_back(w.error.empty() ? folderName(w.name, used) : "");
    int written = 0, failed = 0;
    for (std::size_t i = 0; i < s.table.waters.size(); ++i) {
        const WaterSample& w = s.table.waters[i];
        if (!w.error.empty()) {
            std::fprintf(stderr, "wqspec: %s\n", w.error.c_str());  // it names the row by its line
            ++failed;
            continue;
        }
        const std::filesystem::path folder = std::filesystem::path(dir) / folders[i];
        const std::string path = (folder / "WQCASE.DAT").string();
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        std::string why = ec ? ec.message() : "";
        if (std::string input = inputNamedBy(path, batchInputFiles(o, s.activityModel.get())); why.empty() && !input.empty())
            why = "it is " + input;
        std::string refused;
        const CaseChoices choices = choicesFor(s.catalog, s.balance, w, refused);
        if (!refused.empty()) {
            std::fprintf(stderr, "wqspec: %s\n", refused.c_str());
            ++failed;
            continue;
        }
        const bool ok = why.empty() && writeCaseFile(path, runInputTextOf(s, w, choices), why);
        if (!ok) {
            std::fprintf(stderr, "wqspec: cannot write %s: %s; %d run inputs written before it\n", path.c_str(),
                         why.c_str(), written);
            return FrontEndExit::someFailed;
        }
        ++written;
    }
    std::fprintf(stderr, "wqspec: wrote %d run inputs in %s\n", written, dir.c_str());
    return failed > 0 ? FrontEndExit::someFailed : FrontEndExit::allConverged;
}

}  // namespace

namespace {

// The database a listing flag reads: --db, or the default of the activity
// model; with neither in the folder nor installed, the one the program was
// built with, so that the columns can be listed anywhere.
std::shared_ptr<const ParsedDatabase> databaseToList(const BatchOptions& given) {
    BatchOptions o = given;
    if (o.model.databasePath.empty()) {
        o.model.databasePath = defaultDatabaseFor(o.model.activity);
        std::error_code ec;
        const ActivityModelEntry* entry = activityModelNamed(o.model.activity);
        const std::filesystem::path bundled =
            std::filesystem::path(WQSPEC_BUILT_FROM) / "examples" / (entry ? entry->defaultDatabase : "");
        if (!std::filesystem::exists(o.model.databasePath, ec) && std::filesystem::is_regular_file(bundled, ec))
            o.model.databasePath = bundled.string();
    }
    return databaseSnapshot(o.model.databasePath);
}

// What the batch writes: the fixed columns of its CSV records, the redox
// ones, the table's carried columns and those of each species, mineral and
// gas.
std::string recordColumnList() {
    RecordColumns columns;
    columns.redox = true;
    columns.couples = {"COUPLE"};
    std::string out = "Columns the batch writes (CSV; --columns chooses, --all writes every one):\n ";
    for (const std::string& name : allColumnNames(columns)) out += " " + name + ",";
    out.back() = '\n';
    out += "  (redox, redox pe and Eh(COUPLE) [V] when some water has a redox state), then the table's columns\n"
           "  carried through as they are, then log_m(S), log_a(S), gamma(S) for every species S, SI(M) for\n"
           "  every mineral M and log_f(G) for every gas G the table's components form\n";
    return out;
}

void writeOut(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

std::string speciesLine(const Name20& name, double charge) {
    return std::string(name.view()) + " " + shortestText(charge) + "\n";
}

// The aqueous species of the database, name and charge, one a line: the
// component species (the named lines of their section, up to the blank line
// that ends it), then the other aqueous species; then their count and that
// of the minerals and gases. Every record counts, suppressed ones too.
std::string speciesList(const ParsedDatabase& db) {
    if (!db.aqueous || !db.aqueous->complete)
        throw CannotStart{"cannot list the species of " + db.name +
                          ": its aqueous species cannot be read to their end record"};
    std::string list;
    int components = 0;
    for (const ComponentLine& c : db.components) {
        if (c.blankMark) break;
        list += speciesLine(c.name, c.charge);
        ++components;
    }
    int others = 0;
    for (const AqueousRecord& r : db.aqueous->records) {
        if (r.isEnd()) break;
        list += speciesLine(r.name, r.charge);
        ++others;
    }
    int minerals = 0, gases = 0;
    for (const MineralText& m : db.aqueous->minerals.entries) {
        if (m.isEnd()) break;
        ++(m.suppression.equals("GAS ") ? gases : minerals);
    }
    const auto counted = [](int n, const char* one, const char* many) {
        return std::to_string(n) + (n == 1 ? one : many);
    };
    return list + std::to_string(components + others) + " aqueous species (" + std::to_string(components) +
           " component species, " + std::to_string(others) + " others), " +
           counted(minerals, " mineral", " minerals") + " and " + counted(gases, " gas", " gases") + " in " +
           db.name + "\n";
}

}  // namespace

int listColumns(const BatchOptions& given) {
    return runFrontEnd([&] {
        const std::shared_ptr<const ParsedDatabase> database = databaseToList(given);
        std::string error;
        std::optional<ComponentCatalog> catalog = componentCatalog(*database, error);
        if (!catalog) throw CannotStart{error};
        writeOut(columnList(*catalog) + recordColumnList());
        return FrontEndExit::allConverged;
    });
}

int listSpecies(const BatchOptions& given) {
    return runFrontEnd([&] {
        writeOut(speciesList(*databaseToList(given)));
        return FrontEndExit::allConverged;
    });
}

namespace {

// Ctrl-C, SIGTERM and a hangup of the terminal stop the batch in order
// (its whole records kept under the partial name); a signal the process was
// started to ignore (nohup) stays ignored. The signals taken.
std::vector<int> handleInterrupts() {
    std::vector<int> taken;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction before {};
        if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
        std::signal(signal, onInterrupt);
        taken.push_back(signal);
    }
    return taken;
}

}  // namespace

int runBatch(const BatchOptions& given) {
    if (given.listColumns) return listColumns(given);
    if (given.listSpecies) return listSpecies(given);
    return runFrontEnd([&] {
        BatchOptions o = given;
        if (o.model.databasePath.empty()) o.model.databasePath = defaultDatabaseFor(o.model.activity);
        if (o.watersPath.empty()) throw CannotStart{"the table of waters is missing: wqspec batch WATERS.csv"};
        if (o.allColumns && !o.columns.empty()) throw CannotStart{"--all and --columns: give one of them"};
        if (o.writeCases && o.writeCasesDir.empty()) throw CannotStart{"--write-cases needs the name of a folder"};
        int jobs = 1;
        if (!o.writeCases) {
            outputFormat(o.outPath);
            if (!o.outPath.empty()) refuseInputAsOutput("--out", o.outPath, batchInputFiles(o));
            std::string note;
            jobs = askedJobs(o.jobs, note);
            if (!note.empty()) std::fprintf(stderr, "wqspec: note: %s\n", note.c_str());
        }
        const BatchInputs s = readInputs(o);
        if (o.writeCases) return writeCases(s, o);
        if (!o.outPath.empty()) refuseInputAsOutput("--out", o.outPath, batchInputFiles(o, s.activityModel.get()));
        const RecordFormat& format = outputFormat(o.outPath);
        RecordColumns columns;
        columns.carried = s.table.carriedHeaders;
        if (format.fixesColumns()) {
            columns = probeColumns(s);
            columns.selected = selectedColumns(columns, o);
        }
        BatchOutput out(o.outPath, format, columns);
        if (!out.open()) throw CannotStart{"cannot write " + out.name() + ": " + out.failure()};
        interrupted = false;
        const std::vector<int> handled = handleInterrupts();
        const FrontEndExit status = solveAll(s, columns, format, out, jobs);
        for (int signal : handled) std::signal(signal, SIG_DFL);
        return status;
    });
}

}  // namespace wq
