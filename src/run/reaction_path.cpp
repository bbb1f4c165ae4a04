// The steps of a reaction path (reaction_path.hpp): every record a run of
// the water from the state of the last record, its totals the path's.
#include "run/reaction_path.hpp"

#include <cmath>
#include <memory>
#include <string>

#include "input/tables.hpp"
#include "run/compute_run.hpp"
#include "run/mineral_amounts.hpp"
#include "run/next_run.hpp"
#include "run/reaction_names.hpp"
#include "run/reaction_steps.hpp"
#include "run/sweep_chain.hpp"
#include "solver/solver_state.hpp"
#include "text/csv.hpp"
#include "text/stop.hpp"

namespace wq {

namespace {

// The moles of a phase held that went into the water (+0 when none moved).
double dissolved(const HeldMineral& h) { return 0.0 - h.moles; }

// The variable an add step stops at: the pH, a mineral's log Q/K, a gas's log f.
double untilValue(const Results& r, const Until& u) {
    if (u.kind == UntilKind::pH) return r.pH;
    HeldMineral phase;
    phase.mineral = u.target.name;
    phase.gas = u.kind == UntilKind::logFugacity;
    return heldIndexOf(r, phase);
}

}  // namespace

ReactionSteps::ReactionSteps(SolverState& p, const RunHooks& hooks, const ReactionInputs& inputs,
                             ReactionResult& result)
    : p_(p), hooks_(hooks), inputs_(inputs), result_(result) {
    prepareNextRun(p_);
    last_ = std::make_unique<CarriedState>(p_);
    kgw0_ = kgw_ = p_.comp[WATER_SLOT].mtot;
    base_.assign(static_cast<std::size_t>(p_.comp.count) + 1, 0.0);
    for (int k = 1; k <= p_.comp.count; ++k) base_[static_cast<std::size_t>(k)] = p_.comp[k].mtot;
    minerals_ = mineralStoichiometries(p_);
    gases_ = gasStoichiometries(p_);
}

ReactionSteps::~ReactionSteps() = default;

bool ReactionSteps::take(int index, const PathStep& s) {
    step_ = index;
    kind_ = stepKindName(s.kind);
    switch (s.kind) {
        case StepKind::mix: return mix(s.mix);
        case StepKind::add: return add(s.add);
        case StepKind::equilibrate: return equilibrate(s);
        case StepKind::temperature: return heat(s);
        case StepKind::boil: return boil(s.boil);
        case StepKind::evaporate: return evaporate(s);
    }
    return false;
}

// A run of the water with the totals `totals` less what `held` took out,
// from the state of the last record; none, with why, when it fails.
std::optional<Results> ReactionSteps::run(const std::vector<double>& totals, const std::vector<HeldMineral>& held,
                                          std::string& why) {
    static_cast<CarriedState&>(p_) = *last_;
    p_.grid.pressureFlag = 'N';
    p_.grid.blockFlag = 'N';
    p_.conditions.temperature = temperature_ ? *temperature_ : p_.conditions.temperature;
    if (temperature_) p_.conditions.pressure = liquidPressure(p_, *temperature_);
    for (int k = 1; k <= p_.comp.count; ++k)
        if (k != WATER_SLOT) p_.comp[k].mtot = totalOf(totals, k, held);
    p_.comp[WATER_SLOT].mtot = kgw_;
    return convergedRun(p_, hooks_, why);
}

double ReactionSteps::totalOf(const std::vector<double>& totals, int k, const std::vector<HeldMineral>& held) {
    double total = totals[static_cast<std::size_t>(k)];
    for (const HeldMineral& h : held) total -= h.nu[static_cast<std::size_t>(k)] * h.moles;
    return total;
}

// The phases held brought to their targets on `totals`.
std::optional<Results> ReactionSteps::hold(const std::vector<double>& totals, std::vector<HeldMineral>& held,
                                           std::string& why) {
    AmountSolve solve;
    solve.run = [this, &totals](const std::vector<HeldMineral>& h, std::string& w) { return run(totals, h, w); };
    solve.totalOf = [&totals](int k, const std::vector<HeldMineral>& h) { return totalOf(totals, k, h); };
    solve.componentCount = p_.comp.count;
    return holdAtSaturation(solve, held, why);
}

// The phases `held` at their targets on the path's totals; on a fractional
// step a mineral taken out after precipitating has none left in contact to
// dissolve: one that would leaves the set, and the rest are held again.
std::optional<Results> ReactionSteps::holdAs(Precipitation how, std::vector<HeldMineral>& held, std::string& why) {
    // One the water, its phases as they are, does not saturate would dissolve.
    std::string ignored;
    if (const std::optional<Results> asTheyAre = how == Precipitation::fractional ? run(base_, held, ignored) : std::nullopt)
        for (auto h = held.begin(); h != held.end();)
            h = !h->gas && setAside_.count(h->mineral) && saturationIndexOf(*asTheyAre, h->mineral) < 0.0 ? leave(held, h)
                                                                                                       : h + 1;
    for (;;) {
        std::vector<HeldMineral> trial = held;
        std::optional<Results> r = hold(base_, trial, why);
        std::size_t gone = trial.size();
        for (std::size_t j = 0; r && how == Precipitation::fractional && j < trial.size(); ++j)
            if (!trial[j].gas && setAside_.count(trial[j].mineral) && trial[j].moles < inContact_[trial[j].mineral])
                gone = j;
        if (gone == trial.size()) {
            if (r) held = trial;
            return r;
        }
        leave(held, held.begin() + static_cast<std::ptrdiff_t>(gone));
    }
}

// A phase leaves the set held: what it moved stays moved, in the totals.
std::vector<HeldMineral>::iterator ReactionSteps::leave(std::vector<HeldMineral>& held,
                                                        std::vector<HeldMineral>::iterator h) {
    for (int k = 1; k <= p_.comp.count; ++k)
        if (k != WATER_SLOT) base_[static_cast<std::size_t>(k)] -= h->nu[static_cast<std::size_t>(k)] * h->moles;
    addTo(moved_, {h->mineral, false, dissolved(*h) / kgw0_});
    return held.erase(h);
}

// The mass transfer so far: what earlier steps moved, and the phases held now.
std::vector<TransferAmount> ReactionSteps::transfer(const std::vector<HeldMineral>& held) const {
    std::vector<TransferAmount> all = moved_;
    for (const HeldMineral& h : held) addTo(all, {h.mineral, false, dissolved(h) / kgw0_});
    return all;
}

void ReactionSteps::addTo(std::vector<TransferAmount>& all, const TransferAmount& a) {
    for (TransferAmount& t : all)
        if (t.name == a.name && t.reactant == a.reactant) {
            t.moles += a.moles;
            return;
        }
    all.push_back(a);
}

ReactionRecord ReactionSteps::recordAt(double variable) const {
    ReactionRecord rec;
    rec.variable = variable;
    return rec;
}

// A record of the step; on success the state it reached is the next run's
// start (unless not `carried`: the step's runs are not the water's own).
bool ReactionSteps::record(ReactionRecord rec, std::optional<Results> r, const std::string& why,
                           const std::vector<HeldMineral>& held, bool carried) {
    rec.step = step_;
    rec.kind = kind_;
    rec.status = r ? runStatus(*r) : why;
    if (rec.transfer.empty()) rec.transfer = transfer(held);
    rec.water = kgw_ / kgw0_;
    rec.results = std::move(r);
    const bool reached = rec.converged();
    if (reached && carried) {
        prepareNextRun(p_);
        *last_ = p_;
    }
    result_.records.push_back(std::move(rec));
    if (inputs_.onRecord) inputs_.onRecord(result_.records.back());
    return reached;
}

// The phases held so far leave the set: their moles become the totals'.
void ReactionSteps::release() {
    for (int k = 1; k <= p_.comp.count; ++k)
        if (k != WATER_SLOT) base_[static_cast<std::size_t>(k)] = totalOf(base_, k, held_);
    for (const HeldMineral& h : held_) addTo(moved_, {h.mineral, false, dissolved(h) / kgw0_});
    held_.clear();
    setAside_.clear();
    inContact_.clear();
}

// A fractional step's record made: what its minerals precipitated since
// the last record leaves the water (what one dissolved, from the unlimited
// amount of an equilibrate step, stays dissolved).
void ReactionSteps::setAsidePrecipitated() {
    for (HeldMineral& h : held_) {
        if (h.gas) continue;
        double& before = inContact_[h.mineral];  // 0: nothing moved yet
        const double precipitated = h.moles - before;
        if (precipitated <= 0.0) {
            before = h.moles;
            continue;
        }
        for (int k = 1; k <= p_.comp.count; ++k)
            if (k != WATER_SLOT) base_[static_cast<std::size_t>(k)] -= h.nu[static_cast<std::size_t>(k)] * precipitated;
        addTo(moved_, {h.mineral, false, -precipitated / kgw0_});
        h.moles = before;
        setAside_.insert(h.mineral);
    }
}

bool ReactionSteps::mix(const MixStep& m) {
    release();
    if (inputs_.mixTotals.size() < static_cast<std::size_t>(step_) ||
        inputs_.mixTotals[static_cast<std::size_t>(step_ - 1)].size() <= MAX_COMPONENTS)
        throw InternalError{"a mix step without the totals of its other water"};
    const std::vector<double>& other = inputs_.mixTotals[static_cast<std::size_t>(step_ - 1)];
    const std::vector<double> before = base_;
    for (double x : m.fractions) {
        for (int k = 1; k <= p_.comp.count; ++k) {
            if (k == WATER_SLOT) continue;
            const double perKg = before[static_cast<std::size_t>(k)] / kgw_;
            const double otherPerKg = other[static_cast<std::size_t>(p_.comp[k].dbNumber)];
            base_[static_cast<std::size_t>(k)] = kgw_ * ((1.0 - x) * perKg + x * otherPerKg);
        }
        std::string why;
        std::optional<Results> r = run(base_, {}, why);
        if (!record(recordAt(x), std::move(r), why, {})) return false;
    }
    return true;
}

bool ReactionSteps::add(const AddStep& a) {
    release();
    const ReactantComponents reactant = reactantComponents(p_, a);
    const std::vector<double> before = base_;
    const double waterBefore = kgw_;
    const double start = a.until ? untilValue(*result_.records.back().results, *a.until) : 0.0;
    for (int i = 1; i <= a.increments; ++i) {
        const double added = a.amount * i / a.increments;  // mol per kg of the starting water
        base_ = before;
        for (int k = 1; k <= p_.comp.count; ++k) base_[static_cast<std::size_t>(k)] += reactant.nu[static_cast<std::size_t>(k)] * added * kgw0_;
        kgw_ = waterBefore + reactant.waterKg * added * kgw0_;
        std::string why;
        std::optional<Results> r = run(base_, {}, why);
        addTo(moved_, {reactant.name, true, a.amount / a.increments});
        bool past = false;
        if (r && a.until) {
            const double v = untilValue(*r, *a.until), target = a.until->target.value;
            past = start > target ? v <= target : v >= target;
        }
        if (!record(recordAt(added), std::move(r), why, {})) return false;
        if (past) return true;
    }
    return true;
}

bool ReactionSteps::equilibrate(const PathStep& s) {
    release();
    for (const std::vector<NamedValue>* targets : {&s.equilibrate.minerals, &s.equilibrate.gases})
        for (const NamedValue& t : *targets)
            for (const HeldMineral& phase : targets == &s.equilibrate.gases ? gases_ : minerals_)
                if (phase.mineral == t.name) {
                    held_.push_back(phase);
                    held_.back().target = t.value;
                }
    std::vector<HeldMineral> trial = held_;
    std::string why;
    std::optional<Results> r = holdAs(s.precipitate, trial, why);
    if (r)
        held_ = trial;
    else
        why = "no amount brings the phases to their targets: " + why;
    const bool reached = record(recordAt(NAN), std::move(r), why, held_);
    if (reached && s.precipitate == Precipitation::fractional) setAsidePrecipitated();
    return reached;
}

bool ReactionSteps::heat(const PathStep& s) {
    const TemperatureStep& t = s.temperature;
    if (!t.keepEquilibrium) release();
    for (int i = 0; i <= t.steps; ++i) {
        const double at = t.from + (t.to - t.from) * i / t.steps;
        temperature_ = at;
        std::vector<HeldMineral> held = held_;
        std::string why;
        std::optional<Results> r = holdAs(s.precipitate, held, why);
        if (!r && !held.empty()) why = "no amount holds the phases at their targets: " + why;
        if (r) held_ = held;
        if (!record(recordAt(at), std::move(r), why, held_)) return false;
        if (s.precipitate == Precipitation::fractional) setAsidePrecipitated();
    }
    return true;
}

std::vector<double> totalsPerKgByNumber(const SolverState& p) {
    std::vector<double> totals(MAX_COMPONENTS + 1, 0.0);
    const double kg = p.comp[WATER_SLOT].mtot;
    for (int k = 1; k <= p.comp.count; ++k)
        if (k != WATER_SLOT) totals[static_cast<std::size_t>(p.comp[k].dbNumber)] = p.comp[k].mtot / kg;
    return totals;
}

void runReactionPath(SolverState& p, const RunHooks& hooks, const ReactionPath& path, const Results& start,
                     const ReactionInputs& inputs, ReactionResult& result) {
    ReactionRecord first;
    first.kind = "start";
    first.status = runStatus(start);
    first.results = start;
    result.records.push_back(first);
    if (inputs.onRecord) inputs.onRecord(result.records.back());
    ReactionSteps steps(p, hooks, inputs, result);
    for (std::size_t i = 0; i < path.steps.size(); ++i)
        if (!steps.take(static_cast<int>(i) + 1, path.steps[i])) return;
}

}  // namespace wq
