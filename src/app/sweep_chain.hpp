// The chain of runs of a sweep: one water carried from temperature to
// temperature the way the console dialogue carries it.
#pragma once

#include <atomic>
#include <vector>

#include "report/sweep_table.hpp"

namespace wq {

struct Program;
class Sink;

// The pressure of the sweep's run at `t`: the run input's, except where an
// extended run's pressure is below the saturation pressure (a water at
// 1.013 bar above 100 C would be steam): there the saturation pressure, so
// that the water stays liquid. A saturation run's is its curve's anyway.
double liquidPressure(const Program& p, double t);

// One run at the program's current conditions; a STOP or a fault becomes the
// row's status.
SweepRow computeRow(Program& p, bool input);

// The runs at each of `temperatures`, from the state the program holds (a
// converged run, after the dialogue's resets). Every run starts from what the
// last converged one handed on; a run that fails leaves its row, and the next
// starts again from the state before it, as if the failed run had not
// happened. Each row goes to `console` as it is computed when one is given.
// `stop`, when given and set, ends the runs before the next temperature.
// True when every temperature was run and converged.
bool runTemperatures(Program& p, const std::vector<double>& temperatures, std::vector<SweepRow>& rows,
                     Sink* console, const std::atomic<bool>* stop = nullptr);

// log Q/K of each of `minerals` at every sweep row of `rows` (the run at the
// run input's conditions left out): [mineral][temperature].
SaturationCurves curvesOf(const std::vector<SweepRow>& rows, const std::vector<std::string>& minerals);

}  // namespace wq
