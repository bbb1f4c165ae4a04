// Reaction paths of 100 records, each computed whole as `wqspec react`
// computes it (the path read, the start's run input, database and first run,
// then every record): the alkalinity titration of the examples' groundwater
// with HCl in 100 increments, and the calcite-CO2 example's water held at
// calcite and CO2 saturation over 100 temperatures. The figure is the CPU
// time per path (the time column), the records counted per path.
//
//   build/release/bench/wqspec_react_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/front_end.hpp"
#include "app/react.hpp"
#include "text/channels.hpp"

namespace {

namespace fs = std::filesystem;

const fs::path EXAMPLES = fs::path(WQSPEC_SOURCE_DIR) / "examples";

// The path file of `steps` from the start `start`, named as if it were in the
// examples' react folder (its relative names taken from there).
wq::ReactionPath pathOf(const std::string& start, const std::string& steps) {
    return wq::readPathText("[start]\ncase = '" + start + "'\n" + steps, (EXAMPLES / "react" / "bench.toml").string());
}

void runPath(benchmark::State& state, const wq::ReactionPath& path) {
    wq::ReactOptions options;
    options.model.databasePath = (EXAMPLES / "LOGKDATA.KDB").string();
    const std::atomic<bool> never{false};
    std::size_t records = 0;
    for (auto _ : state) {
        wq::Sink console(nullptr, false, "nowhere");
        wq::QuietProgram q;
        wq::loadPathStart(q, path, options);
        const wq::ReactionRun run = wq::computeReaction(q, path, options, console, never);
        if (run.result.failed() || !run.startFailure.empty()) {
            state.SkipWithError("the path failed");
            return;
        }
        records = run.result.records.size();
        benchmark::DoNotOptimize(records);
    }
    state.counters["records"] = static_cast<double>(records);
}

void BM_Titration100Increments(benchmark::State& state) {
    runPath(state, pathOf("groundwater.DAT", "[[step]]\nkind = 'add'\nreactant = { 'H+' = 1, 'Cl-' = 1 }\n"
                                             "amount = 0.005\nincrements = 99\n"));
}
BENCHMARK(BM_Titration100Increments)->Unit(benchmark::kMillisecond);

void BM_Heating100TemperaturesAtSaturation(benchmark::State& state) {
    runPath(state, pathOf("WQCASE.DAT", "[[step]]\nkind = 'equilibrate'\nminerals = { Calcite = 0.0 }\n"
                                        "gases = { 'CO2(g)' = -1.5 }\n[[step]]\nkind = 'temperature'\n"
                                        "from = 25.0\nto = 122.0\nsteps = 97\n"));
}
BENCHMARK(BM_Heating100TemperaturesAtSaturation)->Unit(benchmark::kMillisecond);

}  // namespace
