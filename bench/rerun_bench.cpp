// One more run of the seawater example at a new temperature, the database
// unchanged on disk: the file is looked at (stat) but not read or parsed
// again; the run re-interpolates the log K values it uses and solves.
// Alternates 25 and 30 deg C so that every run interpolates afresh.
//
//   build/release/bench/wqspec_rerun_bench --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "run/next_run.hpp"
#include "app/program.hpp"
#include "app/run_sequence.hpp"
#include "grid/grid.hpp"
#include "input/run_input.hpp"

namespace {

namespace fs = std::filesystem;

// The seawater case and the bundled database in a directory of their own,
// the database left alone for an hour as a file on disk normally is.
fs::path exampleDirectory() {
    const fs::path dir = fs::temp_directory_path() / ("wqspec_rerun_bench_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path examples = fs::path(WQSPEC_SOURCE_DIR) / "examples";
    fs::copy_file(examples / "seawater" / "WQCASE.DAT", dir / "WQCASE.DAT", fs::copy_options::overwrite_existing);
    fs::copy_file(examples / "LOGKDATA.KDB", dir / "LOGKDATA.KDB", fs::copy_options::overwrite_existing);
    const std::time_t hourAgo = std::time(nullptr) - 3600;
    struct timespec times[2] = {{hourAgo, 0}, {hourAgo, 0}};
    ::utimensat(AT_FDCWD, (dir / "LOGKDATA.KDB").c_str(), times, 0);
    return dir;
}

std::unique_ptr<wq::Program> seawaterAfterItsFirstRun(const fs::path& dir) {
    auto prog = std::make_unique<wq::Program>();
    std::string why;
    if (!prog->caseFile.load((dir / "WQCASE.DAT").string(), why)) return nullptr;
    prog->database = wq::DatabaseFile((dir / "LOGKDATA.KDB").string());
    for (wq::Sink* sink : {&prog->io.console, &prog->io.listing, &prog->io.plot, &prog->io.skip})
        if (!sink->open("/dev/null")) return nullptr;
    wq::readCase(*prog);
    if (!prog->input.extendedRun()) prog->conditions.pressure = wq::saturationPressure(prog->conditions.temperature);
    wq::runOnce(*prog);
    return prog;
}

void BM_RerunAtANewTemperature(benchmark::State& state) {
    const fs::path dir = exampleDirectory();
    auto prog = seawaterAfterItsFirstRun(dir);
    if (!prog) {
        state.SkipWithError("the seawater example could not be set up");
        return;
    }
    const int readsBefore = prog->database.reads();
    double temperature = 25.0;
    for (auto _ : state) {
        wq::resetForNextRun(*prog);
        temperature = temperature == 25.0 ? 30.0 : 25.0;
        prog->conditions.temperature = temperature;
        wq::runOnce(*prog);
        benchmark::DoNotOptimize(prog->sp[wq::HYDROGEN_SLOT].molality);
    }
    if (prog->database.reads() != readsBefore) state.SkipWithError("the unchanged database was read again");
    state.counters["database reads"] = prog->database.reads() - readsBefore;
    fs::remove_all(dir);
}

}  // namespace

double fastest(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

BENCHMARK(BM_RerunAtANewTemperature)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", fastest);
