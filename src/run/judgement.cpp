#include "run/judgement.hpp"

#include <cmath>
#include <string>

#include "input/db_numbers.hpp"
#include "run/results.hpp"
#include "solver/mass_action.hpp"
#include "solver/solver_state.hpp"
#include "solver/totals.hpp"
#include "text/number_text.hpp"

namespace wq {

namespace {

// The share of its water that the species of a water may make or take:
// hydrolysis and complexes move a few parts per thousand of it in the
// strongest brines; a tenth is a water the analysis does not describe.
constexpr double WATER_MASS_SHIFT = 0.1;
// A gas at this many times the pressure of the water would leave it.
constexpr double GAS_OVER_PRESSURE = 10.0;
// The tolerances of the conditions checked after a solve: well above the
// iteration's own, so that only a condition that does not hold is refused.
constexpr double PH_TOLERANCE = 1e-6;
constexpr double SATURATION_TOLERANCE = 1e-3;
constexpr double BALANCE_TOLERANCE = 1e-5;
constexpr double IONIC_STRENGTH_TOLERANCE = 1e-3;
// Below this a difference of amounts is no amount (mol): a total of 0 is
// held by species of molalities of 1e-60.
constexpr double LEAST_AMOUNT = 1e-18;

std::string number(double v) { return std::isfinite(v) ? shortestText(v) : std::string(std::isnan(v) ? "nan" : "inf"); }

std::string significant(double v) {
    if (!std::isfinite(v)) return number(v);
    const double a = std::fabs(v);
    return a != 0.0 && (a < 1e-3 || a >= 1e5) ? scientificText(v, 2) : fixedText(v, a < 1.0 ? 4 : 2);
}

bool positive(double v) { return std::isfinite(v) && v > 0.0; }
bool nonNegative(double v) { return std::isfinite(v) && v >= 0.0; }

std::string notFinite(const Results& r) {
    if (!positive(r.kgWater)) return "the mass of water is " + number(r.kgWater) + " kg";
    if (!positive(r.waterActivity)) return "the " + r.activityModel + " model gives an activity of water of " + number(r.waterActivity);
    if (!nonNegative(r.ionicStrength)) return "the ionic strength is " + number(r.ionicStrength);
    if (!std::isfinite(r.osmoticCoefficient)) return "the osmotic coefficient is " + number(r.osmoticCoefficient);
    for (const SpeciesRow& s : r.species) {
        if (!nonNegative(s.molality)) return "the molality of " + s.name + " is " + number(s.molality);
        if (!positive(s.gamma))
            return "the " + r.activityModel + " model gives " + s.name + " an activity coefficient of " + number(s.gamma);
        if (!nonNegative(s.activity)) return "the activity of " + s.name + " is " + number(s.activity);
    }
    return {};
}

// 1/2 sum m z^2 of the species, water left out.
double ionicStrengthOfSpecies(const Results& r) {
    double sum = 0.0;
    for (const SpeciesRow& s : r.species)
        if (s.position != WATER_SLOT) sum += s.molality * s.charge * s.charge;
    return 0.5 * sum;
}

std::string modelBeyondItsHold(const SolverState& state, const Results& r) {
    const double most = state.activityModel->highestComponentMolality();
    for (const SpeciesRow& s : r.species)
        if (s.position != WATER_SLOT && s.molality >= most * (1.0 - 1e-6))
            return s.name + " reaches " + significant(s.molality) + " mol/kgw, the most the " + r.activityModel +
                   " model holds (" + shortestText(most) + " mol/kgw)";
    const double ofSpecies = ionicStrengthOfSpecies(r);
    if (std::fabs(r.ionicStrength - ofSpecies) > IONIC_STRENGTH_TOLERANCE * ofSpecies + 1e-12)
        return "the ionic strength the " + r.activityModel + " model gives, " + significant(r.ionicStrength) +
               " mol/kgw, is not that of the species, " + significant(ofSpecies) + " mol/kgw";
    return {};
}

std::string waterNotItsOwn(const Results& r) {
    if (!(r.molesWater > 0.0)) return {};
    const double analysed = r.molesWater / MOLES_WATER_PER_KG;
    const double shift = r.kgWater / analysed - 1.0;
    if (std::fabs(shift) <= WATER_MASS_SHIFT) return {};
    return "the species " + std::string(shift > 0.0 ? "make " : "take ") + fixedText(100.0 * std::fabs(shift), 0) +
           " % of the water (" + significant(r.kgWater) + " kg of free water for " + significant(analysed) +
           " kg analysed)";
}

// Only CO2 is judged: its fugacity follows from the carbonate the water
// holds. That of another gas is the one its dissolved form would have at
// equilibrium with the water's redox state (N2 beside nitrate at a low Eh),
// a drive the water may keep for ever, not an amount it holds.
std::string gasBeyondPressure(const Results& r) {
    const double pressure = std::max(r.pressure, 1.0);
    for (const GasRow& g : r.gases) {
        if (g.name != "CO2(g)") continue;
        if (g.logFugacity > std::log10(GAS_OVER_PRESSURE * pressure))
            return g.name + " at log f " + fixedText(g.logFugacity, 2) + " (" + significant(g.fugacity) +
                   " bar), more than " + shortestText(GAS_OVER_PRESSURE) + " times the " + significant(pressure) +
                   " bar of the water: no water holds so much of it dissolved";
    }
    return {};
}

// The alkalinity the species without carbonate carry, eq/kgw.
double nonCarbonateAlkalinity(const SolverState& state, int carbonate) {
    double sum = 0.0;
    for (int s = 1; s <= state.sp.count; ++s)
        if (s != carbonate && (s <= state.comp.count || firstTermNaming(state.sp[s], carbonate) == 0))
            sum += state.sp[s].alkFactor * state.sp[s].molality;
    return sum;
}

// A given alkalinity that only an impossible carbonate total meets, with
// the numbers that show it.
std::string carbonateOfAlkalinity(const SolverState& state, const Results& r, const std::string& impossible) {
    const int carbonate = state.map.position(db::CARBONATE);
    if (!r.alkalinityLegend || carbonate == 0) return impossible;
    const double given = r.alkalinityPerKg;
    const double carried = nonCarbonateAlkalinity(state, carbonate);
    const std::string alkalinity = "the alkalinity given, " + significant(1000.0 * given) + " meq/kgw, ";
    if (carried >= given)
        return alkalinity + "is less than the " + significant(1000.0 * carried) +
               " meq/kgw that the species without carbonate carry at pH " + fixedText(r.pH, 2) +
               ": no carbonate total meets it";
    return alkalinity + "less the " + significant(1000.0 * carried) +
           " meq/kgw that the species without carbonate carry (H+ and HSO4- count against it), leaves " +
           significant(1000.0 * (given - carried)) + " meq/kgw to carbonate, which at pH " + fixedText(r.pH, 2) +
           " takes " + significant(heldTotal(state, carbonate) / r.kgWater) + " mol/kgw of it: " + impossible;
}

std::string conditionNotHeld(const SolverState& state, const Results& r) {
    if (pHFixed(state) && std::fabs(r.pH - state.conditions.pH) > PH_TOLERANCE)
        return "the pH is " + fixedText(r.pH, 4) + " where " + fixedText(state.conditions.pH, 4) + " was given";
    for (const ForcedRow& f : r.forced)
        for (const MineralRow& m : r.minerals)
            if (m.name == f.mineral && std::fabs(m.saturationIndex - f.target) > SATURATION_TOLERANCE)
                return f.mineral + " is held at log Q/K " + fixedText(f.target, 3) + " but stands at " +
                       fixedText(m.saturationIndex, 3);
    for (const ComponentRow& c : r.components) {
        if (!c.flag.empty() || c.position == HYDROGEN_SLOT || c.position == WATER_SLOT) continue;
        const double held = heldTotal(state, c.position, state.storage.massBalanceTerms);
        const double given = state.comp[c.position].mtot;
        if (std::fabs(held - given) > BALANCE_TOLERANCE * std::fabs(given) + LEAST_AMOUNT)
            return "the species hold " + significant(held) + " mol of " + c.name + " where the total is " +
                   significant(given) + " mol";
    }
    return {};
}

std::string physicalFault(const SolverState& state, const Results& r) {
    // The model's own word on its last refresh: values no water has.
    if (!state.activity.unusable.empty()) return state.activity.unusable;
    if (std::string why = notFinite(r); !why.empty()) return why;
    for (std::string why : {modelBeyondItsHold(state, r), waterNotItsOwn(r), gasBeyondPressure(r)})
        if (!why.empty()) return carbonateOfAlkalinity(state, r, why);
    return {};
}

}  // namespace

std::string impossibleWaterReason(const SolverState& state, const Results& r) {
    if (std::string why = physicalFault(state, r); !why.empty()) return why;
    return conditionNotHeld(state, r);
}

std::string unreachedWaterReason(const SolverState& state, const Results& r) { return physicalFault(state, r); }

}  // namespace wq
