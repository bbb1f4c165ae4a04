// The names of a reaction path's steps in the run of its starting water: a
// component, species, mineral or gas of the database, each with its
// components, so that a reactant named "HCl" adds what the reaction of
// HCl,aq holds (a mole of H+ and of Cl-), "Calcite" what its dissolution
// gives, "CO2(g)" a mole of HCO3- and of H+.
#pragma once

#include <string>

#include "input/reaction_path.hpp"
#include "run/mineral_amounts.hpp"

namespace wq {

struct SolverState;

// The run position of the component `name` (as the database writes it); 0: none.
int componentNamed(const SolverState& p, const std::string& name);

// What a mole of an add step's reactant brings to the water: its components
// by run position (water left out) and its water (kg per mole: H2O is the
// water itself), with the name its column shows.
struct ReactantComponents {
    std::string name;
    Stoichiometry nu;
    double waterKg = 0.0;
    bool found = false;
};

// The reactant of `a` in the run of `p`: a table of components, or the name
// of a component, an aqueous species ("HCl" also as "HCl,aq"), a mineral, a
// gas, or H2O; `found` false when the run has no such name.
ReactantComponents reactantComponents(const SolverState& p, const AddStep& a);

// Every name of the path's steps (a component, a reactant, a mineral, a gas)
// is one of the computed starting water's in `p`; stops with the file and
// line of the first that is not.
void checkPathNames(const SolverState& p, const ReactionPath& path);

}  // namespace wq
