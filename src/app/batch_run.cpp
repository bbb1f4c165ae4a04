#include "app/batch_run.hpp"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "app/front_end.hpp"
#include "app/program.hpp"
#include "app/run_sequence.hpp"
#include "input/case_writer.hpp"
#include "input/database_file.hpp"
#include "input/db_numbers.hpp"
#include "report/results.hpp"
#include "text/csv.hpp"
#include "text/stop.hpp"

namespace wq {

namespace {

void readTemplate(BatchInputs& s, const BatchOptions& o) {
    s.templateFile = loadInput(o.casePath, MAX_RUN_INPUT_BYTES, "the template");
    TextFile file = s.templateFile;
    Channels quiet;
    quiet.silence();
    try {
        s.templateCase = std::make_unique<CaseInput>(readRunInput(file, quiet));
    } catch (const Stop& stopped) {
        throw CannotStart{"the template " + o.casePath + " cannot be read: " + stopped.reason};
    }
    const ComponentTable& t = s.templateCase->comp;
    if (t.count < WATER_SLOT || t[HYDROGEN_SLOT].dbNumber != db::HYDROGEN_ION ||
        t[WATER_SLOT].dbNumber != db::WATER)
        throw CannotStart{"the template " + o.casePath + " has no components (H+ and H2O must come first)"};
}

void readTable(BatchInputs& s, const TextFile& file) {
    std::string error;
    std::optional<ComponentCatalog> catalog = componentCatalog(*s.database, error);
    if (!catalog) throw CannotStart{error};
    s.catalog = std::move(*catalog);
    const double templateKg = s.templateCase->comp[WATER_SLOT].mtot;
    std::optional<WaterTable> table = readWaterTable(file.text(), s.catalog, templateKg, error);
    if (!table) throw CannotStart{file.name() + ": " + error};
    s.table = std::move(*table);
}

// A Program that runs one water of the table quietly, on the shared database.
void loadWater(Program& p, const BatchInputs& s, const WaterSample& w) {
    p.caseFile = runInputOf(s, w);
    p.database = DatabaseFile::ofParsed(s.database);
}

SolvedWater solveWater(const BatchInputs& s, const RecordWater& record, const WaterSample& w) {
    const RunInput& templateInput = s.templateCase->input;
    RecordHead head{w.name, "", w.temperature.value_or(templateInput.temperature),
                    w.pressure.value_or(templateInput.pressure)};
    std::optional<Results> results;
    if (!w.error.empty()) {
        head.status = w.error;
    } else {
        QuietProgram q;
        Program& p = *q;
        loadWater(p, s, w);
        try {
            readCase(p);
            results = computeRun(p);
            head.status = runStatus(*results);
        } catch (...) {
            results.reset();
            head.status = utf8FromLatin1(endingInFlight().reason);
        }
    }
    SolvedWater solved;
    solved.converged = results && results->converged;
    solved.status = head.status;
    record(head, results ? &*results : nullptr, solved);
    return solved;
}

// No more threads than waters.
int workerCount(int jobs, std::size_t waters) {
    return static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(jobs), std::max<std::size_t>(waters, 1)));
}

}  // namespace

TextFile runInputOf(const BatchInputs& s, const WaterSample& w) {
    return TextFile("WQCASE.DAT", writeCase(*s.templateCase, s.templateFile, s.catalog, w));
}

BatchInputs readBatchInputs(const BatchOptions& o, const std::function<TextFile()>& loadTable,
                            std::shared_ptr<const ParsedDatabase> database) {
    BatchInputs s;
    readTemplate(s, o);
    s.database = database ? std::move(database) : databaseSnapshot(o.databasePath);
    readTable(s, loadTable());
    return s;
}

RecordColumns probeColumns(const BatchInputs& s) {
    WaterSample probe;
    probe.name = "columns";
    for (int number : s.table.componentNumbers) probe.totals.push_back({number, 1e-3});
    QuietProgram q;
    Program& p = *q;
    loadWater(p, s, probe);
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

std::string blankRowsNote(const std::string& tableName, const std::vector<int>& lines) {
    if (lines.empty()) return {};
    constexpr std::size_t SHOWN = 10;
    std::string where;
    for (std::size_t k = 0; k < lines.size() && k < SHOWN; ++k) where += (k ? ", " : "") + std::to_string(lines[k]);
    if (lines.size() > SHOWN) where += ", ...";
    return tableName + ": " + std::to_string(lines.size()) + (lines.size() == 1 ? " blank row" : " blank rows") +
           " passed over (line" + (lines.size() == 1 ? " " : "s ") + where + ")";
}

int askedJobs(const std::string& asked, std::string& note) {
    const int cores = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    if (asked.empty()) return cores;
    long long n = 0;
    const auto [end, ec] = std::from_chars(asked.data(), asked.data() + asked.size(), n);
    if (ec != std::errc() || end != asked.data() + asked.size())
        throw CannotStart{"--jobs " + shortened(asked) + ": not a whole number of threads"};
    if (n < 1) throw CannotStart{"--jobs " + asked + ": there must be at least one thread"};
    const long long most = static_cast<long long>(MAX_JOBS_PER_CORE) * cores;
    if (n <= most) return static_cast<int>(n);
    note = "--jobs " + asked + " is more than " + std::to_string(MAX_JOBS_PER_CORE) + " threads per core; at most " +
           std::to_string(most) + " threads";
    return static_cast<int>(most);
}

std::size_t solveInOrder(const BatchInputs& s, const RecordWater& record, int jobs, const std::atomic<bool>& stop,
                         const std::function<bool(std::size_t, SolvedWater&&)>& take, std::string& threadNote) {
    const std::size_t n = s.table.waters.size();
    jobs = workerCount(jobs, n);
    std::vector<std::optional<SolvedWater>> done(n);
    std::mutex mutex;
    std::condition_variable ready;
    std::atomic<std::size_t> next{0};
    std::atomic<bool> refused{false};
    std::atomic<int> running{0};
    const auto stopped = [&] { return stop || refused; };
    const auto work = [&] {
        for (std::size_t i; !stopped() && (i = next++) < n;) {
            SolvedWater solved = solveWater(s, record, s.table.waters[i]);
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
        threadNote = std::to_string(workers.size()) + " of " + std::to_string(jobs) + " threads could be started" +
                     (workers.empty() ? "; the waters are computed one by one" : "");
    std::size_t handed = 0;
    for (; handed < n; ++handed) {
        std::unique_lock<std::mutex> lock(mutex);
        while (!done[handed] && running > 0) ready.wait_for(lock, std::chrono::milliseconds(200));
        if (!done[handed] && workers.empty() && !stopped() && next < n) {
            // No worker: this thread takes the water itself.
            lock.unlock();
            const std::size_t i = next++;
            done[i] = solveWater(s, record, s.table.waters[i]);
            lock.lock();
        }
        if (!done[handed]) break;  // stopped: the workers have ended
        SolvedWater solved = std::move(*done[handed]);
        done[handed].reset();
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
