#include "solver/warm_start.hpp"

#include <algorithm>
#include <cmath>

#include "input/water_intake.hpp"
#include "solver/mass_action.hpp"
#include "solver/row_kind.hpp"
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

// The same kinds of rows and as many species and components: what near()
// and distance() need to read the given quantities side by side.
bool fitsRows(const WarmStart& warm, const SolverState& prog) {
    return prog.forced.count == 0 && warm.rows == rowKinds(prog) &&
           warm.species.size() == static_cast<std::size_t>(prog.sp.count) &&
           warm.given.size() == static_cast<std::size_t>(prog.comp.count);
}

// The same species in the same places (checked last: a name at a time).
bool fitsSpecies(const WarmStart& warm, const SolverState& prog) {
    for (int s = 1; s <= prog.sp.count; ++s)
        if (!(warm.species[static_cast<std::size_t>(s - 1)] == prog.sp[s].name)) return false;
    return true;
}

// Near enough to start from: every given total within a factor of 3, the pH
// within a unit and the temperature within 50 C. Further off, a start is no
// longer a water like this one (a river for a brine, a spring for another
// spring of three times its calcium).
constexpr double NEAR_FACTOR = 3.0, NEAR_PH_FACTOR = 10.0, NEAR_TEMPERATURE = 50.0;

// The water's given quantities are those noteStart kept.
bool near(const WarmStart& warm, const SolverState& prog) {
    if (!(std::fabs(warm.temperature - prog.conditions.temperature) <= NEAR_TEMPERATURE)) return false;
    const std::vector<double>& given = prog.storage.givenQuantities;
    for (int k = 1; k <= prog.comp.count; ++k) {
        const double to = given[static_cast<std::size_t>(k - 1)], from = warm.given[static_cast<std::size_t>(k - 1)];
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
    const std::vector<double>& given = prog.storage.givenQuantities;
    for (int k = 1; k <= prog.comp.count; ++k) {
        const auto at = static_cast<std::size_t>(k - 1);
        if (k != WATER_SLOT) d = std::max(d, std::fabs(std::log10(ratio(given[at], warm.given[at]))));
    }
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
// the first loops otherwise correct) and moves the species with them, then
// scales the free molality of each component so that its own equation holds
// with the species as they stand: its total, the activity of a fixed pH or a
// fixed activity, the alkalinity by its carbonate. Every species moves with
// its components as its mass action has it (factor^nu), so one component's
// equation comes right at once and the coupling between them (CaSO4, MgCO3)
// is left to the next pass and to Newton; a last refresh gives the first loop
// the coefficients of the settled molalities. Three passes take a seawater
// variant from 7.5 loops to 5.0 for the cost of about one loop.

constexpr int SETTLING_PASSES = 3;

// The factor on the carbonate component that meets the alkalinity, the rest
// of it (OH-, borate, silicate) held as it stands.
double alkalinityFactor(const SolverState& prog, int icarb, const ComponentTerms& terms) {
    const SpeciesTable& sp = prog.sp;
    double all = 0.0;
    for (int s = 1; s <= sp.count; ++s)
        if (s != WATER_SLOT) all += sp[s].alkFactor * sp[s].molality;
    double carbonate = sp[icarb].alkFactor * sp[icarb].molality;
    for (const ComponentTerms::Term& named : terms.of(icarb))
        carbonate += sp[named.species].alkFactor * sp[named.species].molality;
    const double target = prog.conditions.alkalinity * MOLES_WATER_PER_KG / prog.comp[WATER_SLOT].mtot;
    return ratio(target - (all - carbonate), carbonate);
}

// The factor on component i's free molality that meets its own equation: its
// total, its fixed activity (H+ of a fixed pH) or the alkalinity.
double settlingFactor(const SolverState& prog, int i, const ComponentTerms& terms) {
    const Species& c = prog.sp[i];
    switch (rowKind(prog, i, prog.input.fixedActivityPosition, alkalinityComponent(prog))) {
        case RowKind::fixedPH: return ratio(c.activity, c.gamma * c.molality);
        case RowKind::fixedActivity: return ratio(prog.input.fixedActivity, c.gamma * c.molality);
        case RowKind::alkalinity: return alkalinityFactor(prog, i, terms);
        case RowKind::saturation: return 1.0;
        case RowKind::massBalance: break;
    }
    // The H+ balance of a computed pH is a small difference of large terms
    // (OH-, the carbonate species): left to Newton.
    if (i == WATER_SLOT || i == HYDROGEN_SLOT) return 1.0;
    return ratio(prog.comp[i].mtot, heldTotal(prog, i, terms));
}

using Factors = std::array<double, MAX_COMPONENTS + 1>;

// x^nu without pow for the coefficients reactions mostly have.
double power(double x, double nu) {
    if (nu == 1.0) return x;
    if (nu == 2.0) return x * x;
    if (nu == -1.0) return 1.0 / x;
    return std::pow(x, nu);
}

// Each secondary species as its mass action moves it when the activity of
// every component is multiplied by its factor (factor^nu for each term) and
// its own coefficient went from `before` to what it is now.
void moveSecondaries(SpeciesTable& sp, int nc, const Factors& activityFactor, const std::vector<double>* before) {
    for (int s = nc + 1; s <= sp.count; ++s) {
        Species& species = sp[s];
        double f = before ? (*before)[static_cast<std::size_t>(s)] / species.gamma : 1.0;
        for (int j = 1; j <= species.itot; ++j) {
            const double onComponent = activityFactor[static_cast<std::size_t>(species.comp[j])];
            if (onComponent != 1.0) f *= power(onComponent, species.coef[j]);
        }
        species.molality *= f;
    }
}

// The coefficients refreshed at the water's own conditions (as a loop
// refreshes them, not past the model's highest molality) and the species
// moved with them; false when they were not.
bool refreshAndFollow(SolverState& prog, std::vector<double>& before) {
    SpeciesTable& sp = prog.sp;
    const int nc = prog.comp.count;
    if (refreshActivities(prog)) return false;
    before.resize(static_cast<std::size_t>(sp.count) + 1);
    for (int s = 1; s <= sp.count; ++s) before[static_cast<std::size_t>(s)] = sp[s].gamma;
    refreshGammas(prog);
    Factors byComponent;
    byComponent.fill(1.0);
    for (int c = 1; c <= nc; ++c) byComponent[static_cast<std::size_t>(c)] = sp[c].gamma / before[static_cast<std::size_t>(c)];
    moveSecondaries(sp, nc, byComponent, &before);
    return true;
}

void settleOnWater(SolverState& prog) {
    SpeciesTable& sp = prog.sp;
    const int nc = prog.comp.count;
    const ComponentTerms& terms = prog.storage.massBalanceTerms;
    Factors factor;
    factor.fill(1.0);
    for (int pass = 0; pass < SETTLING_PASSES && refreshAndFollow(prog, prog.storage.settledGammas); ++pass) {
        for (int i = 1; i <= nc; ++i) factor[static_cast<std::size_t>(i)] = settlingFactor(prog, i, terms);
        for (int i = 1; i <= nc; ++i) sp[i].molality *= factor[static_cast<std::size_t>(i)];
        moveSecondaries(sp, nc, factor, nullptr);
    }
    // The totals that follow from the speciation (the carbonate of an
    // alkalinity, the H+ of a fixed pH) and the coefficients of the settled
    // molalities, for the first loop: a start this near may converge in the
    // second loop, and what the coefficients were refreshed with (the
    // stoichiometric ionic strength counts those totals) is then the water's.
    if (hasFixedTotals(prog.input, prog.conditions)) recomputeFixedTotals(prog);
    refreshAndFollow(prog, prog.storage.settledGammas);
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
        // fitsRows() first: near() and distance() read as many given
        // quantities as it checked; the species only of a start that would
        // be taken.
        if (!fitsRows(w, prog) || !near(w, prog)) continue;
        const double d = distance(w, prog);
        if ((!best || d < bestDistance) && fitsSpecies(w, prog)) {
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
    const std::vector<double>& given = prog.storage.givenQuantities;  // noted for WarmStarts::nearest
    for (int k = 1; k <= nc; ++k) {
        const auto at = static_cast<std::size_t>(k - 1);
        if (k != WATER_SLOT) sp[k].molality = warm.molality[at] * ratio(given[at], warm.given[at]);
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
