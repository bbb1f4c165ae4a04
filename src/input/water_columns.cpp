#include "input/water_columns.hpp"

#include <array>
#include <cctype>
#include <cstdio>
#include <functional>
#include <map>

#include "input/column_names.hpp"
#include "input/component_aliases.hpp"
#include "input/formula_mass.hpp"
#include "input/component_catalog.hpp"
#include "input/db_numbers.hpp"
#include "text/csv.hpp"
#include "text/number_text.hpp"

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

// "Calcium (mg/L)" -> "Calcium", "mg/L": the unit in parentheses after a
// blank, as many exports write it ("Fe(II)" is a name).
bool splitParenthesized(std::string_view header, std::string& name, std::string& unit) {
    header = trimmedCell(header);
    const std::size_t open = header.rfind(" (");
    if (open == std::string_view::npos || header.back() != ')') return false;
    name = std::string(trimmedCell(header.substr(0, open)));
    unit = std::string(trimmedCell(header.substr(open + 2, header.size() - open - 3)));
    return !name.empty();
}

// "mg/L as N" -> "mg/L", "N" ("AS" in any case); no "as" -> the unit, "".
void splitAs(std::string_view unit, std::string& base, std::string& substance) {
    const std::string_view trimmed = trimmedCell(unit);
    std::string lower(trimmed);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::size_t at = lower.find(" as ");
    base = std::string(trimmedCell(trimmed.substr(0, at)));
    substance = at == std::string::npos ? std::string() : std::string(trimmedCell(trimmed.substr(at + 4)));
}

std::string knownNames() {
    std::string names;
    for (const Quantity& q : quantities()) names += (names.empty() ? "" : ", ") + std::string(q.canonical);
    return names;
}

using Failure = std::optional<Column>;

// A component column: the component species, or its short name, the unit
// and what a mass unit counts. `exactName`: the header spells the name as
// the database or the short name does (not only in another case).
struct ComponentName {
    const CatalogComponent* component = nullptr;
    const ComponentAlias* alias = nullptr;
    bool exact = true;
};

ComponentName componentNamed(const std::string& name, const ComponentCatalog& catalog) {
    ComponentName c;
    if ((c.component = catalog.byName(name))) return c;
    c.alias = componentAlias(name);
    c.exact = c.alias && c.alias->alias == name;
    if (c.alias) {
        c.component = c.alias->component.empty() ? nullptr : catalog.byName(c.alias->component);
        return c;
    }
    const std::string folded = foldedName(name);
    for (const CatalogComponent& k : catalog.components)
        if (foldedName(k.name) == folded) {
            c.component = &k;
            c.exact = false;
            return c;
        }
    // A component species that this database lacks, named as databases
    // name it ("NO3-" of a Pitzer data set without nitrate).
    for (const ComponentAlias& a : componentAliases())
        if (!a.component.empty() && foldedName(a.component) == folded) {
            c.alias = &a;
            return c;
        }
    return c;
}

// The elements a laboratory reports as the element, whatever species
// carries them: a column named by such a species with a mass unit counts the
// species' mass, which a laboratory's figure is not.
constexpr std::string_view ELEMENTS_REPORTED_AS_SUCH[] = {"As", "P", "B", "Se", "Mo", "V", "Cr", "U", "Sb", "W"};

std::string speciesMassNote(const Column& c, const CatalogComponent& component) {
    if (c.amount.kind != AmountKind::grams || c.gramsPerMole != component.formulaWeight) return {};
    const std::optional<std::map<std::string, int>> atoms = formulaAtoms(component.name);
    if (!atoms || atoms->size() < 2) return {};
    for (std::string_view element : ELEMENTS_REPORTED_AS_SUCH)
        if (atoms->count(std::string(element)))
            return "column " + quotedText(c.header) + " counts the mass of " + component.name + " (" +
                   shortestText(component.formulaWeight) + " g/mol); a laboratory reports " + std::string(element) +
                   " as the element: head it \"" + std::string(element) + " [" + std::string(c.amount.name) +
                   "]\" or [... as " + std::string(element) + "] if the figure is the element's";
    return {};
}

}  // namespace

namespace {

Failure componentColumn(Column& c, const ComponentName& named, const std::string& unit,
                        const std::function<Failure(const std::string&)>& fail) {
    const CatalogComponent* component = named.component;
    if (component->number == db::WATER) return fail("the mass of water follows from the units; give no H2O column");
    // H+ is the run's first component already: its total follows from the pH
    // (or from electroneutrality, a blank pH cell or --balance pH).
    if (component->number == db::HYDROGEN_ION)
        return fail("the H+ total follows from the pH; give a pH column (a blank cell: the pH of electroneutrality)");
    c.number = component->number;
    c.formulaWeight = component->formulaWeight;
    c.charge = component->charge;
    std::string base, substance;
    splitAs(unit, base, substance);
    const std::optional<AmountUnit> u = componentUnit(base);
    if (!u) return fail("unknown unit [" + shortened(unit) + "] (use " + std::string(componentUnitNames()) + ")");
    c.amount = *u;
    const std::string_view massAs = !substance.empty() ? std::string_view(substance)
                                    : named.alias        ? named.alias->massAs
                                                         : std::string_view();
    c.gramsPerMole = component->formulaWeight;
    if (!massAs.empty()) {
        if (!substance.empty() && u->kind != AmountKind::grams)
            return fail("[... as " + shortened(substance) + "] goes with a unit of mass (mg/L, ug/L, mg/kg, ...)");
        std::string why;
        const std::optional<double> grams = gramsPerMoleAs(massAs, component->name, component->charge, why);
        if (!grams) return fail(why);
        c.gramsPerMole = *grams;
    }
    if (u->kind == AmountKind::grams && !(c.gramsPerMole > 0.0))
        return fail("the database gives this component no formula weight");
    if (u->basis != AmountBasis::kgWater && !(c.formulaWeight > 0.0))
        return fail("the database gives this component no formula weight, which the mass of water needs");
    if (u->kind == AmountKind::equivalents && c.charge == 0.0)
        return fail("meq/L of an uncharged species has no meaning (use mmol/L)");
    if (!named.alias && substance.empty()) c.note = speciesMassNote(c, *component);
    return c;
}

// A quantity's column, when its unit is one the quantity takes.
std::optional<Column> quantityColumn(Column c, const Quantity& q, const std::string& unit) {
    c.kind = q.kind;
    if (q.kind == ColumnKind::temperature) {
        const std::optional<double> offset = temperatureOffset(unit);
        if (!offset) return std::nullopt;
        c.temperatureOffset = *offset;
        return c;
    }
    if (q.kind == ColumnKind::alkalinity) {
        const std::optional<AlkalinityUnit> u = alkalinityUnit(unit);
        if (!u) return std::nullopt;
        c.alkalinity = *u;
        return c;
    }
    const std::optional<QuantityUnit> u = quantityUnit(q, unit);
    if (!u) return std::nullopt;
    c.scale = u->scale;
    return c;
}

std::string unitsOf(const Quantity& q) {
    if (q.kind == ColumnKind::temperature) return std::string(temperatureUnitNames());
    if (q.kind == ColumnKind::alkalinity) return std::string(alkalinityUnitNames());
    return std::string(q.accepted);
}

std::string unknownUnit(const Quantity& q, const std::string& unit) {
    if (q.kind == ColumnKind::alkalinity)
        return "unknown alkalinity unit [" + shortened(unit) + "] (use " + unitsOf(q) + ")";
    return "unknown unit [" + shortened(unit) + "] of " + std::string(q.what) + " (use " + unitsOf(q) + ")";
}

// A header read as a name and a unit: a quantity, a component, a component
// the database lacks, or nothing known (nullopt, `error` empty).
std::optional<Column> classifyNamed(const std::string& header, const std::string& name, const std::string& unit,
                                    const ComponentCatalog& catalog, std::string& error) {
    Column c;
    c.header = header;
    const auto fail = [&](const std::string& why) -> Failure {
        error = "column " + quotedText(header) + ": " + why;
        return std::nullopt;
    };
    const Quantity* q = quantityNamed(name);
    if (q) {
        if (std::optional<Column> column = quantityColumn(c, *q, unit)) return column;
    }
    const ComponentName named = componentNamed(name, catalog);
    if (named.component) {
        std::string why;
        std::optional<Column> column = componentColumn(c, named, unit, [&](const std::string& w) -> Failure {
            why = w;
            return std::nullopt;
        });
        if (column) return column;
        // A quantity's name with another unit ("P [mg/L]" is phosphorus, "P
        // [atm]" no pressure) is refused for the quantity's unit.
        if (q) return fail(unknownUnit(*q, unit));
        if (named.exact) return fail(why);
        return std::nullopt;  // "w" is no tungsten without a unit of amount
    }
    if (q) return fail(unknownUnit(*q, unit));
    if (named.alias && !named.alias->component.empty()) {
        c.kind = ColumnKind::absentComponent;
        c.note = "the database has no component " + std::string(named.alias->component) + " (" +
                 std::string(named.alias->meaning) + "), so no water that holds it can be computed with it";
        return c;
    }
    if (named.alias) {
        c.kind = ColumnKind::carried;
        c.note = "column " + quotedText(header) + ": " + std::string(named.alias->meaning);
        return c;
    }
    return std::nullopt;
}

}  // namespace

std::optional<Column> classify(const std::string& header, const ComponentCatalog& catalog, std::string& error,
                               bool strict) {
    std::string name, unit;
    splitHeader(header, name, unit);
    std::optional<Column> c = classifyNamed(header, name, unit, catalog, error);
    std::string inParentheses;
    if (!c && error.empty() && unit.empty() && splitParenthesized(header, inParentheses, unit))
        c = classifyNamed(header, inParentheses, unit, catalog, error);
    if (!error.empty()) return std::nullopt;
    if (c && !(strict && c->kind == ColumnKind::carried)) return c;
    if (strict) {
        error = "column " + quotedText(header) + ": " + quotedText(name) +
                " is not a component species of the database, nor a short name (Ca, SO4, ...; wqspec batch "
                "--list-columns), nor one of " + knownNames();
        return std::nullopt;
    }
    if (c) return c;
    Column carried;
    carried.kind = ColumnKind::carried;
    carried.header = header;
    return carried;
}

std::string columnList(const ComponentCatalog& catalog) {
    std::string out = "Columns a table of waters reads (a header cell is NAME [UNIT]; names and units in any case):\n";
    out += "  name                   the water's name (required)\n";
    out += "  T                      temperature (required): " + std::string(temperatureUnitNames()) + "\n";
    out += "  P [bar]                pressure of an extended run\n";
    out += "  pH                     the pH; a blank cell: the pH from electroneutrality\n";
    out += "  density [kg/L]         of the solution, for amounts per litre (default 1; [g/mL] too)\n";
    out += "  alkalinity             " + std::string(alkalinityUnitNames()) + "\n";
    out += "  CO2(g) [log f]         log10 of the CO2 fugacity (bar) the water is in equilibrium with\n";
    out += "  Eh [V]                 the water's redox state as an Eh ([mV] too); one redox column per row\n";
    out += "  pe                     the redox state as a pe\n";
    out += "  O2(g) [log f]          the redox state as a log10 oxygen fugacity (bar)\n";
    out += "  redox                  the redox state in words: a couple (Fe++/Fe+++), O2,aq or none\n";
    out += "  conductance [uS/cm]    the measured specific conductance ([mS/cm] too), carried through\n";
    out += "  COMPONENT              total of a component species: " + std::string(componentUnitNames()) + "\n";
    out += "  any other column       carried through to the records as it is (--strict refuses it)\n";
    out += "Carbonate is given once: by the alkalinity, by the total of HCO3- (DIC, C(4)) or by CO2(g).\n";
    out += "A cell below the detection limit (<0.01, ND, n.d., -, <DL, BDL) follows --below-detection.\n";
    out += "Header words of the quantities:\n";
    for (const Quantity& q : quantities()) {
        std::string line = "  " + std::string(q.canonical);
        line.resize(25, ' ');
        std::string words;
        for (std::string_view w : q.names) words += (words.empty() ? "" : ", ") + std::string(w);
        out += line + words + "\n";
    }
    out += "Short names of components:\n";
    for (const ComponentAlias& a : componentAliases()) {
        if (a.component.empty() || !catalog.byName(a.component)) continue;
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
