#include "app/batch.hpp"

#include <unistd.h>

#include <atomic>
#include <cerrno>
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
#include <thread>
#include <vector>

#include "app/program.hpp"
#include "app/front_end.hpp"
#include "app/run_sequence.hpp"
#include "input/case_writer.hpp"
#include "input/component_catalog.hpp"
#include "input/database_file.hpp"
#include "input/database.hpp"
#include "input/db_numbers.hpp"
#include "input/minerals.hpp"
#include "input/run_input.hpp"
#include "input/waters.hpp"
#include "report/records.hpp"
#include "report/results.hpp"
#include "text/csv.hpp"
#include "text/stop.hpp"

namespace wq {

namespace {

enum BatchExit { ALL_CONVERGED = 0, SOME_FAILED = 1, CANNOT_START = 2, INTERNAL = 3 };

std::atomic<bool> interrupted{false};

extern "C" void onInterrupt(int) { interrupted = true; }

// What every worker reads and nobody changes.
struct Shared {
    TextFile templateFile;
    std::shared_ptr<const ParsedDatabase> database;  // read and checked once, shared read-only
    ComponentCatalog catalog;
    std::unique_ptr<QuietProgram> templateProgram;
    WaterTable table;
    RecordColumns columns;
    bool json = false;
};

void readTemplate(Shared& s, const BatchOptions& o) {
    s.templateFile = loadInput(o.casePath, MAX_RUN_INPUT_BYTES, "the template");
    s.templateProgram = std::make_unique<QuietProgram>();
    Program& t = **s.templateProgram;
    t.caseFile = s.templateFile;
    try {
        readRunInput(t);
    } catch (const Stop& stopped) {
        throw CannotStart{"the template " + o.casePath + " cannot be read: " + stopped.reason};
    }
    if (t.comp.count < 2 || t.comp[1].dbNumber != db::HYDROGEN_ION || t.comp[2].dbNumber != db::WATER)
        throw CannotStart{"the template " + o.casePath + " has no components (H+ and H2O must come first)"};
}

void readTable(Shared& s, const BatchOptions& o) {
    // The workers share this content for the whole batch: a copy, which an
    // edit of the file during the batch cannot touch.
    DatabaseFile database(o.databasePath, MAX_FILE_BYTES, TextImage::Holding::copy);
    std::string error;
    if (!database.refresh(error)) throw CannotStart{"cannot read the database " + o.databasePath + ": " + error};
    s.database = database.shared();
    std::optional<ComponentCatalog> catalog = componentCatalog(*s.database, error);
    if (!catalog) throw CannotStart{error};
    s.catalog = std::move(*catalog);
    const TextFile waters = loadInput(o.watersPath, MAX_FILE_BYTES, "the table of waters");
    const double templateKg = (**s.templateProgram).comp[db::WATER].mtot;
    std::optional<WaterTable> table = readWaterTable(waters.text(), s.catalog, templateKg, error);
    if (!table) throw CannotStart{o.watersPath + ": " + error};
    s.table = std::move(*table);
}

std::string trimmedName(std::string_view name) {
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    return std::string(name);
}

// The species, minerals and gases that the batch's components can form: those
// that the database keeps at 25 C on the saturation curve, where its data are
// most complete. A quantity that only some other temperature gives is in the
// JSON records, not in the CSV columns.
RecordColumns probeColumns(Shared& s) {
    WaterSample probe;
    probe.name = "columns";
    for (int number : s.table.componentNumbers) probe.totals.push_back({number, 1e-3});
    QuietProgram q;
    Program& p = *q;
    p.caseFile = TextFile("WQCASE.DAT", writeCase(**s.templateProgram, s.templateFile, s.catalog, probe));
    p.database = DatabaseFile::ofParsed(s.database);
    RecordColumns columns;
    try {
        readRunInput(p);
        p.input.runKind = 0;
        p.conditions.temperature = 25.0;
        locateRun(p);
        readDatabase(p);
        if (p.conditions.mineralsSwitch != 0) minsat(p, MAX_TERMS, MAX_MINERALS);
    } catch (const Stop& stopped) {
        throw CannotStart{"the database cannot be read with the batch's components: " + stopped.reason};
    }
    for (int i = 1; i <= p.sp.count; ++i)
        if (i != db::WATER) columns.species.push_back(trimmedName(p.sp[i].name.view()));
    for (int i = 1; i <= p.minerals.count; ++i)
        (p.minerals[i].isGas() ? columns.gases : columns.minerals).push_back(trimmedName(p.minerals[i].name.view()));
    return columns;
}

struct Solved {
    std::string record;
    bool converged = false;
};

std::string recordText(const Shared& s, const RecordHead& head, const Results* results) {
    return s.json ? jsonRecord(head, results) : csvRow(s.columns, head, results);
}

Solved solveWater(const Shared& s, const WaterSample& w) {
    const RunInput& templateInput = (**s.templateProgram).input;
    RecordHead head{w.name, "", w.temperature.value_or(templateInput.temperature),
                    w.pressure.value_or(templateInput.pressure)};
    if (!w.error.empty()) {
        head.status = w.error;
        return {recordText(s, head, nullptr), false};
    }
    QuietProgram q;
    Program& p = *q;
    p.caseFile = TextFile("WQCASE.DAT", writeCase(**s.templateProgram, s.templateFile, s.catalog, w));
    p.database = DatabaseFile::ofParsed(s.database);
    try {
        readRunInput(p);
        const Results results = computeRun(p);
        head.status = runStatus(results);
        return {recordText(s, head, &results), results.converged};
    } catch (const Stop& stopped) {
        head.status = utf8FromLatin1(stopped.reason);
    } catch (const InternalError& e) {
        head.status = "internal error: " + e.what;
    } catch (const std::bad_alloc&) {
        head.status = "out of memory";
    }
    return {recordText(s, head, nullptr), false};
}

// A progress line on standard error, when it is a terminal.
class Progress {
public:
    explicit Progress(std::size_t total) : total_(total), shown_(::isatty(2) != 0) {}
    void update(std::size_t done, bool last = false) {
        if (!shown_) return;
        const auto now = std::chrono::steady_clock::now();
        if (!last && now - lastShown_ < std::chrono::milliseconds(200)) return;
        lastShown_ = now;
        const double seconds = std::chrono::duration<double>(now - start_).count();
        const double rate = seconds > 0.0 ? double(done) / seconds : 0.0;
        const double left = rate > 0.0 ? double(total_ - done) / rate : 0.0;
        std::fprintf(stderr, "\r  %zu / %zu waters, %.1f per second, %.0f s left   ", done, total_, rate, left);
        if (last) std::fputc('\n', stderr);
        std::fflush(stderr);
    }

private:
    std::size_t total_;
    bool shown_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point lastShown_{};
};

// The output: CSV or a JSON array, on a file or standard output.
class Output {
public:
    Output(const std::string& path, bool json) : json_(json) {
        if (path.empty()) {
            file_ = stdout;
        } else {
            file_ = std::fopen(path.c_str(), "wb");
            if (!file_) throw CannotStart{"cannot create " + path + ": " + std::strerror(errno)};
            owned_ = true;
        }
        name_ = path.empty() ? "standard output" : path;
        if (json_) array_ = std::make_unique<JsonArrayWriter>(file_);
    }
    ~Output() {
        if (owned_ && file_) std::fclose(file_);
    }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // Every record is flushed as it is written.
    bool write(const std::string& text) {
        if (json_) return array_->add(text);
        return std::fwrite(text.data(), 1, text.size(), file_) == text.size() && std::fflush(file_) == 0;
    }
    bool close() {
        bool ok = json_ ? array_->close() : std::fflush(file_) == 0;
        if (owned_) {
            ok = std::fclose(file_) == 0 && ok;
            owned_ = false;
            file_ = nullptr;
        }
        return ok;
    }
    const std::string& name() const { return name_; }

private:
    bool json_;
    std::FILE* file_ = nullptr;
    bool owned_ = false;
    std::string name_;
    std::unique_ptr<JsonArrayWriter> array_;
};

bool endsWith(const std::string& s, std::string_view tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool jsonOutput(const std::string& path) {
    if (path.empty() || endsWith(path, ".csv")) return false;
    if (endsWith(path, ".json")) return true;
    throw CannotStart{"--out " + path + ": the name must end in .csv or .json"};
}

int workerCount(int asked, std::size_t waters) {
    int n = asked > 0 ? asked : static_cast<int>(std::thread::hardware_concurrency());
    if (n < 1) n = 1;
    if (static_cast<std::size_t>(n) > waters) n = static_cast<int>(waters);
    return n;
}

// Solves every water on `jobs` threads and writes the records in the table's
// order as soon as each is ready. An interrupt (Ctrl-C) stops the workers
// taking new waters; what is done is written and the output closed.
int solveAll(const Shared& s, Output& out, int jobs) {
    const std::size_t n = s.table.waters.size();
    std::vector<std::optional<Solved>> done(n);
    std::mutex mutex;
    std::condition_variable ready;
    std::atomic<std::size_t> next{0};
    std::atomic<int> running{jobs};
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
    for (int k = 0; k < jobs; ++k) workers.emplace_back(work);
    Progress progress(n);
    bool anyFailed = false, writeFailed = false;
    std::size_t written = 0;
    for (; written < n; ++written) {
        std::unique_lock<std::mutex> lock(mutex);
        while (!done[written] && running > 0) ready.wait_for(lock, std::chrono::milliseconds(200));
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
    if (!out.close() || writeFailed) {
        std::fprintf(stderr, "wqspec: %s could not be written completely\n", out.name().c_str());
        return SOME_FAILED;
    }
    if (written < n) {
        std::fprintf(stderr, "wqspec: interrupted after %zu of %zu waters; the output holds them\n", written, n);
        return SOME_FAILED;
    }
    return anyFailed ? SOME_FAILED : ALL_CONVERGED;
}

// A folder name for a water: its name with every character other than
// letters, digits, '.', '-' and '_' replaced, made unique by a number.
std::string folderName(const std::string& name, std::set<std::string>& used) {
    std::string base;
    for (char c : name) base += (std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_') ? c : '_';
    if (base.empty() || base == "." || base == "..") base = "water";
    std::string unique = base;
    for (int k = 2; !used.insert(unique).second; ++k) unique = base + "-" + std::to_string(k);
    return unique;
}

int writeCases(const Shared& s, const std::string& dir) {
    std::set<std::string> used;
    int written = 0, failed = 0;
    for (const WaterSample& w : s.table.waters) {
        if (!w.error.empty()) {
            std::fprintf(stderr, "wqspec: %s: %s\n", w.name.c_str(), w.error.c_str());
            ++failed;
            continue;
        }
        const std::filesystem::path folder = std::filesystem::path(dir) / folderName(w.name, used);
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        const std::string path = (folder / "WQCASE.DAT").string();
        std::FILE* f = ec ? nullptr : std::fopen(path.c_str(), "wb");
        const std::string text = writeCase(**s.templateProgram, s.templateFile, s.catalog, w);
        const bool ok = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
        if (f && std::fclose(f) != 0) throw CannotStart{"cannot write " + path};
        if (!ok) throw CannotStart{"cannot write " + path};
        ++written;
    }
    std::fprintf(stderr, "wqspec: wrote %d run inputs in %s\n", written, dir.c_str());
    return failed > 0 ? SOME_FAILED : ALL_CONVERGED;
}

}  // namespace

int runBatch(const BatchOptions& o) {
    try {
        Shared s;
        readTemplate(s, o);
        readTable(s, o);
        if (!o.writeCasesDir.empty()) return writeCases(s, o.writeCasesDir);
        s.json = jsonOutput(o.outPath);
        if (!s.json) s.columns = probeColumns(s);
        Output out(o.outPath, s.json);
        if (!s.json && !out.write(csvHeader(s.columns))) throw CannotStart{"cannot write " + out.name()};
        interrupted = false;
        std::signal(SIGINT, onInterrupt);
        std::signal(SIGTERM, onInterrupt);
        const int status = solveAll(s, out, workerCount(o.jobs, s.table.waters.size()));
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        return status;
    } catch (const CannotStart& e) {
        std::fprintf(stderr, "wqspec: %s\n", e.what.c_str());
        return CANNOT_START;
    } catch (const InternalError& e) {
        std::fprintf(stderr, "wqspec: internal error: %s\n", e.what.c_str());
        return INTERNAL;
    } catch (const std::bad_alloc&) {
        std::fputs("wqspec: internal error: out of memory\n", stderr);
        return INTERNAL;
    }
}

}  // namespace wq
