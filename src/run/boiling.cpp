#include "run/boiling.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "equilibria/steam_tables.hpp"
#include "grid/units.hpp"
#include "input/tables.hpp"
#include "linear/linear.hpp"

namespace wq {

namespace {

// The gases that boil out of a geothermal water (Giggenbach 1980).
constexpr const char* VOLATILE_GASES[] = {"CO2(g)", "H2S(g)", "CH4(g)", "H2(g)", "N2(g)", "O2(g)"};

constexpr int MAX_PARTITION_ITERATIONS = 60;
constexpr int MAX_HALVINGS = 8;
// The gases' mole fractions are held to this in log10 (1e-9 relative).
constexpr double PARTITION_TOLERANCE = 4e-10;
// The derivative by a step of this in log10 of the moles.
constexpr double LOG_STEP = 1e-6;
// A Newton step changes no log10 of moles by more than this.
constexpr double LONGEST_LOG_STEP = 2.0;
// The steam takes at most this fraction of what the scarcest component of
// a gas holds (it can take nearly all of it: CO2 at a high steam fraction).
constexpr double MOST_TAKEN = 1.0 - 1e-9;
// A gas starts with at least this much in the steam, mol.
constexpr double FEWEST_MOLES = 1e-300;

// The most of `gas` the liquid can give: what its scarcest component with a
// positive coefficient holds (H+ of the proton balance aside, which may be
// near 0 or below); infinite for a gas of none (H2(g) = H2O - 0.5 O2,aq).
double mostTaken(const GasPartition& stage, const HeldMineral& gas, const std::vector<double>& degassed,
                 std::size_t self) {
    std::vector<double> without = degassed;
    without[self] = 0.0;
    double most = std::numeric_limits<double>::infinity();
    for (int k = 1; k <= stage.componentCount; ++k) {
        const double nu = gas.nu[static_cast<std::size_t>(k)];
        if (k == HYDROGEN_SLOT || k == WATER_SLOT || nu <= 0.0) continue;
        most = std::min(most, std::max(stage.totalOf(k, without), 0.0) / nu);
    }
    return most * MOST_TAKEN;
}

double logFugacityOf(const Results& r, const HeldMineral& gas) { return heldIndexOf(r, gas); }

// The misfit of Henry's law of each gas: log f in the liquid less log (x P)
// in the steam, x = n / (n_H2O + sum n).
std::vector<double> misfits(const GasPartition& stage, const std::vector<HeldMineral>& gases,
                            const std::vector<double>& degassed, const Results& r) {
    double steamMoles = stage.steamWaterMoles;
    for (double n : degassed) steamMoles += n;
    std::vector<double> f(gases.size());
    for (std::size_t i = 0; i < gases.size(); ++i)
        f[i] = logFugacityOf(r, gases[i]) - std::log10(degassed[i] / steamMoles * stage.pressureBar);
    return f;
}

double worstOf(const std::vector<double>& f) {
    double worst = 0.0;
    for (double x : f) worst = std::isfinite(x) ? std::max(worst, std::fabs(x)) : INFINITY;
    return worst;
}

// `degassed` moved by `step` in log10, each amount kept below what the
// liquid can give.
std::vector<double> moved(const GasPartition& stage, const std::vector<HeldMineral>& gases,
                          const std::vector<double>& degassed, const std::vector<double>& step, double lambda) {
    std::vector<double> next = degassed;
    for (std::size_t i = 0; i < gases.size(); ++i) {
        const double most = mostTaken(stage, gases[i], degassed, i);
        const double wanted = degassed[i] * std::pow(10.0, lambda * step[i]);
        next[i] = wanted < most ? wanted : 0.5 * (degassed[i] + most);
    }
    return next;
}

// The Newton step in log10 of the moles; empty when the system is singular.
std::vector<double> newtonStep(const GasPartition& stage, const std::vector<HeldMineral>& gases,
                               const std::vector<double>& degassed, const std::vector<double>& f, std::string& why) {
    const int n = static_cast<int>(gases.size());
    auto system = std::make_unique<NewtonSystem>();
    system->order = n;
    for (int j = 0; j < n; ++j) {
        std::vector<double> trial = degassed;
        trial[static_cast<std::size_t>(j)] *= std::pow(10.0, LOG_STEP);
        const std::optional<Results> r = stage.run(trial, why);
        if (!r) return {};
        const std::vector<double> fj = misfits(stage, gases, trial, *r);
        for (int i = 0; i < n; ++i)
            system->a(i + 1, j + 1) = (fj[static_cast<std::size_t>(i)] - f[static_cast<std::size_t>(i)]) / LOG_STEP;
    }
    factorLU(*system, n);
    if (system->pivot[n] == 0) {
        why = "the gases' amounts in the steam form a singular system";
        return {};
    }
    NewtonVector d;
    for (int i = 0; i < n; ++i) d[i + 1] = -f[static_cast<std::size_t>(i)];
    substituteLU(*system, d);
    std::vector<double> step(gases.size());
    double longest = 0.0;
    for (int i = 0; i < n; ++i) longest = std::max(longest, std::fabs(d[i + 1]));
    const double scale = longest > LONGEST_LOG_STEP ? LONGEST_LOG_STEP / longest : 1.0;
    for (int i = 0; i < n; ++i) step[static_cast<std::size_t>(i)] = scale * d[i + 1];
    return step;
}

}  // namespace

std::vector<HeldMineral> volatileGases(const SolverState& p) {
    std::vector<HeldMineral> found;
    for (const HeldMineral& g : gasStoichiometries(p))
        for (const char* name : VOLATILE_GASES)
            if (g.mineral == name) found.push_back(g);
    return found;
}

double flashSteamFraction(double fromC, double toC) {
    return steamFraction(saturationEnthalpies(fromC + KELVIN_OFFSET).liquid, toC + KELVIN_OFFSET);
}

double steamPressureBar(double c) { return 10.0 * if97SaturationPressure(c + KELVIN_OFFSET); }

std::optional<Results> partitionGases(const GasPartition& stage, const std::vector<HeldMineral>& gases,
                                      std::vector<double>& degassed, std::string& why) {
    std::optional<Results> r = stage.run(degassed, why);
    if (!r || gases.empty()) return r;
    // The first guess: the steam at the liquid's fugacities, as if it took
    // nothing from the liquid, at most half of what the liquid holds; a
    // tenth of it while the liquid cannot be solved.
    const std::vector<double> none = degassed;
    for (std::size_t i = 0; i < gases.size(); ++i)
        if (degassed[i] <= 0.0)
            degassed[i] = std::max(FEWEST_MOLES, std::min(0.5 * mostTaken(stage, gases[i], none, i),
                                                          std::pow(10.0, logFugacityOf(*r, gases[i])) *
                                                              stage.steamWaterMoles / stage.pressureBar));
    for (int tries = 0; tries < MAX_HALVINGS; ++tries) {
        r = stage.run(degassed, why);
        if (r) break;
        for (double& n : degassed) n = std::max(FEWEST_MOLES, 0.1 * n);
    }
    for (int iteration = 0; iteration < MAX_PARTITION_ITERATIONS; ++iteration) {
        if (!r) return r;
        const std::vector<double> f = misfits(stage, gases, degassed, *r);
        const double worst = worstOf(f);
        if (!std::isfinite(worst)) {
            why = "a gas boiled out of the liquid left the run";
            return std::nullopt;
        }
        if (worst < PARTITION_TOLERANCE) return r;
        const std::vector<double> step = newtonStep(stage, gases, degassed, f, why);
        if (step.empty()) return std::nullopt;
        // A step whose liquid cannot be solved, or that fits worse, is halved.
        const std::vector<double> start = degassed;
        double lambda = 1.0;
        for (int halving = 0;; ++halving) {
            degassed = moved(stage, gases, start, step, lambda);
            r = stage.run(degassed, why);
            if ((r && worstOf(misfits(stage, gases, degassed, *r)) < worst) || halving == MAX_HALVINGS) break;
            lambda *= 0.5;
        }
    }
    why = "the gases' amounts in the steam did not converge";
    return std::nullopt;
}

}  // namespace wq
