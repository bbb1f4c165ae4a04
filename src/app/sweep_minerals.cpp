#include "app/sweep_minerals.hpp"

#include "app/front_end.hpp"
#include "app/program.hpp"
#include "equilibria/mineral_geothermometry.hpp"
#include "input/parsed_database.hpp"
#include "report/results.hpp"
#include "text/fields.hpp"
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
    const std::set<std::string> names(known.begin(), known.end());
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t comma; (comma = list.find(',', start)) != std::string::npos; start = comma + 1)
        pieces.push_back(asTyped(std::string_view(list).substr(start, comma - start)));
    pieces.push_back(asTyped(std::string_view(list).substr(start)));
    std::vector<std::string> chosen;
    for (std::size_t i = 0; i < pieces.size();) {
        std::size_t end = pieces.size();
        std::string joined;
        for (; end > i; --end) {
            joined = pieces[i];
            for (std::size_t k = i + 1; k < end; ++k) joined += "," + pieces[k];
            if (names.count(joined)) break;
        }
        if (end == i) throw CannotStart{unknownMineral(p, pieces[i])};
        bool seen = false;
        for (const std::string& c : chosen) seen |= c == joined;
        if (!seen) chosen.push_back(joined);
        i = end;
    }
    return chosen;
}

std::vector<std::string> defaultMinerals(const std::vector<std::string>& known, const std::set<std::string>& forced) {
    const std::set<std::string> names(known.begin(), known.end());
    std::vector<std::string> chosen;
    for (const char* const* m = DEFAULT_RESERVOIR_MINERALS; *m; ++m)
        if (names.count(*m) && !forced.count(*m)) chosen.push_back(*m);
    return chosen;
}

}  // namespace wq
