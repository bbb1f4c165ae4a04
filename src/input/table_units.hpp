// The units of the columns of a table of waters: what a number in a cell
// counts (moles, equivalents or grams) and per what (a kilogram of water, a
// kilogram of solution or a litre of solution), and the units of the
// temperature and of the alkalinity.
//
// Amounts of a component, in brackets after its name:
//   [mol/kgw], [mmol/kgw]        moles per kilogram of water
//   [mg/kg], [ppm]               milligrams per kilogram of solution (ppm by mass)
//   [mg/L], [ug/L], [µg/L]       milligrams, micrograms per litre of solution
//   [mmol/L]                     millimoles per litre of solution
//   [meq/L]                      milliequivalents per litre of solution, per
//                                charge of the component: 1 meq/L of Ca++ is
//                                0.5 mmol/L
// The alkalinity, in equivalents of acid neutralised:
//   [eq/kgw], [meq/kgw]          per kilogram of water
//   [meq/L]                      per litre of solution
//   [mg/kg as HCO3], [mg/L as HCO3], [mg/kg as CaCO3], [mg/L as CaCO3]
//                                the equivalents written as the mass of HCO3
//                                (1 eq = 61.0168 g, the formula weight of the
//                                carbonate component) or of CaCO3 (1 eq =
//                                100.0869 / 2 g: calcite takes two protons)
// The temperature: [C], [°C], [degC] or no unit for degrees Celsius; [K] for
// kelvin.
// Every unit is read in any case and with any blanks (foldedUnit): [mg/l],
// [MG/L], [mg / L]; besides those above, [ppb] and [ug/kg] (per kilogram of
// solution), [g/L], [ng/L], [mol/L], [umol/L] and [umol/kgw].
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace wq {

// Per what a cell counts.
enum class AmountBasis { kgWater, kgSolution, litreSolution };
// What a cell counts, times the unit's scale.
enum class AmountKind { moles, equivalents, grams };

struct AmountUnit {
    std::string_view name;  // as written between the brackets
    AmountBasis basis = AmountBasis::kgWater;
    AmountKind kind = AmountKind::moles;
    double scale = 1.0;     // to moles, equivalents or grams
};

// A unit as the tables of units name it: ASCII letters in lower case, no
// blanks ("mg/L as CaCO3" -> "mg/lascaco3").
std::string foldedUnit(std::string_view unit);

// The unit of a component column; nullopt for a unit the table may not use.
std::optional<AmountUnit> componentUnit(std::string_view unit);
// The units a component column may use, for the message that refuses another.
std::string_view componentUnitNames();

// Alkalinity: equivalents, or grams of the substance it is expressed as.
enum class AlkalinityAs { equivalents, hco3, caco3 };

struct AlkalinityUnit {
    std::string_view name;
    AmountBasis basis = AmountBasis::kgWater;
    AlkalinityAs as = AlkalinityAs::equivalents;
    double scale = 1.0;  // to equivalents, or to grams
};

std::optional<AlkalinityUnit> alkalinityUnit(std::string_view unit);
std::string_view alkalinityUnitNames();

// Grams of CaCO3 per equivalent of alkalinity: half the formula weight of
// calcite, 100.0869 g/mol.
constexpr double CACO3_GRAMS_PER_EQUIVALENT = 100.0869 / 2.0;

// Equivalents of alkalinity in a cell of that unit; `hco3GramsPerEquivalent`
// is the formula weight of the carbonate component.
double alkalinityEquivalents(const AlkalinityUnit& unit, double value, double hco3GramsPerEquivalent);
// Grams of the alkalinity counted as HCO3 (for the mass of dissolved solids).
double alkalinityGramsAsHco3(const AlkalinityUnit& unit, double value, double hco3GramsPerEquivalent);

// Temperature: the offset added to a cell to give degrees Celsius.
std::optional<double> temperatureOffset(std::string_view unit);
std::string_view temperatureUnitNames();

// Moles of a component in a cell of `unit` (per its basis): grams through
// `gramsPerMole` (the mass a mass unit counts: the component's formula weight,
// or an element's for an alias such as B); equivalents through the charge.
// nullopt when the unit cannot count this component: a mass unit without a
// mass per mole, equivalents of an uncharged component.
std::optional<double> componentMoles(const AmountUnit& unit, double value, double gramsPerMole, double charge);

}  // namespace wq
