// The activity model of a run: the parameters at the run's T and P and the
// values every Newton loop refreshes.
#pragma once

#include "input/tables.hpp"

namespace wq {

struct ActivityModel {
    ActivityTables tables;  // the database's values at the run's T and P
    double tKelvin = 298.15;
    double ionicStrength = 0.0;       // true ionic strength I
    double stoichIonicStrength = 0.0; // stoichiometric ionic strength Is
    double osmotic = 0.0;             // osmotic coefficient phi
    double gammaCO2 = 1.0;
    Table<double, MAX_SPECIES> bdot;  // individual b-dot of each species
    Table<int, MAX_SPECIES> co2Like;  // neutral species that take the CO2 coefficient
    int co2LikeCount = 0;
};

}  // namespace wq
