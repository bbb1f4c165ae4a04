// The equations of the joint solve (joint_solve.hpp): one row per component,
// in the unknowns ln m of the components and ln kgw, each a balance solved as
// ln P - ln N = 0 or an equation in log10 units; their residuals and their
// Jacobian at a state, and the bounds of the unknowns.
#pragma once

#include "solver/joint_rows.hpp"

namespace wq {

struct SolverState;
struct NewtonSystem;

// The equations of the water as the run states them.
JointSystem jointSystem(const SolverState& prog);

// The unknowns of the current state.
void jointUnknowns(const SolverState& prog, JointVector& u);

// Puts the unknowns u into the state: component molalities, kgw and the
// secondary molalities, the activity coefficients as they stand; marks the
// secondary species that the bounds of the mass-action relation hold
// (prog.storage.boundedSpecies, which jointJacobian reads).
void setJointUnknowns(SolverState& prog, const JointVector& u);

// The residual of each equation at the state set by setJointUnknowns, less its
// shift.
void jointResiduals(const SolverState& prog, const JointSystem& sys, JointVector& f);

// d f_i / d u_j at that state, activity coefficients held, into rows and
// columns 1..order of newton.a (newton.order set to order).
void jointJacobian(const SolverState& prog, const JointSystem& sys, NewtonSystem& newton);

// The first row of a kind; 0 when the system has none.
int rowOf(const JointSystem& sys, JointRow kind);

// The bounds of unknown i (ln kgw for water, ln m else): the step rules of
// the iteration, no component above the activity model's highest molality
// (10 mol/kg for B-dot), H+ not below 1e-15 (pH 15), nothing below 1e-200,
// the mass of water within six orders of a kilogram.
double lowerBound(int i);
double upperBound(const JointSystem& sys, int i);
// ln 1e-200: a component held at no amount at all.
extern const double LN_MIN_MOLALITY;

// The alkalinity the water must carry, per kg of water: the given one in
// equivalents over the given kilograms (55.50825 / Mtot(2) kg per mole, as
// in the alkalinity row of the iteration).
double alkalinityPerKg(const SolverState& prog);

// The totals that are results rather than data, as the speciation now holds
// them: the iteration's own rule for a fixed pH, activity or alkalinity, the
// total held for the rows of electroneutrality, saturation and pinned ones.
void updateResultTotals(SolverState& prog, const JointSystem& sys);

// At the solution: the members of each coupled redox pair take their own
// oxidation state's amounts as their totals (the two add up to the element's
// total that the balance held). Not during the solve, whose balance is of
// the totals as given.
void splitElementTotals(SolverState& prog, const JointSystem& sys);

}  // namespace wq
