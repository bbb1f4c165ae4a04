#include "activity/activity_model.hpp"

#include <cmath>
#include <iterator>
#include <limits>

#include "text/number_text.hpp"

namespace wq {

// The factories, each defined in its model's file.
std::unique_ptr<ActivityModel> makeBdotModel(const ActivityModelSource& source);
std::unique_ptr<ActivityModel> makePitzerModel(const ActivityModelSource& source);

namespace {

// Helgeson (1969, Am. J. Sci. 267, 729-804) and Wolery (1992, the EQ3/6
// software package manual, UCRL-MA-110662) put the useful range of the
// B-dot equation near 1 molal in NaCl-dominated waters; in other waters it
// ends sooner, so 1 mol/kg is the most a record lets pass without a note.
constexpr ActivityModelRange BDOT_RANGE = {1.0, "Helgeson 1969; Wolery 1992, UCRL-MA-110662"};

// The Pitzer data state their own range (the IONIC_STRENGTH and
// TEMPERATURE lines of PITZER.DAT), which the model notes (rangeNote).
constexpr ActivityModelRange PITZER_RANGE = {std::numeric_limits<double>::infinity(), "PITZER.DAT"};

// The registry: one line per model.
constexpr ActivityModelEntry MODELS[] = {
    // B-dot (Helgeson 1969) with Lietzke-Stoughton water: bdot.cpp. Its
    // Lambda = -log10(1 + 0.0180528 sum m) sums the water entry's molality
    // of 1 with the solutes', so that every ion's log gamma tends to
    // -log10(1.0180528) rather than 0 at infinite dilution; its water is a
    // three-salt osmotic fit of its own, no derivative of the coefficients.
    {.name = "b-dot", .title = "B-dot", .make = makeBdotModel, .defaultDatabase = "LOGKDATA.KDB",
     .range = BDOT_RANGE, .description = "for waters up to about 1 mol/kg",
     .claims = {.unitAtInfiniteDilution = false, .gibbsDuhem = false}},
    // Pitzer (Harvie, Moller & Weare 1984), PITZER.DAT beside its database:
    // pitzer_activity.cpp.
    {.name = "pitzer", .title = "Pitzer", .make = makePitzerModel, .defaultDatabase = "pitzer/LOGKDATA.KDB",
     .range = PITZER_RANGE, .description = "for brines (on a Pitzer database, PITZER.DAT beside it)",
     .claims = {.unitAtInfiniteDilution = true, .gibbsDuhem = true}},
};

constexpr const ActivityModelEntry* entryNamed(std::string_view name) {
    for (const ActivityModelEntry& entry : MODELS)
        if (entry.name == name) return &entry;
    return nullptr;
}
static_assert(entryNamed(DEFAULT_ACTIVITY_MODEL) != nullptr);

}  // namespace

std::span<const ActivityModelEntry> activityModels() { return MODELS; }

const ActivityModelEntry* activityModelNamed(std::string_view name) { return entryNamed(name); }

std::string activityModelChoices() {
    std::string choices;
    for (std::size_t k = 0; k < std::size(MODELS); ++k) {
        if (k > 0) choices += k + 1 == std::size(MODELS) ? ", or " : ", ";
        choices += std::string(MODELS[k].name) + " " + std::string(MODELS[k].description);
    }
    return choices;
}

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
    const ActivityModelEntry* entry = activityModelNamed(name);
    return entry ? entry->make(source) : nullptr;
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
