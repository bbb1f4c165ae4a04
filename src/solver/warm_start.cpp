#include "solver/warm_start.hpp"

#include <algorithm>
#include <cmath>

#include "input/water_intake.hpp"
#include "solver/mass_action.hpp"
#include "solver/solver_state.hpp"
#include "solver/totals.hpp"

namespace wq {

namespace {

// The rows whose kind a start must share: the fixed pH, the alkalinity's
// component, the fixed activity's component, the charge balance's component
// (0: none of that kind).
std::array<int, 4> rowKinds(const SolverState& prog) {
    const bool balanced = balancesCharge(prog.input, prog.conditions, prog.forced);
    return {pHFixed(prog) ? HYDROGEN_SLOT : 0, alkalinityComponent(prog), prog.input.fixedActivityPosition,
            balanced ? prog.input.chargeBalancePosition : 0};
}

// What row i of the water set up in `prog` was given: 10^-pH, the
// alkalinity, the fixed activity, or the total.
double givenQuantity(const SolverState& prog, int i) {
    if (i == HYDROGEN_SLOT && pHFixed(prog)) return prog.sp[HYDROGEN_SLOT].activity;
    if (i == alkalinityComponent(prog)) return prog.conditions.alkalinity;
    if (i == prog.input.fixedActivityPosition) return prog.input.fixedActivity;
    return prog.comp[i].mtot;
}

// The factor from one positive (or one negative) quantity to another; 1 where
// there is none (a total of 0, a sign that changed).
double ratio(double to, double from) {
    const double r = to / from;
    return std::isfinite(r) && r > 0.0 ? r : 1.0;
}

// Sum of z^2 times the given totals of the charged components.
double ionicTotal(const SolverState& prog) {
    double sum = 0.0;
    for (int k = 1; k <= prog.comp.count; ++k) sum += prog.sp[k].charge * prog.sp[k].charge * prog.comp[k].mtot;
    return sum;
}

bool fits(const WarmStart& warm, const SolverState& prog) {
    if (prog.forced.count != 0 || warm.rows != rowKinds(prog)) return false;
    if (warm.species.size() != static_cast<std::size_t>(prog.sp.count) ||
        warm.given.size() != static_cast<std::size_t>(prog.comp.count))
        return false;
    for (int s = 1; s <= prog.sp.count; ++s)
        if (!(warm.species[static_cast<std::size_t>(s - 1)] == prog.sp[s].name)) return false;
    return true;
}

// Near enough to start from: every given total within a factor of 3, the pH
// within a unit and the temperature within 50 C. Further off, a start is no
// longer a water like this one (a river for a brine, a spring for another
// spring of three times its calcium).
constexpr double NEAR_FACTOR = 3.0, NEAR_PH_FACTOR = 10.0, NEAR_TEMPERATURE = 50.0;

bool near(const WarmStart& warm, const SolverState& prog) {
    if (!(std::fabs(warm.temperature - prog.conditions.temperature) <= NEAR_TEMPERATURE)) return false;
    for (int k = 1; k <= prog.comp.count; ++k) {
        const double to = givenQuantity(prog, k), from = warm.given[static_cast<std::size_t>(k - 1)];
        if (k == WATER_SLOT || to == from) continue;
        const double most = k == HYDROGEN_SLOT && pHFixed(prog) ? NEAR_PH_FACTOR : NEAR_FACTOR;
        const double r = to / from;
        if (!(r >= 1.0 / most && r <= most)) return false;
    }
    return true;
}

// How far apart two waters are: the largest factor between their given
// quantities, in log10 units, and a tenth of a log unit per 5 C.
double distance(const WarmStart& warm, const SolverState& prog) {
    double d = std::fabs(warm.temperature - prog.conditions.temperature) / 50.0;
    for (int k = 1; k <= prog.comp.count; ++k)
        if (k != WATER_SLOT)
            d = std::max(d, std::fabs(std::log10(ratio(givenQuantity(prog, k), warm.given[static_cast<std::size_t>(k - 1)]))));
    return d;
}

// ---- the start settled on the water --------------------------------------
//
// A start taken from another water carries that water's activity
// coefficients, at its temperature and ionic strength, and the free
// molalities of its complexing: iron, whose hydroxide complexes follow the pH
// and the temperature, is off by a factor of 300 between two seawater
// variants. Newton's first loops would spend themselves on that; a few cheap
// passes take most of it out first. Each pass refreshes the coefficients at
// the water's own conditions (a coefficient kept from the other water is what
// the first loops otherwise correct), then scales the free molality of each
// component whose equation is a mass balance so that its total comes right
// with the species as they stand; every species scales with its components
// as its reaction has them (factor^nu), so one component's balance comes
// right at once and the coupling between them (CaSO4, MgCO3) is left to the
// next pass and to Newton. The rows of a fixed pH, a fixed activity and an
// alkalinity are left to Newton: scaling them too gained nothing on the
// seawater variants. Three passes take a seawater variant from 7.5 loops to
// 5.5 for the cost of about one loop.

constexpr int SETTLING_PASSES = 3;

// The total of component i as the species stand, as its mass balance counts it.
double standingTotal(const SolverState& prog, int i, const ComponentTerms& terms) {
    const SpeciesTable& sp = prog.sp;
    double sum = sp[i].molality;
    for (const ComponentTerms::Term& named : terms.of(i)) sum += sp[named.species].coef[named.term] * sp[named.species].molality;
    return prog.run.kgw * sum;
}

// The factor on component i's free molality that meets its own equation.
double settlingFactor(const SolverState& prog, int i, const ComponentTerms& terms) {
    if (i == WATER_SLOT || i == HYDROGEN_SLOT || i == prog.input.fixedActivityPosition || i == alkalinityComponent(prog))
        return 1.0;
    return ratio(prog.comp[i].mtot, standingTotal(prog, i, terms));
}

// Each component's free molality times its factor, and each species' with
// it as its reaction has it: times factor^nu for every term.
void scaleComponents(SpeciesTable& sp, int nc, const std::array<double, MAX_COMPONENTS + 1>& factor) {
    for (int i = 1; i <= nc; ++i) sp[i].molality *= factor[static_cast<std::size_t>(i)];
    for (Species& s : sp.at.positions(nc + 1, sp.count)) {
        double f = 1.0;
        for (int j = 1; j <= s.itot; ++j) {
            const double onComponent = factor[static_cast<std::size_t>(s.comp[j])];
            if (onComponent != 1.0) f *= s.coef[j] == 1.0 ? onComponent : std::pow(onComponent, s.coef[j]);
        }
        s.molality *= f;
    }
}

void settleOnWater(SolverState& prog) {
    SpeciesTable& sp = prog.sp;
    const int nc = prog.comp.count;
    ComponentTerms& terms = prog.storage.massBalanceTerms;
    terms.build(sp, nc);
    std::array<double, MAX_COMPONENTS + 1> factor{};
    for (int pass = 0; pass < SETTLING_PASSES; ++pass) {
        // The coefficients as a loop refreshes them (not past the model's
        // highest molality).
        if (refreshActivities(prog)) break;
        refreshGammas(prog);
        massActionUpdate(sp, nc);
        for (int i = 1; i <= nc; ++i) factor[static_cast<std::size_t>(i)] = settlingFactor(prog, i, terms);
        scaleComponents(sp, nc, factor);
    }
    for (int k = pHFixed(prog) ? HYDROGEN_SLOT + 1 : HYDROGEN_SLOT; k <= nc; ++k)
        sp[k].activity = sp[k].molality * sp[k].gamma;
}

}  // namespace

void WarmStarts::keep(const SolverState& prog) {
    if (prog.redox.active) return;  // solved by the joint solve alone, never started warm
    WarmStart& w = kept_[next_];
    next_ = (next_ + 1) % KEPT;
    count_ = std::min(count_ + 1, KEPT);
    const auto n = static_cast<std::size_t>(prog.sp.count);
    w.temperature = prog.conditions.temperature;
    w.species.resize(n);
    w.molality.resize(n);
    w.gamma.resize(n);
    for (std::size_t s = 0; s < n; ++s) {
        const Species& species = prog.sp[static_cast<int>(s + 1)];
        w.species[s] = species.name;
        w.molality[s] = species.molality;
        w.gamma[s] = species.gamma;
    }
    w.given = prog.storage.givenQuantities;
    w.kgw = prog.run.kgw;
    w.kgwGiven = prog.storage.givenKgw;
    w.ionicStrength = prog.activity.ionicStrength;
    w.ionicTotal = prog.storage.givenIonicTotal;
    w.rows = rowKinds(prog);
}

const WarmStart* WarmStarts::nearest(const SolverState& prog) const {
    const WarmStart* best = nullptr;
    double bestDistance = 0.0;
    // From the newest back, so that of two as near the newer is taken.
    for (std::size_t k = 1; k <= count_; ++k) {
        const WarmStart& w = kept_[(next_ + KEPT - k) % KEPT];
        if (!fits(w, prog) || !near(w, prog)) continue;
        const double d = distance(w, prog);
        if (!best || d < bestDistance) {
            best = &w;
            bestDistance = d;
        }
    }
    return best;
}

void noteStart(SolverState& prog) {
    std::vector<double>& given = prog.storage.givenQuantities;
    given.resize(static_cast<std::size_t>(prog.comp.count));
    for (int k = 1; k <= prog.comp.count; ++k) given[static_cast<std::size_t>(k - 1)] = givenQuantity(prog, k);
    prog.storage.givenKgw = prog.run.kgw;
    prog.storage.givenIonicTotal = ionicTotal(prog);
}

void startFrom(SolverState& prog, const WarmStart& warm) {
    SpeciesTable& sp = prog.sp;
    const int nc = prog.comp.count;
    for (int k = 1; k <= nc; ++k) {
        const auto at = static_cast<std::size_t>(k - 1);
        if (k != WATER_SLOT) sp[k].molality = warm.molality[at] * ratio(givenQuantity(prog, k), warm.given[at]);
    }
    for (int s = 1; s <= sp.count; ++s) sp[s].gamma = warm.gamma[static_cast<std::size_t>(s - 1)];
    // With a fixed pH, H+ keeps the activity the set-up gave it.
    for (int k = pHFixed(prog) ? HYDROGEN_SLOT + 1 : HYDROGEN_SLOT; k <= nc; ++k)
        sp[k].activity = sp[k].molality * sp[k].gamma;
    prog.run.kgw = warm.kgw * ratio(prog.run.kgw, warm.kgwGiven);
    prog.activity.ionicStrength = warm.ionicStrength * ratio(ionicTotal(prog), warm.ionicTotal);
    massActionUpdate(sp, nc);
    settleOnWater(prog);
}

}  // namespace wq
