// Substitute Newton equations for a component whose total is a result rather
// than an input: a fixed pH (row 1), a fixed activity of one component, and a
// given alkalinity (the row of the carbonate component).
//
// Each routine writes the residual F(r) and row r of the Jacobian of the
// NewtonSystem. Column k is the derivative with respect to the unknown of
// component k: the free molality m(k), except for k = 2, whose unknown is the
// mass of water kgw.
#pragma once

#include "input/tables.hpp"
#include "linear/newton_system.hpp"

namespace wq {

// Fixed pH: a(H+) = gamma(1) m(1) = 10^-pH.
//     F(1) = 10^-pH - gamma(1) m(1),  A(1,1) = -gamma(1),  A(1,k) = 0 otherwise.
// (hoh)
void fixedPHRow(NewtonSystem& newton, const SpeciesTable& sp, int nc, double pH);

// Fixed activity a* of component r:
//     F(r) = a* - gamma(r) m(r),  A(r,r) = -gamma(r),  A(r,k) = 0 otherwise.
// (hoh1)
void fixedActivityRow(NewtonSystem& newton, const SpeciesTable& sp, int nc, int r, double fixedActivity);

// Alkalinity (row r of the carbonate component): the alkalinity carried by the
// components and the secondary species equals the given one,
//     F(r) = sum_k Y(k) kgw m(k) + sum_i y(i) kgw m_i - Alk kgw 55.50825 / Mtot(2),
// where Alk is the alkalinity in equivalents (per kg times the given mass of
// water) and Mtot(2) the moles of water, so Alk 55.50825 / Mtot(2) is the
// alkalinity per kg of the given water. The m_i come from the mass-action
// relation without its bounds. Entries of row r that no term touches keep
// what the assembly put there (kgw on the diagonal, 0 elsewhere). (enriqu)
void alkalinityRow(NewtonSystem& newton, const SpeciesTable& sp, int nc, int r, const ComponentTable& comp,
                   double alkalinity, double kgw);

}  // namespace wq
