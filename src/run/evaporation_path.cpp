// The steps of an evaporation path (evaporation_path.hpp): the water at a
// concentration factor, with the minerals that saturate held at saturation
// by the moles precipitated; on a fractional path the moles precipitated at
// a step leave the brine with it.
#include "run/evaporation_path.hpp"

#include <cmath>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "run/compute_run.hpp"
#include "run/mineral_amounts.hpp"
#include "run/next_run.hpp"
#include "solver/solver_state.hpp"
#include "text/csv.hpp"
#include "text/number_text.hpp"
#include "text/stop.hpp"

namespace wq {

namespace {

// A mineral not held joins the minerals held when its log Q/K is above this.
constexpr double SUPERSATURATED = 1e-4;
// The changes of the set of minerals held at one step.
constexpr int MAX_SET_CHANGES = 40;
// A step that fails is tried again through at most this many parts.
constexpr int MAX_PARTS = 16;
// Where a mineral first saturates between two steps is bisected on ln F to
// a bracket this wide: 5e-5 of the factor, below the 0.01 the factor is
// shown to up to F 200.
constexpr double SATURATION_BRACKET = 1e-4;

using Held = HeldMineral;

}  // namespace

class EvaporationPath::Steps {
public:
    Steps(SolverState& p, const RunHooks& hooks, std::vector<std::string> candidates, bool fractional)
        : p_(p), hooks_(hooks), candidates_(std::move(candidates)), fractional_(fractional) {
        prepareNextRun(p_);
        base_ = std::make_unique<CarriedState>(p_);
        last_ = std::make_unique<CarriedState>(p_);
        kgw0_ = p_.comp[WATER_SLOT].mtot;
        removed_.assign(static_cast<std::size_t>(p_.comp.count) + 1, 0.0);
        stoichiometry_ = mineralStoichiometries(p_);
    }

    // The water at `factor`: only concentrated, or with the minerals that
    // saturate precipitated. `firstLook` gets the run before any mineral
    // joined the set held at this step.
    std::optional<Results> step(double factor, bool precipitate, std::optional<Results>& firstLook, std::string& why) {
        const std::vector<Held> heldBefore = held_;
        std::optional<Results> r;
        if (!precipitate) {
            r = run(factor, held_, why);
            firstLook = r;
        } else {
            r = equilibrate(factor, firstLook, why);
        }
        if (!r) return r;
        prepareNextRun(p_);
        std::swap(previous_.state, last_);
        if (last_)
            *last_ = p_;
        else
            last_ = std::make_unique<CarriedState>(p_);
        previous_.factor = lastFactor_;
        previous_.held = heldBefore;
        previous_.removed = removed_;
        previous_.setAside = setAside_;
        previous_.valid = true;
        lastFactor_ = factor;
        if (fractional_) setAside();
        return r;
    }

    // The earliest of `minerals` (undersaturated at the step before the
    // last, not at the last) to reach log Q/K = 0 between the two: bisection
    // on ln F of the highest log Q/K of them, each run from the step before
    // with the minerals then held kept at saturation (the path between the
    // two steps). None when a run fails.
    std::optional<FirstSaturation> earliestSaturation(const std::vector<std::string>& minerals) {
        if (!previous_.valid || minerals.empty()) return std::nullopt;
        Rewound rewound(*this);
        double low = std::log(lastFactor_), high = std::log(previous_.factor);  // the rewound factors
        std::string highest;
        for (bool bracketed = false; !bracketed;) {
            bracketed = high - low <= SATURATION_BRACKET;
            const double at = bracketed ? high : 0.5 * (low + high);
            std::vector<Held> held = held_;
            std::string why;
            const std::optional<Results> r = holdAtSaturation(std::exp(at), held, why);
            if (!r) return std::nullopt;
            double most = -std::numeric_limits<double>::infinity();
            for (const std::string& m : minerals)
                if (const double si = saturationIndexOf(*r, m); si > most) {
                    most = si;
                    highest = m;
                }
            if (!bracketed) (most < 0.0 ? low : high) = at;
        }
        return FirstSaturation{highest, std::exp(0.5 * (low + high))};
    }

    // Back to the step before the last (once: the last is forgotten).
    bool rewind() {
        if (!previous_.valid) return false;
        swapWithPrevious();
        previous_.valid = false;
        return true;
    }

    // The step to `factor` again, through factors between `from` (the last
    // step reached) and it, ever closer together: a brine whose speciation
    // cannot be solved from the last step's may be from a nearer one.
    std::optional<Results> approach(double from, double factor, bool precipitate, std::optional<Results>& firstLook,
                                    std::string& why) {
        for (int parts = 2; parts <= MAX_PARTS; parts *= 2) {
            bool reached = true;
            for (int i = 1; i < parts && reached; ++i) {
                std::optional<Results> between;
                const double f = std::exp(std::log(from) + (std::log(factor) - std::log(from)) * i / parts);
                reached = step(f, precipitate, between, why).has_value();
                if (reached) from = f;
            }
            if (!reached) continue;
            firstLook.reset();
            std::optional<Results> r = step(factor, precipitate, firstLook, why);
            if (r) return r;
        }
        return std::nullopt;
    }

    // The minerals held and the moles precipitated per kg of the starting water.
    // (Fractional: of every mineral taken out of the brine so far.)
    std::vector<PrecipitatedAmount> amounts() const {
        std::vector<PrecipitatedAmount> a;
        for (const Held& h : fractional_ ? setAside_ : held_) a.push_back({h.mineral, h.moles / kgw0_});
        return a;
    }

    const CarriedState& lastReached() const { return *last_; }

    std::vector<std::string> heldMinerals() const {
        std::vector<std::string> names;
        for (const Held& h : held_) names.push_back(h.mineral);
        return names;
    }

    // Minerals that stayed supersaturated because they could not join the set
    // held (the system of amounts would be singular), with the factor.
    std::vector<std::string> notes;

private:
    // The last step, before the set-aside of a fractional path: the state
    // runs start from, its factor, the minerals held and what had left the brine.
    struct Reached {
        bool valid = false;
        std::unique_ptr<CarriedState> state;
        double factor = 1.0;
        std::vector<Held> held, setAside;
        std::vector<double> removed;
    };

    void swapWithPrevious() {
        std::swap(last_, previous_.state);
        std::swap(lastFactor_, previous_.factor);
        std::swap(held_, previous_.held);
        std::swap(setAside_, previous_.setAside);
        std::swap(removed_, previous_.removed);
    }

    // The path taken back to the step before the last while it lives.
    class Rewound {
    public:
        explicit Rewound(Steps& s) : s_(s) { s_.swapWithPrevious(); }
        ~Rewound() { s_.swapWithPrevious(); }
        Rewound(const Rewound&) = delete;
        Rewound& operator=(const Rewound&) = delete;

    private:
        Steps& s_;
    };

    // A fractional path takes what precipitated at this step out of the
    // brine: the brine's totals lose it for good and the minerals held start
    // the next step with nothing precipitated, so none can dissolve again.
    void setAside() {
        for (Held& h : held_) {
            for (std::size_t k = 1; k < removed_.size(); ++k) removed_[k] += h.nu[k] * h.moles;
            Held* kept = nullptr;
            for (Held& s : setAside_) kept = s.mineral == h.mineral ? &s : kept;
            if (!kept) kept = &setAside_.emplace_back(Held{h.mineral, h.nu, 0.0});
            kept->moles += h.moles;
            h.moles = 0.0;
        }
    }

    // One run of the water at `factor` with `held` precipitated, from the
    // state of the last step; none, with why, when it fails.
    std::optional<Results> run(double factor, const std::vector<Held>& held, std::string& why) {
        static_cast<CarriedState&>(p_) = *last_;
        p_.grid.pressureFlag = 'N';
        p_.grid.blockFlag = 'N';
        for (int k = 1; k <= p_.comp.count; ++k)
            if (k != WATER_SLOT) p_.comp[k].mtot = totalOf(k, held);
        p_.comp[WATER_SLOT].mtot = kgw0_ / factor;  // kg; the set-up counts it in moles
        return convergedRun(p_, hooks_, why);
    }

    double totalOf(int k, const std::vector<Held>& held) const {
        double total = base_->comp[k].mtot - removed_[static_cast<std::size_t>(k)];
        for (const Held& h : held) total -= h.nu[static_cast<std::size_t>(k)] * h.moles;
        return total;
    }

    // The minerals held at saturation at `factor`, from the amounts they have.
    std::optional<Results> holdAtSaturation(double factor, std::vector<Held>& held, std::string& why) {
        AmountSolve solve;
        solve.run = [this, factor](const std::vector<Held>& h, std::string& w) { return run(factor, h, w); };
        solve.totalOf = [this](int k, const std::vector<Held>& h) { return totalOf(k, h); };
        solve.componentCount = p_.comp.count;
        return wq::holdAtSaturation(solve, held, why);
    }

    const Held* stoichiometryOf(const std::string& mineral) const {
        for (const Held& h : stoichiometry_)
            if (h.mineral == mineral) return &h;
        return nullptr;
    }

    // A mineral joins the set: in place of a held mineral of the same
    // components in the same proportions (both cannot be held at once), else
    // with nothing precipitated yet.
    void join(std::vector<Held>& held, const std::string& mineral) const {
        Held h = *stoichiometryOf(mineral);
        for (Held& other : held) {
            const double c = proportion(h.nu, other.nu);
            if (c == 0.0) continue;
            h.moles = other.moles / c;
            other = h;
            return;
        }
        held.push_back(h);
    }

    // The most supersaturated candidate not held and not refused at this step.
    std::string mostSupersaturated(const Results& r, const std::vector<Held>& held, const std::set<std::string>& refused) const {
        std::string best;
        double highest = SUPERSATURATED;
        for (const std::string& m : candidates_) {
            bool isHeld = false;
            for (const Held& h : held) isHeld |= h.mineral == m;
            const double si = saturationIndexOf(r, m);
            if (isHeld || refused.count(m) || !(si > highest) || !stoichiometryOf(m)) continue;
            highest = si;
            best = m;
        }
        return best;
    }

    // The set of minerals held at this step and their amounts: a mineral
    // that would have to dissolve more than has precipitated leaves the set,
    // the most supersaturated mineral joins it, until neither happens.
    std::optional<Results> equilibrate(double factor, std::optional<Results>& firstLook, std::string& why) {
        std::set<std::string> refused;
        std::vector<Held> before;
        std::string joined;
        for (int change = 0; change < MAX_SET_CHANGES; ++change) {
            std::vector<Held> trial = held_;
            std::optional<Results> r = holdAtSaturation(factor, trial, why);
            if (!r) {
                if (joined.empty()) return r;
                refused.insert(joined);
                notes.push_back(joined + " stays supersaturated at factor " + fixedText(factor, 2) + ": " + why);
                held_ = before;
                joined.clear();
                continue;
            }
            if (!firstLook) firstLook = r;
            std::size_t dissolved = trial.size();
            for (std::size_t j = 0; j < trial.size(); ++j)
                if (trial[j].moles < 0.0 && (dissolved == trial.size() || trial[j].moles < trial[dissolved].moles))
                    dissolved = j;
            if (dissolved < trial.size()) {
                // It leaves from the amounts the set started with, which the
                // brine can hold (the amounts just found may not be, without it).
                held_.erase(held_.begin() + static_cast<std::ptrdiff_t>(dissolved));
                joined.clear();
                continue;
            }
            held_ = trial;
            const std::string next = mostSupersaturated(*r, held_, refused);
            if (next.empty()) return r;
            before = held_;
            joined = next;
            join(held_, next);
        }
        why = "no stable set of saturated minerals found";
        return std::nullopt;
    }

    SolverState& p_;
    const RunHooks& hooks_;
    std::vector<std::string> candidates_;
    bool fractional_ = false;
    std::vector<Held> stoichiometry_;  // every mineral of the run
    std::vector<Held> held_;           // the minerals held at saturation
    std::vector<Held> setAside_;       // fractional: taken out of the brine so far
    std::vector<double> removed_;      // fractional: the components of those, by position
    std::unique_ptr<CarriedState> base_, last_;
    double lastFactor_ = 1.0;
    Reached previous_;
    double kgw0_ = 1.0;
};

EvaporationPath::EvaporationPath(SolverState& p, const RunHooks& hooks, std::vector<std::string> candidates,
                                 bool fractional)
    : steps_(std::make_unique<Steps>(p, hooks, std::move(candidates), fractional)) {}

EvaporationPath::~EvaporationPath() = default;

std::optional<Results> EvaporationPath::step(double factor, bool precipitate, std::optional<Results>& firstLook,
                                             std::string& why) {
    return steps_->step(factor, precipitate, firstLook, why);
}

std::optional<Results> EvaporationPath::approach(double from, double factor, bool precipitate,
                                                 std::optional<Results>& firstLook, std::string& why) {
    return steps_->approach(from, factor, precipitate, firstLook, why);
}

std::vector<PrecipitatedAmount> EvaporationPath::amounts() const { return steps_->amounts(); }

std::vector<std::string> EvaporationPath::heldMinerals() const { return steps_->heldMinerals(); }

std::optional<FirstSaturation> EvaporationPath::earliestSaturation(const std::vector<std::string>& minerals) {
    return steps_->earliestSaturation(minerals);
}

const CarriedState& EvaporationPath::lastReached() const { return steps_->lastReached(); }

bool EvaporationPath::rewind() { return steps_->rewind(); }

const std::vector<std::string>& EvaporationPath::notes() const { return steps_->notes; }

}  // namespace wq
