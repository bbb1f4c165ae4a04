// The CSV table of records: a header of the columns, then one row per run
// (registered as ".csv").
#include <cmath>
#include <limits>
#include <string_view>
#include <unordered_map>

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

RecordCell number(double value) { return {RecordCell::Kind::number, value, {}}; }
RecordCell whole(double value) { return {RecordCell::Kind::whole, value, {}}; }
RecordCell text(std::string value) { return {RecordCell::Kind::text, 0.0, std::move(value)}; }
constexpr double EMPTY = std::numeric_limits<double>::quiet_NaN();

RecordCell optionalNumber(const std::optional<double>& v) { return number(v ? *v : EMPTY); }

// The total of the component that carried the charge balance, after it.
RecordCell balancedTotal(const RecordHead& head, const Results& r) {
    if (!head.balancedOn.empty())
        for (const ComponentRow& c : r.components)
            if (c.name == head.balancedOn) return number(c.moles);
    return number(EMPTY);
}

std::vector<RecordCell> fixedCells(const RecordHead& head, const Results* r) {
    // Text that is not UTF-8 (a name in Latin-1) as the JSON record has it.
    RecordCell name = text(utf8Replacing(head.name)), status = text(utf8Replacing(head.status));
    if (!r)
        return {name,          status,        whole(EMPTY),  number(head.temperature), number(head.pressure),
                number(EMPTY), number(EMPTY), number(EMPTY), number(EMPTY),            number(EMPTY),
                number(EMPTY), text(""),      number(EMPTY), number(EMPTY),            number(EMPTY),
                optionalNumber(head.analysisImbalance),      optionalNumber(head.analysisImbalancePercent),
                text(""),      number(EMPTY), text(""),      text("")};
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
            number(r->chargeImbalancePercent),
            optionalNumber(head.analysisImbalance),
            optionalNumber(head.analysisImbalancePercent),
            text(head.balancedOn),
            balancedTotal(head, *r),
            text(head.notes),
            text(r->activityModel)};
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

void redoxCells(const RecordColumns& columns, const Results* r, std::vector<RecordCell>& cells) {
    if (!columns.redox) return;
    if (!r) {
        cells.push_back(text(""));
        cells.insert(cells.end(), 1 + columns.couples.size(), number(EMPTY));
        return;
    }
    cells.push_back(text(r->redox.given ? r->redox.state : "none"));
    cells.push_back(number(r->redox.given ? r->redox.pe : EMPTY));
    for (const std::string& name : columns.couples) {
        double eh = EMPTY;
        for (const RedoxCoupleRow& c : r->redox.couples)
            if (c.name == name) eh = c.eh;
        cells.push_back(number(eh));
    }
}

// The cells of the columns written (columns.selected), in their order.
template <typename Cell>
std::vector<Cell> selected(std::vector<Cell> cells, const RecordColumns& columns) {
    if (columns.selected.empty()) return cells;
    std::vector<Cell> out;
    out.reserve(columns.selected.size());
    for (std::size_t k : columns.selected) out.push_back(k < cells.size() ? std::move(cells[k]) : Cell());
    return out;
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

std::vector<std::string> recordColumnNames(const RecordColumns& columns) {
    return selected(allColumnNames(columns), columns);
}

std::vector<RecordCell> recordCells(const RecordColumns& columns, const RecordHead& head, const Results* r) {
    std::vector<RecordCell> cells = fixedCells(head, r);
    redoxCells(columns, r, cells);
    // By name (the last of a name, should one come twice); views of the
    // results' own names, which outlive the cells.
    std::unordered_map<std::string_view, const SpeciesRow*> species;
    std::unordered_map<std::string_view, double> minerals, gases;
    if (r) {
        species.reserve(r->species.size());
        minerals.reserve(r->minerals.size());
        gases.reserve(r->gases.size());
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
    return selected(std::move(cells), columns);
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
