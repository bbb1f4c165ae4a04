// The Pitzer model (pitzer.hpp; Harvie, Moller & Weare 1984) as the activity
// model of a run, registered as "pitzer": every species of the run but water
// is a solute, matched by its database name to the parameters of PITZER.DAT,
// the data set that stands beside the run's LOGKDATA.KDB (examples/pitzer/).
// A Pitzer data set is self-consistent: its log K values and its
// interaction parameters were fitted together, so the pair is used as one.
//
// The range of the data (the TEMPERATURE and IONIC_STRENGTH lines of the
// parameter file): a run the data cannot describe is refused at its set-up
// (a temperature outside the range of the parameters' temperature functions,
// an extended run above the pressure of the saturation curve, for which the
// data carry no pressure terms, a component the database holds no data for,
// which the builder names "unused <n>"); a water computed beyond what the
// data were fitted to (an ionic strength above their highest, a negative
// osmotic coefficient) is flagged (rangeNote).
//
// The single-ion coefficients are put on the pH scale the model is made
// with (pitzer_scale.hpp): by default MacInnes's, on which a pH measured
// in a brine against NBS buffers stands; the free scale leaves them as the
// equations give them. A run without chloride takes gamma(Cl-) of a trace
// of it (a solute of molality 0, which changes no other coefficient).
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "activity/activity_model.hpp"
#include "activity/pitzer.hpp"
#include "activity/pitzer_scale.hpp"
#include "grid/grid.hpp"
#include "grid/units.hpp"
#include "input/case_writer.hpp"
#include "input/pitzer_parameters.hpp"
#include "input/tables.hpp"
#include "text/number_text.hpp"
#include "text/stop.hpp"

namespace wq {

namespace {

// The name of the parameter file beside the database.
constexpr const char* PITZER_PARAMETER_FILE = "PITZER.DAT";

// The ion whose coefficient the MacInnes scale fixes.
constexpr std::string_view CHLORIDE = "Cl-";

// The name the Pitzer database gives a component number it has no data for.
constexpr std::string_view UNUSED_COMPONENT = "unused ";

// The rounding allowed for in a balance of the iteration (balanceResolution).
constexpr double BALANCE_RESOLUTION = 64.0 * std::numeric_limits<double>::epsilon();

// The data hold along the saturation curve of water, 1 atm below 100 C,
// where they were measured and fitted. An extended run at a pressure no
// higher is the same water for them: a cold water, which the front ends
// compute as an extended run at COLD_WATER_PRESSURE_BAR (a saturation run
// starts at 20 C), or one given at the saturation pressure. The pressure
// dependence of the parameters and of the log K between 1 bar and the
// saturation pressure below 100 C is below the data's own accuracy: a
// reaction volume of 100 cm3/mol moves log K by 2e-5 over that 0.013 bar,
// and the volumetric parameters of the NaCl fit (Pitzer, Peiper & Busey
// 1984, J. Phys. Chem. Ref. Data 13, 1-102) move beta(0) by some 1e-7
// kg/mol, where the fits scatter by 1e-3. The tolerance takes a pressure
// given as 1 atm (1.01325 bar) or rounded.
constexpr double SATURATION_PRESSURE_TOLERANCE_BAR = 0.01;

// The highest pressure of an extended run the data describe at t C.
double highestPressureOfTheData(double t) { return std::max(COLD_WATER_PRESSURE_BAR, saturationPressure(t)); }

class PitzerActivity final : public ActivityModel {
public:
    PitzerActivity(std::shared_ptr<const PitzerParameters> parameters, RefreshReach reach, PhScale scale)
        : parameters_(std::move(parameters)), reach_(reach), scale_(scale) {
        if (scale_ == PhScale::macInnes) macInnes_.emplace(*parameters_);
    }

    // The solutes are the run's species in slot order, water left out (and
    // a trace of chloride after them on the MacInnes scale, when the run has
    // none).
    void setUp(SpeciesTable& sp, const ActivityConditions& at) override {
        at_ = at;
        refuseWhatTheDataCannotDescribe(at);
        std::vector<PitzerSolute> solutes;
        slots_.clear();
        charge_.clear();
        chloride_ = -1;
        for (int i = 1; i <= sp.count; ++i) {
            if (i == WATER_SLOT) continue;
            const std::string name(sp[i].name.trimmed());
            if (name.starts_with(UNUSED_COMPONENT))
                stop(ExitStatus::error, "the Pitzer database " + parameters_->fileName + " has no data for component " +
                                            name.substr(UNUSED_COMPONENT.size()) + " (" + name + ")");
            if (name == CHLORIDE) chloride_ = static_cast<int>(solutes.size());
            solutes.push_back({name, sp[i].charge});
            slots_.push_back(i);
        }
        if (macInnes_ && chloride_ < 0) {
            chloride_ = static_cast<int>(solutes.size());
            solutes.push_back({std::string(CHLORIDE), -1.0});
        }
        for (const PitzerSolute& s : solutes) charge_.push_back(s.charge);
        model_.emplace(*parameters_, solutes);
        model_->setConditions(at.tKelvin, at.pressureBar, at.tables.debyeA);
        if (macInnes_) macInnes_->setConditions(at.tKelvin, at.pressureBar, at.tables.debyeA);
        molality_.assign(solutes.size(), 0.0);
        lnGamma_.assign(solutes.size(), 0.0);
    }

    void refresh(SpeciesTable& sp, const WaterComposition& water, ActivityValues& values) override {
        for (std::size_t k = 0; k < slots_.size(); ++k) molality_[k] = sp[slots_[k]].molality;
        const PitzerWater w = model_->evaluate(molality_, lnGamma_);
        if (macInnes_ && usableOnTheModelsScale()) macInnes_->apply(charge_, chloride_, w.ionicStrength, lnGamma_);
        values.ionicStrength = w.ionicStrength;
        values.stoichIonicStrength = stoichiometricIonicStrength(water, sp);
        values.osmotic = w.osmotic;
        if (at_.activityOption != ActivityOption::ideal) {
            for (std::size_t k = 0; k < slots_.size(); ++k) sp[slots_[k]].gamma = std::exp(lnGamma_[k]);
            sp[WATER_SLOT].gamma = at_.waterOption == WaterOption::unity ? 1.0 : std::exp(w.lnWaterActivity);
        }
        values.unusable = unusableActivities(sp, "Pitzer");
    }

    // Brines are the model's purpose: every loop refreshes the coefficients
    // (its range is checked on the solved water, rangeNote).
    double highestRefreshedMolality() const override { return std::numeric_limits<double>::infinity(); }
    RefreshReach reach() const override { return reach_; }
    // The molality of water itself (55.5 mol/kg): a component above it would
    // outnumber the water molecules, a molten salt rather than a brine. The
    // brines the data hold stay well below it (the most soluble salts,
    // CaCl2 and LiCl, saturate near 7.3 and 20 mol/kg at 25 C), but not
    // below B-dot's 10 mol/kg: that is the chloride of a MgCl2 or CaCl2
    // solution of 5 mol/kg, short of bischofite and antarcticite saturation.
    double highestComponentMolality() const override { return MOLES_WATER_PER_KG; }
    // Brines sum tens of mol/kg in their balances beside H+ at 1e-9 mol/kg:
    // a residual within 64 roundings (DBL_EPSILON) of the amounts a balance
    // sums is as converged as double precision can tell. A mass-action
    // molality alone carries about 10 (ten to an exponent of order 10 worked
    // out to DBL_EPSILON: ln 10 x 10 x DBL_EPSILON), and no Newton step makes
    // a residual smaller than its terms' rounding. 16 is the least with which
    // every step of CaCl2 waters concentrated to 12 mol/kg at 25-200 C
    // converges; 64 leaves a margin.
    double balanceResolution() const override { return BALANCE_RESOLUTION; }
    std::unique_ptr<ActivityModel> clone() const override {
        return std::make_unique<PitzerActivity>(parameters_, reach_, scale_);
    }
    std::string_view name() const override { return "pitzer"; }
    std::string_view phScale() const override { return phScaleName(scale_); }
    std::vector<std::string> dataFiles() const override { return {parameters_->fileName}; }

    std::string rangeNote(const ActivityValues& values) const override {
        std::string note;
        const auto add = [&note](const std::string& what) { note += (note.empty() ? "" : "; ") + what; };
        const double most = parameters_->maxIonicStrength;
        if (values.ionicStrength > most)
            add("ionic strength " + fixedText(values.ionicStrength, 2) + " mol/kg is above the " + shortestText(most) +
                " mol/kg the Pitzer data were fitted to");
        // No measured solution has one: the model is extrapolated past its
        // data (NaHCO3 of 12 mol/kg at 200 C gives -0.09), yet the values
        // are those of a water, and are kept.
        if (values.osmotic < 0.0)
            add("osmotic coefficient " + fixedText(values.osmotic, 2) + " is below 0 (a(H2O) above 1)");
        return note;
    }

private:
    // Whether every coefficient the equations gave is one a water can have
    // (USABLE_ACTIVITY_LIMIT). A scale is a convention for the coefficients
    // of a water; values no water has are left as the model gave them, so
    // that the run's reason names the one that fails rather than carry
    // chloride's to every ion.
    bool usableOnTheModelsScale() const {
        static const double lnLimit = std::log(USABLE_ACTIVITY_LIMIT);
        return std::all_of(lnGamma_.begin(), lnGamma_.end(), [](double v) { return std::fabs(v) <= lnLimit; });
    }

    void refuseWhatTheDataCannotDescribe(const ActivityConditions& at) const {
        const double t = at.tKelvin - KELVIN_OFFSET;
        const double highestPressure = highestPressureOfTheData(t);
        if (at.extendedRun && at.pressureBar > highestPressure + SATURATION_PRESSURE_TOLERANCE_BAR)
            stop(ExitStatus::error, "the Pitzer data have no pressure terms: they hold up to " +
                                        fixedText(highestPressure, 3) + " bar at " + fixedText(t, 2) +
                                        " C (the saturation pressure of water, 1.013 bar below 100 C), not at " +
                                        fixedText(at.pressureBar, 2) + " bar");
        const double lowest = parameters_->minTemperatureC, highest = parameters_->maxTemperatureC;
        if (t < lowest || t > highest)
            stop(ExitStatus::error, fixedText(t, 2) + " C is outside the " + shortestText(lowest) + " to " +
                                        shortestText(highest) + " C of the Pitzer data (" + parameters_->fileName + ")");
    }

    std::shared_ptr<const PitzerParameters> parameters_;  // read once, shared by the copies
    RefreshReach reach_;
    PhScale scale_;
    std::optional<MacInnesScale> macInnes_;  // on the MacInnes scale
    ActivityConditions at_;
    std::optional<PitzerModel> model_;
    std::vector<int> slots_;  // the species slot of each solute of the run (a trace chloride has none)
    std::vector<double> charge_;  // of each solute
    int chloride_ = -1;           // the solute Cl-, on the MacInnes scale
    std::vector<double> molality_, lnGamma_;
};

}  // namespace

std::unique_ptr<ActivityModel> makePitzerModel(const ActivityModelSource& source) {
    const std::filesystem::path file = std::filesystem::path(source.databasePath).parent_path() / PITZER_PARAMETER_FILE;
    return std::make_unique<PitzerActivity>(
        std::make_shared<const PitzerParameters>(loadPitzerParameters(file.string())), source.reach, source.phScale);
}

}  // namespace wq
