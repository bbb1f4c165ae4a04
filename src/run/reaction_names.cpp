#include "run/reaction_names.hpp"

#include "input/tables.hpp"
#include "run/boiling.hpp"
#include "solver/solver_state.hpp"
#include "text/stop.hpp"

namespace wq {

namespace {

std::string componentName(const SolverState& p, int k) { return std::string(p.sp[k].name.trimmed()); }

const HeldMineral* phaseNamed(const std::vector<HeldMineral>& phases, const std::string& name) {
    for (const HeldMineral& h : phases)
        if (h.mineral == name) return &h;
    return nullptr;
}

// The aqueous species named, or written as the database writes a neutral
// one (NAME,aq); 0: none.
int speciesNamed(const SolverState& p, const std::string& name) {
    for (const std::string& written : {name, name + ",aq"})
        for (int s = p.comp.count + 1; s <= p.sp.count; ++s)
            if (std::string(p.sp[s].name.trimmed()) == written) return s;
    return 0;
}

// A species' formation reaction from the components: the components a mole of it holds.
Stoichiometry speciesComponents(const SolverState& p, int s) {
    Stoichiometry nu(static_cast<std::size_t>(p.comp.count) + 1, 0.0);
    const Species& sp = p.sp[s];
    for (int t = 1; t <= sp.itot; ++t)
        if (sp.comp[t] != WATER_SLOT && sp.comp[t] >= 1 && sp.comp[t] <= p.comp.count)
            nu[static_cast<std::size_t>(sp.comp[t])] += sp.coef[t];
    return nu;
}

[[noreturn]] void failAt(const ReactionPath& path, int line, const std::string& what) {
    stop(ExitStatus::error, path.file + " line " + std::to_string(line) + ": " + what);
}

}  // namespace

int componentNamed(const SolverState& p, const std::string& name) {
    for (int k = 1; k <= p.comp.count; ++k)
        if (k != WATER_SLOT && componentName(p, k) == name) return k;
    return 0;
}

ReactantComponents reactantComponents(const SolverState& p, const AddStep& a) {
    ReactantComponents r;
    r.nu.assign(static_cast<std::size_t>(p.comp.count) + 1, 0.0);
    r.found = true;
    if (!a.named) {
        for (const NamedValue& c : a.reactant) {
            r.name += (r.name.empty() ? "" : " ") + c.name;
            const int k = componentNamed(p, c.name);
            r.found &= k != 0;
            if (k) r.nu[static_cast<std::size_t>(k)] += c.value;
        }
        return r;
    }
    r.name = a.named->name;
    const std::vector<HeldMineral> minerals = mineralStoichiometries(p), gases = gasStoichiometries(p);
    if (r.name == "H2O") {
        r.waterKg = WATER_KG_PER_MOL;
    } else if (const int k = componentNamed(p, r.name)) {
        r.nu[static_cast<std::size_t>(k)] = 1.0;
    } else if (const int s = speciesNamed(p, r.name)) {
        r.nu = speciesComponents(p, s);
    } else if (const HeldMineral* m = phaseNamed(minerals, r.name)) {
        r.nu = m->nu;
    } else if (const HeldMineral* g = phaseNamed(gases, r.name)) {
        r.nu = g->nu;
    } else {
        r.found = false;
    }
    return r;
}

void checkPathNames(const SolverState& p, const ReactionPath& path) {
    const std::vector<HeldMineral> minerals = mineralStoichiometries(p), gases = gasStoichiometries(p);
    const auto phaseOfRun = [&](const NamedValue& n, bool gas) {
        if (!phaseNamed(gas ? gases : minerals, n.name))
            failAt(path, n.line, "\"" + n.name + "\" is no " + (gas ? "gas" : "mineral") + " of the run");
    };
    for (const PathStep& s : path.steps) {
        if (s.kind == StepKind::add && !reactantComponents(p, s.add).found) {
            if (s.add.named)
                failAt(path, s.add.named->line, "\"" + s.add.named->name +
                                                    "\" is no component, species, mineral or gas of the starting water's run");
            for (const NamedValue& c : s.add.reactant)
                if (!componentNamed(p, c.name))
                    failAt(path, c.line, "\"" + c.name + "\" is no component of the starting water's run");
        }
        if (s.add.until && s.add.until->kind != UntilKind::pH)
            phaseOfRun(s.add.until->target, s.add.until->kind == UntilKind::logFugacity);
        for (const NamedValue& m : s.equilibrate.minerals) phaseOfRun(m, false);
        for (const NamedValue& g : s.equilibrate.gases) phaseOfRun(g, true);
        for (const NamedValue& m : s.evaporate.minerals) phaseOfRun(m, false);
    }
}

}  // namespace wq
