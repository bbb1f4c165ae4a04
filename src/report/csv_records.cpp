// The CSV table of records: a header of the columns, then one row per run
// (registered as ".csv").
#include <map>

#include "input/tables.hpp"
#include "report/records.hpp"
#include "text/csv.hpp"

namespace wq {

namespace {

const char* const FIXED_COLUMNS[] = {
    "name", "status", "loops", "T [C]", "P [bar]", "pH", "I [mol/kgw]", "I stoichiometric [mol/kgw]",
    "a(H2O)", "osmotic coefficient", "Eh [V]", "Eh couple", "T Na-K-Ca [C]", "charge imbalance [eq/kgw]",
    "charge imbalance [%]", "analysis imbalance [eq/kgw]", "analysis imbalance [%]", "balanced on",
    "balanced total [mol]", "notes", "activity model",
};

std::string optionalNumber(const std::optional<double>& v) { return v ? csvNumber(*v) : ""; }

// The total of the component that carried the charge balance, after it.
std::string balancedTotal(const RecordHead& head, const Results& r) {
    if (head.balancedOn.empty()) return "";
    for (const ComponentRow& c : r.components)
        if (c.name == head.balancedOn) return csvNumber(c.moles);
    return "";
}

std::vector<std::string> fixedCells(const RecordHead& head, const Results* r) {
    // Text that is not UTF-8 (a name in Latin-1) as the JSON record has it.
    std::string name = utf8Replacing(head.name), status = utf8Replacing(head.status);
    if (!r) {
        std::vector<std::string> cells = {name, status, "", csvNumber(head.temperature), csvNumber(head.pressure)};
        cells.resize(std::size(FIXED_COLUMNS));
        cells[15] = optionalNumber(head.analysisImbalance);
        cells[16] = optionalNumber(head.analysisImbalancePercent);
        return cells;
    }
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
            ehCoupleName(r->ehCouple),
            r->sourceTemperatureShown ? csvNumber(r->sourceTemperature) : "",
            csvNumber(r->chargeImbalance),
            csvNumber(r->chargeImbalancePercent),
            optionalNumber(head.analysisImbalance),
            optionalNumber(head.analysisImbalancePercent),
            head.balancedOn,
            balancedTotal(head, *r),
            head.notes,
            r->activityModel};
}

// The redox columns, after the fixed ones, only when some water has a
// redox state: the state ("none" for a water without one), the pe, and the
// Eh at which each couple is in equilibrium in the water.
void redoxHeader(const RecordColumns& columns, std::vector<std::string>& cells) {
    if (!columns.redox) return;
    cells.push_back("redox");
    cells.push_back("redox pe");
    for (const std::string& c : columns.couples) cells.push_back("Eh(" + c + ") [V]");
}

void redoxCells(const RecordColumns& columns, const Results* r, std::vector<std::string>& cells) {
    if (!columns.redox) return;
    if (!r) {
        cells.insert(cells.end(), 2 + columns.couples.size(), "");
        return;
    }
    cells.push_back(r->redox.given ? r->redox.state : "none");
    cells.push_back(r->redox.given ? csvNumber(r->redox.pe) : "");
    for (const std::string& name : columns.couples) {
        std::string eh;
        for (const RedoxCoupleRow& c : r->redox.couples)
            if (c.name == name) eh = csvNumber(c.eh);
        cells.push_back(eh);
    }
}

std::vector<std::string> selected(std::vector<std::string> cells, const RecordColumns& columns) {
    if (columns.selected.empty()) return cells;
    std::vector<std::string> out;
    out.reserve(columns.selected.size());
    for (std::size_t k : columns.selected) out.push_back(k < cells.size() ? std::move(cells[k]) : std::string());
    return out;
}

}  // namespace

std::vector<std::string> allColumnNames(const RecordColumns& columns) {
    std::vector<std::string> cells(std::begin(FIXED_COLUMNS), std::end(FIXED_COLUMNS));
    redoxHeader(columns, cells);
    for (const std::string& s : columns.species) {
        cells.push_back("log_m(" + s + ")");
        cells.push_back("log_a(" + s + ")");
        cells.push_back("gamma(" + s + ")");
    }
    for (const std::string& m : columns.minerals) cells.push_back("SI(" + m + ")");
    for (const std::string& g : columns.gases) cells.push_back("log_f(" + g + ")");
    return cells;
}

std::vector<std::string> compactColumnPatterns() {
    return {"name", "status", "T [C]", "pH", "I [mol/kgw]", "charge imbalance [%]", "analysis imbalance [%]",
            "balanced on", "balanced total [mol]", "notes", "activity model", "redox", "redox pe", "Eh(*) [V]",
            "SI(*)", "log_f(*)"};
}

namespace {

std::string csvHeader(const RecordColumns& columns) { return csvLine(selected(allColumnNames(columns), columns)); }

std::string csvRow(const RecordColumns& columns, const RecordHead& head, const Results* r) {
    std::vector<std::string> cells = fixedCells(head, r);
    cells.resize(std::size(FIXED_COLUMNS));
    redoxCells(columns, r, cells);
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
    return csvLine(selected(std::move(cells), columns));
}

class CsvRecords final : public RecordFormat {
public:
    bool fixesColumns() const override { return true; }
    std::string opening(const RecordColumns& columns) const override { return csvHeader(columns); }
    std::string record(const RecordColumns& columns, const RecordHead& head, const Results* results) const override {
        return csvRow(columns, head, results);
    }
    std::string separator(bool) const override { return {}; }
    std::string closing(bool) const override { return {}; }
};

}  // namespace

const RecordFormat& csvRecords() {
    static const CsvRecords format;
    return format;
}

}  // namespace wq
