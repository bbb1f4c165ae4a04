// A run with a redox state: dissolved oxygen (O2,aq, database number 31) as
// the carrier of the electrons, and each element with a redox pair of
// components distributed over its two oxidation states.
//
// The database carries Fe, S, N and As as two components each (Fe++ and
// Fe+++, HS- and SO4--, NH4+ and NO3-, HAsO2,aq and H2AsO4-), each with the
// species of its own oxidation state, and lists after its minerals one
// reaction per pair between the two members, written on O2,aq:
//     oxidized = reduced + a H+ + b H2O + c O2,aq        log K
// (Fe+++ + 0.5 H2O = Fe++ + H+ + 0.25 O2,aq). With a redox state, O2,aq is a
// component of the run (added when the analysis does not name it, with the
// other member of every pair of which the analysis names one), and the joint
// solve takes, for each coupled pair,
//   - in the row of the reduced member: the balance of the element, both
//     members and every species holding either, against the two totals
//     given (so the element's total is conserved, whichever state the
//     analysis gave it in);
//   - in the row of the oxidized member: the pair's mass action, which
//     writes the oxidized member, and so every species written on it, on the
//     reduced member, H+, H2O and O2,aq with the pair's log K. This is the
//     basis switch of the oxidized member onto the reduced one, carried as a
//     row so that the component positions, and each member's own total in
//     the results, stay as they are;
// and in the row of O2,aq the state: a fixed pe (from an Eh through
// pe = F Eh / (RT ln 10)) through the electron's reaction; a fixed log a(O2,aq)
// from a log fO2 through O2(g) = O2,aq; the mass balance of the O2,aq total
// the analysis gives (dissolved oxygen); or, for a couple whose two totals
// are both given, that couple's mass action (both members then keep their
// own mass balances, and the couple fixes the O2,aq activity).
//
// A pair kept decoupled keeps the two mass balances it has without a redox
// state; manganese and uranium have one component each here (Mn++, UO2++) and
// their other oxidation states are species written on O2,aq already, so a
// fixed O2,aq distributes them by the mass action alone.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "input/database.hpp"
#include "input/redox_couples.hpp"
#include "input/redox_options.hpp"
#include "solver/redox_state.hpp"

namespace wq {

struct SolverState;
struct JointSystem;

// Before the run reads its species: with a redox state, O2,aq and the other
// member of each pair of which the analysis names one become components
// (total 0). Stops with a clear line when the state cannot be taken (the
// database lists no couples; an unknown couple, or one of a decoupled
// element; a couple whose two totals are not both given; dissolved oxygen
// without an O2,aq total).
void addRedoxComponents(SolverState& prog);

// What the run leaves out by the choices: the user's names, and with a redox
// state the species that would tie a decoupled element to it.
RunLeaveOut runLeaveOut(const SolverState& prog);

// After the species (and minerals) are read: the couples at the run's T and
// P, the pairs of the run, and starting molalities of O2,aq and of each
// coupled pair's members near the state. Stops when a member of a coupled
// pair carries the charge balance, a fixed activity or a forced mineral.
void setUpRedox(SolverState& prog);

// The rows of the redox state in the joint system (redox_run.hpp above).
void applyRedoxRows(const SolverState& prog, JointSystem& sys);

// The pe of the water as it stands (through the electron's reaction), and
// the log a(O2,aq) at which a pair of the run is in equilibrium.
double waterPe(const SolverState& prog);
double pairLogOxygen(const SolverState& prog, const RedoxPair& pair);
// The pe that a log a(O2,aq) stands for in the water as it stands.
double peOfLogOxygen(const SolverState& prog, double logO2);

// The Eh (V) at which the methane-carbonate couple of the database is in
// equilibrium with a water that carries both CH4,aq and HCO3- (of any run,
// with or without a redox state); nullopt when either is missing or the
// database lists no such couple.
std::optional<double> methaneCarbonateEh(const SolverState& prog);

}  // namespace wq
