// One water of a table as its row gives it: its name and line, what it
// gives of T, P, pH, the alkalinity, a CO2 fugacity, the mass of water and
// the redox state, its component totals, its measured conductance, the
// cells carried through to its records, and why it cannot be run.
#pragma once

#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "input/redox_options.hpp"

namespace wq {

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
    std::optional<double> logFugacityCO2;  // log10 bar: the water is in equilibrium with CO2(g) at it
    // The CO2 fugacity beside an alkalinity or a carbonate total, with the
    // pH blank: the gas fixes the pH, not the carbonate.
    bool pHFromCO2 = false;
    std::optional<double> kgWater;       // nullopt: the template's
    std::vector<ComponentTotal> totals;  // the cells given, in column order
    std::optional<RedoxState> redox;     // nullopt: the batch's (--redox); a kind none: none
    // The specific conductance the analysis measured, uS/cm (a
    // "conductance", "EC", "SpC", "SC" or "cond" column); nullopt: none, or
    // a cell that is no number.
    std::optional<double> measured_conductance_uScm;
    // The cells of the columns carried through (WaterTableReader::
    // carriedHeaders), as the row has them (UTF-8).
    std::vector<std::string> carried;
    // What its record notes of how the row was read (cells below the
    // detection limit left out or replaced).
    std::string notes;
};

}  // namespace wq
