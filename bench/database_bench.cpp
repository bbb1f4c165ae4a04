// One complete read of a maximal database (the aqueous species, the minerals
// and gases), beside a bare loop that only parses the same text's numbers with
// std::from_chars: the reader's figure (a first run: the text copied into its
// image, every value checked, the run's values converted) is meant to stay
// within a factor of two of the bare parse. The Reread figures are a later run
// on the same content.
//
//   cmake -S . -B build-bench -DWQSPEC_BENCH=ON -DWQSPEC_TESTS=OFF -DCMAKE_BUILD_TYPE=Release
//   make -C build-bench wqspec_bench && build-bench/bench/wqspec_bench
#include <benchmark/benchmark.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "grid/grid.hpp"
#include "app/run_sequence.hpp"
#include "input/database.hpp"
#include "input/minerals.hpp"
#include "app/program.hpp"
#include "support/kdb_writer.hpp"

namespace {

using wq::testing::KdbMineral;
using wq::testing::KdbSpecies;
using wq::testing::KdbWriter;

// The largest database the console program reads: 600 species positions and
// 500 mineral and gas slots, the end record of each taking one. H+ and H2O are
// the run's components, so 597 species fill the 599 usable positions; 499
// minerals and gases fill the usable slots. Every entry carries a full table
// and uses only the run's components, so every entry is kept.
constexpr int SPECIES_POSITIONS = 600;
constexpr int AQUEOUS_SPECIES = SPECIES_POSITIONS - 1 - 2;
constexpr int MINERALS = 500 - 1;
constexpr int TABLES = 4 + AQUEOUS_SPECIES + MINERALS;
constexpr long long TABLE_NUMBERS = static_cast<long long>(TABLES) * wq::N_PRESSURES * wq::N_TEMPERATURES;

const std::string& maximalDatabase() {
    static const std::string text = [] {
        KdbWriter w;
        w.decimals = 4;
        for (int number = 3; number <= wq::MAX_COMPONENTS; ++number)
            w.component(number, "Component-" + std::to_string(number), 1, 4.0, 10.0);
        for (int k = 1; k <= AQUEOUS_SPECIES; ++k) {
            const double a = -10.0 + 0.037 * k;
            w.species({.name = "Species-" + std::to_string(k), .charge = -1, .size = 4.0,
                       .reaction = {{1, 2}, {-1, 1}},
                       .logK = [a](double t, double p) { return a - 0.0123 * t + 0.00017 * p; }});
        }
        for (int k = 1; k <= MINERALS; ++k) {
            const double a = 5.0 - 0.021 * k;
            w.mineral({.name = "Mineral-" + std::to_string(k), .suppression = k % 10 == 0 ? "GAS " : "    ",
                       .reaction = {{1, 1}, {-1, 2}},
                       .logK = [a](double t, double p) { return a + 0.0071 * t - 0.00011 * p; }});
        }
        return w.text();
    }();
    return text;
}

std::unique_ptr<wq::Program> programFor(bool extended) {
    auto prog = std::make_unique<wq::Program>();
    for (int position : {1, 2}) {
        prog->comp[position].dbNumber = position;
        prog->map.positionOf[position] = position;
        prog->map.numberAt[position] = position;
    }
    prog->comp.count = 2;
    prog->input.chargeBalancePosition = 1;
    prog->input.runKind = extended ? 1 : 0;
    prog->conditions.temperature = extended ? 263.0 : 137.5;
    prog->conditions.pressure = extended ? 1234.0 : wq::saturationPressure(137.5);
    if (extended) wq::locateOnGrid(prog->conditions.pressure, prog->conditions.temperature, prog->grid);
    return prog;
}

// A first run: the text taken apart (every value checked) and replayed for
// the run. With `again`, a later run on the same content: the replay alone.
void readerBenchmark(benchmark::State& state, bool extended, bool again) {
    auto prog = programFor(extended);
    prog->database = wq::DatabaseFile::ofText("LOGKDATA.KDB", maximalDatabase());
    for (auto _ : state) {
        if (!again) prog->database = wq::DatabaseFile::ofText("LOGKDATA.KDB", maximalDatabase());
        prog->conditions.mineralsSwitch = 1;
        wq::readMinerals(*prog, wq::readSpecies(*prog));
        benchmark::DoNotOptimize(prog->sp[SPECIES_POSITIONS - 1].logK);
    }
    if (prog->sp.count != SPECIES_POSITIONS - 1 || prog->minerals.count != MINERALS)
        state.SkipWithError("the maximal database was not read completely");
    state.counters["numbers/s"] = benchmark::Counter(static_cast<double>(TABLE_NUMBERS) * state.iterations(),
                                                     benchmark::Counter::kIsRate);
    state.SetBytesProcessed(static_cast<long long>(maximalDatabase().size()) * state.iterations());
}

void BM_ReadDatabaseExtendedRun(benchmark::State& state) { readerBenchmark(state, true, false); }
void BM_ReadDatabaseSaturationRun(benchmark::State& state) { readerBenchmark(state, false, false); }
void BM_RereadDatabaseExtendedRun(benchmark::State& state) { readerBenchmark(state, true, true); }
void BM_RereadDatabaseSaturationRun(benchmark::State& state) { readerBenchmark(state, false, true); }

bool isSeparator(char c) { return c == ' ' || c == ',' || c == '\t'; }

// Every line of the same text split at its line end, every token handed to
// from_chars: the floor any reader of this text stands on.
void BM_BareParse(benchmark::State& state) {
    const std::string& text = maximalDatabase();
    long long numbers = 0;
    for (auto _ : state) {
        numbers = 0;
        double sum = 0.0;
        const char* p = text.data();
        const char* const end = p + text.size();
        while (p < end) {
            const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
            const char* lineEnd = nl ? nl : end;
            while (p < lineEnd) {
                while (p < lineEnd && isSeparator(*p)) ++p;
                if (p == lineEnd) break;
                double v = 0.0;
                auto [q, ec] = std::from_chars(p, lineEnd, v);
                if (ec == std::errc() && q != p) {
                    sum += v;
                    ++numbers;
                    p = q;
                } else {
                    while (p < lineEnd && !isSeparator(*p)) ++p;
                }
            }
            p = lineEnd + 1;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["numbers/s"] = benchmark::Counter(static_cast<double>(numbers) * state.iterations(),
                                                     benchmark::Counter::kIsRate);
    state.counters["numbers"] = static_cast<double>(numbers);
    state.SetBytesProcessed(static_cast<long long>(text.size()) * state.iterations());
}

}  // namespace

// On a shared machine the fastest of several repetitions is the fairest figure:
//   wqspec_bench --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
double fastest(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

BENCHMARK(BM_ReadDatabaseExtendedRun)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", fastest);
BENCHMARK(BM_ReadDatabaseSaturationRun)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", fastest);
BENCHMARK(BM_RereadDatabaseExtendedRun)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", fastest);
BENCHMARK(BM_RereadDatabaseSaturationRun)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", fastest);
BENCHMARK(BM_BareParse)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", fastest);
