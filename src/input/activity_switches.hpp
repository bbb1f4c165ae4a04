// The two switches of the run input that an activity model obeys: how it
// treats the neutral species (or an ideal solution), and whether the
// activity of water is its own or held at 1. The model reads them from its
// conditions (ActivityConditions) and needs nothing else of the run input.
#pragma once

namespace wq {

// The activity option of the run input: how the activity model treats the
// neutral species, or an ideal solution. Any other number is read as it
// stands and treats neutral species as 1 (as neutralOne does, but with the
// activity coefficient of CO2 still computed).
enum class ActivityOption : int {
    co2ForListed = 0,  // neutral species 1, those of the CO2 kind (size above 9.98) gamma(CO2)
    neutralOne = 1,    // every neutral species 1
    neutralCO2 = 2,    // every neutral species gamma(CO2)
    ideal = 3,         // an ideal solution: no activity coefficient is computed
};

// The water option of the run input: the activity of water from the model,
// or held at 1 (any number but 1 is the model's).
enum class WaterOption : int {
    fromModel = 0,
    unity = 1,
};

}  // namespace wq
