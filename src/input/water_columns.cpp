#include "input/water_columns.hpp"

#include <array>
#include <cstdio>

#include "input/component_aliases.hpp"
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
// Control characters (a NUL would end the message where it is printed) are
// shown as \xNN.
std::string quotedText(std::string_view text) {
    std::string escaped;
    for (const char c : utf8Replacing(text)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            escaped += c;
            continue;
        }
        char code[8];
        std::snprintf(code, sizeof code, "\\x%02X", byte);
        escaped += code;
    }
    std::string quoted(1, '"');
    quoted += shortened(escaped);
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
    {"P", ColumnKind::pressure, "the pressure", {"", "bar"}, "[bar]"},
    {"pH", ColumnKind::pH, "the pH", {""}, "no unit"},
    {"density", ColumnKind::density, "the density", {"", "kg/L"}, "[kg/L]"},
    {"CO2(g)", ColumnKind::co2Fugacity, "the CO2 fugacity", {"log f"}, "[log f], the log10 of the fugacity in bar"},
    {"Eh", ColumnKind::eh, "the Eh", {"V"}, "[V]"},
    {"pe", ColumnKind::pe, "the pe", {""}, "no unit"},
    {"O2(g)", ColumnKind::oxygenFugacity, "the oxygen fugacity", {"log f"}, "[log f]"},
    {"redox", ColumnKind::redox, "the redox state", {""}, "no unit"},
};

std::string knownNames() {
    std::string names;
    // The temperature, with its units of its own, stands after the name.
    for (const Quantity& q : QUANTITIES) names += std::string(q.name) + (q.kind == ColumnKind::name ? ", T, " : ", ");
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
    if (name == "T") {
        const std::optional<double> offset = temperatureOffset(unit);
        if (!offset)
            return fail("unknown unit [" + shortened(unit) + "] of the temperature (use " +
                        std::string(temperatureUnitNames()) + ")");
        c.kind = ColumnKind::temperature;
        c.temperatureOffset = *offset;
        return c;
    }
    if (name == "alkalinity") {
        c.kind = ColumnKind::alkalinity;
        const std::optional<AlkalinityUnit> u = alkalinityUnit(unit);
        if (!u)
            return fail("unknown alkalinity unit [" + shortened(unit) + "] (use " +
                        std::string(alkalinityUnitNames()) + ")");
        c.alkalinity = *u;
        return c;
    }
    const ComponentAlias* alias = catalog.byName(name) ? nullptr : componentAlias(name);
    const CatalogComponent* component = catalog.byName(alias ? alias->component : std::string_view(name));
    if (!component)
        return fail(quotedText(name) + " is not a component species of the database, nor a short name (Ca, SO4, "
                    "...; wqspec batch --list-columns), nor one of " + knownNames());
    if (component->number == db::WATER) return fail("the mass of water follows from the units; give no H2O column");
    // H+ is the run's first component already: its total follows from the pH
    // (or from electroneutrality, a blank pH cell or --balance pH).
    if (component->number == db::HYDROGEN_ION)
        return fail("the H+ total follows from the pH; give a pH column (a blank cell: the pH of electroneutrality)");
    c.number = component->number;
    c.formulaWeight = component->formulaWeight;
    c.gramsPerMole = alias && alias->gramsPerMole > 0.0 ? alias->gramsPerMole : component->formulaWeight;
    c.charge = component->charge;
    const std::optional<AmountUnit> u = componentUnit(unit);
    if (!u) return fail("unknown unit [" + shortened(unit) + "] (use " + std::string(componentUnitNames()) + ")");
    c.amount = *u;
    if (u->kind == AmountKind::grams && !(c.gramsPerMole > 0.0))
        return fail("the database gives this component no formula weight");
    if (u->basis != AmountBasis::kgWater && !(c.formulaWeight > 0.0))
        return fail("the database gives this component no formula weight, which the mass of water needs");
    if (u->kind == AmountKind::equivalents && c.charge == 0.0)
        return fail("meq/L of an uncharged species has no meaning (use mmol/L)");
    return c;
}

std::string columnList(const ComponentCatalog& catalog) {
    std::string out = "Columns of a table of waters (a header cell is NAME [UNIT]):\n";
    out += "  name                   the water's name (required)\n";
    out += "  T                      temperature (required): " + std::string(temperatureUnitNames()) + "\n";
    out += "  P [bar]                pressure of an extended run\n";
    out += "  pH                     the pH; a blank cell: the pH from electroneutrality\n";
    out += "  density [kg/L]         of the solution, for amounts per litre (default 1)\n";
    out += "  alkalinity             " + std::string(alkalinityUnitNames()) + "\n";
    out += "  CO2(g) [log f]         log10 of the CO2 fugacity (bar) the water is in equilibrium with\n";
    out += "  COMPONENT              total of a component species: " + std::string(componentUnitNames()) + "\n";
    out += "Carbonate is given once: by the alkalinity, by the total of HCO3- (DIC, C(4)) or by CO2(g).\n";
    out += "Short names of components:\n";
    for (const ComponentAlias& a : componentAliases()) {
        if (!catalog.byName(a.component)) continue;
        std::string line = "  " + std::string(a.alias);
        line.resize(25, ' ');
        out += line + std::string(a.component) + ": " + std::string(a.meaning) + "\n";
    }
    out += "Component species of the database:\n ";
    for (const CatalogComponent& c : catalog.components)
        if (c.number != db::WATER && c.number != db::HYDROGEN_ION) out += " " + c.name;
    return out + "\n";
}

}  // namespace wq
