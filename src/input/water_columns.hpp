// The columns of a table of waters: what each holds (a name, a condition, the
// alkalinity or a component's total) and in which unit, read from its
// header ("Na+ [mg/kg]").
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace wq {

struct ComponentCatalog;

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

// A cell without the blanks and tabs around it.
std::string_view trimmedCell(std::string_view cell);

// Text of the table echoed in a message: UTF-8, in quotes, cut short.
std::string quotedText(std::string_view text);

// The column a header names; nullopt with `error` for a header the table
// may not have (an unknown quantity, component or unit).
std::optional<Column> classify(const std::string& header, const ComponentCatalog& catalog, std::string& error);

}  // namespace wq
