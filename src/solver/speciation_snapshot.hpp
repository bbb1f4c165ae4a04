// What a solve changes in the state of a run, as a value kept aside
// (snapshot.hpp captures and restores it).
#pragma once

#include "activity/activity_model.hpp"
#include "input/tables.hpp"
#include "text/table.hpp"

namespace wq {

// The molality, activity coefficient and activity of every species, the
// component table (totals, tolerances, damping weights), the mass of water and
// the loop state of the iteration, and the values of the activity model.
// Capturing a run into a snapshot that held a run of as many species or more
// allocates nothing.
struct SpeciationSnapshot {
    struct SpeciesValues {
        double molality = 0.0;
        double gamma = 0.0;
        double activity = 0.0;
    };
    int speciesCount = 0;
    GrowingTable<SpeciesValues> species;  // 1..speciesCount
    ComponentTable comp;
    double kgw = 0.0;
    int loops = 0;
    double chargeImbalance = 0.0;
    bool chargeBalanceFrozen = false;
    ActivityValues activityValues;
};

}  // namespace wq
