// Minerals held at saturation by the moles that precipitate (or dissolve):
// Newton's method on the amounts, each mineral's log Q/K at its target (a
// gas's log fugacity at its own: the moles that leave the water), the
// derivatives by differences, every trial water a run of the speciation.
// The evaporation path holds its saturated minerals this way; any path that
// brings a water to equilibrium with minerals can.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "run/results.hpp"

namespace wq {

struct SolverState;

// The components of a mineral's dissociation, by run component position
// (index 0 unused), water left out: the water of a path is its own variable.
using Stoichiometry = std::vector<double>;

struct HeldMineral {
    std::string mineral;
    Stoichiometry nu;
    double moles = 0.0;  // precipitated so far, in the water of the path
    double target = 0.0;  // the log Q/K held (a gas: the log fugacity)
    bool gas = false;
};

// The stoichiometry of every mineral of the current run (gases left out),
// with nothing precipitated.
std::vector<HeldMineral> mineralStoichiometries(const SolverState& prog);

// The stoichiometry of every gas of the current run, with nothing taken out.
std::vector<HeldMineral> gasStoichiometries(const SolverState& prog);

// Two minerals of the same components in the same proportions (gypsum and
// anhydrite, epsomite and kieserite): the factor c of a = c b, or 0.
double proportion(const Stoichiometry& a, const Stoichiometry& b);

// log Q/K of the named mineral in a run's results; NaN when it has none.
double saturationIndexOf(const Results& r, const std::string& mineral);

// log Q/K of a mineral held, or the log fugacity of a gas; NaN when the run
// has none.
double heldIndexOf(const Results& r, const HeldMineral& held);

// A mineral is held at saturation when |log Q/K| is below this.
inline constexpr double SATURATED = 1e-6;

// The water of a path with the minerals `held` precipitated: its run (none,
// with why, when it fails), and the total of component `k` it then holds.
struct AmountSolve {
    std::function<std::optional<Results>(const std::vector<HeldMineral>& held, std::string& why)> run;
    std::function<double(int k, const std::vector<HeldMineral>& held)> totalOf;
    int componentCount = 0;
};

// The moles of each of `held` that bring it to its target, from the amounts
// it has; the run of the water at them. A step that would leave a component
// below a tenth of its total is shortened, one whose water cannot be solved
// is halved. None, with why, when a run fails, the system is singular or the
// amounts do not converge.
std::optional<Results> holdAtSaturation(const AmountSolve& solve, std::vector<HeldMineral>& held, std::string& why);

}  // namespace wq
