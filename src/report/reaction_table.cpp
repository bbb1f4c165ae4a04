#include "report/reaction_table.hpp"

#include <algorithm>
#include <cmath>
#include <set>

#include <nlohmann/json.hpp>

#include "report/record_fields.hpp"
#include "text/channels.hpp"
#include "text/csv.hpp"
#include "text/number_text.hpp"

namespace wq {

namespace {

// The names of every phase and reactant moved on the path, in the order
// they first appear.
std::vector<TransferAmount> transferColumns(const ReactionResult& path) {
    std::vector<TransferAmount> columns;
    std::set<std::pair<bool, std::string>> seen;
    for (const ReactionRecord& rec : path.records)
        for (const TransferAmount& a : rec.transfer)
            if (seen.insert({a.reactant, a.name}).second) columns.push_back({a.name, a.reactant, 0.0});
    return columns;
}

double movedIn(const ReactionRecord& rec, const TransferAmount& column) {
    for (const TransferAmount& a : rec.transfer)
        if (a.name == column.name && a.reactant == column.reactant) return a.moles;
    return 0.0;
}

std::string transferHeader(const TransferAmount& a) {
    return (a.reactant ? "added(" : "transfer(") + a.name + ") [mol/kg starting water]";
}

const Results& startOf(const ReactionResult& path) { return *path.records.front().results; }

// The columns a path that takes water away has: the liquid's water, and
// the steam of a boil step with its gases.
struct WaterColumns {
    bool water = false, steam = false;
    std::vector<std::string> gases;
};

WaterColumns waterColumns(const ReactionResult& path) {
    WaterColumns c;
    for (const ReactionRecord& rec : path.records) {
        c.water |= rec.water != 1.0;
        c.steam |= !std::isnan(rec.steamFraction);
        for (const TransferAmount& g : rec.steam)
            if (std::find(c.gases.begin(), c.gases.end(), g.name) == c.gases.end()) c.gases.push_back(g.name);
    }
    return c;
}

double steamOf(const ReactionRecord& rec, const std::string& gas) {
    for (const TransferAmount& g : rec.steam)
        if (g.name == gas) return g.moles;
    return NAN;
}

}  // namespace

ValueTable reactionColumns(const ReactionResult& path) {
    const Results& start = startOf(path);
    const std::vector<TransferAmount> moved = transferColumns(path);
    const WaterColumns water = waterColumns(path);
    ValueTable t;
    t.header = {"step", "kind", "variable", "status", "T [C]", "P [bar]", "pH", "I [mol/kgw]"};
    t.text = {false, true, false, true};
    for (const MineralRow& m : start.minerals) t.header.push_back("SI(" + m.name + ")");
    for (const GasRow& g : start.gases) t.header.push_back("log f(" + g.name + ")");
    for (const TransferAmount& a : moved) t.header.push_back(transferHeader(a));
    if (water.water) t.header.push_back("water [kg/kg starting water]");
    if (water.steam) t.header.push_back("steam fraction");
    for (const std::string& g : water.gases) t.header.push_back("steam(" + g + ") [mol/kg steam]");
    t.text.resize(t.header.size(), false);
    for (const ReactionRecord& rec : path.records) {
        std::vector<RecordCell> cells = {wholeCell(rec.step), textCell(rec.kind), numberCell(rec.variable),
                                         textCell(rec.status)};
        const Results* r = rec.converged() ? &*rec.results : nullptr;
        for (double v : {r ? r->temperature : NAN, r ? r->pressure : NAN, r ? r->pH : NAN, r ? r->ionicStrength : NAN})
            cells.push_back(numberCell(v));
        for (const MineralRow& m : start.minerals) {
            double si = NAN;
            if (r)
                for (const MineralRow& row : r->minerals) si = row.name == m.name ? row.saturationIndex : si;
            cells.push_back(numberCell(si));
        }
        for (const GasRow& g : start.gases) {
            double logF = NAN;
            if (r)
                for (const GasRow& row : r->gases) logF = row.name == g.name ? row.logFugacity : logF;
            cells.push_back(numberCell(logF));
        }
        for (const TransferAmount& a : moved) cells.push_back(numberCell(movedIn(rec, a)));
        if (water.water) cells.push_back(numberCell(rec.water));
        if (water.steam) cells.push_back(numberCell(rec.steamFraction));
        for (const std::string& g : water.gases) cells.push_back(numberCell(steamOf(rec, g)));
        t.rows.push_back(std::move(cells));
    }
    return t;
}

std::string reactionCsv(const ReactionResult& path) {
    std::string t = "# wqspec react: " + path.file + "\n";
    t += "# " + path.title1 + "\n# " + path.title2 + "\n";
    t += "# activity model: " + activityModelText(startOf(path)) + "\n";
    t += "# variable: the fraction of the other water (mix), mol added per kg of the starting water (add), T in C "
         "(temperature)\n";
    const WaterColumns water = waterColumns(path);
    if (water.steam)
        t += "# boil: T in C; the steam fraction of the stage's liquid (of the step's, closed), the steam's gases\n";
    if (water.water)
        t += "# water: the liquid's mass of water; evaporate: the variable is the concentration factor of the step's "
             "water\n";
    return t + csvLines(reactionColumns(path));
}

std::string reactionJson(const ReactionResult& path) {
    nlohmann::ordered_json doc;
    doc["path"] = path.file;
    doc["title"] = {path.title1, path.title2};
    doc["activity_model"] = activityModelText(startOf(path));
    nlohmann::ordered_json records = nlohmann::ordered_json::array();
    for (const ReactionRecord& rec : path.records) {
        nlohmann::ordered_json j;
        j["step"] = rec.step;
        j["kind"] = rec.kind;
        j["variable"] = std::isnan(rec.variable) ? nlohmann::ordered_json() : nlohmann::ordered_json(rec.variable);
        j["status"] = rec.status;
        if (rec.converged()) {
            const Results& r = *rec.results;
            j["temperature_c"] = r.temperature;
            j["pressure_bar"] = r.pressure;
            j["ph"] = r.pH;
            j["ionic_strength"] = r.ionicStrength;
            for (const MineralRow& m : r.minerals) j["saturation_index"][m.name] = m.saturationIndex;
            for (const GasRow& g : r.gases) j["log_fugacity"][g.name] = g.logFugacity;
        }
        for (const TransferAmount& a : rec.transfer) j[a.reactant ? "added" : "transfer"][a.name] = a.moles;
        if (rec.water != 1.0) j["water_kg"] = rec.water;
        if (!std::isnan(rec.steamFraction)) j["steam_fraction"] = rec.steamFraction;
        for (const TransferAmount& g : rec.steam) j["steam"][g.name] = g.moles;
        records.push_back(std::move(j));
    }
    doc["records"] = std::move(records);
    return doc.dump(1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

void writeReactionRecord(const ReactionRecord& rec, Sink& console) {
    std::string line = "  " + std::to_string(rec.step) + " " + rec.kind;
    if (!std::isnan(rec.variable)) line += " " + shortestText(rec.variable);
    line += "  ";
    if (rec.converged())
        line += "T " + fixedText(rec.results->temperature, 2) + "  pH " + fixedText(rec.results->pH, 3) + "  I " +
                fixedText(rec.results->ionicStrength, 4);
    else
        line += rec.status;
    console.put(line + "\n");
    console.flush();
}

}  // namespace wq
