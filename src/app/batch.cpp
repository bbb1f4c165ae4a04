#include "app/batch.hpp"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "app/program.hpp"
#include "app/batch_output.hpp"
#include "app/batch_options.hpp"
#include "app/front_end.hpp"
#include "app/run_sequence.hpp"
#include "input/case_writer.hpp"
#include "input/component_aliases.hpp"
#include "input/component_catalog.hpp"
#include "input/database_file.hpp"
#include "input/db_numbers.hpp"
#include "input/run_input.hpp"
#include "input/water_columns.hpp"
#include "input/waters.hpp"
#include "report/column_selection.hpp"
#include "report/records.hpp"
#include "report/results.hpp"
#include "text/csv.hpp"
#include "text/number_text.hpp"
#include "text/staged_file.hpp"
#include "text/stop.hpp"
#include "text/textfile.hpp"

namespace wq {

namespace {

std::atomic<bool> interrupted{false};

extern "C" void onInterrupt(int) { interrupted = true; }

// What every worker reads and nobody changes.
struct Shared {
    TextFile templateFile;
    std::shared_ptr<const ParsedDatabase> database;  // read and checked once, shared read-only
    ComponentCatalog catalog;
    std::unique_ptr<CaseInput> templateCase;  // the template as read
    WaterTable table;
    const RecordFormat* format = nullptr;  // of the output
    RecordColumns columns;                 // of a format that fixes them
    RunChoices choices;                    // --redox, --decouple, --suppress
    std::unique_ptr<ActivityModel> activityModel;  // read once; every water takes a copy
    int balance = 0;                       // --balance: 0 none, 1 (H+) the pH, else a component's number
};

// The template (`what` names it in a message): its options, loop limit,
// forced minerals and starting values.
void readTemplate(Shared& s, const TextFile& text, const std::string& what) {
    s.templateFile = text;
    TextFile file = s.templateFile;
    Channels quiet;
    quiet.silence();
    try {
        s.templateCase = std::make_unique<CaseInput>(readRunInput(file, quiet));
    } catch (const Stop& stopped) {
        throw CannotStart{what + " cannot be read: " + stopped.reason};
    }
    const ComponentTable& t = s.templateCase->comp;
    if (t.count < WATER_SLOT || t[HYDROGEN_SLOT].dbNumber != db::HYDROGEN_ION ||
        t[WATER_SLOT].dbNumber != db::WATER)
        throw CannotStart{what + " has no components (H+ and H2O must come first)"};
}

// One line for the rows of blank cells passed over (spreadsheets write them
// below a table), with the first of their lines.
void noteBlankRows(const std::string& path, const std::vector<int>& lines) {
    if (lines.empty()) return;
    constexpr std::size_t SHOWN = 10;
    std::string where;
    for (std::size_t k = 0; k < lines.size() && k < SHOWN; ++k) where += (k ? ", " : "") + std::to_string(lines[k]);
    if (lines.size() > SHOWN) where += ", ...";
    std::fprintf(stderr, "wqspec: %s: %zu blank %s passed over (line%s %s)\n", path.c_str(), lines.size(),
                 lines.size() == 1 ? "row" : "rows", lines.size() == 1 ? "" : "s", where.c_str());
}

// The database, the template when one is given, the table, and without a
// template the default options for the table's components.
void readInputs(Shared& s, const BatchOptions& o) {
    if (!o.casePath.empty())
        readTemplate(s, loadInput(o.casePath, MAX_RUN_INPUT_BYTES, "the template"), "the template " + o.casePath);
    s.database = databaseSnapshot(o.databasePath);
    std::string error;
    std::optional<ComponentCatalog> catalog = componentCatalog(*s.database, error);
    if (!catalog) throw CannotStart{error};
    s.catalog = std::move(*catalog);
    const TextFile waters = loadInput(o.watersPath, MAX_FILE_BYTES, "the table of waters");
    const double templateKg = s.templateCase ? s.templateCase->comp[WATER_SLOT].mtot : 1.0;
    std::optional<WaterTable> table = readWaterTable(waters.text(), s.catalog, templateKg, error);
    if (!table) throw CannotStart{o.watersPath + ": " + error};
    s.table = std::move(*table);
    noteBlankRows(o.watersPath, s.table.blankRows);
    std::optional<RunChoices> choices = runChoicesOf(o.choices, *s.database, error);
    if (!choices) throw CannotStart{error};
    s.choices = std::move(*choices);
    if (!s.templateCase)
        readTemplate(s, TextFile("WQCASE.DAT", defaultTemplate(s.table.componentNumbers, s.catalog)),
                     "the default options for the table's components");
}

// The species, minerals and gases that the batch's components can form: those
// that the database keeps at 25 C on the saturation curve, where its data are
// most complete. A quantity that only some other temperature gives is in the
// JSON records, not in the CSV columns.
RecordColumns probeColumns(Shared& s) {
    WaterSample probe;
    probe.name = "columns";
    probe.temperature = 25.0;
    probe.pH = 7.0;
    for (int number : s.table.componentNumbers) probe.totals.push_back({number, 1e-3});
    QuietProgram q;
    Program& p = *q;
    p.caseFile = TextFile("WQCASE.DAT", writeCase(*s.templateCase, s.templateFile, s.catalog, probe));
    p.database = DatabaseFile::ofParsed(s.database);
    RecordColumns columns;
    try {
        readCase(p);
        p.input.runKind = 0;
        p.conditions.temperature = 25.0;
        locateRun(p);
        // With a redox state in the batch, the components it adds (O2,aq and
        // the other member of each pair) give columns too.
        p.choices = s.choices;
        if (anyRedoxState(s.choices, s.table.waters)) p.choices.redox.state = RedoxState{RedoxState::Kind::pe, 0.0, {}};
        addRedoxComponents(p);
        const RunSection section = readSpecies(p);
        if (p.conditions.mineralsSwitch != 0) readMinerals(p, section);
    } catch (const Stop& stopped) {
        throw CannotStart{"the database cannot be read with the batch's components: " + stopped.reason};
    }
    try {  // a state the template cannot take fails each water's record instead
        setUpRedox(p);
    } catch (const Stop&) {
    }
    for (int i = 1; i <= p.sp.count; ++i)
        if (i != WATER_SLOT) columns.species.push_back(std::string(p.sp[i].name.trimmed()));
    columns.redox = anyRedoxState(s.choices, s.table.waters);
    for (const RedoxPair& pair : p.redox.pairs) columns.couples.push_back(pair.couple.name);
    for (int i = 1; i <= p.minerals.count; ++i)
        (p.minerals[i].isGas() ? columns.gases : columns.minerals).push_back(std::string(p.minerals[i].name.trimmed()));
    return columns;
}

struct Solved {
    std::string record;
    bool converged = false;
};

std::string recordText(const Shared& s, const RecordHead& head, const Results* results) {
    return s.format->record(s.columns, head, results);
}

Solved solveWater(const Shared& s, const WaterSample& w) {
    const RunInput& templateInput = s.templateCase->input;
    RecordHead head{w.name, "", w.temperature.value_or(templateInput.temperature),
                    w.pressure.value_or(templateInput.pressure)};
    std::string error = w.error;
    const CaseChoices choices = error.empty() ? choicesFor(s.catalog, s.balance, w, error) : CaseChoices{};
    if (!error.empty()) {
        head.status = error;
        return {recordText(s, head, nullptr), false};
    }
    analysisBalanceOf(s.catalog, s.templateCase->comp[WATER_SLOT].mtot, w, head);
    if (const CatalogComponent* ion = s.catalog.byNumber(choices.balanceNumber)) head.balancedOn = ion->name;
    QuietProgram q;
    Program& p = *q;
    p.caseFile = TextFile("WQCASE.DAT", writeCase(*s.templateCase, s.templateFile, s.catalog, w, choices));
    p.database = DatabaseFile::ofParsed(s.database);
    p.choices = choicesOf(s.choices, w);
    p.activityModel = s.activityModel->clone();
    try {
        readCase(p);
        p.input.asAnalysed = choices.balanceNumber == 0;
        const Results results = computeRun(p);
        head.status = runStatus(results);
        head.notes = modelNotes(results);
        return {recordText(s, head, &results), results.converged};
    } catch (...) {
        head.status = utf8FromLatin1(endingInFlight().reason);
    }
    return {recordText(s, head, nullptr), false};
}

// Solves every water on `jobs` threads and writes the records in the table's
// order as soon as each is ready. An interrupt (Ctrl-C) stops the workers
// taking new waters; what is done is written and the output closed. A thread
// that cannot be started is not needed: the batch runs on those that did,
// and with none the calling thread computes every water itself.
FrontEndExit solveAll(const Shared& s, BatchOutput& out, int jobs) {
    const std::size_t n = s.table.waters.size();
    std::vector<std::optional<Solved>> done(n);
    std::mutex mutex;
    std::condition_variable ready;
    std::atomic<std::size_t> next{0};
    std::atomic<int> running{0};
    const auto work = [&] {
        for (std::size_t i; !interrupted && (i = next++) < n;) {
            Solved solved = solveWater(s, s.table.waters[i]);
            std::lock_guard<std::mutex> lock(mutex);
            done[i] = std::move(solved);
            ready.notify_one();
        }
        std::lock_guard<std::mutex> lock(mutex);
        --running;
        ready.notify_one();
    };
    std::vector<std::thread> workers;
    for (int k = 0; k < jobs; ++k) {
        ++running;
        try {
            workers.emplace_back(work);
        } catch (const std::system_error&) {
            --running;
            break;
        }
    }
    if (static_cast<int>(workers.size()) < jobs)
        std::fprintf(stderr, "wqspec: note: %zu of %d threads could be started%s\n", workers.size(), jobs,
                     workers.empty() ? "; the waters are computed one by one" : "");
    Progress progress(n);
    bool anyFailed = false, writeFailed = false;
    std::size_t written = 0;
    for (; written < n; ++written) {
        std::unique_lock<std::mutex> lock(mutex);
        while (!done[written] && running > 0) ready.wait_for(lock, std::chrono::milliseconds(200));
        if (!done[written] && workers.empty() && !interrupted && next < n) {
            // No worker: this thread takes the water itself.
            lock.unlock();
            const std::size_t i = next++;
            done[i] = solveWater(s, s.table.waters[i]);
            lock.lock();
        }
        if (!done[written]) break;  // interrupted: the workers have stopped
        Solved solved = std::move(*done[written]);
        done[written].reset();
        lock.unlock();
        anyFailed |= !solved.converged;
        if (!writeFailed && !out.write(solved.record)) {
            writeFailed = true;
            interrupted = true;
        }
        progress.update(written + 1);
    }
    for (std::thread& t : workers) t.join();
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

FrontEndExit writeCases(const Shared& s, const BatchOptions& o) {
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
        if (std::string input = inputNamedBy(path, o); why.empty() && !input.empty()) why = "it is " + input;
        std::string refused;
        const CaseChoices choices = choicesFor(s.catalog, s.balance, w, refused);
        if (!refused.empty()) {
            std::fprintf(stderr, "wqspec: %s\n", refused.c_str());
            ++failed;
            continue;
        }
        const bool ok = why.empty() &&
                        writeCaseFile(path, writeCase(*s.templateCase, s.templateFile, s.catalog, w, choices), why);
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

int listColumns(const BatchOptions& given) {
    return runFrontEnd([&] {
        BatchOptions o = given;
        if (o.databasePath.empty()) o.databasePath = defaultDatabaseFor(o.activity);
        const std::shared_ptr<const ParsedDatabase> database = databaseSnapshot(o.databasePath);
        std::string error;
        std::optional<ComponentCatalog> catalog = componentCatalog(*database, error);
        if (!catalog) throw CannotStart{error};
        const std::string list = columnList(*catalog);
        std::fwrite(list.data(), 1, list.size(), stdout);
        return FrontEndExit::allConverged;
    });
}

int runBatch(const BatchOptions& given) {
    if (given.listColumns) return listColumns(given);
    return runFrontEnd([&] {
        BatchOptions o = given;
        if (o.databasePath.empty()) o.databasePath = defaultDatabaseFor(o.activity);
        if (o.watersPath.empty()) throw CannotStart{"the table of waters is missing: wqspec batch WATERS.csv"};
        if (o.allColumns && !o.columns.empty()) throw CannotStart{"--all and --columns: give one of them"};
        if (o.writeCases && o.writeCasesDir.empty()) throw CannotStart{"--write-cases needs the name of a folder"};
        int jobs = 1;
        if (!o.writeCases) {
            outputFormat(o.outPath);
            if (!o.outPath.empty()) refuseInputAsOutput(o.outPath, o);
            jobs = askedJobs(o.jobs);
        }
        Shared s;
        readInputs(s, o);
        s.balance = balanceNumber(s.catalog, s.table.componentNumbers, o.balance);
        if (o.writeCases) return writeCases(s, o);
        s.activityModel = frontEndActivityModel(o.activity, o.databasePath);
        jobs = workerCount(jobs, s.table.waters.size());
        s.format = &outputFormat(o.outPath);
        if (s.format->fixesColumns()) {
            s.columns = probeColumns(s);
            s.columns.selected = selectedColumns(s.columns, o);
        }
        BatchOutput out(o.outPath, *s.format, s.columns);
        if (!out.open()) throw CannotStart{"cannot write " + out.name() + ": " + out.failure()};
        interrupted = false;
        std::signal(SIGINT, onInterrupt);
        std::signal(SIGTERM, onInterrupt);
        const FrontEndExit status = solveAll(s, out, jobs);
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        return status;
    });
}

}  // namespace wq
