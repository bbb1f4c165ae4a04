#include "input/waters.hpp"

#include <charconv>
#include <cmath>
#include <map>

#include "input/component_catalog.hpp"
#include "input/db_numbers.hpp"
#include "text/csv.hpp"

namespace wq {

namespace {

// Equivalent weight of alkalinity expressed as CaCO3: half the formula
// weight of calcite, 100.0869 g/mol.
constexpr double CACO3_GRAMS_PER_EQUIVALENT = 100.0869 / 2.0;

enum class ColumnKind { name, temperature, pressure, pH, density, alkalinity, component };
enum class Basis { kgWater, kgSolution, litreSolution };

struct Column {
    ColumnKind kind = ColumnKind::component;
    std::string header;
    int number = 0;              // component: database number
    double formulaWeight = 0.0;  // component: g/mol
    Basis basis = Basis::kgWater;
    double scale = 1.0;          // to mol (or eq) per kg water, or to mg
    bool massUnit = false;       // the cell is in mg
    bool asCaCO3 = false;        // alkalinity in mg as CaCO3 (else as HCO3)
};

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// "Na+ [mg/kg]" -> name "Na+", unit "mg/kg"; no brackets -> unit empty.
void splitHeader(std::string_view header, std::string& name, std::string& unit) {
    header = trim(header);
    const std::size_t open = header.rfind('[');
    if (open == std::string_view::npos || header.back() != ']') {
        name = std::string(header);
        unit.clear();
        return;
    }
    name = std::string(trim(header.substr(0, open)));
    unit = std::string(trim(header.substr(open + 1, header.size() - open - 2)));
}

bool setComponentUnit(Column& c, const std::string& unit) {
    if (unit == "mol/kgw") {
        c.basis = Basis::kgWater;
        c.scale = 1.0;
    } else if (unit == "mmol/kgw") {
        c.basis = Basis::kgWater;
        c.scale = 1e-3;
    } else if (unit == "mg/kg") {
        c.basis = Basis::kgSolution;
        c.massUnit = true;
    } else if (unit == "mg/L") {
        c.basis = Basis::litreSolution;
        c.massUnit = true;
    } else {
        return false;
    }
    return true;
}

bool setAlkalinityUnit(Column& c, const std::string& unit) {
    if (unit == "eq/kgw") {
        c.scale = 1.0;
    } else if (unit == "meq/kgw") {
        c.scale = 1e-3;
    } else if (unit == "mg/kg as HCO3") {
        c.basis = Basis::kgSolution;
        c.massUnit = true;
    } else if (unit == "mg/L as CaCO3") {
        c.basis = Basis::litreSolution;
        c.massUnit = true;
        c.asCaCO3 = true;
    } else {
        return false;
    }
    return true;
}

bool isOneOf(const std::string& name, const std::string& unit, std::string_view plain,
             std::initializer_list<std::string_view> units) {
    if (name != plain) return false;
    if (unit.empty()) return true;
    for (std::string_view u : units)
        if (unit == u) return true;
    return false;
}

std::optional<Column> classify(const std::string& header, const ComponentCatalog& catalog, std::string& error) {
    Column c;
    c.header = header;
    std::string name, unit;
    splitHeader(header, name, unit);
    const auto fail = [&](const std::string& why) {
        error = "column \"" + header + "\": " + why;
        return std::nullopt;
    };
    if (name == "name" && unit.empty()) c.kind = ColumnKind::name;
    else if (isOneOf(name, unit, "T", {"C", "°C", "degC"})) c.kind = ColumnKind::temperature;
    else if (isOneOf(name, unit, "P", {"bar"})) c.kind = ColumnKind::pressure;
    else if (name == "pH" && unit.empty()) c.kind = ColumnKind::pH;
    else if (name == "density" && (unit == "kg/L" || unit.empty())) c.kind = ColumnKind::density;
    else if (name == "alkalinity") {
        c.kind = ColumnKind::alkalinity;
        if (!setAlkalinityUnit(c, unit))
            return fail("unknown alkalinity unit [" + unit +
                        "] (use [eq/kgw], [meq/kgw], [mg/kg as HCO3] or [mg/L as CaCO3])");
    } else {
        const CatalogComponent* component = catalog.byName(name);
        if (!component) return fail("\"" + name + "\" is not a component species of the database");
        if (component->number == db::WATER) return fail("the mass of water follows from the units; give no H2O column");
        c.number = component->number;
        c.formulaWeight = component->formulaWeight;
        if (!setComponentUnit(c, unit))
            return fail("unknown unit [" + unit + "] (use [mol/kgw], [mmol/kgw], [mg/kg] or [mg/L])");
        if (c.massUnit && !(c.formulaWeight > 0.0)) return fail("the database gives this component no formula weight");
    }
    return c;
}

// A number in a cell: the whole cell, finite.
bool parseNumber(std::string_view cell, double& value, std::string& why) {
    cell = trim(cell);
    if (!cell.empty() && cell.front() == '+') cell.remove_prefix(1);
    const auto [end, ec] = std::from_chars(cell.data(), cell.data() + cell.size(), value);
    if (ec != std::errc() || end != cell.data() + cell.size()) {
        why = "\"" + std::string(cell) + "\" is not a number";
        return false;
    }
    if (!std::isfinite(value)) {
        why = "\"" + std::string(cell) + "\" is not a finite number";
        return false;
    }
    return true;
}

struct RowReader {
    RowReader(const std::vector<Column>& c, const CsvRecord& r, double kg, double carbonate)
        : columns(c), record(r), templateKgWater(kg), carbonateGramsPerEquivalent(carbonate) {}

    const std::vector<Column>& columns;
    const CsvRecord& record;
    double templateKgWater;
    double carbonateGramsPerEquivalent;
    WaterSample water;

    // Grams of dissolved solids per kg or L of solution, and the basis seen.
    double solidsGrams = 0.0;
    bool perKg = false, perLitre = false;
    double density = 1.0;
    std::vector<std::pair<const Column*, double>> cells;

    bool fail(const Column& c, const std::string& why) {
        water.error = "row on line " + std::to_string(record.line) + ", column \"" + c.header + "\": " + why;
        return false;
    }

    bool readCells() {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const Column& c = columns[i];
            const std::string_view cell = i < record.fields.size() ? trim(record.fields[i]) : std::string_view();
            if (c.kind == ColumnKind::name) {
                water.name = std::string(cell);
                continue;
            }
            if (cell.empty()) {
                // In a pH column a blank cell asks for the pH to be computed.
                if (c.kind == ColumnKind::pH) water.pH = 0.0;
                continue;
            }
            double v = 0.0;
            std::string why;
            if (!parseNumber(cell, v, why)) return fail(c, why);
            if (!takeCell(c, v)) return false;
        }
        return true;
    }

    bool takeCell(const Column& c, double v) {
        switch (c.kind) {
            case ColumnKind::temperature: water.temperature = v; return true;
            case ColumnKind::pressure: water.pressure = v; return true;
            case ColumnKind::pH:
                if (!(v > 0.0)) return fail(c, "the pH must be positive (leave the cell blank to compute it)");
                water.pH = v;
                return true;
            case ColumnKind::density:
                if (!(v > 0.0)) return fail(c, "the density must be positive");
                density = v;
                return true;
            default: break;
        }
        if (v < 0.0) return fail(c, "a negative amount");
        if (c.massUnit) {
            const double grams = c.kind == ColumnKind::alkalinity && c.asCaCO3
                                     ? v * 1e-3 / CACO3_GRAMS_PER_EQUIVALENT * carbonateGramsPerEquivalent
                                     : v * 1e-3;
            solidsGrams += grams;
            (c.basis == Basis::kgSolution ? perKg : perLitre) = true;
        }
        cells.emplace_back(&c, v);
        return true;
    }

    bool massOfWater() {
        if (perKg && perLitre) {
            water.error = "row on line " + std::to_string(record.line) +
                          ": mg/kg and mg/L in one row leave the mass of water undefined";
            return false;
        }
        const double solution = perLitre ? density : 1.0;
        if (!perKg && !perLitre) return true;
        const double kg = solution - solidsGrams * 1e-3;
        if (!(kg > 0.0)) {
            water.error = "row on line " + std::to_string(record.line) +
                          ": the dissolved solids weigh as much as the solution";
            return false;
        }
        water.kgWater = kg;
        return true;
    }

    // Moles of a component cell, or eq/kg water of the alkalinity.
    void convertCells() {
        const double kgw = water.kgWater.value_or(templateKgWater);
        for (const auto& [c, v] : cells) {
            if (c->kind == ColumnKind::alkalinity) {
                double equivalents = v * c->scale * kgw;
                if (c->massUnit)
                    equivalents = v * 1e-3 / (c->asCaCO3 ? CACO3_GRAMS_PER_EQUIVALENT : carbonateGramsPerEquivalent);
                water.alkalinity = equivalents / kgw;
            } else {
                const double moles = c->massUnit ? v * 1e-3 / c->formulaWeight : v * c->scale * kgw;
                water.totals.push_back({c->number, moles});
            }
        }
    }
};

}  // namespace

std::optional<WaterTable> readWaterTable(std::string_view text, const ComponentCatalog& catalog,
                                         double templateKgWater, std::string& error) {
    CsvReader reader(text);
    std::optional<CsvRecord> header = reader.next(error);
    if (!header) {
        if (error.empty()) error = "the table is empty";
        return std::nullopt;
    }
    std::vector<Column> columns;
    std::map<std::string, std::string> seen;  // what a column names -> its header
    WaterTable table;
    for (const std::string& h : header->fields) {
        std::optional<Column> c = classify(h, catalog, error);
        if (!c) return std::nullopt;
        const std::string key = c->kind == ColumnKind::component ? "component " + std::to_string(c->number)
                                                                  : "kind " + std::to_string(int(c->kind));
        if (auto it = seen.find(key); it != seen.end()) {
            error = "columns \"" + it->second + "\" and \"" + h + "\" give the same quantity";
            return std::nullopt;
        }
        seen[key] = h;
        if (c->kind == ColumnKind::component) table.componentNumbers.push_back(c->number);
        columns.push_back(std::move(*c));
    }
    if (!seen.count("kind " + std::to_string(int(ColumnKind::name)))) {
        error = "the table has no \"name\" column";
        return std::nullopt;
    }
    if (!seen.count("kind " + std::to_string(int(ColumnKind::temperature)))) {
        error = "the table has no \"T\" column";
        return std::nullopt;
    }
    const CatalogComponent* carbonate = catalog.byNumber(db::CARBONATE);
    const double carbonateGrams = carbonate && carbonate->formulaWeight > 0.0 ? carbonate->formulaWeight : 61.0168;
    while (std::optional<CsvRecord> record = reader.next(error)) {
        RowReader row(columns, *record, templateKgWater, carbonateGrams);
        row.water.line = record->line;
        if (record->fields.size() > columns.size()) {
            row.water.error = "row on line " + std::to_string(record->line) + " has " +
                              std::to_string(record->fields.size()) + " cells for " +
                              std::to_string(columns.size()) + " columns";
        } else if (row.readCells() && row.massOfWater()) {
            row.convertCells();
        }
        if (row.water.name.empty()) row.water.name = "line " + std::to_string(record->line);
        table.waters.push_back(std::move(row.water));
    }
    if (!error.empty()) return std::nullopt;
    if (table.waters.empty()) {
        error = "the table has a header but no water";
        return std::nullopt;
    }
    return table;
}

}  // namespace wq
