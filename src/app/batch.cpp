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
    if (!s.templateCase)
        readTemplate(s, TextFile("WQCASE.DAT", defaultTemplate(s.table.componentNumbers, s.catalog)),
                     "the default options for the table's components");
}

// --balance: none (0), pH (H+, 1) or a charged component the table gives.
int balanceNumber(const Shared& s, const std::string& balance) {
    if (balance == "none") return 0;
    if (balance == "pH") return db::HYDROGEN_ION;
    const ComponentAlias* alias = s.catalog.byName(balance) ? nullptr : componentAlias(balance);
    const CatalogComponent* c = s.catalog.byName(alias ? alias->component : std::string_view(balance));
    const std::string option = "--balance " + shortened(balance);
    if (!c) throw CannotStart{option + ": not a component (give a charged component of the table, pH or none)"};
    if (c->charge == 0.0) throw CannotStart{option + ": " + c->name + " is uncharged and cannot carry the charge balance"};
    const std::vector<int>& given = s.table.componentNumbers;
    if (std::find(given.begin(), given.end(), c->number) == given.end())
        throw CannotStart{option + ": the table has no column of " + c->name};
    return c->number;
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
        const RunSection section = readSpecies(p);
        if (p.conditions.mineralsSwitch != 0) readMinerals(p, section);
    } catch (const Stop& stopped) {
        throw CannotStart{"the database cannot be read with the batch's components: " + stopped.reason};
    }
    for (int i = 1; i <= p.sp.count; ++i)
        if (i != WATER_SLOT) columns.species.push_back(std::string(p.sp[i].name.trimmed()));
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

// How one water is computed: the pH from electroneutrality where its cell
// is blank (and no alkalinity or CO2 fugacity fixes it otherwise) or
// --balance pH asks for it, else the balance --balance names, or none. An
// empty `error` when the two can be met together.
CaseChoices choicesFor(const Shared& s, const WaterSample& w, std::string& error) {
    // The pH of a CO2 fugacity beside an alkalinity is the gas's: no
    // balance on H+, and an ion's only when asked.
    const bool pHBlank = !(w.pH && *w.pH > 0.0) && !w.pHFromCO2;
    if (w.pHFromCO2 && s.balance == db::HYDROGEN_ION) {
        error = "row on line " + std::to_string(w.line) + ": its CO2 fugacity fixes the pH, which --balance pH "
                "would compute from electroneutrality";
        return {};
    }
    // An alkalinity is the charge the weak acids carry: with it the pH
    // cannot make the water neutral. A blank pH then comes from the H+
    // total, as the console program computes it (the carbonate as HCO3-, no
    // acid or CO2 added).
    const bool alkalinity = w.alkalinity && !w.pHFromCO2;
    if (alkalinity && s.balance == db::HYDROGEN_ION) {
        error = "row on line " + std::to_string(w.line) + ": its alkalinity is the charge of its weak acids, so no pH "
                "can balance its charges (--balance pH); give the carbonate as a total or a CO2 fugacity, or balance "
                "on an ion";
        return {};
    }
    if (alkalinity) return {s.balance};
    if (s.balance == 0 || s.balance == db::HYDROGEN_ION) return {pHBlank ? db::HYDROGEN_ION : s.balance};
    if (pHBlank) {
        const CatalogComponent* ion = s.catalog.byNumber(s.balance);
        error = "row on line " + std::to_string(w.line) + ": a blank pH asks for the pH from electroneutrality and "
                "--balance for the balance on " + (ion ? ion->name : std::string("an ion")) +
                "; give the pH, or no --balance";
    }
    return {s.balance};
}

// The analysis's own balance: cations and anions in equivalents of the
// totals as given (the alkalinity counted as anions), before any solve.
void analysisBalanceOf(const Shared& s, const WaterSample& w, RecordHead& head) {
    const double kgw = w.kgWater.value_or(s.templateCase->comp[WATER_SLOT].mtot);
    const IonBalance b = ionBalanceOf(w, s.catalog, kgw);
    if (!(b.cations + b.anions > 0.0)) return;
    head.analysisImbalance = (b.cations - b.anions) / kgw;
    head.analysisImbalancePercent = 100.0 * (b.cations - b.anions) / (b.cations + b.anions);
}

// What a record notes about a water beyond the activity model's range.
std::string modelNotes(const Results& r) {
    std::string notes;
    const auto note = [&](const std::string& n) { notes += (notes.empty() ? "" : "; ") + n; };
    if (r.stoichiometricIonicStrength > BDOT_IONIC_STRENGTH_LIMIT)
        note("I stoichiometric above " + exactText(BDOT_IONIC_STRENGTH_LIMIT) +
             " mol/kgw: beyond the range of the B-dot model");
    if (r.waterActivity > 1.0) note("a(H2O) above 1");
    return notes;
}

Solved solveWater(const Shared& s, const WaterSample& w) {
    const RunInput& templateInput = s.templateCase->input;
    RecordHead head{w.name, "", w.temperature.value_or(templateInput.temperature),
                    w.pressure.value_or(templateInput.pressure)};
    std::string error = w.error;
    const CaseChoices choices = error.empty() ? choicesFor(s, w, error) : CaseChoices{};
    if (!error.empty()) {
        head.status = error;
        return {recordText(s, head, nullptr), false};
    }
    analysisBalanceOf(s, w, head);
    if (const CatalogComponent* ion = s.catalog.byNumber(choices.balanceNumber)) head.balancedOn = ion->name;
    QuietProgram q;
    Program& p = *q;
    p.caseFile = TextFile("WQCASE.DAT", writeCase(*s.templateCase, s.templateFile, s.catalog, w, choices));
    p.database = DatabaseFile::ofParsed(s.database);
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

// The input of the batch that `path` names, however the two are spelled
// ("the template (WQCASE.DAT)"); empty when it names none. An output may
// not replace an input.
std::string inputNamedBy(const std::string& path, const BatchOptions& o) {
    const struct {
        const std::string& path;
        const char* what;
    } inputs[] = {{o.watersPath, "the table of waters"}, {o.casePath, "the template"}, {o.databasePath, "the database"}};
    for (const auto& input : inputs)
        if (sameFile(path, input.path)) return std::string(input.what) + " (" + input.path + ")";
    return {};
}

void refuseInputAsOutput(const std::string& out, const BatchOptions& o) {
    if (std::string input = inputNamedBy(out, o); !input.empty())
        throw CannotStart{"--out " + out + " is " + input + "; the results go elsewhere"};
}

// The worker threads asked for: a whole number from 1, at most
// MAX_JOBS_PER_CORE per core; the number of cores when not asked.
int askedJobs(const std::string& asked) {
    const int cores = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    if (asked.empty()) return cores;
    long long n = 0;
    const auto [end, ec] = std::from_chars(asked.data(), asked.data() + asked.size(), n);
    if (ec != std::errc() || end != asked.data() + asked.size())
        throw CannotStart{"--jobs " + shortened(asked) + ": not a whole number of threads"};
    if (n < 1) throw CannotStart{"--jobs " + asked + ": there must be at least one thread"};
    const long long most = static_cast<long long>(MAX_JOBS_PER_CORE) * cores;
    if (n <= most) return static_cast<int>(n);
    std::fprintf(stderr, "wqspec: note: --jobs %s is more than %d threads per core; at most %lld threads\n",
                 asked.c_str(), MAX_JOBS_PER_CORE, most);
    return static_cast<int>(most);
}

// No more threads than waters.
int workerCount(int jobs, std::size_t waters) {
    return static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(jobs), std::max<std::size_t>(waters, 1)));
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
        const CaseChoices choices = choicesFor(s, w, refused);
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

// The CSV columns: --all every one, --columns those its names and patterns
// match (a pattern that matches none is refused), else the compact set.
std::vector<std::size_t> selectedColumns(const RecordColumns& columns, const BatchOptions& o) {
    const std::vector<std::string> names = allColumnNames(columns);
    if (o.allColumns) return {};
    std::vector<std::string> unmatched;
    if (o.columns.empty()) return selectColumns(names, compactColumnPatterns(), unmatched);
    const std::vector<std::string> patterns = splitColumnList(o.columns);
    std::vector<std::size_t> chosen = selectColumns(names, patterns, unmatched);
    if (!unmatched.empty())
        throw CannotStart{"--columns: " + shortened(unmatched.front()) +
                          " matches no column of this table's records (--all shows them all)"};
    if (chosen.empty()) throw CannotStart{"--columns names no column"};
    return chosen;
}

}  // namespace

int listColumns(const BatchOptions& o) {
    return runFrontEnd([&] {
        const std::shared_ptr<const ParsedDatabase> database = databaseSnapshot(o.databasePath);
        std::string error;
        std::optional<ComponentCatalog> catalog = componentCatalog(*database, error);
        if (!catalog) throw CannotStart{error};
        const std::string list = columnList(*catalog);
        std::fwrite(list.data(), 1, list.size(), stdout);
        return FrontEndExit::allConverged;
    });
}

int runBatch(const BatchOptions& o) {
    if (o.listColumns) return listColumns(o);
    return runFrontEnd([&] {
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
        s.balance = balanceNumber(s, o.balance);
        if (o.writeCases) return writeCases(s, o);
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
