// Activity coefficients of the aqueous species and the activity of water.
//
// Charged species follow an extended Debye-Hueckel equation of the B-dot kind
// (Helgeson 1969; Helgeson, Kirkham & Flowers 1981) with individual ion sizes
// and b-dot values derived from the database; neutral species take 1 or the
// activity coefficient of dissolved CO2. The activity of water and the osmotic
// coefficient come from a three-salt Lietzke-Stoughton model below 350 C and
// from the H2O-CO2-NaCl equation of state above.
#pragma once

#include "activity/model.hpp"
#include "input/run_input.hpp"

namespace wq {

// Once per run, after the species are read: effective ion sizes (in place),
// individual b-dot values and the list of neutral species that take the CO2
// activity coefficient.
void helhuc(SpeciesTable& sp, ActivityModel& act);

// Every Newton loop: ionic strength I and the activity coefficients of all
// species from the current molalities. act.tKelvin must hold the run
// temperature. iCO2 is the species position of "CO2,aq" (0: none).
void gamcal(SpeciesTable& sp, ActivityModel& act, ActivityOption activityOption, double pressureBar, int iCO2);

// Every Newton loop, right after gamcal: the stoichiometric ionic strength, the
// osmotic coefficient and the activity of water (stored as the gamma of
// species 2).
void lietzk(const ComponentTable& comp, const ComponentMap& map, SpeciesTable& sp, ActivityModel& act,
            double kgw, ActivityOption activityOption, WaterOption waterOption, double pressureBar, int iCO2);

}  // namespace wq
