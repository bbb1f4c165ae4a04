// The judgement of a solved water: a solution of the equations is a result
// only when it is a water that can exist. Every front (the console program,
// the batch, the sweep, the evaporation path, the reconstruction, Python)
// takes its results through computeRun, which asks this once per run.
//
// A solved water is refused when
//  - the activity model says its values are none a water has
//    (ActivityValues::unusable: a coefficient beyond 1e15);
//  - a molality, activity, activity coefficient, the activity of water, the
//    ionic strength or the mass of water is not a finite number of its sign;
//  - the ionic strength is not that of its species (a model not refreshed
//    at the solution);
//  - a species reaches the most the activity model can hold (B-dot 10 mol/kg);
//  - its species make or take more than a tenth of its water (the mass of
//    free water is not that of the analysis with its solutes);
//  - its CO2 stands at more than ten times the water's pressure: such a
//    water would boil off its gas, no analysis holds it;
//  - a condition asked for does not hold: the pH given, a mineral held at
//    its saturation index, the mass balance of a total as analysed.
// Values beyond a model's range of validity that a water can have (B-dot
// above I = 1) are results, flagged by the model's range note instead.
#pragma once

#include <string>

namespace wq {

struct Results;
struct SolverState;

// Why the solved state is no water that can exist, in one line (which
// condition, by how much); empty when it is one.
std::string impossibleWaterReason(const SolverState& state, const Results& results);

// Why a run that found no solution (its iteration and joint solve ended
// without one, for no condition they could name) ended where no water can
// be: the same tests of what a water is, without the conditions asked for,
// on the state it ended at (OH- at the most the model holds, for a pH of
// 15 in a water with no cation to balance it); empty when it did not.
std::string unreachedWaterReason(const SolverState& state, const Results& results);

}  // namespace wq
