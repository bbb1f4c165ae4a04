// The CSV table of records: a header of the columns, then one row per run
// (registered as ".csv").
#include <cmath>
#include <limits>
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

RecordCell number(double value) { return {RecordCell::Kind::number, value, {}}; }
RecordCell whole(double value) { return {RecordCell::Kind::whole, value, {}}; }
RecordCell text(std::string value) { return {RecordCell::Kind::text, 0.0, std::move(value)}; }
constexpr double EMPTY = std::numeric_limits<double>::quiet_NaN();

std::vector<RecordCell> fixedCells(const RecordHead& head, const Results* r) {
    // Text that is not UTF-8 (a name in Latin-1) as the JSON record has it.
    RecordCell name = text(utf8Replacing(head.name)), status = text(utf8Replacing(head.status));
    if (!r)
        return {name,   status, whole(EMPTY),  number(head.temperature), number(head.pressure), number(EMPTY),
                number(EMPTY), number(EMPTY), number(EMPTY), number(EMPTY), number(EMPTY), text(""),
                number(EMPTY), number(EMPTY), number(EMPTY)};
    return {name,
            status,
            whole(r->loops),
            number(r->temperature),
            number(r->pressure),
            number(r->pH),
            number(r->ionicStrength),
            number(r->stoichiometricIonicStrength),
            number(r->waterActivity),
            number(r->osmoticCoefficient),
            number(r->ehCouple == EhCouple::none ? EMPTY : r->eh),
            text(ehCoupleName(r->ehCouple)),
            number(r->sourceTemperatureShown ? r->sourceTemperature : EMPTY),
            number(r->chargeImbalance),
            number(r->chargeImbalancePercent)};
}

std::string cellText(const RecordCell& cell) {
    switch (cell.kind) {
        case RecordCell::Kind::text: return cell.text;
        case RecordCell::Kind::whole:
            return std::isfinite(cell.number) ? std::to_string(static_cast<long long>(cell.number)) : std::string();
        case RecordCell::Kind::number: break;
    }
    return csvNumber(cell.number);
}

class CsvRecords final : public RecordFormat {
public:
    bool fixesColumns() const override { return true; }
    std::string opening(const RecordColumns& columns) const override { return csvLine(recordColumnNames(columns)); }
    std::string record(const RecordColumns& columns, const RecordHead& head, const Results* results) const override {
        return csvRecordLine(recordCells(columns, head, results));
    }
    std::string separator(bool) const override { return {}; }
    std::string closing(bool) const override { return {}; }
};

}  // namespace

std::vector<std::string> recordColumnNames(const RecordColumns& columns) {
    std::vector<std::string> cells(std::begin(FIXED_COLUMNS), std::end(FIXED_COLUMNS));
    for (const std::string& s : columns.species) {
        cells.push_back("log_m(" + s + ")");
        cells.push_back("log_a(" + s + ")");
        cells.push_back("gamma(" + s + ")");
    }
    for (const std::string& m : columns.minerals) cells.push_back("SI(" + m + ")");
    for (const std::string& g : columns.gases) cells.push_back("log_f(" + g + ")");
    return cells;
}

std::vector<RecordCell> recordCells(const RecordColumns& columns, const RecordHead& head, const Results* r) {
    std::vector<RecordCell> cells = fixedCells(head, r);
    std::map<std::string, const SpeciesRow*> species;
    std::map<std::string, double> minerals, gases;
    if (r) {
        for (const SpeciesRow& s : r->species) species[s.name] = &s;
        for (const MineralRow& m : r->minerals) minerals[m.name] = m.saturationIndex;
        for (const GasRow& g : r->gases) gases[g.name] = g.logFugacity;
    }
    cells.reserve(cells.size() + 3 * columns.species.size() + columns.minerals.size() + columns.gases.size());
    for (const std::string& name : columns.species) {
        auto it = species.find(name);
        if (it == species.end()) {
            cells.insert(cells.end(), 3, number(EMPTY));
            continue;
        }
        cells.push_back(number(it->second->logMolality));
        cells.push_back(number(it->second->logActivity));
        cells.push_back(number(it->second->gamma));
    }
    for (const std::string& name : columns.minerals) {
        auto it = minerals.find(name);
        cells.push_back(number(it == minerals.end() ? EMPTY : it->second));
    }
    for (const std::string& name : columns.gases) {
        auto it = gases.find(name);
        cells.push_back(number(it == gases.end() ? EMPTY : it->second));
    }
    return cells;
}

std::string csvRecordLine(const std::vector<RecordCell>& cells) {
    std::vector<std::string> texts;
    texts.reserve(cells.size());
    for (const RecordCell& cell : cells) texts.push_back(cellText(cell));
    return csvLine(texts);
}

const RecordFormat& csvRecords() {
    static const CsvRecords format;
    return format;
}

}  // namespace wq
