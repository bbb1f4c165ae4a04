// The joint solve against the iteration on the same water, from the same
// state: the run set up (database read, minerals linked, first secondary
// molalities), then solved by one method or the other. The waters are
// seawater of the bundled example with its charge balance on Cl- (pH and
// alkalinity given), which both methods solve: at 25 C as the example is, at
// 60 C and pH 7.9, and at 45 C, pH 7.7 with an alkalinity of 3 meq/kg.
//
//   build/release/bench/wqspec_joint_bench --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/front_end.hpp"
#include "app/program.hpp"
#include "app/run_sequence.hpp"
#include "input/database.hpp"
#include "input/minerals.hpp"
#include "input/run_input.hpp"
#include "solver/joint_solve.hpp"
#include "solver/newton.hpp"
#include "solver/setup.hpp"
#include "solver/snapshot.hpp"
#include "solver/solve_observer.hpp"

namespace {

const std::string EXAMPLES = std::string(WQSPEC_SOURCE_DIR) + "/examples";

const char* const CONDITIONS[] = {
    " 1.0E-9  8.22  0.0  2.406439E-03  25.0  0.0  1.0E-10  1.0",
    " 1.0E-9  7.9  0.0  2.406439E-03  60.0  0.0  1.0E-10  1.0",
    " 1.0E-9  7.7  0.0  3.0E-03  45.0  0.0  1.0E-10  1.0",
};

std::string seawaterAt(const char* conditions) {
    std::ifstream in(EXAMPLES + "/seawater/WQCASE.DAT");
    std::string line, text;
    for (int n = 1; std::getline(in, line); ++n) text += (n == 5 ? std::string(conditions) : line) + "\n";
    return text;
}

// A program set up to solve the water, and its state at that point.
struct SetUpWater {
    wq::QuietProgram program;
    wq::SolveObserver quiet;  // the silent program writes no line of the solve
    wq::SpeciationSnapshot start;
};

std::unique_ptr<SetUpWater> setUpWater(const char* conditions) {
    auto w = std::make_unique<SetUpWater>();
    wq::Program& p = *w->program;
    p.caseFile = wq::TextFile("WQCASE.DAT", seawaterAt(conditions));
    p.database = wq::DatabaseFile(EXAMPLES + "/LOGKDATA.KDB");
    wq::readCase(p);
    wq::locateRun(p);
    wq::refreshDatabase(p);
    const wq::RunSection section = wq::readSpecies(p);
    if (p.conditions.mineralsSwitch != 0) wq::readMinerals(p, section);
    wq::setUp(p, w->quiet);
    wq::capture(p, w->start);
    return w;
}

void BM_Iteration(benchmark::State& state) {
    auto w = setUpWater(CONDITIONS[state.range(0)]);
    wq::Program& p = *w->program;
    for (auto _ : state) {
        wq::restore(p, w->start);
        wq::iterate(p, w->quiet);
        if (wq::reachedLoopLimit(p)) state.SkipWithError("the iteration did not converge");
        benchmark::DoNotOptimize(p.sp[wq::HYDROGEN_SLOT].molality);
    }
    state.counters["loops"] = p.run.loops;
}

void BM_JointSolve(benchmark::State& state) {
    auto w = setUpWater(CONDITIONS[state.range(0)]);
    wq::Program& p = *w->program;
    int iterations = 0;
    for (auto _ : state) {
        wq::restore(p, w->start);
        const wq::JointResult r = wq::jointSolve(p);
        if (!r.solved) state.SkipWithError("the joint solve found no solution");
        iterations = r.iterations;
        benchmark::DoNotOptimize(p.sp[wq::HYDROGEN_SLOT].molality);
    }
    state.counters["iterations"] = iterations;
}

double fastest(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

}  // namespace

BENCHMARK(BM_Iteration)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", fastest);
BENCHMARK(BM_JointSolve)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", fastest);
