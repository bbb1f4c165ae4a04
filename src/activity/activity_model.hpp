// The activity model of a run: the activity coefficient of every species,
// the activity of water and the osmotic coefficient, behind one interface
// that the solver calls and that each model implements in a file of its own.
//
// A model is made once, by name, from the registry (activity_model.cpp: one
// line per model), and built from the run's species at every run (setUp):
// the species a run keeps depend on its temperature and pressure. Every
// loop of the iteration and every accepted step of the joint solve then
// refresh it from the current molalities (refresh).
#pragma once

#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "input/activity_switches.hpp"
#include "input/tables.hpp"

namespace wq {

// What a refresh leaves besides the activity coefficients in the species
// table (whose entry of water holds the activity of water): the values the
// listing and the records read. One run hands them on to the next.
struct ActivityValues {
    double ionicStrength = 0.0;        // true ionic strength I = 1/2 sum m z^2 (mol/kg)
    double stoichIonicStrength = 0.0;  // stoichiometric ionic strength Is, from the component totals
    double osmotic = 0.0;              // osmotic coefficient phi
    // Why the values of the refresh cannot be those of any water, in one
    // line that names the model, the value and the species
    // (unusableActivities); empty when they can. A run whose solution holds
    // such values has no solution.
    std::string unusable;
};

// The run's conditions, given to the model once per run.
struct ActivityConditions {
    double tKelvin = 298.15;
    double pressureBar = 1.0;
    ActivityTables tables;  // the database's activity-model tables at T and P
    ActivityOption activityOption = ActivityOption::co2ForListed;
    WaterOption waterOption = WaterOption::fromModel;
    bool extendedRun = false;  // a run off the saturation curve (on the pressure-temperature grid)
};

// The water beyond the molalities of its species: the component totals
// (moles) and the mass of water (kg).
struct WaterComposition {
    const ComponentTable& comp;
    const ComponentMap& map;
    double kgw = 1.0;
};

// What a solve does with a solution that holds a molality above the model's
// highestRefreshedMolality, whose coefficients are then those of a loop
// below it, or of the run's start.
enum class RefreshReach {
    // Keeps it: the console program, as it has always run. A water that
    // starts above the limit (B-dot: 7 mol/kg) keeps the coefficients of its
    // start, 1 for B-dot, and is shown as an ideal solution (I 0, a(H2O) 1).
    modelLimit,
    // Refreshes its coefficients and solves on from it with every loop
    // refreshed, so that the solution holds its own: the front ends (batch,
    // sweep, evaporation, the Python package), which note a water beyond the
    // model's range as such. The limit still holds on the way there, where
    // it keeps the coefficients of wild steps out of the iteration: 2000
    // seawater variants balanced on Cl- all converge with it, 371 fail
    // without it.
    everyMolality,
};

class ActivityModel {
public:
    virtual ~ActivityModel() = default;

    // Once per run, after the species of the run are read. A model may turn
    // the species' own parameters into its own (the B-dot model replaces the
    // database's ion sizes by effective ones).
    virtual void setUp(SpeciesTable& sp, const ActivityConditions& at) = 0;

    // Every loop: from the current molalities and totals, the ionic
    // strengths, every activity coefficient (sp[i].gamma), the activity of
    // water (sp[WATER_SLOT].gamma) and the osmotic coefficient, and whether
    // they can be those of a water (values.unusable). `values` holds those
    // of the last refresh on entry.
    virtual void refresh(SpeciesTable& sp, const WaterComposition& water, ActivityValues& values) = 0;

    // Above this molality of any species the model is far outside its range:
    // a loop of the iteration that reaches it keeps the coefficients of the
    // loop before rather than refresh them (infinite: every loop refreshes
    // them).
    virtual double highestRefreshedMolality() const = 0;

    // What a solve does with a solution above that molality (the reach the
    // model was made with, ActivityModelSource::reach).
    virtual RefreshReach reach() const = 0;

    // No free molality of a component (water aside) may exceed this: a
    // Newton step of the iteration that would take one above it is refused,
    // and the joint solve bounds its unknowns by it. It marks a water far
    // outside any the model describes, and keeps a wild step from being
    // taken as the next starting point.
    virtual double highestComponentMolality() const = 0;

    // The rounding the iteration allows for in a balance: a residual within
    // this fraction of the amounts the balance sums without their signs
    // counts as converged, whatever its tolerance. A tolerance relative to a
    // balance's total asks for more than double precision can give where
    // the total is a small difference of large amounts: the H+ total of an
    // unbuffered brine (a few 1e-17 mol beside 1e-6 mol of H+ and OH-), or
    // a charge balance on H+ against 30 equivalents of Ca++ and Cl-, whose
    // molalities are themselves resolved to no better than 1e-15 mol/kg.
    // 0: the tolerances as the run input and the charge balance set them.
    virtual double balanceResolution() const = 0;

    // A model of the same kind and data, not yet set up: a front end reads a
    // model's data once and gives every water a copy of its own.
    virtual std::unique_ptr<ActivityModel> clone() const = 0;

    // The model's name in the registry ("b-dot", "pitzer"), as the records
    // write it.
    virtual std::string_view name() const = 0;

    // The files the model read its data from (beside the database), which a
    // front end's outputs may never replace.
    virtual std::vector<std::string> dataFiles() const { return {}; }

    // After the run: one line when the solved water lies beyond the range the
    // model's data were fitted to (computed, but doubtful); empty otherwise.
    virtual std::string rangeNote(const ActivityValues& values) const;

    // The convention of the model's single-ion activity coefficients, and so
    // of the pH it takes and reports, by its name (phScaleName): the
    // Pitzer model's, chosen when it is made; empty for a model whose
    // coefficients are its own equation's, with no convention to choose
    // (B-dot: each ion's extended Debye-Hueckel term).
    virtual std::string_view phScale() const { return {}; }
};

// The pH scale of a model whose single-ion activity coefficients rest on a
// convention: only electroneutral combinations of them are measurable.
// macInnes: every ion's coefficient rescaled by the factor that makes
// gamma(Cl-) the mean activity coefficient of KCl at the solution's ionic
// strength (MacInnes 1919, J. Am. Chem. Soc. 41, 1086-1092), the scale of
// a pH measured against NBS buffers in a brine and the default of the
// peers; free: the coefficients as the model's equations give them.
enum class PhScale { macInnes, free };

// The default pH scale, by its name.
inline constexpr std::string_view DEFAULT_PH_SCALE = "macinnes";

// The scale named `name` ("macinnes", "free"), or none.
std::optional<PhScale> phScaleNamed(std::string_view name);
std::string_view phScaleName(PhScale scale);

// The line that refuses an unknown name: "--ph-scale nbs: no such pH scale
// (there are: macinnes, free)".
std::string unknownPhScale(std::string_view name);

// Where a model finds its own data (a model's data stand beside the database
// they belong to: a Pitzer data set beside its LOGKDATA.KDB), and its reach.
struct ActivityModelSource {
    std::string databasePath;
    RefreshReach reach = RefreshReach::modelLimit;
    PhScale phScale = PhScale::macInnes;  // a model without a convention to choose ignores it
};

using ActivityModelFactory = std::unique_ptr<ActivityModel> (*)(const ActivityModelSource& source);

// The range of validity a record's note checks: above this stoichiometric
// ionic strength (mol/kg) a front end's record notes the water as beyond
// the model's range, the bound taken from `source`. Infinite for a model
// whose own data state their range, which it notes itself (rangeNote: the
// IONIC_STRENGTH line of a Pitzer data set).
struct ActivityModelRange {
    double stoichIonicStrength = std::numeric_limits<double>::infinity();
    std::string_view source;
};

// What the conformance test of every registered model
// (tests/activity/activity_conformance_test.cpp) may hold a model to beyond
// what every model obeys (the Debye-Hueckel limiting slope in dilute waters,
// a(H2O) <= 1 there, a copy that computes as the model does).
struct ActivityModelClaims {
    // Every ion's coefficient tends to 1 at infinite dilution, the reference
    // state of the molality scale: log gamma is the limiting law itself.
    bool unitAtInfiniteDilution = true;
    // The activity of water and the coefficients derive from one excess
    // Gibbs energy, so they obey the Gibbs-Duhem relation
    // d ln a(H2O) = -(1/55.50825) sum m_i d ln a_i.
    bool gibbsDuhem = true;
};

// A model's line in the registry: every fact of it that the rest of the
// program asks for by its name.
struct ActivityModelEntry {
    std::string_view name;   // as --activity and the records name it
    std::string_view title;  // as a sentence names it: "the B-dot model"
    ActivityModelFactory make;
    // The database a front end uses when none is named: the console
    // program's LOGKDATA.KDB (its folder's, else the installed one), or a
    // data set of the program's own, relative to the data it installs and to
    // examples/ of the source tree (pitzer/LOGKDATA.KDB).
    std::string_view defaultDatabase;
    ActivityModelRange range;
    std::string_view description;  // after its name in the help of --activity
    ActivityModelClaims claims;
};

// The model of every run unless another is chosen.
inline constexpr std::string_view DEFAULT_ACTIVITY_MODEL = "b-dot";

// Every model, in the order of the registry.
std::span<const ActivityModelEntry> activityModels();

// The registry's line of the model named `name`, or null.
const ActivityModelEntry* activityModelNamed(std::string_view name);

// The models as the help of --activity offers them: "b-dot for ..., or
// pitzer for ...".
std::string activityModelChoices();

// The model named `name`, made from `source`; null for a name the registry
// does not hold. A model whose data cannot be read stops the program.
std::unique_ptr<ActivityModel> makeActivityModel(std::string_view name, const ActivityModelSource& source = {});

// Why the activity coefficients and the activity of water in `sp`, as the
// model (`model`, as a message names it) left them, cannot be those of any water: one that is
// not a finite number, or one beyond USABLE_ACTIVITY_LIMIT or below its
// inverse (zero and negative values included); the first in slot order.
// Empty when every one can.
std::string unusableActivities(const SpeciesTable& sp, std::string_view model);

// The bound of unusableActivities. No water has an activity coefficient or
// an activity of water beyond fifteen decades of 1: the strongest brines the
// Pitzer data take, far beyond the ionic strength they were fitted to
// (CaCl2 of 9.5 mol/kg at 150 C, LiCl of 19 mol/kg at 25 C), give 1e-9
// (SO4-- at trace) to 3e4 (Mg++ at trace), and a(H2O) 0.01. Beyond it lie
// parameters no water obeys: a beta(0) of NaCl of 10 kg/mol instead of
// 0.075 gives gamma(Na+) 5e25 in a halite brine.
inline constexpr double USABLE_ACTIVITY_LIMIT = 1e15;

// Is = 1/2 sum (Mtot/kgw) z^2 over the components other than H+ and water:
// the ionic strength of the water's salts as analysed, whatever their
// speciation.
double stoichiometricIonicStrength(const WaterComposition& water, const SpeciesTable& sp);

}  // namespace wq
