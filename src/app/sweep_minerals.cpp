#include "app/sweep_minerals.hpp"

#include <optional>

#include "app/front_end.hpp"
#include "app/program.hpp"
#include "equilibria/mineral_geothermometry.hpp"
#include "input/parsed_database.hpp"
#include "run/results.hpp"
#include "text/fields.hpp"
#include "text/name_list.hpp"
#include "text/number_text.hpp"

namespace wq {

namespace {

std::string asTyped(std::string_view name) { return std::string(withoutBlanksAround(name)); }

bool inDatabase(const Program& p, const std::string& name) {
    const ParsedDatabase& db = p.database.parsed();
    if (!db.aqueous) return false;
    for (const MineralText& m : db.aqueous->minerals.entries)
        if (asTyped(m.name.view()) == name) return true;
    return false;
}

std::string unknownMineral(const Program& p, const std::string& name) {
    if (name.empty()) return "--minerals holds an empty name";
    if (inDatabase(p, name))
        return "mineral " + name + " is in " + p.database.parsed().name +
               " but not in this water's run: the water lacks one of its components, or its data do not reach " +
               fixedText(p.input.temperature, 2) + " C";
    return "unknown mineral " + name + ": not in " + p.database.parsed().name +
           " (names are spelled as there, case included)";
}

}  // namespace

std::vector<std::string> mineralNames(const Results& first) {
    std::vector<std::string> names;
    for (const MineralRow& m : first.minerals) names.push_back(asTyped(m.name));
    return names;
}

std::set<std::string> forcedMineralNames(const Results& first) {
    std::set<std::string> names;
    for (const ForcedRow& f : first.forced) names.insert(asTyped(f.mineral));
    return names;
}

std::vector<std::string> namedMinerals(const Program& p, const std::string& list, const std::vector<std::string>& known) {
    std::string unknown;
    std::optional<std::vector<std::string>> chosen =
        knownNames(list, std::set<std::string>(known.begin(), known.end()), unknown);
    if (!chosen) throw CannotStart{unknownMineral(p, unknown)};
    return std::move(*chosen);
}

std::vector<std::string> defaultMinerals(const std::vector<std::string>& known, const std::set<std::string>& forced) {
    const std::set<std::string> names(known.begin(), known.end());
    std::vector<std::string> chosen;
    for (const char* const* m = DEFAULT_RESERVOIR_MINERALS; *m; ++m)
        if (names.count(*m) && !forced.count(*m)) chosen.push_back(*m);
    return chosen;
}

}  // namespace wq
