#include "activity/activity_model.hpp"

#include <cmath>

#include "text/number_text.hpp"

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

std::string ActivityModel::rangeNote(const ActivityValues&) const { return {}; }

namespace {

struct NamedScale {
    std::string_view name;
    PhScale scale;
};
constexpr NamedScale PH_SCALES[] = {{"macinnes", PhScale::macInnes}, {"free", PhScale::free}};
static_assert(PH_SCALES[0].name == DEFAULT_PH_SCALE);

}  // namespace

std::optional<PhScale> phScaleNamed(std::string_view name) {
    for (const NamedScale& s : PH_SCALES)
        if (s.name == name) return s.scale;
    return std::nullopt;
}

std::string_view phScaleName(PhScale scale) {
    for (const NamedScale& s : PH_SCALES)
        if (s.scale == scale) return s.name;
    return {};
}

std::string unknownPhScale(std::string_view name) {
    std::string known;
    for (const NamedScale& s : PH_SCALES) known += (known.empty() ? "" : ", ") + std::string(s.name);
    return "--ph-scale " + std::string(name) + ": no such pH scale (there are: " + known + ")";
}

std::unique_ptr<ActivityModel> makeActivityModel(std::string_view name, const ActivityModelSource& source) {
    for (const ActivityModelEntry& entry : MODELS)
        if (entry.name == name) return entry.make(source);
    return nullptr;
}

namespace {

bool usable(double value) { return value >= 1.0 / USABLE_ACTIVITY_LIMIT && value <= USABLE_ACTIVITY_LIMIT; }

// "the Pitzer model gives a non-finite activity coefficient for Na+", or
// the value and the bounds when it is finite.
std::string unusableText(std::string_view model, double value, std::string_view what, std::string_view of) {
    std::string text = "the " + std::string(model) + " model gives ";
    if (!std::isfinite(value)) return text + "a non-finite " + std::string(what) + std::string(of);
    return text + "an " + std::string(what) + " of " + scientificText(value, 1) + std::string(of) +
           ", beyond any water's (" + scientificText(1.0 / USABLE_ACTIVITY_LIMIT, 0) + " to " +
           scientificText(USABLE_ACTIVITY_LIMIT, 0) + ")";
}

}  // namespace

std::string unusableActivities(const SpeciesTable& sp, std::string_view model) {
    for (int i = 1; i <= sp.count; ++i) {
        const double value = sp[i].gamma;
        if (usable(value)) continue;
        if (i == WATER_SLOT) return unusableText(model, value, "activity of water", "");
        return unusableText(model, value, "activity coefficient", " for " + std::string(sp[i].name.trimmed()));
    }
    return {};
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
