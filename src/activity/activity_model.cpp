#include "activity/activity_model.hpp"

namespace wq {

// The factories, each defined in its model's file.
std::unique_ptr<ActivityModel> makeBdotModel(const ActivityModelSource& source);
std::unique_ptr<ActivityModel> makePitzerModel(const ActivityModelSource& source);

namespace {

// The registry: one line per model.
constexpr ActivityModelEntry MODELS[] = {
    {"b-dot", makeBdotModel},    // B-dot (Helgeson 1969) with Lietzke-Stoughton water: bdot.cpp
    {"pitzer", makePitzerModel},  // Pitzer (Harvie, Moller & Weare 1984), PITZER.DAT: pitzer_activity.cpp
};

}  // namespace

std::span<const ActivityModelEntry> activityModels() { return MODELS; }

std::unique_ptr<ActivityModel> makeActivityModel(std::string_view name, const ActivityModelSource& source) {
    for (const ActivityModelEntry& entry : MODELS)
        if (entry.name == name) return entry.make(source);
    return nullptr;
}

double stoichiometricIonicStrength(const WaterComposition& water, const SpeciesTable& sp) {
    double sum = 0.0;
    for (int k = WATER_SLOT + 1; k <= water.comp.count; ++k) {
        const double z = sp[k].charge;
        sum += water.comp[k].mtot / water.kgw * (z * z);
    }
    return 0.5 * sum;
}

}  // namespace wq
