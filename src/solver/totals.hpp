// What the current speciation holds: the totals that are results of the
// iteration, the charge, the activities and the activity coefficients.
// The iteration and the joint solve both keep the state with these.
#pragma once

namespace wq {

struct SolverState;
class ComponentTerms;

// True when the run holds the pH fixed.
bool pHFixed(const SolverState& prog);

// The component whose total follows from a given alkalinity (the carbonate
// component); 0 when the run gives none.
int alkalinityComponent(const SolverState& prog);

// The total of component i that the current speciation holds,
// kgw (m(i) + sum_s nu_si m(s)), nu_si from the first term of s naming i.
double heldTotal(const SolverState& prog, int i);
// The same total from `terms`, the species naming each component listed once
// (ComponentTerms), without a search through every species.
double heldTotal(const SolverState& prog, int i, const ComponentTerms& terms);

// Net charge of the current speciation in moles: H+ counts +1, water is left
// out, every other species counts with its charge.
double chargeImbalance(const SolverState& prog);

// Totals of the components held by a forced mineral: what the current
// speciation holds, kgw (m(q) + sum_s nu_sq m(s)).
void recomputeForcedTotals(SolverState& prog);

// Totals of the components fixed by pH, activity or alkalinity, likewise.
void recomputeFixedTotals(SolverState& prog);

// activity = gamma m of every species (H+ keeps 10^-pH when the pH is fixed);
// true when some molality is above the model's highestRefreshedMolality
// (7 mol/kg for B-dot), where the model is far outside its range and a loop
// keeps the coefficients it has; never once the solve refreshes every
// molality (RunState::refreshEveryMolality).
bool refreshActivities(SolverState& prog);

// The ionic strength, every activity coefficient and the activity of water
// from the current molalities and totals, by the run's activity model.
void refreshGammas(SolverState& prog);

}  // namespace wq
