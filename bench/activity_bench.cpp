// The cost of the activity model: one whole run (species and minerals read
// from the parsed database, set-up, Newton iteration, results) of the same
// seawater with the B-dot model on the bundled database and with the Pitzer
// model on the Pitzer database. The water is the Na-K-Mg-Ca-Cl-SO4 seawater
// of examples/evaporation (Nordstrom et al. 1979 less carbonate, silica,
// iron and manganese, which the Pitzer database lacks in part), at 25 C with
// its pH fixed and Cl- balancing, with every mineral of each database. The
// databases differ in size (the bundled one has many more species and
// minerals to read at every run), so the model alone is timed as well: one
// refresh of every activity coefficient, the activity of water and the
// osmotic coefficient of the solved water, as every Newton loop does it.
//
//   build/release/bench/wqspec_activity_bench --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/program.hpp"
#include "app/run_sequence.hpp"
#include "grid/grid.hpp"
#include "run/results.hpp"
#include "solver/totals.hpp"

namespace {

namespace fs = std::filesystem;

const fs::path EXAMPLES = fs::path(WQSPEC_SOURCE_DIR) / "examples";

// The seawater read and its database parsed once; nothing is written.
std::unique_ptr<wq::Program> seawater(const fs::path& database, const std::string& model) {
    auto prog = std::make_unique<wq::Program>();
    prog->io.silence();
    std::string why;
    if (!prog->caseFile.load((EXAMPLES / "evaporation" / "WQCASE.DAT").string(), why)) return nullptr;
    prog->database = wq::DatabaseFile(database.string());
    prog->activityModel = wq::makeActivityModel(model, {database.string()});
    wq::readCase(*prog);
    prog->conditions.pressure = wq::saturationPressure(prog->conditions.temperature);
    return prog;
}

void runSeawater(benchmark::State& state, const fs::path& database, const std::string& model) {
    auto prog = seawater(database, model);
    if (!prog) {
        state.SkipWithError("the seawater could not be set up");
        return;
    }
    const wq::CarriedState start = *prog;  // every run starts from the water as read
    int loops = 0;
    for (auto _ : state) {
        static_cast<wq::CarriedState&>(*prog) = start;
        const wq::Results r = wq::computeRun(*prog);
        if (!r.converged) {
            state.SkipWithError("the seawater did not converge");
            return;
        }
        loops = r.loops;
        benchmark::DoNotOptimize(r.minerals.data());
    }
    state.counters["loops"] = loops;
}

void refreshSeawater(benchmark::State& state, const fs::path& database, const std::string& model) {
    auto prog = seawater(database, model);
    if (!prog || !wq::computeRun(*prog).converged) {
        state.SkipWithError("the seawater could not be solved");
        return;
    }
    for (auto _ : state) {
        wq::refreshGammas(*prog);
        benchmark::DoNotOptimize(prog->activity.osmotic);
    }
    state.counters["species"] = prog->sp.count;
}

void BM_SeawaterBdot(benchmark::State& state) { runSeawater(state, EXAMPLES / "LOGKDATA.KDB", "b-dot"); }
void BM_SeawaterPitzer(benchmark::State& state) {
    runSeawater(state, EXAMPLES / "pitzer" / "LOGKDATA.KDB", "pitzer");
}

void BM_RefreshBdot(benchmark::State& state) { refreshSeawater(state, EXAMPLES / "LOGKDATA.KDB", "b-dot"); }
void BM_RefreshPitzer(benchmark::State& state) {
    refreshSeawater(state, EXAMPLES / "pitzer" / "LOGKDATA.KDB", "pitzer");
}

BENCHMARK(BM_SeawaterBdot)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SeawaterPitzer)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RefreshBdot)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RefreshPitzer)->Unit(benchmark::kMicrosecond);

}  // namespace
