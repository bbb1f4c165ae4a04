#include "input/column_names.hpp"

#include <cctype>

#include "input/table_units.hpp"

namespace wq {

namespace {

constexpr std::string_view NAME_WORDS[] = {"name",       "sample",      "sample name", "sample id",  "sample no",
                                           "sample number", "site",     "site id",     "site name",  "station",
                                           "station id", "station name", "well",       "well id",    "well name",
                                           "location"};
constexpr std::string_view TEMPERATURE_WORDS[] = {"t", "temp", "temp.", "temperature", "water temperature",
                                                  "temperature, water", "water temp"};
constexpr std::string_view PRESSURE_WORDS[] = {"p", "pressure"};
constexpr std::string_view PH_WORDS[] = {"ph", "field ph", "ph field", "ph (field)", "ph, field"};
constexpr std::string_view DENSITY_WORDS[] = {"density", "rho"};
constexpr std::string_view ALKALINITY_WORDS[] = {"alkalinity", "alk", "alk.", "total alkalinity",
                                                 "alkalinity, total", "alkalinity total"};
constexpr std::string_view CO2_WORDS[] = {"co2(g)"};
constexpr std::string_view EH_WORDS[] = {"eh"};
constexpr std::string_view PE_WORDS[] = {"pe"};
constexpr std::string_view O2_GAS_WORDS[] = {"o2(g)"};
constexpr std::string_view REDOX_WORDS[] = {"redox"};
// The specific conductance (at 25 C, as meters report it) goes by many
// abbreviations: EC, SpC, SC, cond.
constexpr std::string_view CONDUCTANCE_WORDS[] = {"conductance", "ec", "spc", "sc", "cond", "cond.",
                                                  "conductivity", "specific conductance", "specific conductivity",
                                                  "electrical conductivity", "ec25", "spc25"};

constexpr QuantityUnit NO_UNIT[] = {{""}};
constexpr QuantityUnit PH_UNITS[] = {{""}, {"-"}, {"su"}, {"s.u."}};
constexpr QuantityUnit PRESSURE_UNITS[] = {{""}, {"bar"}};
// kg/L = g/mL = g/cm3.
constexpr QuantityUnit DENSITY_UNITS[] = {{""}, {"kg/l"}, {"g/ml"}, {"g/cm3"}, {"g/cm\u00B3"}, {"g/cc"}, {"kg/dm3"}};
constexpr QuantityUnit LOG_FUGACITY[] = {{"logf"}};
constexpr QuantityUnit VOLTS[] = {{"v"}, {"mv", 1e-3}};
// 1 mS/cm = 1000 uS/cm; 1 mS/m = 10 uS/cm; a mho is a siemens.
constexpr QuantityUnit CONDUCTANCE_UNITS[] = {
    {"us/cm"},   {"\u00B5s/cm"},    {"\u03BCs/cm"},      {"ms/cm", 1000.0}, {"ms/m", 10.0},
    {"umho/cm"}, {"umhos/cm"}, {"\u00B5mho/cm"}, {"\u00B5mhos/cm"},
};

constexpr Quantity QUANTITIES[] = {
    {ColumnKind::name, "name", "the name", NAME_WORDS, NO_UNIT, "no unit"},
    {ColumnKind::temperature, "T", "the temperature", TEMPERATURE_WORDS, {}, ""},
    {ColumnKind::pressure, "P", "the pressure", PRESSURE_WORDS, PRESSURE_UNITS, "[bar]"},
    {ColumnKind::pH, "pH", "the pH", PH_WORDS, PH_UNITS, "no unit"},
    {ColumnKind::density, "density", "the density", DENSITY_WORDS, DENSITY_UNITS, "[kg/L] or [g/mL]"},
    {ColumnKind::co2Fugacity, "CO2(g)", "the CO2 fugacity", CO2_WORDS, LOG_FUGACITY,
     "[log f], the log10 of the fugacity in bar"},
    {ColumnKind::eh, "Eh", "the Eh", EH_WORDS, VOLTS, "[V] or [mV]"},
    {ColumnKind::pe, "pe", "the pe", PE_WORDS, NO_UNIT, "no unit"},
    {ColumnKind::oxygenFugacity, "O2(g)", "the oxygen fugacity", O2_GAS_WORDS, LOG_FUGACITY, "[log f]"},
    {ColumnKind::redox, "redox", "the redox state", REDOX_WORDS, NO_UNIT, "no unit"},
    {ColumnKind::alkalinity, "alkalinity", "the alkalinity", ALKALINITY_WORDS, {}, ""},
    {ColumnKind::conductance, "conductance", "the specific conductance", CONDUCTANCE_WORDS, CONDUCTANCE_UNITS,
     "[uS/cm], [\u00B5S/cm] or [mS/cm]"},
};

}  // namespace

std::string foldedName(std::string_view name) {
    std::string folded;
    bool blank = false;
    for (const char c : name) {
        if (c == ' ' || c == '\t') {
            blank = !folded.empty();
            continue;
        }
        if (blank) folded += ' ';
        blank = false;
        folded += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return folded;
}

const Quantity* quantityNamed(std::string_view name) {
    const std::string folded = foldedName(name);
    for (const Quantity& q : QUANTITIES)
        for (std::string_view word : q.names)
            if (word == folded) return &q;
    return nullptr;
}

std::optional<QuantityUnit> quantityUnit(const Quantity& q, std::string_view unit) {
    const std::string folded = foldedUnit(unit);
    for (const QuantityUnit& u : q.units)
        if (u.name == folded) return u;
    return std::nullopt;
}

std::span<const Quantity> quantities() { return QUANTITIES; }

}  // namespace wq
