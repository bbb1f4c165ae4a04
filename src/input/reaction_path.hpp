// A reaction path as values: the starting water (a run input) and the steps
// that change it one after another, read from a TOML path file
// (docs/reaction-paths.md lists its keys). Every value keeps the line of the
// file it came from, so that a fault found later (a mineral the database
// does not know) is named where the file has it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace wq {

// A name of the path file with its number: a component or species and its
// moles per mole of reactant, a mineral and its target log Q/K, a gas and
// its log fugacity, a variable and the value a step stops past.
struct NamedValue {
    std::string name;
    double value = 0.0;
    int line = 0;
};

enum class StepKind { mix, add, equilibrate, temperature, boil, evaporate };

// What becomes of the minerals a step precipitates: they stay in contact
// with the water and may dissolve again (equilibrium), or leave it after
// each record (fractional); an evaporate step may also precipitate none.
enum class Precipitation { equilibrium, fractional, none };

// The water mixed with another, in each of `fractions` (of the other
// water's mass of water in the mixture's, 0 to 1): one record each.
struct MixStep {
    std::string with;  // the other water's run input, as the file names it
    std::string withPath;  // it, from the path file's folder
    std::vector<double> fractions;
};

// Where an add step stops: the pH, a mineral's log Q/K or a gas's log
// fugacity (bar) at or past `target.value` (`target.name`: the mineral or
// gas; "pH" for the pH).
enum class UntilKind { pH, saturationIndex, logFugacity };
struct Until {
    UntilKind kind = UntilKind::pH;
    NamedValue target;
};

// A reactant added in equal increments up to `amount` (mol per kg of the
// starting water), stopped at the first increment past `until`. The
// reactant is a table of components, or the name of a component, species,
// mineral or gas of the database (its reaction gives the components), or
// "H2O" (water added: a dilution).
struct AddStep {
    std::vector<NamedValue> reactant;  // component names, moles per mole of reactant
    std::optional<NamedValue> named;   // the reactant by its name (value unused)
    double amount = 0.0;
    int increments = 1;
    std::optional<Until> until;
};

// Minerals brought to a target log Q/K and gases to a fixed log fugacity,
// by the moles that dissolve or precipitate (the amount available infinite).
struct EquilibrateStep {
    std::vector<NamedValue> minerals;
    std::vector<NamedValue> gases;
};

// From `from` to `to` C in `steps` equal steps, a record at each.
struct TemperatureStep {
    double from = 25.0, to = 25.0;
    int steps = 1;
    bool keepEquilibrium = true;  // the phases of the equilibrate before it held
};

// Adiabatic boiling from `from` to `to` C in `steps` equal stages, the
// steam of each stage removed (open) or kept with the liquid to the end of
// the step (closed), where it leaves as from a separator.
struct BoilStep {
    double from = 250.0, to = 100.0;
    int steps = 1;
    bool open = true;
};

// Water taken away to concentration factor `to` (the water's mass at the
// step's start over the mass left) in `steps` equal steps of ln F, the
// minerals named (none: every mineral of the run) precipitating as the
// step's `precipitate` says.
struct EvaporateStep {
    double to = 1.0;
    int steps = 100;
    std::vector<NamedValue> minerals;  // names (value unused)
};

struct PathStep {
    StepKind kind = StepKind::mix;
    int line = 0;
    Precipitation precipitate = Precipitation::equilibrium;
    MixStep mix;
    AddStep add;
    EquilibrateStep equilibrate;
    TemperatureStep temperature;
    BoilStep boil;
    EvaporateStep evaporate;
};

struct ReactionPath {
    std::string file;       // the path file, as given
    std::string startCase;  // the start's run input, as the file names it
    std::string startPath;  // it, from the path file's folder
    std::vector<PathStep> steps;
};

// The name of a step kind, as the path file writes it.
const char* stepKindName(StepKind kind);

// The path in `text` (the content of `file`); a fault of the file stops
// (stop(): the reason "FILE line N: what is wrong").
ReactionPath readReactionPath(const std::string& text, const std::string& file);

}  // namespace wq
