// The mass a laboratory's unit counts: an element's standard atomic weight,
// the atoms of a formula ("H2AsO4-", "B(OH)3,aq") and the grams per mole of
// a component that a mass "as N", "as SiO2" or "as CaCO3" stands for.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace wq {

// The standard atomic weight of the element `symbol` (case as written:
// "Co", not "CO"), g/mol; 0 for a symbol the table does not hold.
double atomicWeight(std::string_view symbol);

// The atoms of each element in `formula`, a species name as a database
// writes it: the charge signs and what follows a comma (",aq") are not
// part of it. nullopt when it cannot be read as a formula.
std::optional<std::map<std::string, int>> formulaAtoms(std::string_view formula);

// Grams of `substance` (an element, "SiO2", "NO3", ..., or "CaCO3") that a
// mass unit "as `substance`" counts per mole of the component `component`
// (its formula and charge): an element, its atomic weight times its atoms in
// the component; a formula, its mass per atom of its one element besides H
// and O, times that element's atoms in the component; CaCO3, the
// equivalents of the component (100.0869 / 2 g per equivalent, calcite
// taking two protons). nullopt with `why` when the component holds none of it.
std::optional<double> gramsPerMoleAs(std::string_view substance, std::string_view component, double charge,
                                     std::string& why);

}  // namespace wq
