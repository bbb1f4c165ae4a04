// The chain of runs of a sweep: one water carried from temperature to
// temperature the way the console dialogue carries it.
#pragma once

#include <atomic>
#include <functional>
#include <vector>

#include "run/compute_run.hpp"
#include "run/sweep_result.hpp"

namespace wq {

struct SolverState;

// What a chain of runs asks of its front end: the hooks of every run, what
// to do with each row as it is computed (the sweep shows it on the console;
// may be null) and the flag that ends the chain before its next run (may be
// null).
struct ChainHooks {
    RunHooks run;
    std::function<void(const SweepRow&)> onRow;
    const std::atomic<bool>* stop = nullptr;
};

// The pressure of the sweep's run at `t`: the run input's, except where an
// extended run's pressure is below the saturation pressure (a water at
// 1.013 bar above 100 C would be steam): there the saturation pressure, so
// that the water stays liquid. A saturation run's is its curve's anyway.
double liquidPressure(const SolverState& p, double t);

// One run at the program's current conditions; a STOP or a fault becomes the
// row's status.
SweepRow computeRow(SolverState& p, bool input, const RunHooks& hooks);

// The runs at each of `temperatures`, from the state the program holds (a
// converged run, after the dialogue's resets). Every run starts from what the
// last converged one handed on; a run that fails leaves its row, and the next
// starts again from the state before it, as if the failed run had not
// happened. Each row goes to `chain.onRow` as it is computed; `chain.stop`,
// when set, ends the runs before the next temperature. True when every
// temperature was run and converged.
bool runTemperatures(SolverState& p, const std::vector<double>& temperatures, std::vector<SweepRow>& rows,
                     const ChainHooks& chain);

// log Q/K of each of `minerals` at every sweep row of `rows` (the run at the
// run input's conditions left out): [mineral][temperature].
SaturationCurves curvesOf(const std::vector<SweepRow>& rows, const std::vector<std::string>& minerals);

}  // namespace wq
