#include "run/results.hpp"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>

#include "equilibria/redox.hpp"
#include "equilibria/redox_scale.hpp"
#include "equilibria/saturation.hpp"
#include "input/db_numbers.hpp"
#include "run/water_quality.hpp"
#include "solver/redox_run.hpp"
#include "solver/solve.hpp"
#include "solver/solver_state.hpp"

namespace wq {
namespace {

// Alpha shown for a component whose total is 0, held in single precision.
constexpr double ALPHA_OF_ZERO_TOTAL = double(999.99f);

// The species whose line is kept below the print threshold.
constexpr std::string_view DISSOLVED_OXYGEN = "O2,aq";

double activityOf(const SolverState& s, int i) { return s.sp[i].gamma * s.sp[i].molality; }

bool inRun(const SolverState& s, int dbNumber) { return s.map.position(dbNumber) != 0; }

bool chargeWasAdjusted(const SolverState& s) { return s.run.chargeImbalance != 0.0; }

// ---------------------------------------------------------------------------
// Derived quantities

// Fournier & Truesdell (1973), when the run input asks for it and Ca, K and
// Na are all components.
void evaluateSourceTemperature(const SolverState& s, Results& r) {
    const int ca = s.map.position(db::CALCIUM);
    const int k = s.map.position(db::POTASSIUM);
    const int na = s.map.position(db::SODIUM);
    if (s.input.geothermometer != 1 || ca == 0 || k == 0 || na == 0) return;
    const double kgw = s.run.kgw;
    r.sourceTemperatureShown = true;
    r.sourceTemperature = naKCaSourceTemperature(s.comp[ca].mtot / kgw, s.comp[k].mtot / kgw, s.comp[na].mtot / kgw);
}

// Eh from the oxygen couple when O2(aq) is a component, else from the
// sulfide-sulfate couple when both SO4-- and HS- are.
void evaluateEh(const SolverState& s, Results& r) {
    const double aH = activityOf(s, HYDROGEN_SLOT);
    const double aW = activityOf(s, WATER_SLOT);
    const double t = s.conditions.temperature;
    const int o2 = s.map.position(db::OXYGEN);
    const int so4 = s.map.position(db::SULFATE);
    const int hs = s.map.position(db::SULFIDE);
    if (o2 != 0) {
        r.ehCouple = EhCouple::oxygen;
        r.eh = ehFromOxygen(aH, aW, activityOf(s, o2), t);
    } else if (so4 != 0 && hs != 0) {
        r.ehCouple = EhCouple::sulfideSulfate;
        r.eh = ehFromSulfideSulfate(aH, aW, activityOf(s, so4), activityOf(s, hs), t);
    } else if (const std::optional<double> eh = methaneCarbonateEh(s)) {
        // A methanic water without oxygen or sulfide: the records take the
        // Eh of its methane (the listing's Eh line is the classic two's).
        r.ehCouple = EhCouple::methaneCarbonate;
        r.eh = *eh;
    }
}

void evaluateRedox(const SolverState& s, Results& r) {
    const RedoxRun& redox = s.redox;
    if (!redox.active) return;
    RedoxReport& out = r.redox;
    const double t = s.conditions.temperature;
    out.given = true;
    out.state = redoxStateText(redox.state);
    out.logOxygen = std::log10(activityOf(s, redox.oxygen));
    out.pe = waterPe(s);
    out.eh = ehFromPe(out.pe, t);
    out.decoupled = redox.decoupled;
    for (const RedoxPair& pair : redox.pairs) {
        RedoxCoupleRow row;
        row.name = pair.couple.name;
        row.logOxygen = pairLogOxygen(s, pair);
        row.pe = peOfLogOxygen(s, row.logOxygen);
        row.eh = ehFromPe(row.pe, t);
        row.coupled = pair.coupled || (redox.statePair >= 0 && &pair == &redox.pairs[static_cast<std::size_t>(redox.statePair)]);
        out.couples.push_back(row);
    }
}

// Grams of solution: every component's formula weight times its total moles,
// water included.
double totalMass(const SolverState& s) {
    double grams = 0.0;
    for (int k = 1; k <= s.comp.count; ++k) grams += s.sp[k].formulaWeight * s.comp[k].mtot;
    return grams;
}

double calculatedAlkalinity(const SolverState& s) {
    double fromComponents = 0.0;
    for (int k = 1; k <= s.comp.count; ++k) fromComponents += s.sp[k].alkFactor * s.sp[k].molality;
    double fromSecondaries = 0.0;
    for (int i = s.comp.count + 1; i <= s.sp.count; ++i) fromSecondaries += s.sp[i].alkFactor * s.sp[i].molality;
    return fromComponents + fromSecondaries;
}

// The molality of a redox component plus its share of every secondary
// species, counted by the species' reaction coefficient of that component
// (0 for species whose reaction holds both HS- and SO4--). 0 when the
// component is not in the run.
double literalSum(const SolverState& s, int position, double Species::*coefficient) {
    double sum = s.sp[position].molality;
    for (int i = s.comp.count + 1; i <= s.sp.count; ++i) sum += s.sp[i].*coefficient * s.sp[i].molality;
    return sum;
}

LiteralTotal literalTotal(const SolverState& s, int dbNumber, double Species::*coefficient, double grams) {
    LiteralTotal t;
    const int position = s.map.position(dbNumber);
    // With dissolved oxygen the sulfur literal sums are not formed.
    if (position == 0 || inRun(s, db::OXYGEN)) return t;
    const double literal = literalSum(s, position, coefficient);
    if (literal == 0.0) return t;
    t.shown = true;
    t.molality = s.sp[position].molality;
    t.moles = literal * s.run.kgw;
    t.ppm = 1e6 * literal * s.sp[position].formulaWeight / grams;
    t.totalMolality = literal;
    return t;
}

bool fixedByForcedPhase(const SolverState& s, int k) {
    for (int e = 1; e <= s.forced.count; ++e)
        if (s.forced[e].component == k) return true;
    return false;
}

// How the total of component k came about; the first rule that applies.
std::string_view componentFlag(const SolverState& s, int k) {
    if (k == s.input.chargeBalancePosition && chargeWasAdjusted(s)) return "AD";
    if (fixedByForcedPhase(s, k)) return "EQ";
    if (k == s.map.position(db::CARBONATE) && s.conditions.alkalinity != 0.0) return "AL";
    if (k == s.input.fixedActivityPosition) return "CM";
    if (k == HYDROGEN_SLOT && s.conditions.pH != 0.0) return "CM";
    return "";
}

// The line that tells that the joint solve found the solution the iteration
// did not, and why the iteration did not.
std::string solveNote(const SolverState& s) {
    const JointSolveReport& joint = s.run.joint;
    if (!joint.solved) return {};
    if (s.redox.active)
        return "Solved with its redox state by the joint Newton solve in " + std::to_string(joint.iterations) +
               " iterations.";
    std::string why;
    if (!joint.iterationStopped) {
        why = "The iteration did not converge in " + std::to_string(s.run.loops) + " loops";
    } else {
        const std::string name(s.sp[joint.stop.component].name.trimmed());
        const std::string loop = std::to_string(joint.stop.loop);
        switch (joint.stop.kind) {
            case IterationStop::Kind::chargeImbalance:
                why = "The charge balance on " + name + " stopped the iteration in loop " + loop;
                break;
            case IterationStop::Kind::nonFiniteResidual:
                why = "The iteration met a non-finite residual of " + name + " in loop " + loop;
                break;
            case IterationStop::Kind::nonFiniteStep:
                why = "The iteration met a non-finite Newton step of " + name + " in loop " + loop;
                break;
        }
    }
    const int n = joint.iterations;
    return why + "; solved by the joint Newton solve in " + std::to_string(n) + (n == 1 ? " iteration." : " iterations.");
}

// ---------------------------------------------------------------------------
// Tables

void evaluateWater(const SolverState& s, Results& r) {
    r.kgWater = s.run.kgw;
    r.molesLiquidWater = s.run.kgw * MOLES_WATER_PER_KG;
    r.molesWater = s.comp[WATER_SLOT].mtot;
    // The gamma entry of water holds its activity, as of the start of the last loop.
    r.waterActivity = s.sp[WATER_SLOT].gamma;
    r.stoichiometricIonicStrength = s.activity.stoichIonicStrength;
    r.osmoticCoefficient = s.activity.osmotic;
    r.ionicStrength = s.activity.ionicStrength;
    r.calculatedAlkalinity = calculatedAlkalinity(s);
    r.pH = -std::log10(activityOf(s, HYDROGEN_SLOT));
    // The activity model is fitted to NaCl solutions; it is trusted when the
    // charge balance is made on Na+ or Cl-.
    const int cb = s.input.chargeBalancePosition;
    r.naclNotDominant = cb != s.map.position(db::CHLORIDE) && cb != s.map.position(db::SODIUM);
}

void evaluateChargeBalance(const SolverState& s, Results& r) {
    if (!chargeWasAdjusted(s)) return;
    const int cb = s.input.chargeBalancePosition;
    r.chargeBalance.adjusted = true;
    r.chargeBalance.component = std::string(s.sp[cb].name.trimmed());
    r.chargeBalance.startTotal = s.conditions.chargeBalanceStartTotal;
    r.chargeBalance.change = s.comp[cb].mtot - s.conditions.chargeBalanceStartTotal;
}

bool printedInSpeciesTable(const SolverState& s, int i) {
    return i == WATER_SLOT || s.sp[i].molality >= s.input.printThreshold || s.sp[i].name.equals(DISSOLVED_OXYGEN);
}

void evaluateSpecies(const SolverState& s, Results& r) {
    r.species.reserve(static_cast<std::size_t>(s.sp.count));
    for (int i = 1; i <= s.sp.count; ++i) {
        const Species& sp = s.sp[i];
        SpeciesRow row;
        row.position = i;
        row.name = std::string(sp.name.trimmed());
        row.charge = sp.charge;
        row.molality = sp.molality;
        row.activity = activityOf(s, i);
        row.gamma = sp.gamma;
        row.printed = printedInSpeciesTable(s, i);
        r.species.push_back(std::move(row));
    }
    // Electroneutrality of the solved water, water itself left out.
    double signedSum = 0.0, absoluteSum = 0.0;
    for (const SpeciesRow& row : r.species) {
        if (row.position == WATER_SLOT) continue;
        signedSum += row.charge * row.molality;
        absoluteSum += std::fabs(row.charge) * row.molality;
    }
    r.chargeImbalance = signedSum;
    r.chargeImbalancePercent = absoluteSum > 0.0 ? 100.0 * signedSum / absoluteSum : 0.0;
}

void evaluateComponents(const SolverState& s, Results& r) {
    const double grams = totalMass(s);
    r.components.reserve(static_cast<std::size_t>(s.comp.count));
    for (int k = 1; k <= s.comp.count; ++k) {
        const Species& sp = s.sp[k];
        ComponentRow row;
        row.position = k;
        row.dbNumber = s.map.numberAt[k];
        row.name = std::string(sp.name.trimmed());
        row.molality = sp.molality;
        row.moles = s.comp[k].mtot;
        row.flag = std::string(componentFlag(s, k));
        row.ppm = 1e6 * sp.formulaWeight * row.moles / grams;
        row.totalMolality = row.moles / s.run.kgw;
        row.alpha = row.totalMolality == 0.0 ? ALPHA_OF_ZERO_TOTAL : sp.molality / row.totalMolality;
        r.components.push_back(std::move(row));
    }
    r.sulfideLiteral = literalTotal(s, db::SULFIDE, &Species::redoxHS, grams);
    r.sulfateLiteral = literalTotal(s, db::SULFATE, &Species::redoxSO4, grams);
    r.computedLegend = s.conditions.pH != 0.0 || s.input.fixedActivityPosition != 0;
    r.alkalinityLegend = s.conditions.alkalinity != 0.0;
    // The alkalinity is held in equivalents; the legend shows it per kg of water.
    if (r.alkalinityLegend) r.alkalinityPerKg = s.conditions.alkalinity / s.run.kgw;
}

// The fugacity a gas would have in equilibrium with the water:
// log f = log Q - log K of its dissolution reaction.
void evaluateSaturation(const SolverState& s, Results& r) {
    r.saturationReport = s.conditions.mineralsSwitch != 0;
    if (!r.saturationReport) return;
    const ComponentLogActivities logActivity(s.sp, s.comp.count);
    r.minerals.reserve(static_cast<std::size_t>(s.minerals.count));
    for (int i = 1; i <= s.minerals.count; ++i) {
        const MineralEntry& entry = s.minerals[i];
        const double logQ = ionActivityProduct(entry, logActivity);
        if (entry.isGas()) {
            GasRow gas{std::string(entry.name.trimmed()), entry.logK, logQ, logQ - entry.logK, 0.0, logQ > entry.logK};
            gas.fugacity = std::pow(10.0, gas.logFugacity);
            r.sumOfFugacities += gas.fugacity;
            r.gases.push_back(std::move(gas));
        } else {
            r.minerals.push_back({std::string(entry.name.trimmed()), entry.logK, logQ, logQ - entry.logK, logQ > entry.logK});
        }
    }
}

// The entries whose log K the run takes beyond the temperatures of their data.
void evaluateBeyondData(const SolverState& s, Results& r) {
    const auto note = [&](const Name20& name, const DataRange& range) {
        if (!usedBeyondData(range, r.temperature)) return;
        std::string& entry = r.beyondData.emplace_back();
        // A name of up to 20 characters and a range of a few numbers, with the
        // room the writer of a number asks for on top.
        entry.reserve(64);
        entry.append(name.trimmed()).append(" (data ");
        appendDataRangeText(entry, range);
        entry += ')';
    };
    for (int i = s.comp.count + 1; i <= s.sp.count; ++i) note(s.sp[i].name, s.sp[i].dataRange);
    if (!r.saturationReport) return;
    for (int i = 1; i <= s.minerals.count; ++i) note(s.minerals[i].name, s.minerals[i].dataRange);
}

void evaluateForced(const SolverState& s, Results& r) {
    for (int e = 1; e <= s.forced.count; ++e) {
        const ForcedSaturation& entry = s.forced[e];
        r.forced.push_back({std::string(entry.mineral.trimmed()), entry.target,
                            std::string(s.sp[entry.component].name.trimmed())});
    }
}

}  // namespace

std::string activityModelText(const Results& r) {
    return r.phScale.empty() ? r.activityModel : r.activityModel + ", pH scale " + r.phScale;
}

Results evaluateResults(const SolverState& s) {
    Results r;
    r.title1 = std::string(s.input.title1.trimmed());
    r.title2 = std::string(s.input.title2.trimmed());
    r.temperature = s.conditions.temperature;
    r.pressure = s.conditions.pressure;
    r.loops = s.run.loops;
    r.loopLimit = s.input.loopLimit;
    r.solvedJointly = s.run.joint.solved;
    r.converged = hasSolution(s);
    r.jointLoops = s.run.joint.iterations;
    r.solveNote = solveNote(s);
    r.infeasibility = s.run.joint.infeasibility;
    r.printThreshold = s.input.printThreshold;
    r.activityModel = std::string(s.activityModel->name());
    r.phScale = std::string(s.activityModel->phScale());
    r.activityRangeNote = s.activityModel->rangeNote(s.activity);
    evaluateSourceTemperature(s, r);
    evaluateEh(s, r);
    evaluateRedox(s, r);
    evaluateChargeBalance(s, r);
    evaluateWater(s, r);
    evaluateSpecies(s, r);
    evaluateComponents(s, r);
    const WaterQuality quality = waterQualityOf(s);
    r.specificConductance = quality.specificConductance;
    r.dissolvedSolids = quality.dissolvedSolids;
    r.hardness = quality.hardness;
    r.density = quality.density;
    evaluateSaturation(s, r);
    evaluateBeyondData(s, r);
    evaluateForced(s, r);
    return r;
}

std::string runStatus(const Results& r) {
    if (r.converged) {
        const std::string found = r.solvedJointly ? "converged by the joint solve" : "converged";
        return r.activityRangeNote.empty() ? found : found + "; doubtful: " + r.activityRangeNote;
    }
    if (!r.impossible.empty()) return "no solution: " + r.impossible;
    if (!r.infeasibility.empty()) return "no solution: " + r.infeasibility;
    return "not converged: loop limit " + std::to_string(r.loopLimit) + " reached";
}

}  // namespace wq
