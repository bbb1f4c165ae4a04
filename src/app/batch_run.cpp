#include "app/batch_run.hpp"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "app/batch_options.hpp"
#include "app/front_end.hpp"
#include "app/program.hpp"
#include "app/run_sequence.hpp"
#include "app/water_feed.hpp"
#include "input/case_writer.hpp"
#include "input/database_file.hpp"
#include "input/db_numbers.hpp"
#include "run/chain_logk.hpp"
#include "run/results.hpp"
#include "solver/redox_run.hpp"
#include "solver/warm_start.hpp"
#include "text/csv.hpp"
#include "text/textfile.hpp"
#include "text/stop.hpp"

namespace wq {

namespace {

// The template (`what` names it in a message): its options, loop limit,
// forced minerals and starting values.
void readTemplate(BatchInputs& s, const TextFile& text, const std::string& what) {
    TextFile file = text;
    Channels quiet;
    quiet.silence();
    try {
        s.templateCase = std::make_unique<CaseInput>(readRunInput(file, quiet).input);
    } catch (const Stop& stopped) {
        throw CannotStart{what + " cannot be read: " + stopped.reason};
    }
    const ComponentTable& t = s.templateCase->comp;
    if (t.count < WATER_SLOT || t[HYDROGEN_SLOT].dbNumber != db::HYDROGEN_ION ||
        t[WATER_SLOT].dbNumber != db::WATER)
        throw CannotStart{what + " has no components (H+ and H2O must come first)"};
}

void readCatalog(BatchInputs& s) {
    std::string error;
    std::optional<ComponentCatalog> catalog = componentCatalog(*s.database, error);
    if (!catalog) throw CannotStart{error};
    s.catalog = std::move(*catalog);
    s.tableKgWater = s.templateCase ? s.templateCase->comp[WATER_SLOT].mtot : 1.0;
}

// The whole table, its waters kept.
void readTable(BatchInputs& s, const TextFile& file) {
    readCatalog(s);
    std::string error;
    std::optional<WaterTable> table = readWaterTable(file.text(), s.catalog, s.tableKgWater, error, s.reading);
    if (!table) throw CannotStart{file.name() + ": " + error};
    s.table = std::move(*table);
    s.waterCount = s.table.waters.size();
    for (const WaterSample& w : s.table.waters) s.watersGiveRedox = s.watersGiveRedox || givesRedoxState(w);
}

// The table of `records` (named `name`) read through, its waters counted, not
// kept; `stop`, when given and set on the way, ends it with ReadingStopped.
void readTableThrough(BatchInputs& s, CsvReader& records, const std::string& name,
                      const std::atomic<bool>* stop = nullptr) {
    std::string error;
    std::optional<WaterTable> table = countWaterTable(
        records, s.catalog, s.tableKgWater,
        [&](const WaterSample* w) {
            if (stop && *stop) throw ReadingStopped{};
            ++s.waterCount;
            s.watersGiveRedox = s.watersGiveRedox || (w && givesRedoxState(*w));
        },
        error, s.reading);
    if (!table) throw CannotStart{name + ": " + error};
    s.table = std::move(*table);
}

void readFileThrough(BatchInputs& s, const std::string& path) {
    readCatalog(s);
    std::string why;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
        openRegularFile(path, MAX_FILE_BYTES, why, s.streamedIdentity), &std::fclose);
    if (!file) throw CannotStart{"cannot open the table of waters " + path + ": " + why};
    CsvReader records(file.get(), path, s.streamedIdentity);
    readTableThrough(s, records, path);
    s.streamedTable = path;
}


// The database numbers a water of the batch can have as components: the
// template's and the table's, and, when a water has a redox state, O2,aq and
// both members of every redox couple (addRedoxComponents adds them).
std::vector<bool> batchComponents(const BatchInputs& s) {
    std::vector<bool> components(MAX_COMPONENTS + 1, false);
    const auto add = [&](int number) {
        if (number >= 1 && number <= MAX_COMPONENTS) components[static_cast<std::size_t>(number)] = true;
    };
    const ComponentTable& t = s.templateCase->comp;
    for (int k = 1; k <= t.count; ++k) add(t[k].dbNumber);
    for (int number : s.table.componentNumbers) add(number);
    if (anyRedox(s)) addRedoxCouples(components, *s.database);
    return components;
}

// `warm`, when given, holds the waters to start from, and takes this one once
// converged.
SolvedWater solveWater(const BatchInputs& s, WaterWorker& worker, const RecordWater& record, const WaterSample& w,
                       WarmStarts* warm) {
    const RunInput& templateInput = s.templateCase->input;
    RecordHead head{w.name, "", w.temperature.value_or(templateInput.temperature),
                    w.pressure.value_or(templateInput.pressure)};
    head.carried = w.carried;
    std::optional<Results> results;
    std::string error = w.error;
    const CaseChoices choices = error.empty() ? choicesFor(s.catalog, s.balance, w, error) : CaseChoices{};
    if (!error.empty()) {
        head.status = error;
    } else {
        analysisBalanceOf(s.catalog, s.templateCase->comp[WATER_SLOT].mtot, w, head);
        head.measuredConductance = w.measured_conductance_uScm;
        if (const CatalogComponent* ion = s.catalog.byNumber(choices.balanceNumber)) head.balancedOn = ion->name;
        Program& p = worker.next();
        p.database = DatabaseFile::ofParsed(s.database);
        p.logKCache = s.logK.get();
        p.choices = choicesOf(s.choices, w);
        p.activityModel = s.activityModel->clone();
        try {
            takeWater(p, waterOfRow(s, w, choices));
            const ListingHooks listing(p);
            RunHooks hooks = listing.hooks();
            hooks.warmStarts = warm;
            results = computeRun(p, hooks);
            worker.ranToEnd();
            if (warm && results->converged) warm->keep(p);
            head.status = runStatus(*results);
            head.notes = modelNotes(*results);
            if (!w.notes.empty()) head.notes = w.notes + (head.notes.empty() ? "" : "; ") + head.notes;
        } catch (...) {
            results.reset();
            head.status = utf8FromLatin1(endingInFlight().reason);
        }
    }
    SolvedWater solved;
    solved.line = w.line;
    solved.fault = w.error;
    solved.converged = results && results->converged;
    solved.status = head.status;
    // A water without a solution has its cells empty: none is a result.
    record(head, solved.converged ? &*results : nullptr, solved);
    return solved;
}

}  // namespace

bool anyRedox(const BatchInputs& s) { return s.choices.redox.state.given() || s.watersGiveRedox; }

std::string runInputTextOf(const BatchInputs& s, const WaterSample& w, const CaseChoices& choices) {
    return writeCase(*s.templateCase, s.catalog, w, choices);
}

Water waterOfRow(const BatchInputs& s, const WaterSample& w, const CaseChoices& choices) {
    return waterRunInput(*s.templateCase, s.catalog, w, choices);
}

namespace {


// The template, the database, the table (`readTableInto`), then what
// follows from them, in that order.
BatchInputs readInputsWith(const BatchOptions& o, const std::function<void(BatchInputs&)>& readTableInto,
                           std::shared_ptr<const ParsedDatabase> database) {
    const std::string databasePath =
        o.model.databasePath.empty() ? defaultDatabaseFor(o.model.activity) : o.model.databasePath;
    BatchInputs s;
    s.reading = tableReadingOf(o);
    if (!o.casePath.empty())
        readTemplate(s, loadInput(o.casePath, MAX_RUN_INPUT_BYTES, "the template"), "the template " + o.casePath);
    s.database = database ? std::move(database) : databaseSnapshot(databasePath);
    readTableInto(s);
    std::string error;
    std::optional<RunChoices> choices = runChoicesOf(o.model.choices, *s.database, error);
    if (!choices) throw CannotStart{error};
    s.choices = std::move(*choices);
    if (!s.templateCase)
        readTemplate(s, TextFile("WQCASE.DAT", defaultTemplate(oneRedoxCarrier(s.table.componentNumbers), s.catalog)),
                     "the default options for the table's components");
    s.balance = balanceNumber(s.catalog, s.table.componentNumbers, balanceOf(o.model));
    s.activityModel = frontEndActivityModel(o.model.activity, databasePath, o.model.phScale);
    s.logK = std::make_unique<LogKCache>(s.database, batchComponents(s));
    s.coldStart = o.coldStart;
    return s;
}

}  // namespace

BatchInputs readBatchInputs(const BatchOptions& o, const std::function<TextFile()>& loadTable,
                            std::shared_ptr<const ParsedDatabase> database) {
    return readInputsWith(o, [&](BatchInputs& s) { readTable(s, loadTable()); }, std::move(database));
}

BatchInputs readBatchInputsOfFile(const BatchOptions& o) {
    return readInputsWith(o, [&](BatchInputs& s) { readFileThrough(s, o.watersPath); }, nullptr);
}

BatchInputs readBatchInputsOfText(const BatchOptions& o, const std::string& name, std::string_view text,
                                  std::shared_ptr<const ParsedDatabase> database, const std::atomic<bool>* stop) {
    return readInputsWith(
        o,
        [&](BatchInputs& s) {
            readCatalog(s);
            CsvReader records(text);
            readTableThrough(s, records, name, stop);
            s.streamedText = text;
        },
        std::move(database));
}

std::string blankRowsNote(const std::string& tableName, const std::vector<int>& lines) {
    if (lines.empty()) return {};
    constexpr std::size_t SHOWN = 10;
    std::string where;
    for (std::size_t k = 0; k < lines.size() && k < SHOWN; ++k) where += (k ? ", " : "") + std::to_string(lines[k]);
    if (lines.size() > SHOWN) where += ", ...";
    return tableName + ": " + std::to_string(lines.size()) + (lines.size() == 1 ? " blank row" : " blank rows") +
           " passed over (line" + (lines.size() == 1 ? " " : "s ") + where + ")";
}

// The writing thread sleeps until the record it hands on next and the one
// WRITE_AHEAD records after it are done, so that it wakes once for several
// waters rather than once per water (a system call and a switch each); it
// wakes after WRITE_DELAY at the latest, so that every record still comes
// out soon after it is done.
constexpr std::size_t WRITE_AHEAD = 127;
constexpr std::chrono::milliseconds WRITE_DELAY{20};

std::size_t solveInOrder(const BatchInputs& s, const RecordWater& record, int jobs, const std::atomic<bool>& stop,
                         const std::function<bool(std::size_t, SolvedWater&&)>& take, std::string& threadNote,
                         const std::function<void()>& idle) {
    const std::size_t n = s.waterCount;
    jobs = workerCount(jobs, n);
    WaterFeed feed(s);
    DoneWindow<SolvedWater> done;
    std::mutex mutex;
    std::condition_variable ready;
    std::atomic<bool> refused{false};
    std::atomic<int> running{0};
    // The records the writing thread waits for (n: it is not waiting).
    std::size_t first = n, awaited = n;
    const auto stopped = [&] { return stop || refused; };
    const auto awake = [&] { return running == 0 || (done.has(first) && done.has(awaited)); };
    // The waters of a chunk in order, each from the waters of the chunk
    // solved before it (none under --cold-start).
    const auto solveChunk = [&](WaterWorker& worker, WaterChunk& chunk, WarmStarts& warm) {
        warm.clear();
        for (std::size_t k = 0; k < chunk.waters.size() && !stopped(); ++k) {
            SolvedWater solved = solveWater(s, worker, record, chunk.waters[k], s.coldStart ? nullptr : &warm);
            std::lock_guard<std::mutex> lock(mutex);
            const std::size_t i = chunk.first + k;
            done.put(i, std::move(solved));
            if ((i == first || i == awaited) && awake()) ready.notify_one();
        }
    };
    const auto work = [&] {
        WaterWorker worker;
        WaterChunk chunk;
        WarmStarts warm;
        while (!stopped() && feed.take(chunk)) solveChunk(worker, chunk, warm);
        std::lock_guard<std::mutex> lock(mutex);
        --running;
        ready.notify_one();
    };
    // A batch on one thread solves on this one: no water is handed from
    // thread to thread, no thread sleeps and wakes for it.
    const int threads = jobs > 1 ? jobs : 0;
    std::vector<std::thread> workers;
    for (int k = 0; k < threads; ++k) {
        ++running;
        try {
            workers.emplace_back(work);
        } catch (const std::system_error&) {
            --running;
            break;
        }
    }
    if (static_cast<int>(workers.size()) < threads)
        threadNote = std::to_string(workers.size()) + " of " + std::to_string(jobs) + " threads could be started" +
                     (workers.empty() ? "; the waters are computed one by one" : "");
    std::optional<WaterWorker> ownWorker;  // on one thread, or when no thread could be started
    WaterChunk ownChunk;
    WarmStarts ownWarm;
    std::size_t handed = 0;
    for (; handed < n; ++handed) {
        std::unique_lock<std::mutex> lock(mutex);
        if (idle && !done.has(handed) && running > 0) {
            lock.unlock();
            idle();
            lock.lock();
        }
        while (!done.has(handed) && running > 0) {
            first = handed;
            awaited = std::min(n - 1, handed + WRITE_AHEAD);
            ready.wait_for(lock, WRITE_DELAY, awake);
            first = awaited = n;
        }
        if (!done.has(handed) && workers.empty() && !stopped()) {
            // No worker: this thread takes the water itself.
            lock.unlock();
            if (feed.take(ownChunk)) {
                if (!ownWorker) ownWorker.emplace();
                solveChunk(*ownWorker, ownChunk, ownWarm);
            }
            lock.lock();
        }
        if (!done.has(handed)) break;  // stopped: the workers have ended
        SolvedWater solved = done.takeFirst();
        lock.unlock();
        if (!take(handed, std::move(solved))) {
            refused = true;
            ++handed;
            break;
        }
    }
    for (std::thread& t : workers) t.join();
    return handed;
}

}  // namespace wq
