// The log K of a chain of runs worked out once for each of its conditions.
//
// A chain runs the same water again and again at conditions it has run at
// before: a phase held at saturation takes several runs at one temperature,
// an evaporation path all its steps at one, a sweep's reconstruction a
// hundred sweeps over one grid of temperatures. Each run would bring every
// log K of its species and minerals to its conditions again from the
// database's tables (in a reconstruction, a quarter of the work). With this
// cache the first run at some conditions works them out and every later one
// takes them, the very values the batch takes (LogKCache).
#pragma once

#include <optional>
#include <vector>

#include "input/db_numbers.hpp"
#include "input/logk_cache.hpp"
#include "input/parsed_database.hpp"
#include "solver/solver_state.hpp"

namespace wq {

// Database numbers 1..70 as a cache's components.
using CacheComponents = std::vector<bool>;

// Every component of the database: a chain that may meet any (a reaction
// path's reactants).
inline CacheComponents everyComponent() {
    CacheComponents all(MAX_COMPONENTS + 1, true);
    all[0] = false;
    return all;
}

// O2,aq and both members of every redox couple of `db`: the components a run
// with a redox state adds (addRedoxComponents).
inline void addRedoxCouples(CacheComponents& components, const ParsedDatabase& db) {
    const auto add = [&](int number) {
        if (number >= 1 && number <= MAX_COMPONENTS) components[static_cast<std::size_t>(number)] = true;
    };
    add(db::OXYGEN);
    for (const CoupleText& c : db.couples.entries) {
        add(c.oxidized);
        add(c.reduced);
    }
}

// The components of the run set up in `state`, and with a redox state the
// ones its runs add (O2,aq and both members of every couple): a chain of one
// water. A cache over no more than these interpolates no entry the runs
// never take.
inline CacheComponents componentsOfRun(const SolverState& state) {
    CacheComponents run(MAX_COMPONENTS + 1, false);
    const auto add = [&](int number) {
        if (number >= 1 && number <= MAX_COMPONENTS) run[static_cast<std::size_t>(number)] = true;
    };
    for (int k = 1; k <= state.comp.count; ++k) add(state.map.numberAt[k]);
    if (state.choices.redox.state.given() && state.database.shared()) addRedoxCouples(run, *state.database.shared());
    return run;
}

// For as long as it lives, the runs of `state` take their log K from a cache
// over `components`.
class ChainLogK {
public:
    ChainLogK(SolverState& state, CacheComponents components) : state_(state) {
        if (!state.database.shared()) return;
        cache_.emplace(state.database.shared(), std::move(components));
        state_.logKCache = &*cache_;
    }
    ~ChainLogK() { state_.logKCache = nullptr; }
    ChainLogK(const ChainLogK&) = delete;
    ChainLogK& operator=(const ChainLogK&) = delete;

private:
    SolverState& state_;
    std::optional<LogKCache> cache_;
};

}  // namespace wq
