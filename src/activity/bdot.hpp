// The B-dot activity model: activity coefficients of the aqueous species and
// the activity of water.
//
// Charged species follow an extended Debye-Hueckel equation of the B-dot kind
// (Helgeson 1969; Helgeson, Kirkham & Flowers 1981) with individual ion sizes
// and b-dot values derived from the database; neutral species take 1 or the
// activity coefficient of dissolved CO2, as the run input's activity option
// says. The activity of water and the osmotic coefficient come from a
// three-salt Lietzke-Stoughton model below 350 C and from the H2O-CO2-NaCl
// equation of state above. The model's factory (makeBdotModel) stands in
// the registry as "b-dot"; the routines below are its steps.
#pragma once

#include <vector>

#include "activity/activity_model.hpp"

namespace wq {

// The model's parameters of one run; the tables hold the run's species
// (bdotIonParameters sizes them), their storage kept from run to run.
struct BdotParameters {
    ActivityConditions at;
    GrowingTable<double> bdot;  // individual b-dot of each species
    // Ions of one charge, size and b-dot have one coefficient: each ion's
    // group (its place in `ions`), worked out once per refresh.
    struct IonGroup {
        double charge, size, bdot;
    };
    std::vector<IonGroup> ions;
    GrowingTable<int> ionGroup;       // per species: its place in `ions`, -1 for a neutral one
    std::vector<double> groupGamma;  // of the last refresh, per group
    GrowingTable<int> co2Like;  // neutral species that take the CO2 coefficient
    int co2LikeCount = 0;
    double gammaCO2 = 1.0;            // the activity coefficient of CO2(aq) of the last refresh
};

// Once per run, after the species are read: effective ion sizes (in place),
// individual b-dot values and the list of neutral species that take the CO2
// activity coefficient (Helgeson, Kirkham & Flowers 1981) (helhuc).
void bdotIonParameters(SpeciesTable& sp, BdotParameters& p);

// Every loop: the ionic strength I and the B-dot activity coefficients
// (Helgeson 1969) of all species from the current molalities; neutral
// species by the activity option, CO2 by Drummond (1981) or the mixed-fluid
// model, at the stoichiometric ionic strength of the last refresh (gamcal).
void bdotActivityCoefficients(SpeciesTable& sp, BdotParameters& p, ActivityValues& values);

// Every loop, right after bdotActivityCoefficients: the stoichiometric ionic
// strength, the osmotic coefficient and the activity of water (stored as the
// gamma of water) of the Lietzke & Stoughton three-salt mixture, or of the
// mixed-fluid model from 350 C (lietzk).
void lietzkeStoughtonWater(const WaterComposition& water, SpeciesTable& sp, const BdotParameters& p,
                           ActivityValues& values);

}  // namespace wq
