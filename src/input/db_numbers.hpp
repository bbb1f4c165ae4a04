// Database component numbers with a fixed meaning: the position of a
// component species in the database's component section, by which the run
// input names its components.
#pragma once

namespace wq::db {

constexpr int HYDROGEN_ION = 1;      // H+
constexpr int WATER = 2;             // H2O
constexpr int CHLORIDE = 3;          // Cl-
constexpr int SULFATE = 4;           // SO4--
constexpr int CARBONATE = 5;         // HCO3-, appended when an alkalinity is given
constexpr int SULFIDE = 6;           // HS-
constexpr int CALCIUM = 9;           // Ca++
constexpr int DIVALENT_CATION = 10;  // the divalent cation of the osmotic model
constexpr int MAGNESIUM = 10;        // Mg++ (the same component)
constexpr int SILICA = 11;           // SiO2,aq
constexpr int POTASSIUM = 12;        // K+
constexpr int SODIUM = 13;           // Na+
constexpr int ALUMINIUM = 14;        // Al+++
constexpr int OXYGEN = 31;           // O2(aq)

// Components whose presence suppresses reduced species that equilibrate too
// slowly with the rest of the water to be counted (slow redox kinetics).
constexpr int SLOW_REDOX_CARBON = 45;    // organic carbon: methane to ethanol
constexpr int SLOW_REDOX_HYDROGEN = 46;  // H2(aq)
constexpr int SLOW_REDOX_NITROGEN = 47;  // N2(aq)
constexpr int SLOW_REDOX_AMMONIA = 48;   // NH3(aq)

}  // namespace wq::db
