#include "solver/redox_run.hpp"

#include <algorithm>
#include <cmath>

#include "equilibria/redox_scale.hpp"
#include "grid/grid.hpp"
#include "input/db_numbers.hpp"
#include "input/parsed_database.hpp"
#include "input/run_input.hpp"
#include "solver/joint_rows.hpp"
#include "solver/solver_state.hpp"
#include "text/stop.hpp"

namespace wq {

namespace {

// The gas whose equilibrium with O2,aq turns a log fO2 into an activity.
constexpr std::string_view OXYGEN_GAS = "O2(g)";

// Components of an element besides its couple's two members whose species on
// O2,aq would tie the element to the redox state: carbon's HCO3- and CH4,aq,
// nitrogen's N2,aq and NH3,aq.
struct ElementComponent {
    std::string_view element;
    int number;
};
constexpr ElementComponent OTHER_COMPONENTS[] = {
    {"C", db::CARBONATE}, {"C", db::SLOW_REDOX_CARBON}, {"N", db::SLOW_REDOX_NITROGEN}, {"N", db::SLOW_REDOX_AMMONIA}};

// Bounds of a starting log10 molality.
constexpr double LOWEST_START = -200.0;
constexpr double HIGHEST_START = 0.0;

[[noreturn]] void refuse(const std::string& why) { stop(ExitStatus::error, "redox state: " + why); }

const ParsedDatabase& parsed(const SolverState& prog) { return *prog.database.shared(); }

std::string componentName(const SolverState& prog, int number) {
    const auto& lines = parsed(prog).components;
    if (number >= 1 && static_cast<std::size_t>(number) <= lines.size())
        return std::string(lines[static_cast<std::size_t>(number - 1)].name.trimmed());
    return "database number " + std::to_string(number);
}

const CoupleText* coupleNamed(const CoupleSection& couples, std::string_view name) {
    for (const CoupleText& c : couples.entries)
        if (c.oxidized != 0 && c.name.trimmed() == name) return &c;
    return nullptr;
}

void addComponent(SolverState& prog, int number) {
    if (prog.map.position(number) != 0) return;
    if (prog.comp.count >= MAX_COMPONENTS)
        refuse("no room for " + componentName(prog, number) + ": the run has " + std::to_string(MAX_COMPONENTS) +
               " components already");
    const int p = ++prog.comp.count;
    prog.comp[p] = Component{};
    prog.comp[p].dbNumber = number;
    prog.map.positionOf[number] = p;
    prog.map.numberAt[p] = number;
    prog.sp.at.growTo(p);
    prog.sp[p].molality = 1e-20;
    prog.sp[p].gamma = 1.0;
}

bool decoupled(const SolverState& prog, const std::string& element) { return prog.choices.redox.decouples(element); }

double log10Activity(const Species& s) { return std::log10(s.gamma * s.molality); }

// A starting molality from a log10 activity, within the bounds of a start.
double startMolality(const Species& s, double logActivity) {
    return std::pow(10.0, std::clamp(logActivity - std::log10(s.gamma), LOWEST_START, HIGHEST_START));
}

// The sum of nu log a over the couple's terms, every term but `leftOut`
// (a database number).
double otherTerms(const SolverState& prog, const RedoxCouple& c, int leftOut) {
    double sum = 0.0;
    for (int j = 0; j < c.itot; ++j) {
        const int n = c.number[static_cast<std::size_t>(j)];
        if (n == leftOut) continue;
        sum += c.coef[static_cast<std::size_t>(j)] * log10Activity(prog.sp[prog.map.position(n)]);
    }
    return sum;
}

// The pe a state of kind Eh or pe asks for, at the run's temperature.
double statePe(const SolverState& prog) {
    const RedoxState& s = prog.redox.state;
    return s.kind == RedoxState::Kind::eh ? peFromEh(s.value, prog.conditions.temperature) : s.value;
}

void checkMemberRow(const SolverState& prog, int position, const std::string& couple) {
    const std::string name(prog.sp[position].name.trimmed());
    const std::string keep = "; keep its element decoupled";
    if (position == prog.input.chargeBalancePosition && balancesCharge(prog.input, prog.conditions, prog.forced))
        refuse(name + " of couple " + couple + " carries the charge balance" + keep);
    if (position == prog.input.fixedActivityPosition) refuse(name + " of couple " + couple + " has a fixed activity" + keep);
    if (prog.comp[position].forcedMineral != 0)
        refuse("a mineral fixes the total of " + name + " of couple " + couple + keep);
}

// Starting molalities of a coupled pair: the element's total split between
// the two members in the ratio of their activities that the couple gives at
// the starting O2,aq (complexes left out).
void startPair(SolverState& prog, const RedoxPair& pair) {
    const double kg = prog.comp[WATER_SLOT].mtot;  // still in kg before the set-up
    const double total = (prog.comp[pair.reduced].mtot + prog.comp[pair.oxidized].mtot) / kg;
    if (!(total > 0.0)) return;
    const double logRatio = otherTerms(prog, pair.couple, pair.couple.reduced) - pair.couple.logK +
                            std::log10(prog.sp[pair.reduced].gamma) - std::log10(prog.sp[pair.oxidized].gamma);
    const double logTotal = std::log10(total);
    double logOx = 0.0;
    double logRed = 0.0;
    if (logRatio > 0.0) {
        logOx = logTotal - std::log10(1.0 + std::pow(10.0, -logRatio));
        logRed = logOx - logRatio;
    } else {
        logRed = logTotal - std::log10(1.0 + std::pow(10.0, logRatio));
        logOx = logRed + logRatio;
    }
    prog.sp[pair.oxidized].molality = std::pow(10.0, std::clamp(logOx, LOWEST_START, HIGHEST_START));
    prog.sp[pair.reduced].molality = std::pow(10.0, std::clamp(logRed, LOWEST_START, HIGHEST_START));
}

void startOxygen(SolverState& prog) {
    RedoxRun& r = prog.redox;
    Species& oxygen = prog.sp[r.oxygen];
    switch (r.state.kind) {
        case RedoxState::Kind::eh:
        case RedoxState::Kind::pe: {
            const double logAH = log10Activity(prog.sp[HYDROGEN_SLOT]);
            const double logAW = std::log10(prog.sp[WATER_SLOT].gamma);
            oxygen.molality = startMolality(oxygen, logOxygenFromPe(statePe(prog), r.electron.logK, logAH, logAW));
            break;
        }
        case RedoxState::Kind::oxygenFugacity:
            oxygen.molality = startMolality(oxygen, logOxygenFromLogFugacity(r.state.value, r.oxygenGasLogK));
            break;
        case RedoxState::Kind::couple: {
            const RedoxPair& pair = r.pairs[static_cast<std::size_t>(r.statePair)];
            const double kg = prog.comp[WATER_SLOT].mtot;
            Species& ox = prog.sp[pair.oxidized];
            Species& red = prog.sp[pair.reduced];
            ox.molality = prog.comp[pair.oxidized].mtot / kg;
            red.molality = prog.comp[pair.reduced].mtot / kg;
            const double logO2 = logOxygenOfCouple(pair.couple.logK, log10Activity(ox),
                                                   otherTerms(prog, pair.couple, db::OXYGEN),
                                                   pair.couple.coefficientOf(db::OXYGEN));
            oxygen.molality = startMolality(oxygen, logO2);
            break;
        }
        case RedoxState::Kind::dissolvedOxygen:
        case RedoxState::Kind::none: break;
    }
}

// The mass action of a couple as a logReaction row: sum nu log a(C) -
// log a(oxidized) = log K.
LogReaction coupleAction(const SolverState& prog, const RedoxPair& pair) {
    LogReaction r;
    const RedoxCouple& c = pair.couple;
    for (int j = 0; j < c.itot; ++j) {
        const auto t = static_cast<std::size_t>(j);
        r.coef[t] = c.coef[t];
        r.comp[t] = prog.map.position(c.number[t]);
    }
    r.coef[static_cast<std::size_t>(c.itot)] = -1.0;
    r.comp[static_cast<std::size_t>(c.itot)] = pair.oxidized;
    r.terms = c.itot + 1;
    r.constant = c.logK;
    return r;
}

// The row of O2,aq for a fixed pe: the electron's reaction,
// sum nu log a(C) - log K(e-) = log a(e-) = -pe.
LogReaction fixedPe(const SolverState& prog, double pe) {
    LogReaction r;
    const RedoxCouple& e = prog.redox.electron;
    for (int j = 0; j < e.itot; ++j) {
        const auto t = static_cast<std::size_t>(j);
        r.coef[t] = e.coef[t];
        r.comp[t] = prog.map.position(e.number[t]);
    }
    r.terms = e.itot;
    r.constant = e.logK - pe;
    return r;
}

// A row that fixes a component by something other than its own total: the
// alkalinity, a mineral or gas at saturation, the charge balance, a fixed
// activity. The element's balance then cannot be written, and the reduced
// member of its pair takes its amount from the couple's mass action, its
// analysed total replaced by the result.
bool heldByAnotherCondition(JointRow row) {
    return row == JointRow::alkalinity || row == JointRow::saturation || row == JointRow::electroneutrality ||
           row == JointRow::fixedActivity;
}

LogReaction fixedOxygen(int oxygen, double logActivity) {
    LogReaction r;
    r.terms = 1;
    r.coef[0] = 1.0;
    r.comp[0] = oxygen;
    r.constant = logActivity;
    return r;
}

}  // namespace

void addRedoxComponents(SolverState& prog) {
    const RedoxOptions& options = prog.choices.redox;
    if (!options.state.given()) return;
    const CoupleSection& couples = parsed(prog).couples;
    if (!couples.fault.empty()) refuse("the redox couples of " + parsed(prog).name + " cannot be read: " + couples.fault);
    if (!couples.present || couples.entries.empty())
        refuse(parsed(prog).name + " lists no redox couples (a database built without them)");
    const RedoxState& state = options.state;
    if (state.kind == RedoxState::Kind::couple) {
        const CoupleText* c = coupleNamed(couples, state.couple);
        if (!c) refuse("the database lists no couple " + state.couple);
        if (decoupled(prog, c->element)) refuse("couple " + state.couple + " is of " + c->element + ", which is kept decoupled");
        for (int number : {c->oxidized, c->reduced}) {
            const int p = prog.map.position(number);
            if (p == 0 || !(prog.comp[p].mtot > 0.0))
                refuse("couple " + state.couple + " needs the totals of both its members; " +
                       componentName(prog, number) + " has none");
        }
    }
    if (state.kind == RedoxState::Kind::dissolvedOxygen) {
        const int p = prog.map.position(db::OXYGEN);
        if (p == 0 || !(prog.comp[p].mtot > 0.0)) refuse("dissolved oxygen needs a total of O2,aq in the analysis");
    }
    addComponent(prog, db::OXYGEN);
    for (const CoupleText& c : couples.entries) {
        if (c.oxidized == 0 || decoupled(prog, c.element)) continue;
        const bool hasOx = prog.map.position(c.oxidized) != 0;
        const bool hasRed = prog.map.position(c.reduced) != 0;
        if (hasOx && !hasRed) addComponent(prog, c.reduced);
        if (hasRed && !hasOx) addComponent(prog, c.oxidized);
    }
}

RunLeaveOut runLeaveOut(const SolverState& prog) {
    RunLeaveOut out;
    out.suppressed = prog.choices.suppressed;
    const RedoxOptions& options = prog.choices.redox;
    if (!options.state.given() || !prog.database.shared()) return out;
    for (const std::string& element : options.decoupled) {
        for (const CoupleText& c : parsed(prog).couples.entries) {
            if (c.oxidized == 0 || c.element != element) continue;
            out.decoupled.push_back({c.oxidized, element});
            out.decoupled.push_back({c.reduced, element});
        }
        for (const ElementComponent& other : OTHER_COMPONENTS)
            if (other.element == element) out.decoupled.push_back({other.number, element});
    }
    return out;
}

void setUpRedox(SolverState& prog) {
    RedoxRun& r = prog.redox;
    r = RedoxRun{};
    const RedoxOptions& options = prog.choices.redox;
    if (!options.state.given()) return;
    r.active = true;
    r.state = options.state;
    r.decoupled = options.decoupled;
    r.oxygen = prog.map.position(db::OXYGEN);
    const LogKConditions at = LogKConditions::at(prog.conditions.temperature, prog.conditions.pressure,
                                                 prog.input.extendedRun(), prog.grid);
    bool haveElectron = false;
    for (const RedoxCouple& c : couplesAt(parsed(prog), at)) {
        if (isAbsent(c.logK)) refuse("the log K of couple " + c.name + " is absent at the run's T and P");
        if (c.coefficientOf(db::OXYGEN) == 0.0 || (!c.isElectron() && c.coefficientOf(c.reduced) == 0.0))
            refuse("couple " + c.name + " of the database is not written on its reduced member and O2,aq");
        if (c.isElectron()) {
            r.electron = c;
            haveElectron = true;
            continue;
        }
        RedoxPair pair;
        pair.couple = c;
        pair.oxidized = prog.map.position(c.oxidized);
        pair.reduced = prog.map.position(c.reduced);
        if (pair.oxidized == 0 || pair.reduced == 0) continue;
        const bool isState = r.state.kind == RedoxState::Kind::couple && c.name == r.state.couple;
        pair.coupled = !isState && !options.decouples(c.element);
        if (isState) r.statePair = static_cast<int>(r.pairs.size());
        // A coupled pair's oxidized member may have its total fixed by
        // another condition (carbonate by the alkalinity or a CO2 pressure):
        // the reduced member then follows it by the couple (applyRedoxRows).
        if (isState) checkMemberRow(prog, pair.oxidized, c.name);
        if (pair.coupled || isState) checkMemberRow(prog, pair.reduced, c.name);
        r.pairs.push_back(pair);
    }
    if (!haveElectron) refuse("the database lists no electron (e-) among its redox couples");
    if (r.oxygen == prog.input.fixedActivityPosition) refuse("O2,aq has a fixed activity in the run input");
    if (prog.comp[r.oxygen].forcedMineral != 0) refuse("a mineral fixes the total of O2,aq");
    if (r.state.kind == RedoxState::Kind::oxygenFugacity) {
        r.oxygenGasLogK = mineralLogKAt(parsed(prog), OXYGEN_GAS, at);
        if (!std::isfinite(r.oxygenGasLogK) || isAbsent(r.oxygenGasLogK))
            refuse("a log fO2 needs the gas O2(g) of the database at the run's T and P");
    }
    startOxygen(prog);
    for (const RedoxPair& pair : r.pairs)
        if (pair.coupled) startPair(prog, pair);
}

void applyRedoxRows(const SolverState& prog, JointSystem& sys) {
    const RedoxRun& r = prog.redox;
    for (const RedoxPair& pair : r.pairs) {
        if (!pair.coupled) continue;
        if (heldByAnotherCondition(sys.row[pair.oxidized])) {
            sys.row[pair.reduced] = JointRow::logReaction;
            sys.reaction[pair.reduced] = coupleAction(prog, pair);
            continue;
        }
        sys.row[pair.reduced] = JointRow::massBalance;
        sys.row[pair.oxidized] = JointRow::logReaction;
        sys.reaction[pair.oxidized] = coupleAction(prog, pair);
        sys.countsIn[pair.oxidized] = pair.reduced;
    }
    switch (r.state.kind) {
        case RedoxState::Kind::eh:
        case RedoxState::Kind::pe:
            sys.row[r.oxygen] = JointRow::logReaction;
            sys.reaction[r.oxygen] = fixedPe(prog, statePe(prog));
            break;
        case RedoxState::Kind::oxygenFugacity:
            sys.row[r.oxygen] = JointRow::logReaction;
            sys.reaction[r.oxygen] =
                fixedOxygen(r.oxygen, logOxygenFromLogFugacity(r.state.value, r.oxygenGasLogK));
            break;
        case RedoxState::Kind::couple: {
            const RedoxPair& pair = r.pairs[static_cast<std::size_t>(r.statePair)];
            sys.row[r.oxygen] = JointRow::logReaction;
            sys.reaction[r.oxygen] = coupleAction(prog, pair);
            sys.row[pair.oxidized] = JointRow::massBalance;
            sys.row[pair.reduced] = JointRow::massBalance;
            break;
        }
        case RedoxState::Kind::dissolvedOxygen: sys.row[r.oxygen] = JointRow::massBalance; break;
        case RedoxState::Kind::none: break;
    }
}

double peOfLogOxygen(const SolverState& prog, double logO2) {
    return peFromLogOxygen(logO2, prog.redox.electron.logK, log10Activity(prog.sp[HYDROGEN_SLOT]),
                           std::log10(prog.sp[WATER_SLOT].gamma));
}

double waterPe(const SolverState& prog) { return peOfLogOxygen(prog, log10Activity(prog.sp[prog.redox.oxygen])); }

double pairLogOxygen(const SolverState& prog, const RedoxPair& pair) {
    return logOxygenOfCouple(pair.couple.logK, log10Activity(prog.sp[pair.oxidized]),
                             otherTerms(prog, pair.couple, db::OXYGEN), pair.couple.coefficientOf(db::OXYGEN));
}

std::optional<double> methaneCarbonateEh(const SolverState& prog) {
    const int carbonate = prog.map.position(db::CARBONATE);
    const int methane = prog.map.position(db::SLOW_REDOX_CARBON);
    if (carbonate == 0 || methane == 0 || !prog.database.shared()) return std::nullopt;
    if (!(prog.sp[carbonate].molality > 0.0) || !(prog.sp[methane].molality > 0.0)) return std::nullopt;
    const CoupleSection& section = parsed(prog).couples;
    if (!section.present || !section.fault.empty()) return std::nullopt;
    const LogKConditions at = LogKConditions::at(prog.conditions.temperature, prog.conditions.pressure,
                                                 prog.input.extendedRun(), prog.grid);
    std::optional<RedoxCouple> couple, electron;
    for (const RedoxCouple& c : couplesAt(parsed(prog), at)) {
        if (c.isElectron()) electron = c;
        else if (c.oxidized == db::CARBONATE && c.reduced == db::SLOW_REDOX_CARBON) couple = c;
    }
    if (!couple || !electron || isAbsent(couple->logK) || isAbsent(electron->logK)) return std::nullopt;
    RedoxPair pair;
    pair.couple = *couple;
    pair.oxidized = carbonate;
    pair.reduced = methane;
    const double pe = peFromLogOxygen(pairLogOxygen(prog, pair), electron->logK,
                                      log10Activity(prog.sp[HYDROGEN_SLOT]), std::log10(prog.sp[WATER_SLOT].gamma));
    return ehFromPe(pe, prog.conditions.temperature);
}

}  // namespace wq
