// A table of water analyses, one water per row, as a batch reads it from a
// CSV file: a name, the temperature, pressure and pH, the alkalinity and the
// component totals, each column with its unit in brackets.
//
// Units of the component columns:
//   [mol/kgw], [mmol/kgw]   per kilogram of water
//   [mg/kg]                 per kilogram of solution
//   [mg/L]                  per litre of solution (with a "density [kg/L]" column, default 1)
// and of the alkalinity column:
//   [eq/kgw], [meq/kgw], [mg/kg as HCO3], [mg/L as CaCO3].
// Concentrations per kilogram (or litre) of solution describe that kilogram
// (or litre): the mass of water is what is left of it when the dissolved
// solids given in mg are taken away (alkalinity counted as HCO3), so the
// totals are moles in that mass of water. With molal units only, the mass of
// water of the template is kept. A blank cell keeps the template's value,
// except pH, where a blank means the pH is computed. A row may give its
// redox state in one of the columns "Eh [V]", "pe", "O2(g) [log f]" or
// "redox" (a couple such as Fe++/Fe+++, O2,aq, or none); two in one row are
// refused for that row.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "input/redox_options.hpp"

namespace wq {

struct ComponentCatalog;

struct ComponentTotal {
    int number = 0;     // database number
    double moles = 0.0; // in the water's mass of water
};

struct WaterSample {
    std::string name;
    int line = 0;                        // line of the row in the file
    std::string error;                   // why the row cannot be run (empty: it can)
    std::optional<double> temperature;   // deg C; nullopt: the template's
    std::optional<double> pressure;      // bar
    std::optional<double> pH;            // nullopt: the template's; 0: computed
    std::optional<double> alkalinity;    // eq/kg water
    std::optional<double> kgWater;       // nullopt: the template's
    std::vector<ComponentTotal> totals;  // the cells given, in column order
    std::optional<RedoxState> redox;     // nullopt: the batch's (--redox); a kind none: none
};

struct WaterTable {
    std::vector<int> componentNumbers;  // database numbers of the component columns
    std::vector<WaterSample> waters;
    std::vector<int> blankRows;  // lines of the rows passed over: blank cells only (",,,,")
};

// Parses the whole table, UTF-8 text (a byte-order mark and a first line
// "sep=," are passed over). A fault of the table itself (no name or T
// column, an unknown column, component or unit, a header cell without a
// name, a duplicate column, a table separated by semicolons, no rows) gives
// nullopt and `error`; a fault of one row (a cell that is not a number, a
// negative amount, fewer or more cells than columns, a name of more than
// one line) goes into that row's `error`, so that the other rows still run.
// A row of blank cells is no water: it is passed over and its line kept in
// blankRows. Bytes that are not UTF-8 become U+FFFD. `templateKgWater` is
// the template's mass of water.
std::optional<WaterTable> readWaterTable(std::string_view text, const ComponentCatalog& catalog,
                                         double templateKgWater, std::string& error);

}  // namespace wq
