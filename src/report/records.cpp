#include "report/records.hpp"

#include <cmath>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>

#include "input/tables.hpp"
#include "report/results.hpp"
#include "text/csv.hpp"

namespace wq {

namespace {

const char* coupleName(EhCouple couple) {
    switch (couple) {
        case EhCouple::sulfideSulfate: return "HS-/SO4--";
        case EhCouple::oxygen: return "H2O/O2(aq)";
        case EhCouple::none: break;
    }
    return "";
}

const char* const FIXED_COLUMNS[] = {
    "name", "status", "loops", "T [C]", "P [bar]", "pH", "I [mol/kgw]", "I stoichiometric [mol/kgw]",
    "a(H2O)", "osmotic coefficient", "Eh [V]", "Eh couple", "T Na-K-Ca [C]", "charge imbalance [eq/kgw]",
    "charge imbalance [%]",
};

std::vector<std::string> fixedCells(const RecordHead& head, const Results* r) {
    // Text that is not UTF-8 (a name in Latin-1) as the JSON record has it.
    std::string name = utf8Replacing(head.name), status = utf8Replacing(head.status);
    if (!r) return {name, status, "", csvNumber(head.temperature), csvNumber(head.pressure)};
    return {name,
            status,
            std::to_string(r->loops),
            csvNumber(r->temperature),
            csvNumber(r->pressure),
            csvNumber(r->pH),
            csvNumber(r->ionicStrength),
            csvNumber(r->stoichiometricIonicStrength),
            csvNumber(r->waterActivity),
            csvNumber(r->osmoticCoefficient),
            r->ehCouple == EhCouple::none ? "" : csvNumber(r->eh),
            coupleName(r->ehCouple),
            r->sourceTemperatureShown ? csvNumber(r->sourceTemperature) : "",
            csvNumber(r->chargeImbalance),
            csvNumber(r->chargeImbalancePercent)};
}

}  // namespace

std::string runStatus(const Results& r) {
    if (r.converged) return r.solvedJointly ? "converged by the joint solve" : "converged";
    if (!r.infeasibility.empty()) return "no solution: " + r.infeasibility;
    return "not converged: loop limit " + std::to_string(r.loopLimit) + " reached";
}

std::string csvHeader(const RecordColumns& columns) {
    std::vector<std::string> cells(std::begin(FIXED_COLUMNS), std::end(FIXED_COLUMNS));
    for (const std::string& s : columns.species) {
        cells.push_back("log_m(" + s + ")");
        cells.push_back("log_a(" + s + ")");
        cells.push_back("gamma(" + s + ")");
    }
    for (const std::string& m : columns.minerals) cells.push_back("SI(" + m + ")");
    for (const std::string& g : columns.gases) cells.push_back("log_f(" + g + ")");
    return csvLine(cells);
}

std::string csvRow(const RecordColumns& columns, const RecordHead& head, const Results* r) {
    std::vector<std::string> cells = fixedCells(head, r);
    cells.resize(std::size(FIXED_COLUMNS));
    std::map<std::string, const SpeciesRow*> species;
    std::map<std::string, double> minerals, gases;
    if (r) {
        for (const SpeciesRow& s : r->species) species[s.name] = &s;
        for (const MineralRow& m : r->minerals) minerals[m.name] = m.saturationIndex;
        for (const GasRow& g : r->gases) gases[g.name] = g.logFugacity;
    }
    for (const std::string& name : columns.species) {
        auto it = species.find(name);
        if (it == species.end()) {
            cells.insert(cells.end(), 3, "");
            continue;
        }
        cells.push_back(csvNumber(it->second->logMolality));
        cells.push_back(csvNumber(it->second->logActivity));
        cells.push_back(csvNumber(it->second->gamma));
    }
    for (const std::string& name : columns.minerals) {
        auto it = minerals.find(name);
        cells.push_back(it == minerals.end() ? "" : csvNumber(it->second));
    }
    for (const std::string& name : columns.gases) {
        auto it = gases.find(name);
        cells.push_back(it == gases.end() ? "" : csvNumber(it->second));
    }
    return csvLine(cells);
}

namespace {

// Compact, on one line. Text that is not UTF-8 (a name in Latin-1) is
// written with replacement characters, never an abort; non-finite numbers
// have no JSON form and are written as null.
std::string dumped(const nlohmann::json& j) { return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace); }

}  // namespace

std::string jsonRecord(const RecordHead& head, const Results* r) {
    using nlohmann::json;
    json j;
    j["name"] = head.name;
    j["status"] = head.status;
    if (!r) {
        j["T"] = head.temperature;
        j["P"] = head.pressure;
        return dumped(j);
    }
    j["loops"] = r->loops;
    j["joint_loops"] = r->jointLoops;
    j["T"] = r->temperature;
    j["P"] = r->pressure;
    j["pH"] = r->pH;
    j["kg_water"] = r->kgWater;
    j["I"] = r->ionicStrength;
    j["I_stoichiometric"] = r->stoichiometricIonicStrength;
    j["a_H2O"] = r->waterActivity;
    j["osmotic_coefficient"] = r->osmoticCoefficient;
    j["Eh"] = r->ehCouple == EhCouple::none ? json(nullptr) : json(r->eh);
    j["Eh_couple"] = coupleName(r->ehCouple);
    j["T_NaKCa"] = r->sourceTemperatureShown ? json(r->sourceTemperature) : json(nullptr);
    j["charge_imbalance"] = r->chargeImbalance;
    j["charge_imbalance_percent"] = r->chargeImbalancePercent;
    j["calculated_alkalinity"] = r->calculatedAlkalinity;
    json species = json::object();
    for (const SpeciesRow& s : r->species) {
        if (s.position == WATER_SLOT) continue;
        species[s.name] = {{"m", s.molality},          {"log_m", s.logMolality}, {"a", s.activity},
                                    {"log_a", s.logActivity}, {"gamma", s.gamma}};
    }
    j["species"] = std::move(species);
    json totals = json::object();
    for (const ComponentRow& c : r->components)
        totals[c.name] = {{"moles", c.moles},       {"ppm", c.ppm},     {"molality", c.totalMolality},
                                   {"free_molality", c.molality}, {"alpha", c.alpha}, {"flag", c.flag}};
    j["totals"] = std::move(totals);
    json minerals = json::object();
    for (const MineralRow& m : r->minerals)
        minerals[m.name] = {{"log_K", m.logK}, {"log_Q", m.logQ}, {"SI", m.saturationIndex}};
    j["minerals"] = std::move(minerals);
    json gases = json::object();
    for (const GasRow& g : r->gases)
        gases[g.name] = {{"log_K", g.logK}, {"log_Q", g.logQ}, {"log_f", g.logFugacity}, {"f", g.fugacity}};
    j["gases"] = std::move(gases);
    return dumped(j);
}

bool JsonArrayWriter::add(const std::string& object) {
    const std::string text = (first_ ? "[\n" : ",\n") + object;
    first_ = false;
    return std::fwrite(text.data(), 1, text.size(), file_) == text.size() && std::fflush(file_) == 0;
}

bool JsonArrayWriter::close() {
    const char* end = first_ ? "[]\n" : "\n]\n";
    first_ = false;
    return std::fputs(end, file_) >= 0 && std::fflush(file_) == 0;
}

}  // namespace wq
