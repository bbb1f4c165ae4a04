#include "input/water_columns.hpp"

#include <array>

#include "input/component_catalog.hpp"
#include "input/db_numbers.hpp"
#include "text/csv.hpp"

namespace wq {

std::string_view trimmedCell(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// Built by appending: GCC 12 at -O3 takes "literal" + std::string&& for a
// possibly overlapping copy (-Wrestrict, a false positive).
std::string quotedText(std::string_view text) {
    std::string quoted(1, '"');
    quoted += shortened(utf8Replacing(text));
    quoted += '"';
    return quoted;
}

namespace {

// "Na+ [mg/kg]" -> name "Na+", unit "mg/kg"; no brackets -> unit empty.
void splitHeader(std::string_view header, std::string& name, std::string& unit) {
    header = trimmedCell(header);
    const std::size_t open = header.rfind('[');
    if (open == std::string_view::npos || header.back() != ']') {
        name = std::string(header);
        unit.clear();
        return;
    }
    name = std::string(trimmedCell(header.substr(0, open)));
    unit = std::string(trimmedCell(header.substr(open + 1, header.size() - open - 2)));
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

// The quantities a table may give besides the components, with the units
// each takes ("" for none).
struct Quantity {
    std::string_view name;
    ColumnKind kind;
    std::string_view what;
    std::array<std::string_view, 4> units;  // "" (no unit) first; unused places repeat it
    std::string_view accepted;  // the units, for the message that refuses another
};
constexpr Quantity QUANTITIES[] = {
    {"name", ColumnKind::name, "the name", {""}, "no unit"},
    {"T", ColumnKind::temperature, "the temperature", {"", "C", "\u00B0C", "degC"}, "[C], [\u00B0C] or [degC]"},
    {"P", ColumnKind::pressure, "the pressure", {"", "bar"}, "[bar]"},
    {"pH", ColumnKind::pH, "the pH", {""}, "no unit"},
    {"density", ColumnKind::density, "the density", {"", "kg/L"}, "[kg/L]"},
};

std::string knownNames() {
    std::string names;
    for (const Quantity& q : QUANTITIES) names += std::string(q.name) + ", ";
    return names + "alkalinity";
}

}  // namespace

std::optional<Column> classify(const std::string& header, const ComponentCatalog& catalog, std::string& error) {
    Column c;
    c.header = header;
    std::string name, unit;
    splitHeader(header, name, unit);
    const auto fail = [&](const std::string& why) {
        error = "column " + quotedText(header) + ": " + why;
        return std::nullopt;
    };
    for (const Quantity& q : QUANTITIES) {
        if (name != q.name) continue;
        for (std::string_view u : q.units)
            if (unit == u) {
                c.kind = q.kind;
                return c;
            }
        return fail("unknown unit [" + shortened(unit) + "] of " + std::string(q.what) + " (use " +
                    std::string(q.accepted) + ")");
    }
    if (name == "alkalinity") {
        c.kind = ColumnKind::alkalinity;
        if (!setAlkalinityUnit(c, unit))
            return fail("unknown alkalinity unit [" + shortened(unit) +
                        "] (use [eq/kgw], [meq/kgw], [mg/kg as HCO3] or [mg/L as CaCO3])");
        return c;
    }
    const CatalogComponent* component = catalog.byName(name);
    if (!component)
        return fail(quotedText(name) + " is not a component species of the database, nor one of " + knownNames());
    if (component->number == db::WATER) return fail("the mass of water follows from the units; give no H2O column");
    c.number = component->number;
    c.formulaWeight = component->formulaWeight;
    if (!setComponentUnit(c, unit))
        return fail("unknown unit [" + shortened(unit) + "] (use [mol/kgw], [mmol/kgw], [mg/kg] or [mg/L])");
    if (c.massUnit && !(c.formulaWeight > 0.0)) return fail("the database gives this component no formula weight");
    return c;
}

}  // namespace wq
