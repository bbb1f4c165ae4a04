#include "app/sweep_reconstruction.hpp"

#include <cmath>
#include <ctime>
#include <utility>

#include "app/front_end.hpp"
#include "app/program.hpp"
#include "app/run_sequence.hpp"
#include "run/sweep_chain.hpp"
#include "app/sweep_minerals.hpp"
#include "input/db_numbers.hpp"
#include "input/run_input.hpp"
#include "report/sweep_table.hpp"
#include "text/channels.hpp"
#include "text/number_text.hpp"

namespace wq {

namespace {

// The bounds --reconstruct seeks within when the option is not given: up to
// half the liquid boiled off, and up to 0.1 mol/kgw of CO2 (4.4 g/kg, more
// than the CO2 of most high-temperature reservoir liquids).
constexpr const char* DEFAULT_STEAM_LOSS = "0:0.5";
constexpr const char* DEFAULT_CO2_ADDED = "0:0.1";

// The limits each number must keep.
constexpr double MAX_WATER_FRACTION = 0.9;  // steam loss and dilution
constexpr double MAX_CO2_ADDED = 10.0;      // mol/kgw
// A trace of aluminium for a mineral to fix where the analysis has none, and
// the molality its first iteration starts from (about its free molality).
constexpr double ALUMINIUM_TRACE = 1e-12;          // mol/kgw
constexpr double ALUMINIUM_TRACE_START = 1e-20;

// The value of a setting at the search's unknowns, taken in order.
double valueOf(const FluidSetting& s, const std::vector<double>& unknowns, std::size_t& next) {
    if (!s.used) return 0.0;
    return s.sought ? unknowns.at(next++) : s.value;
}

struct FluidValues {
    double steamLoss = 0.0, dilution = 0.0, co2Added = 0.0, h2sAdded = 0.0;
};

FluidValues valuesOf(const FluidPlan& plan, const std::vector<double>& unknowns) {
    std::size_t next = 0;
    FluidValues v;
    v.steamLoss = valueOf(plan.steamLoss, unknowns, next);
    v.dilution = valueOf(plan.dilution, unknowns, next);
    v.co2Added = valueOf(plan.co2Added, unknowns, next);
    const double ratio = valueOf(plan.co2Steam, unknowns, next);
    if (plan.co2Steam.used) v.co2Added = ratio * v.steamLoss * MOLES_WATER_PER_KG;
    v.h2sAdded = valueOf(plan.h2sSteam, unknowns, next) * v.steamLoss * MOLES_WATER_PER_KG;
    return v;
}

std::vector<ParameterBounds> unknownsOf(const FluidPlan& plan) {
    std::vector<ParameterBounds> bounds;
    for (const FluidSetting* s : {&plan.steamLoss, &plan.dilution, &plan.co2Added, &plan.co2Steam, &plan.h2sSteam})
        if (s->used && s->sought) bounds.push_back({s->low, s->high});
    return bounds;
}

// The sum of charge times total over the components: the charge the
// solution holds, whatever its speciation (each species' charge is that of
// its components).
double chargeOfTotals(const Program& p) {
    double sum = 0.0;
    for (int k = 1; k <= p.comp.count; ++k) sum += p.sp[k].charge * p.comp[k].mtot;
    return sum;
}

// The charge of the aluminium a mineral fixes, balanced on H+ (the Al enters
// as Al(OH)3). The balance makes the solution neutral, so the imbalance an
// analysis brings is first taken up by its own charge-balance ion (Cl- when
// that is H+ or none), as the run input's balance would have, and the pH is
// left to the proton balance. A water computed as analysed (--balance none)
// has no balance at all.
void balanceAluminiumOnProtons(Program& p, const FluidPlan& plan) {
    if (p.input.asAnalysed) return;
    const double imbalance = chargeOfTotals(p);
    const int ion = plan.imbalancePosition;
    if (ion != 0 && p.sp[ion].charge != 0.0) {
        const double total = p.comp[ion].mtot - imbalance / p.sp[ion].charge;
        if (total > 0.0) p.comp[ion].mtot = total;
    }
    p.input.chargeBalanceSpecies = db::HYDROGEN_ION;
    p.input.chargeBalancePosition = HYDROGEN_SLOT;
}

// The program's state made the reconstructed fluid: the sampled state with
// its totals changed as the header says.
void becomeFluid(Program& p, const CarriedState& sampled, const FluidPlan& plan, const FluidValues& v) {
    static_cast<CarriedState&>(p) = sampled;
    p.grid.pressureFlag = 'N';
    p.grid.blockFlag = 'N';
    const double factor = (1.0 - v.steamLoss) / (1.0 - v.dilution);
    for (int i = 1; i <= p.comp.count; ++i)
        if (i != WATER_SLOT) p.comp[i].mtot *= factor;
    if (plan.carbonatePosition != 0) {
        p.comp[plan.carbonatePosition].mtot += v.co2Added;
        p.comp[HYDROGEN_SLOT].mtot += v.co2Added;
        p.comp[WATER_SLOT].mtot -= v.co2Added / MOLES_WATER_PER_KG;  // held in kg between runs
    }
    if (plan.sulfidePosition != 0) {
        p.comp[plan.sulfidePosition].mtot += v.h2sAdded;
        p.comp[HYDROGEN_SLOT].mtot += v.h2sAdded;
    }
    if (!plan.aluminiumMineral.empty()) balanceAluminiumOnProtons(p, plan);
    p.conditions.chargeBalanceStartTotal = chargeBalanceTotal(p.input, p.comp);
}

// Al+++ held by the mineral at every run of the reconstructed fluid.
void fixAluminium(Program& p, const FluidPlan& plan) {
    if (plan.aluminiumMineral.empty()) return;
    int entry = 0;
    for (int k = 1; k <= p.forced.count; ++k)
        if (p.forced[k].component == plan.aluminiumPosition) entry = k;
    if (entry == 0) {
        if (p.forced.count == MAX_FORCED) throw CannotStart{"--fix-al: the run input forces every mineral it can"};
        entry = ++p.forced.count;
    }
    p.forced[entry].mineral = Name20(plan.aluminiumMineral);
    p.forced[entry].component = plan.aluminiumPosition;
    p.forced[entry].target = 0.0;
}

FluidParameter parameterOf(const char* name, const char* unit, const FluidSetting& s, double value) {
    FluidParameter f;
    f.name = name;
    f.unit = unit;
    f.value = value;
    f.origin = s.sought ? FluidParameter::Origin::sought : FluidParameter::Origin::given;
    f.low = s.low;
    f.high = s.high;
    return f;
}

std::vector<FluidParameter> parametersOf(const FluidPlan& plan, const std::vector<double>& best) {
    std::size_t next = 0;
    std::vector<FluidParameter> list;
    const auto add = [&](const char* name, const char* unit, const FluidSetting& s) {
        const double value = valueOf(s, best, next);
        if (s.used) list.push_back(parameterOf(name, unit, s, value));
    };
    add("steam loss", "", plan.steamLoss);
    add("dilution", "", plan.dilution);
    add("CO2 added", "mol/kgw", plan.co2Added);
    add("CO2/steam", "mol/mol", plan.co2Steam);
    add("H2S/steam", "mol/mol", plan.h2sSteam);
    // A gas given back in proportion to the steam lost.
    const auto givenBack = [&](const char* gas, double value) {
        FluidParameter c;
        c.name = std::string(gas) + " added";
        c.unit = "mol/kgw";
        c.value = value;
        c.origin = FluidParameter::Origin::derived;
        c.derivation = std::string(gas) + "/steam x steam loss x 55.51 mol/kg";
        list.push_back(c);
    };
    if (plan.co2Steam.used) givenBack("CO2", valuesOf(plan, best).co2Added);
    if (plan.h2sSteam.used) givenBack("H2S", valuesOf(plan, best).h2sAdded);
    if (plan.discharge.given && !list.empty()) {
        list.front().origin = FluidParameter::Origin::derived;
        list.front().derivation = "from the discharge enthalpy";
    }
    return list;
}

std::string parametersText(const std::vector<FluidParameter>& list) {
    std::string text;
    for (const FluidParameter& f : list)
        text += (text.empty() ? "" : ", ") + f.name + " " + significantText(f.value, 3) +
                (f.unit.empty() ? "" : " " + f.unit);
    return text;
}

}  // namespace

bool FluidPlan::asked() const {
    return steamLoss.used || dilution.used || co2Added.used || co2Steam.used || !aluminiumMineral.empty();
}

FluidPlan fluidPlan(const SweepOptions& o) {
    FluidPlan plan;
    plan.discharge = dischargeOf(o, MAX_WATER_FRACTION);
    const bool gasRatio = !o.co2Steam.empty() || !o.h2sSteam.empty();
    if (gasRatio && !o.dilution.empty())
        throw CannotStart{"a gas/steam ratio gives the gas the steam took: it cannot go with --dilution"};
    // A gas/steam ratio needs a steam loss: given, from the discharge, or sought.
    const bool defaultWater = (o.reconstruct || gasRatio) && o.steamLoss.empty() && o.dilution.empty() &&
                              !plan.discharge.given;
    const bool defaultCO2 = o.reconstruct && o.addCO2.empty() && o.co2Steam.empty();
    plan.steamLoss = plan.discharge.given
                         ? plan.discharge.steamLoss
                         : settingOf(defaultWater ? DEFAULT_STEAM_LOSS : o.steamLoss, "--steam-loss", MAX_WATER_FRACTION);
    plan.dilution = settingOf(o.dilution, "--dilution", MAX_WATER_FRACTION);
    plan.co2Added = settingOf(defaultCO2 ? DEFAULT_CO2_ADDED : o.addCO2, "--add-co2", MAX_CO2_ADDED);
    plan.co2Steam = gasSteamRatioOf(o.co2Steam, "--co2-steam");
    plan.h2sSteam = gasSteamRatioOf(o.h2sSteam, "--h2s-steam");
    plan.aluminiumMineral = o.fixAl;
    if (plan.steamLoss.used && plan.dilution.used)
        throw CannotStart{"--steam-loss and --dilution exclude each other: a sample is boiled or diluted"};
    if (plan.co2Added.used && plan.co2Steam.used)
        throw CannotStart{"--add-co2 and --co2-steam exclude each other: the CO2 is given once"};
    return plan;
}

bool addAluminiumTrace(Program& p, const FluidPlan& plan) {
    if (plan.aluminiumMineral.empty() || p.map.position(db::ALUMINIUM) != 0) return false;
    if (p.comp.count == MAX_COMPONENTS)
        throw CannotStart{"--fix-al: the run input has as many components as a run can hold; give Al+++ a line"};
    const int position = ++p.comp.count;
    p.comp[position] = Component{};
    p.comp[position].dbNumber = db::ALUMINIUM;
    p.comp[position].mtot = ALUMINIUM_TRACE;
    p.map.positionOf[db::ALUMINIUM] = position;
    p.map.numberAt[position] = db::ALUMINIUM;
    p.sp.at.growTo(position);
    p.sp[position].molality = ALUMINIUM_TRACE_START;
    p.sp[position].gamma = 1.0;
    return true;
}

namespace {

// Whether the reaction of `mineral` among the run's minerals has a term in
// the component at `position`.
bool mineralHolds(const Program& p, const std::string& mineral, int position) {
    for (int i = 1; i <= p.minerals.count; ++i) {
        const MineralEntry& m = p.minerals[i];
        if (m.name.trimmed() != mineral) continue;
        for (int k = 1; k <= m.itot; ++k)
            if (m.comp[k] == position && m.coef[k] != 0.0) return true;
        return false;
    }
    return false;
}

}  // namespace

void checkFluidPlan(FluidPlan& plan, const Program& p, const std::vector<std::string>& known) {
    plan.carbonatePosition = p.map.position(db::CARBONATE);
    if ((plan.co2Added.used || plan.co2Steam.used) && plan.carbonatePosition == 0)
        throw CannotStart{"CO2 cannot be added back: HCO3- is not a component of the run input"};
    plan.sulfidePosition = p.map.position(db::SULFIDE);
    if (plan.h2sSteam.used && plan.sulfidePosition == 0)
        throw CannotStart{"H2S cannot be added back: HS- is not a component of the run input"};
    if (plan.aluminiumMineral.empty()) return;
    plan.aluminiumPosition = p.map.position(db::ALUMINIUM);
    plan.imbalancePosition = p.map.position(p.input.chargeBalanceSpecies);
    if (plan.imbalancePosition == 0 || plan.imbalancePosition == HYDROGEN_SLOT)
        plan.imbalancePosition = p.map.position(db::CHLORIDE);
    plan.aluminiumMineral = namedMinerals(p, plan.aluminiumMineral, known).front();
    if (!mineralHolds(p, plan.aluminiumMineral, plan.aluminiumPosition))
        throw CannotStart{"--fix-al " + plan.aluminiumMineral + ": the mineral holds no aluminium, so it cannot fix Al+++ "
                          "(name an aluminosilicate of the reservoir: K-feldspar, albite, muscovite, ...)"};
}

bool reconstructFluid(Program& p, const CarriedState& sampled, const FluidPlan& plan,
                      const std::vector<double>& temperatures, SweepResult& s, Sink& console) {
    fixAluminium(p, plan);
    const std::clock_t started = std::clock();
    console.put("\nReconstructing the reservoir fluid:\n");
    int computed = 0;
    const CurvesOfParameters curvesAt = [&](const std::vector<double>& unknowns) {
        becomeFluid(p, sampled, plan, valuesOf(plan, unknowns));
        std::vector<SweepRow> rows;
        const ListingHooks listing(p);
        runTemperatures(p, temperatures, rows, ChainHooks{listing.hooks(), nullptr, nullptr});
        SaturationCurves curves = curvesOf(rows, s.chosen);
        const TemperatureEstimate e = estimateTemperature(s.temperatures, curves);
        std::string line = "  fluid " + std::to_string(++computed) + ": " +
                           parametersText(parametersOf(plan, unknowns));
        line += e.rmsMinimum.found ? ": RMS log Q/K " + fixedText(e.rmsMinimum.value, 3) + " at " +
                                         fixedText(e.rmsMinimum.temperature, 1) + " C"
                                   : ": no estimate";
        console.put(line + "\n");
        console.flush();
        return curves;
    };
    SweepReconstruction r;
    r.fit = reconstruct(unknownsOf(plan), s.temperatures, curvesAt);
    r.parameters = parametersOf(plan, r.fit.best.parameters);
    if (r.fit.profile.found && !unknownsOf(plan).empty()) {
        r.profileLow = parametersOf(plan, r.fit.profile.low.parameters);
        r.profileHigh = parametersOf(plan, r.fit.profile.high.parameters);
    }
    if (plan.discharge.given) r.discharge = dischargeText(plan.discharge);
    r.aluminiumMineral = plan.aluminiumMineral;
    const double seconds = double(std::clock() - started) / CLOCKS_PER_SEC;
    console.put("  " + std::to_string(r.fit.evaluations) + " fluids computed over the sweep in " +
                fixedText(seconds, 1) + " s of CPU time\n\nThe reconstructed fluid:\n");
    becomeFluid(p, sampled, plan, valuesOf(plan, r.fit.best.parameters));
    std::vector<SweepRow> rows;
    const ListingHooks listing(p);
    const ChainHooks chain{listing.hooks(), [&console](const SweepRow& row) { writeSweepRow(row, console); }, nullptr};
    const bool converged = runTemperatures(p, temperatures, rows, chain);
    for (SweepRow& row : rows) {
        row.reconstructed = true;
        s.rows.push_back(std::move(row));
    }
    s.reconstruction = std::move(r);
    return converged;
}

}  // namespace wq
