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
#include "run/sweep_chain.hpp"
#include "solver/solver_state.hpp"
#include "text/csv.hpp"
#include "text/stop.hpp"

namespace wq {

namespace {

std::string componentName(const SolverState& p, int k) { return std::string(p.sp[k].name.trimmed()); }

int componentNamed(const SolverState& p, const std::string& name) {
    for (int k = 1; k <= p.comp.count; ++k)
        if (k != WATER_SLOT && componentName(p, k) == name) return k;
    return 0;
}

const HeldMineral* phaseNamed(const std::vector<HeldMineral>& phases, const std::string& name) {
    for (const HeldMineral& h : phases)
        if (h.mineral == name) return &h;
    return nullptr;
}

// The moles of a phase held that went into the water (+0 when none moved).
double dissolved(const HeldMineral& h) { return 0.0 - h.moles; }

[[noreturn]] void failAt(const ReactionPath& path, int line, const std::string& what) {
    stop(ExitStatus::error, path.file + " line " + std::to_string(line) + ": " + what);
}

class Steps {
public:
    Steps(SolverState& p, const RunHooks& hooks, const ReactionInputs& inputs, ReactionResult& result)
        : p_(p), hooks_(hooks), inputs_(inputs), result_(result) {
        prepareNextRun(p_);
        last_ = std::make_unique<CarriedState>(p_);
        kgw0_ = p_.comp[WATER_SLOT].mtot;
        base_.assign(static_cast<std::size_t>(p_.comp.count) + 1, 0.0);
        for (int k = 1; k <= p_.comp.count; ++k) base_[static_cast<std::size_t>(k)] = p_.comp[k].mtot;
        minerals_ = mineralStoichiometries(p_);
        gases_ = gasStoichiometries(p_);
    }

    // One step's records; false when one failed (the path ends there).
    bool take(int index, const PathStep& s) {
        step_ = index;
        switch (s.kind) {
            case StepKind::mix: return mix(s.mix);
            case StepKind::add: return add(s.add);
            case StepKind::equilibrate: return equilibrate(s.equilibrate);
            case StepKind::temperature: return heat(s.temperature);
        }
        return false;
    }

private:
    // A run of the water with the totals `totals` less what `held` took out,
    // from the state of the last record; none, with why, when it fails.
    std::optional<Results> run(const std::vector<double>& totals, const std::vector<HeldMineral>& held, std::string& why) {
        static_cast<CarriedState&>(p_) = *last_;
        p_.grid.pressureFlag = 'N';
        p_.grid.blockFlag = 'N';
        p_.conditions.temperature = temperature_ ? *temperature_ : p_.conditions.temperature;
        if (temperature_) p_.conditions.pressure = liquidPressure(p_, *temperature_);
        for (int k = 1; k <= p_.comp.count; ++k)
            if (k != WATER_SLOT) p_.comp[k].mtot = totalOf(totals, k, held);
        p_.comp[WATER_SLOT].mtot = kgw0_;
        return convergedRun(p_, hooks_, why);
    }

    static double totalOf(const std::vector<double>& totals, int k, const std::vector<HeldMineral>& held) {
        double total = totals[static_cast<std::size_t>(k)];
        for (const HeldMineral& h : held) total -= h.nu[static_cast<std::size_t>(k)] * h.moles;
        return total;
    }

    // The phases held brought to their targets on `totals`.
    std::optional<Results> hold(const std::vector<double>& totals, std::vector<HeldMineral>& held, std::string& why) {
        AmountSolve solve;
        solve.run = [this, &totals](const std::vector<HeldMineral>& h, std::string& w) { return run(totals, h, w); };
        solve.totalOf = [&totals](int k, const std::vector<HeldMineral>& h) { return totalOf(totals, k, h); };
        solve.componentCount = p_.comp.count;
        return holdAtSaturation(solve, held, why);
    }

    // The mass transfer so far: what earlier steps moved, and the phases held now.
    std::vector<TransferAmount> transfer(const std::vector<HeldMineral>& held) const {
        std::vector<TransferAmount> all = moved_;
        for (const HeldMineral& h : held) addTo(all, {h.mineral, false, dissolved(h) / kgw0_});
        return all;
    }

    static void addTo(std::vector<TransferAmount>& all, const TransferAmount& a) {
        for (TransferAmount& t : all)
            if (t.name == a.name && t.reactant == a.reactant) {
                t.moles += a.moles;
                return;
            }
        all.push_back(a);
    }

    // A record of the step; on success the state it reached is the next run's start.
    bool record(double variable, std::optional<Results> r, const std::string& why, const std::vector<HeldMineral>& held) {
        ReactionRecord rec;
        rec.step = step_;
        rec.kind = kind_;
        rec.variable = variable;
        rec.status = r ? runStatus(*r) : why;
        rec.transfer = transfer(held);
        rec.results = std::move(r);
        const bool reached = rec.converged();
        if (reached) {
            prepareNextRun(p_);
            *last_ = p_;
        }
        result_.records.push_back(std::move(rec));
        if (inputs_.onRecord) inputs_.onRecord(result_.records.back());
        return reached;
    }

    // The phases held so far leave the set: their moles become the totals'.
    void release() {
        for (int k = 1; k <= p_.comp.count; ++k)
            if (k != WATER_SLOT) base_[static_cast<std::size_t>(k)] = totalOf(base_, k, held_);
        for (const HeldMineral& h : held_) addTo(moved_, {h.mineral, false, dissolved(h) / kgw0_});
        held_.clear();
    }

    bool mix(const MixStep& m) {
        kind_ = "mix";
        release();
        if (inputs_.mixTotals.size() < static_cast<std::size_t>(step_) ||
            inputs_.mixTotals[static_cast<std::size_t>(step_ - 1)].size() <= MAX_COMPONENTS)
            throw InternalError{"a mix step without the totals of its other water"};
        const std::vector<double>& other = inputs_.mixTotals[static_cast<std::size_t>(step_ - 1)];
        const std::vector<double> before = base_;
        for (double x : m.fractions) {
            for (int k = 1; k <= p_.comp.count; ++k) {
                if (k == WATER_SLOT) continue;
                const double perKg = before[static_cast<std::size_t>(k)] / kgw0_;
                const double otherPerKg = other[static_cast<std::size_t>(p_.comp[k].dbNumber)];
                base_[static_cast<std::size_t>(k)] = kgw0_ * ((1.0 - x) * perKg + x * otherPerKg);
            }
            std::string why;
            std::optional<Results> r = run(base_, {}, why);
            if (!record(x, std::move(r), why, {})) return false;
        }
        return true;
    }

    bool add(const AddStep& a) {
        kind_ = "add";
        release();
        std::string name;
        for (const NamedValue& c : a.reactant) name += (name.empty() ? "" : " ") + c.name;
        const std::vector<double> before = base_;
        const double startPH = result_.records.back().results->pH;
        for (int i = 1; i <= a.increments; ++i) {
            const double added = a.amount * i / a.increments;  // mol per kg of the starting water
            base_ = before;
            for (const NamedValue& c : a.reactant)
                base_[static_cast<std::size_t>(componentNamed(p_, c.name))] += c.value * added * kgw0_;
            std::string why;
            std::optional<Results> r = run(base_, {}, why);
            const double step = a.amount / a.increments;
            addTo(moved_, {name, true, step});
            const bool past = r && a.until &&
                              (startPH > a.until->value ? r->pH <= a.until->value : r->pH >= a.until->value);
            if (!record(added, std::move(r), why, {})) return false;
            if (past) return true;
        }
        return true;
    }

    bool equilibrate(const EquilibrateStep& e) {
        kind_ = "equilibrate";
        release();
        for (const NamedValue& m : e.minerals) heldAt(minerals_, m);
        for (const NamedValue& g : e.gases) heldAt(gases_, g);
        std::vector<HeldMineral> trial = held_;
        std::string why;
        std::optional<Results> r = hold(base_, trial, why);
        if (r)
            held_ = trial;
        else
            why = "no amount brings the phases to their targets: " + why;
        return record(NAN, std::move(r), why, held_);
    }

    void heldAt(const std::vector<HeldMineral>& phases, const NamedValue& target) {
        held_.push_back(*phaseNamed(phases, target.name));
        held_.back().target = target.value;
    }

    bool heat(const TemperatureStep& t) {
        kind_ = "temperature";
        if (!t.keepEquilibrium) release();
        for (int i = 0; i <= t.steps; ++i) {
            const double at = t.from + (t.to - t.from) * i / t.steps;
            temperature_ = at;
            std::vector<HeldMineral> held = held_;
            std::string why;
            std::optional<Results> r = hold(base_, held, why);
            if (!r && !held.empty()) why = "no amount holds the phases at their targets: " + why;
            if (r) held_ = held;
            if (!record(at, std::move(r), why, held_)) return false;
        }
        return true;
    }

    SolverState& p_;
    const RunHooks& hooks_;
    const ReactionInputs& inputs_;
    ReactionResult& result_;
    std::unique_ptr<CarriedState> last_;
    double kgw0_ = 1.0;
    std::vector<double> base_;  // the totals, by position, before what the phases held took out
    std::vector<HeldMineral> minerals_, gases_;  // every one of the run
    std::vector<HeldMineral> held_;             // held at their targets since the last equilibrate
    std::vector<TransferAmount> moved_;          // by the steps before, per kg of the starting water
    std::optional<double> temperature_;         // set by a temperature step, kept after it
    int step_ = 0;
    std::string kind_;
};

}  // namespace

std::vector<double> totalsPerKgByNumber(const SolverState& p) {
    std::vector<double> totals(MAX_COMPONENTS + 1, 0.0);
    const double kg = p.comp[WATER_SLOT].mtot;
    for (int k = 1; k <= p.comp.count; ++k)
        if (k != WATER_SLOT) totals[static_cast<std::size_t>(p.comp[k].dbNumber)] = p.comp[k].mtot / kg;
    return totals;
}

void checkPathNames(const SolverState& p, const ReactionPath& path) {
    const std::vector<HeldMineral> minerals = mineralStoichiometries(p), gases = gasStoichiometries(p);
    for (const PathStep& s : path.steps) {
        for (const NamedValue& c : s.add.reactant)
            if (!componentNamed(p, c.name))
                failAt(path, c.line, "\"" + c.name + "\" is no component of the starting water's run");
        for (const NamedValue& m : s.equilibrate.minerals)
            if (!phaseNamed(minerals, m.name)) failAt(path, m.line, "\"" + m.name + "\" is no mineral of the run");
        for (const NamedValue& g : s.equilibrate.gases)
            if (!phaseNamed(gases, g.name)) failAt(path, g.line, "\"" + g.name + "\" is no gas of the run");
    }
}

void runReactionPath(SolverState& p, const RunHooks& hooks, const ReactionPath& path, const Results& start,
                     const ReactionInputs& inputs, ReactionResult& result) {
    ReactionRecord first;
    first.kind = "start";
    first.status = runStatus(start);
    first.results = start;
    result.records.push_back(first);
    if (inputs.onRecord) inputs.onRecord(result.records.back());
    Steps steps(p, hooks, inputs, result);
    for (std::size_t i = 0; i < path.steps.size(); ++i)
        if (!steps.take(static_cast<int>(i) + 1, path.steps[i])) return;
}

}  // namespace wq
