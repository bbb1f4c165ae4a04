#include "app/run_choices.hpp"

#include <set>

#include "input/parsed_database.hpp"
#include "input/waters.hpp"
#include "text/name_list.hpp"

namespace wq {

namespace {

// Every name a run could leave out: the aqueous species, the minerals and the
// gases of the database.
std::set<std::string> namesOf(const ParsedDatabase& db) {
    std::set<std::string> names;
    if (!db.aqueous) return names;
    for (const AqueousRecord& r : db.aqueous->records)
        if (!r.isEnd()) names.emplace(r.name.trimmed());
    for (const MineralText& m : db.aqueous->minerals.entries)
        if (!m.isEnd()) names.emplace(m.name.trimmed());
    return names;
}

std::set<std::string> componentNamesOf(const ParsedDatabase& db) {
    std::set<std::string> names;
    for (const ComponentLine& c : db.components)
        if (c.readable && !c.name.trimmed().empty()) names.emplace(c.name.trimmed());
    return names;
}

// The names of --suppress: each a species, mineral or gas of the database.
// A component (Ca++, H+, H2O, O2,aq) is what its species are written in, so
// it cannot be left out; the message says so.
std::optional<std::vector<std::string>> suppressedNames(const std::string& list, const ParsedDatabase& db,
                                                        std::string& why) {
    const std::set<std::string> species = namesOf(db);
    const std::set<std::string> components = componentNamesOf(db);
    std::set<std::string> known = species;
    known.insert(components.begin(), components.end());
    std::string unknown;
    std::optional<std::vector<std::string>> names = knownNames(list, known, unknown);
    if (!names) {
        why = unknown.empty() ? "--suppress holds an empty name"
                              : "--suppress: " + db.name + " has no species, mineral or gas named \"" + unknown +
                                    "\" (names are spelled as there, case included)";
        return std::nullopt;
    }
    for (const std::string& name : *names) {
        // A component the database also writes as a species of others
        // (N2,aq of O2,aq) is that species.
        if (!components.count(name) || species.count(name)) continue;
        why = "--suppress: \"" + name +
              "\" is a component of the database (its species are written in it), not a species that can be left out";
        return std::nullopt;
    }
    return names;
}

}  // namespace

std::optional<RunChoices> runChoicesOf(const RunChoiceText& text, const ParsedDatabase& db, std::string& why) {
    RunChoices choices;
    if (!text.redox.empty()) {
        std::optional<RedoxState> state = parseRedoxState(text.redox, why);
        if (!state) return std::nullopt;
        choices.redox.state = *state;
    }
    if (!text.decouple.empty()) {
        std::optional<std::vector<std::string>> elements = parseDecoupledElements(text.decouple, why);
        if (!elements) return std::nullopt;
        choices.redox.decoupled = std::move(*elements);
    }
    if (!text.suppress.empty()) {
        std::optional<std::vector<std::string>> names = suppressedNames(text.suppress, db, why);
        if (!names) return std::nullopt;
        choices.suppressed = std::move(*names);
    }
    return choices;
}

bool givesRedoxState(const WaterSample& water) { return water.redox && water.redox->given(); }

RunChoices choicesOf(const RunChoices& choices, const WaterSample& water) {
    RunChoices own = choices;
    if (water.redox) own.redox.state = *water.redox;
    return own;
}

}  // namespace wq
