// The columns of a table of waters: what each holds (a name, a condition, the
// alkalinity, a CO2 fugacity, a component's total, a measured conductance,
// or something carried through to the records) and in which unit, read from
// its header ("Na+ [mg/kg]", "Ca [mmol/L]", "T [K]", "Temp [degC]",
// "NO3 [mg/L as N]"). Names and units are read in any case, with the header
// words and units of laboratory exports (column_names in water_columns.cpp).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "input/column_kind.hpp"
#include "input/table_units.hpp"

namespace wq {

struct ComponentCatalog;


struct Column {
    ColumnKind kind = ColumnKind::component;
    std::string header;
    int number = 0;              // component: database number
    double formulaWeight = 0.0;  // component: g/mol of the component species (its mass among the solids)
    double gramsPerMole = 0.0;   // component: what a mass unit counts (an element for B, DIC), g/mol
    double charge = 0.0;         // component: for meq/L
    AmountUnit amount;           // component
    AlkalinityUnit alkalinity;   // alkalinity
    double temperatureOffset = 0.0;  // temperature: added to give deg C
    double scale = 1.0;          // eh, conductance: to V, to uS/cm
    // absentComponent: why its value cannot be computed; otherwise a note
    // the table's reader gives once (a species a laboratory would read as
    // its element).
    std::string note;
    AmountBasis basis() const {
        return kind == ColumnKind::alkalinity ? alkalinity.basis
               : kind == ColumnKind::component ? amount.basis
                                               : AmountBasis::kgWater;
    }
};

// A cell without the blanks and tabs around it.
std::string_view trimmedCell(std::string_view cell);

// Text of the table echoed in a message: UTF-8, in quotes, cut short.
std::string quotedText(std::string_view text);

// The column a header names; nullopt with `error` for a header the table
// may not have (an unknown unit of a known quantity or component; with
// `strict`, any column that names nothing the program computes).
std::optional<Column> classify(const std::string& header, const ComponentCatalog& catalog, std::string& error,
                               bool strict = false);

// The names and units a table's columns may have, with the short names of
// the common components, as `wqspec batch --list-columns` prints them.
std::string columnList(const ComponentCatalog& catalog);

}  // namespace wq
