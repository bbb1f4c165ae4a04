#include "input/table_units.hpp"

#include <cctype>
#include <cmath>
#include <string>

#include "grid/units.hpp"

namespace wq {

namespace {

// The micro sign is written two ways: U+00B5 (MICRO SIGN, what keyboards
// and spreadsheets give) and U+03BC (GREEK SMALL LETTER MU). The names are
// in the form foldedUnit gives (lower case, no blanks): a unit matches in any
// case and spacing ("mg/l", "MG / L").
constexpr AmountUnit COMPONENT_UNITS[] = {
    {"mol/kgw", AmountBasis::kgWater, AmountKind::moles, 1.0},
    {"mmol/kgw", AmountBasis::kgWater, AmountKind::moles, 1e-3},
    {"umol/kgw", AmountBasis::kgWater, AmountKind::moles, 1e-6},
    {"\u00B5mol/kgw", AmountBasis::kgWater, AmountKind::moles, 1e-6},
    {"mg/kg", AmountBasis::kgSolution, AmountKind::grams, 1e-3},
    {"ppm", AmountBasis::kgSolution, AmountKind::grams, 1e-3},
    {"ug/kg", AmountBasis::kgSolution, AmountKind::grams, 1e-6},
    {"\u00B5g/kg", AmountBasis::kgSolution, AmountKind::grams, 1e-6},
    {"ppb", AmountBasis::kgSolution, AmountKind::grams, 1e-6},
    {"g/l", AmountBasis::litreSolution, AmountKind::grams, 1.0},
    {"mg/l", AmountBasis::litreSolution, AmountKind::grams, 1e-3},
    {"ug/l", AmountBasis::litreSolution, AmountKind::grams, 1e-6},
    {"\u00B5g/l", AmountBasis::litreSolution, AmountKind::grams, 1e-6},
    {"\u03BCg/l", AmountBasis::litreSolution, AmountKind::grams, 1e-6},
    {"ng/l", AmountBasis::litreSolution, AmountKind::grams, 1e-9},
    {"mol/l", AmountBasis::litreSolution, AmountKind::moles, 1.0},
    {"mmol/l", AmountBasis::litreSolution, AmountKind::moles, 1e-3},
    {"umol/l", AmountBasis::litreSolution, AmountKind::moles, 1e-6},
    {"\u00B5mol/l", AmountBasis::litreSolution, AmountKind::moles, 1e-6},
    {"meq/l", AmountBasis::litreSolution, AmountKind::equivalents, 1e-3},
};

constexpr AlkalinityUnit ALKALINITY_UNITS[] = {
    {"eq/kgw", AmountBasis::kgWater, AlkalinityAs::equivalents, 1.0},
    {"meq/kgw", AmountBasis::kgWater, AlkalinityAs::equivalents, 1e-3},
    {"meq/l", AmountBasis::litreSolution, AlkalinityAs::equivalents, 1e-3},
    {"mg/kgashco3", AmountBasis::kgSolution, AlkalinityAs::hco3, 1e-3},
    {"mg/lashco3", AmountBasis::litreSolution, AlkalinityAs::hco3, 1e-3},
    {"mg/kgascaco3", AmountBasis::kgSolution, AlkalinityAs::caco3, 1e-3},
    {"mg/lascaco3", AmountBasis::litreSolution, AlkalinityAs::caco3, 1e-3},
    {"ppmascaco3", AmountBasis::kgSolution, AlkalinityAs::caco3, 1e-3},
    {"ppmashco3", AmountBasis::kgSolution, AlkalinityAs::hco3, 1e-3},
};

struct TemperatureUnit {
    std::string_view name;
    double offset;
};
// The offset to degrees Celsius: T(C) = T(K) - 273.15.
// U+00BA (the ordinal indicator) stands for the degree sign on some keyboards.
constexpr TemperatureUnit TEMPERATURE_UNITS[] = {
    {"", 0.0},      {"c", 0.0},       {"\u00B0c", 0.0}, {"\u00BAc", 0.0},          {"degc", 0.0},
    {"deg.c", 0.0}, {"celsius", 0.0}, {"k", -KELVIN_OFFSET}, {"kelvin", -KELVIN_OFFSET},
};

}  // namespace

std::string foldedUnit(std::string_view unit) {
    std::string folded;
    for (const char c : unit)
        if (c != ' ' && c != '\t') folded += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folded;
}

std::optional<AmountUnit> componentUnit(std::string_view unit) {
    const std::string folded = foldedUnit(unit);
    for (const AmountUnit& u : COMPONENT_UNITS)
        if (u.name == folded) return u;
    return std::nullopt;
}

std::string_view componentUnitNames() {
    return "[mol/kgw], [mmol/kgw], [mg/kg], [ppm], [ppb], [mg/L], [ug/L], [\u00B5g/L], [mmol/L] or [meq/L], a mass "
           "unit \"as\" an element or formula ([mg/L as N], [mg/L as SiO2], [mg/L as CaCO3])";
}

std::optional<AlkalinityUnit> alkalinityUnit(std::string_view unit) {
    const std::string folded = foldedUnit(unit);
    for (const AlkalinityUnit& u : ALKALINITY_UNITS)
        if (u.name == folded) return u;
    return std::nullopt;
}

std::string_view alkalinityUnitNames() {
    return "[eq/kgw], [meq/kgw], [meq/L], [mg/kg as HCO3], [mg/L as HCO3], [mg/kg as CaCO3] or [mg/L as CaCO3]";
}

double alkalinityEquivalents(const AlkalinityUnit& unit, double value, double hco3GramsPerEquivalent) {
    switch (unit.as) {
        case AlkalinityAs::equivalents: return value * unit.scale;
        case AlkalinityAs::hco3: return value * unit.scale / hco3GramsPerEquivalent;
        case AlkalinityAs::caco3: return value * unit.scale / CACO3_GRAMS_PER_EQUIVALENT;
    }
    return value * unit.scale;
}

double alkalinityGramsAsHco3(const AlkalinityUnit& unit, double value, double hco3GramsPerEquivalent) {
    return alkalinityEquivalents(unit, value, hco3GramsPerEquivalent) * hco3GramsPerEquivalent;
}

std::optional<double> temperatureOffset(std::string_view unit) {
    const std::string folded = foldedUnit(unit);
    for (const TemperatureUnit& u : TEMPERATURE_UNITS)
        if (u.name == folded) return u.offset;
    return std::nullopt;
}

std::string_view temperatureUnitNames() { return "[C], [\u00B0C], [degC] or [K]"; }

std::optional<double> componentMoles(const AmountUnit& unit, double value, double gramsPerMole, double charge) {
    const double amount = value * unit.scale;
    switch (unit.kind) {
        case AmountKind::moles: return amount;
        case AmountKind::grams:
            if (!(gramsPerMole > 0.0)) return std::nullopt;
            return amount / gramsPerMole;
        case AmountKind::equivalents:
            if (charge == 0.0) return std::nullopt;
            return amount / std::fabs(charge);
    }
    return std::nullopt;
}

}  // namespace wq
