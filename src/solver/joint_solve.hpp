// The joint Newton solve of the speciation.
//
// The iteration (newton.cpp) moves the total of the charge-balance component
// outside its Newton step, loop after loop, and gives up when a correction
// would leave that total negative. Where the balance and forced minerals pull
// against each other (a pH computed from electroneutrality with aluminosilicate
// equilibria) it oscillates; where its starting values are far from neutral it
// stops before the speciation exists. The joint solve takes every condition of
// the water as one equation of a single Newton system, electroneutrality
// included.
//
// Unknowns u (one per component): ln m(i) of every component i but water, and
// ln kgw in the slot of water (i = 2); logarithms keep every molality positive
// and make a step a factor. Equations, one per component, chosen in the order
// the iteration chooses them:
//   fixed pH           log10 a(H+) + pH = 0
//   fixed activity     log10 a(i) - log10 a* = 0
//   alkalinity         sum_k Y_k m_k + sum_s y_s m_s = Alk/kg   (carbonate)
//   saturation         log Q - log K - target = 0 of a forced mineral, or of a
//                      gas, whose log Q - log K is its log fugacity
//   electroneutrality  m(H+) + sum_s z_s m_s = 0 over every species but
//                      water, in place of the mass balance of the
//                      charge-balance component, whose total becomes a result
//   mass balance       kgw (m(i) + sum_s nu_si m(s)) = Mtot(i), and for water
//                      kgw (55.50825 + sum_s nu_s2 m(s)) = Mtot(2)
// Each balance (the last three kinds above the log ones) is solved as
// ln P - ln N = 0, P and N its positive and negative terms (mass balance: the
// species counting the component with positive and with negative
// coefficients, the total with the latter; electroneutrality: cations and
// anions; alkalinity: species of positive and of negative factor, the
// alkalinity asked with the latter). A term that dominates its side is then
// linear in the unknowns, Newton's method crosses decades in a step instead of
// crawling down by a factor e per step from far above a solution, and every
// residual is a relative difference (or log10 units), so one tolerance holds
// for all and the norm of the residuals measures the distance from the
// solution. The secondary molalities follow from the components by mass
// action, with the same bounds as in the iteration, so both solve the same
// equations.
//
// Activity coefficients are held within a Newton step and refreshed after each
// accepted step (by the run's activity model), as the iteration refreshes them after each
// loop; a converged state satisfies every equation with its refreshed
// coefficients. Steps are bounded in ln m by a trust region on the norm of
// the residuals, Powell's dogleg between the Newton step and steepest descent
// (see newtonSolve in the source for why not a line search).
//
// Where the plain Newton solve from the starting state fails, the solve
// continues from an easier problem: the water with the molality of every
// component whose total is a result (charge balance, alkalinity, forced
// minerals) held at its starting value, solved first; then the Newton
// homotopy F(u) - (1 - t) F(u0) from that solution u0 (t = 0) to the water as
// given (t = 1), in steps that shrink where a step fails (Allgower & Georg,
// "Introduction to Numerical Continuation Methods", 1990, chapter 1).
#pragma once

#include <string>

#include "solver/joint_system.hpp"

namespace wq {

struct SolverState;

struct JointResult {
    bool solved = false;
    int iterations = 0;         // Newton iterations, every stage and probe counted
    std::string infeasibility;  // which condition cannot be met, with numbers; empty if none was shown
};

// Solves the water from the state as it stands (the run's starting state).
// Solved: the state is the solution, its result totals (charge balance,
// alkalinity, fixed pH or activity, forced minerals) and activities set as the
// iteration sets them. Not solved: the state is undefined, and the probes for
// a condition that no solution can meet have run (three kinds: an alkalinity
// below what the non-carbonate species carry with no carbonate at all; a
// charge balance that needs a negative total of its ion; a forced mineral
// whose saturation leaves the charge balance needing one).
JointResult jointSolve(SolverState& prog);

}  // namespace wq
