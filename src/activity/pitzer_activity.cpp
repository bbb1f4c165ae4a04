// The Pitzer model (pitzer.hpp; Harvie, Moller & Weare 1984) as the activity
// model of a run, registered as "pitzer": every species of the run but water
// is a solute, matched by its database name to the parameters of PITZER.DAT,
// the data set that stands beside the run's LOGKDATA.KDB (examples/pitzer/).
// A Pitzer data set is self-consistent: its log K values and its
// interaction parameters were fitted together, so the pair is used as one.
#include <cmath>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "activity/activity_model.hpp"
#include "activity/pitzer.hpp"
#include "input/pitzer_parameters.hpp"

namespace wq {

namespace {

// The name of the parameter file beside the database.
constexpr const char* PITZER_PARAMETER_FILE = "PITZER.DAT";

class PitzerActivity final : public ActivityModel {
public:
    explicit PitzerActivity(PitzerParameters parameters) : parameters_(std::move(parameters)) {}

    // The solutes are the run's species in slot order, water left out.
    void setUp(SpeciesTable& sp, const ActivityConditions& at) override {
        at_ = at;
        std::vector<PitzerSolute> solutes;
        slots_.clear();
        for (int i = 1; i <= sp.count; ++i) {
            if (i == WATER_SLOT) continue;
            solutes.push_back({std::string(sp[i].name.trimmed()), sp[i].charge});
            slots_.push_back(i);
        }
        model_.emplace(parameters_, solutes);
        model_->setConditions(at.tKelvin, at.pressureBar, at.tables.debyeA);
        molality_.assign(slots_.size(), 0.0);
        lnGamma_.assign(slots_.size(), 0.0);
    }

    void refresh(SpeciesTable& sp, const WaterComposition& water, ActivityValues& values) override {
        for (std::size_t k = 0; k < slots_.size(); ++k) molality_[k] = sp[slots_[k]].molality;
        const PitzerWater w = model_->evaluate(molality_, lnGamma_);
        values.ionicStrength = w.ionicStrength;
        values.stoichIonicStrength = stoichiometricIonicStrength(water, sp);
        values.osmotic = w.osmotic;
        if (at_.activityOption == ActivityOption::ideal) return;
        for (std::size_t k = 0; k < slots_.size(); ++k) sp[slots_[k]].gamma = std::exp(lnGamma_[k]);
        sp[WATER_SLOT].gamma = at_.waterOption == WaterOption::unity ? 1.0 : std::exp(w.lnWaterActivity);
    }

private:
    PitzerParameters parameters_;
    ActivityConditions at_;
    std::optional<PitzerModel> model_;
    std::vector<int> slots_;  // the species slot of each solute
    std::vector<double> molality_, lnGamma_;
};

}  // namespace

std::unique_ptr<ActivityModel> makePitzerModel(const ActivityModelSource& source) {
    const std::filesystem::path file = std::filesystem::path(source.databasePath).parent_path() / PITZER_PARAMETER_FILE;
    return std::make_unique<PitzerActivity>(loadPitzerParameters(file.string()));
}

}  // namespace wq
