#include "input/table_units.hpp"

#include <cmath>

#include "grid/units.hpp"

namespace wq {

namespace {

// The micro sign is written two ways: U+00B5 (MICRO SIGN, what keyboards
// and spreadsheets give) and U+03BC (GREEK SMALL LETTER MU).
constexpr AmountUnit COMPONENT_UNITS[] = {
    {"mol/kgw", AmountBasis::kgWater, AmountKind::moles, 1.0},
    {"mmol/kgw", AmountBasis::kgWater, AmountKind::moles, 1e-3},
    {"mg/kg", AmountBasis::kgSolution, AmountKind::grams, 1e-3},
    {"ppm", AmountBasis::kgSolution, AmountKind::grams, 1e-3},
    {"mg/L", AmountBasis::litreSolution, AmountKind::grams, 1e-3},
    {"ug/L", AmountBasis::litreSolution, AmountKind::grams, 1e-6},
    {"\u00B5g/L", AmountBasis::litreSolution, AmountKind::grams, 1e-6},
    {"\u03BCg/L", AmountBasis::litreSolution, AmountKind::grams, 1e-6},
    {"mmol/L", AmountBasis::litreSolution, AmountKind::moles, 1e-3},
    {"meq/L", AmountBasis::litreSolution, AmountKind::equivalents, 1e-3},
};

constexpr AlkalinityUnit ALKALINITY_UNITS[] = {
    {"eq/kgw", AmountBasis::kgWater, AlkalinityAs::equivalents, 1.0},
    {"meq/kgw", AmountBasis::kgWater, AlkalinityAs::equivalents, 1e-3},
    {"meq/L", AmountBasis::litreSolution, AlkalinityAs::equivalents, 1e-3},
    {"mg/kg as HCO3", AmountBasis::kgSolution, AlkalinityAs::hco3, 1e-3},
    {"mg/L as HCO3", AmountBasis::litreSolution, AlkalinityAs::hco3, 1e-3},
    {"mg/kg as CaCO3", AmountBasis::kgSolution, AlkalinityAs::caco3, 1e-3},
    {"mg/L as CaCO3", AmountBasis::litreSolution, AlkalinityAs::caco3, 1e-3},
};

struct TemperatureUnit {
    std::string_view name;
    double offset;
};
// The offset to degrees Celsius: T(C) = T(K) - 273.15.
constexpr TemperatureUnit TEMPERATURE_UNITS[] = {
    {"", 0.0}, {"C", 0.0}, {"\u00B0C", 0.0}, {"degC", 0.0}, {"K", -KELVIN_OFFSET},
};

}  // namespace

std::optional<AmountUnit> componentUnit(std::string_view unit) {
    for (const AmountUnit& u : COMPONENT_UNITS)
        if (u.name == unit) return u;
    return std::nullopt;
}

std::string_view componentUnitNames() {
    return "[mol/kgw], [mmol/kgw], [mg/kg], [ppm], [mg/L], [ug/L], [\u00B5g/L], [mmol/L] or [meq/L]";
}

std::optional<AlkalinityUnit> alkalinityUnit(std::string_view unit) {
    for (const AlkalinityUnit& u : ALKALINITY_UNITS)
        if (u.name == unit) return u;
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
    for (const TemperatureUnit& u : TEMPERATURE_UNITS)
        if (u.name == unit) return u.offset;
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
