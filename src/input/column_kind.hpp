// What a column of a table of waters holds (water_columns.hpp reads it
// from the header).
#pragma once

namespace wq {

// eh, pe, oxygenFugacity and redox: the redox state of the water (an Eh in V,
// a pe, a log fO2, or in words: a couple, "O2,aq" or "none").
// conductance: the measured specific conductance, uS/cm, carried through too.
// absentComponent: a component the database does not have (a Pitzer data
// set without nitrate): a blank cell is no fault, a value refuses its row.
// carried: a column that names nothing the program computes (a site, a
// date, a TDS), carried through to the records as it is.
enum class ColumnKind {
    name, temperature, pressure, pH, density, alkalinity, co2Fugacity, component, eh, pe, oxygenFugacity, redox,
    conductance, absentComponent, carried
};

}  // namespace wq
