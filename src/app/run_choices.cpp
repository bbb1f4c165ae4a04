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
        std::string unknown;
        std::optional<std::vector<std::string>> names = knownNames(text.suppress, namesOf(db), unknown);
        if (!names) {
            why = unknown.empty() ? "--suppress holds an empty name"
                                  : "--suppress: " + db.name + " has no species, mineral or gas named \"" + unknown +
                                        "\" (names are spelled as there, case included)";
            return std::nullopt;
        }
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
