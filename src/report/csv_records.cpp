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
            ehCoupleName(r->ehCouple),
            r->sourceTemperatureShown ? csvNumber(r->sourceTemperature) : "",
            csvNumber(r->chargeImbalance),
            csvNumber(r->chargeImbalancePercent)};
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
