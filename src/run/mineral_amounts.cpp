#include "run/mineral_amounts.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "input/tables.hpp"
#include "linear/linear.hpp"
#include "solver/solver_state.hpp"

namespace wq {

namespace {

constexpr int MAX_AMOUNT_ITERATIONS = 40;
// The derivative of log Q/K by an amount: a step of this fraction of what
// the scarcest component of the mineral allows.
constexpr double DERIVATIVE_FRACTION = 1e-6;
// A Newton step leaves every component at least this fraction of its total.
constexpr double KEPT_FRACTION = 0.1;
constexpr int MAX_HALVINGS = 6;

// A gas's derivative is taken on this many moles at least: what leaves the
// water may be a component whose total is near 0 or below (H+ of a proton
// balance), which bounds no step.
constexpr double GAS_SCALE = 1e-3;

// What the scarcest component of a mineral allows to precipitate.
double room(const AmountSolve& solve, const HeldMineral& h, const std::vector<HeldMineral>& held) {
    if (h.gas) return std::max(GAS_SCALE, std::fabs(h.moles));
    double most = std::numeric_limits<double>::infinity();
    for (int k = 1; k <= solve.componentCount; ++k)
        if (h.nu[static_cast<std::size_t>(k)] > 0.0)
            most = std::min(most, std::max(solve.totalOf(k, held), 0.0) / h.nu[static_cast<std::size_t>(k)]);
    return std::isfinite(most) && most > 0.0 ? most : 1e-12;
}

// The largest fraction of the Newton step `d` that leaves every component
// at least KEPT_FRACTION of its total.
double stepLength(const AmountSolve& solve, const std::vector<HeldMineral>& held, const NewtonVector& d) {
    double lambda = 1.0;
    for (int k = 1; k <= solve.componentCount; ++k) {
        if (k == WATER_SLOT) continue;
        const double total = solve.totalOf(k, held);
        double change = 0.0;
        for (std::size_t j = 0; j < held.size(); ++j)
            change -= held[j].nu[static_cast<std::size_t>(k)] * d[static_cast<int>(j) + 1];
        if (total > 0.0 && total + change < KEPT_FRACTION * total)
            lambda = std::min(lambda, (1.0 - KEPT_FRACTION) * total / -change);
    }
    return lambda;
}

std::vector<HeldMineral> stoichiometries(const SolverState& p, bool gases) {
    std::vector<HeldMineral> all;
    for (int i = 1; i <= p.minerals.count; ++i) {
        const MineralEntry& m = p.minerals[i];
        if (m.isGas() != gases) continue;
        Stoichiometry nu(static_cast<std::size_t>(p.comp.count) + 1, 0.0);
        for (int t = 1; t <= m.itot; ++t)
            if (m.comp[t] != WATER_SLOT && m.comp[t] >= 1 && m.comp[t] <= p.comp.count)
                nu[static_cast<std::size_t>(m.comp[t])] += m.coef[t];
        HeldMineral h;
        h.mineral = std::string(m.name.trimmed());
        h.nu = std::move(nu);
        h.gas = gases;
        all.push_back(std::move(h));
    }
    return all;
}

}  // namespace

std::vector<HeldMineral> mineralStoichiometries(const SolverState& p) { return stoichiometries(p, false); }

std::vector<HeldMineral> gasStoichiometries(const SolverState& p) { return stoichiometries(p, true); }

double proportion(const Stoichiometry& a, const Stoichiometry& b) {
    double c = 0.0;
    for (std::size_t k = 1; k < a.size(); ++k) {
        if ((a[k] == 0.0) != (b[k] == 0.0)) return 0.0;
        if (a[k] == 0.0) continue;
        const double ratio = a[k] / b[k];
        if (c == 0.0) c = ratio;
        if (std::fabs(ratio - c) > 1e-12 * std::fabs(c)) return 0.0;
    }
    return c > 0.0 ? c : 0.0;
}

double saturationIndexOf(const Results& r, const std::string& mineral) {
    for (const MineralRow& m : r.minerals)
        if (m.name == mineral) return m.saturationIndex;
    return std::numeric_limits<double>::quiet_NaN();
}

double heldIndexOf(const Results& r, const HeldMineral& held) {
    if (!held.gas) return saturationIndexOf(r, held.mineral);
    for (const GasRow& g : r.gases)
        if (g.name == held.mineral) return g.logFugacity;
    return std::numeric_limits<double>::quiet_NaN();
}

std::optional<Results> holdAtSaturation(const AmountSolve& solve, std::vector<HeldMineral>& held, std::string& why) {
    const int n = static_cast<int>(held.size());
    std::optional<Results> r = solve.run(held, why);
    // The system of the amounts, made once: every iteration writes its n x n
    // entries, and the factorization reads no other (a system of the Newton
    // loop's size is 80 kB to clear).
    std::unique_ptr<NewtonSystem> system;
    for (int iteration = 0; iteration < MAX_AMOUNT_ITERATIONS; ++iteration) {
        if (!r || n == 0) return r;
        std::vector<double> f(static_cast<std::size_t>(n));
        double worst = 0.0;
        for (int i = 0; i < n; ++i) {
            const HeldMineral& h = held[static_cast<std::size_t>(i)];
            f[static_cast<std::size_t>(i)] = heldIndexOf(*r, h) - h.target;
            worst = std::max(worst, std::fabs(f[static_cast<std::size_t>(i)]));
        }
        if (!std::isfinite(worst)) {
            why = "a mineral held at saturation left the run";
            return std::nullopt;
        }
        if (worst < SATURATED) return r;
        if (!system) system = std::make_unique<NewtonSystem>();
        system->order = n;
        for (int j = 0; j < n; ++j) {
            HeldMineral& h = held[static_cast<std::size_t>(j)];
            const double delta = DERIVATIVE_FRACTION * room(solve, h, held);
            h.moles += delta;
            const std::optional<Results> moved = solve.run(held, why);
            h.moles -= delta;
            if (!moved) return std::nullopt;
            for (int i = 0; i < n; ++i)
                system->a(i + 1, j + 1) =
                    (heldIndexOf(*moved, held[static_cast<std::size_t>(i)]) - held[static_cast<std::size_t>(i)].target -
                     f[static_cast<std::size_t>(i)]) /
                    delta;
        }
        factorLU(*system, n);
        if (system->pivot[n] == 0) {
            why = "the saturated minerals' amounts form a singular system";
            return std::nullopt;
        }
        NewtonVector d;
        for (int i = 0; i < n; ++i) d[i + 1] = -f[static_cast<std::size_t>(i)];
        substituteLU(*system, d);
        double lambda = stepLength(solve, held, d);
        // A step whose water the speciation cannot solve is halved.
        const std::vector<HeldMineral> start = held;
        for (int halving = 0;; ++halving) {
            for (int j = 0; j < n; ++j)
                held[static_cast<std::size_t>(j)].moles = start[static_cast<std::size_t>(j)].moles + lambda * d[j + 1];
            r = solve.run(held, why);
            if (r || halving == MAX_HALVINGS) break;
            lambda *= 0.5;
        }
    }
    why = "the amounts of the saturated minerals did not converge";
    return std::nullopt;
}

}  // namespace wq
