// Redox potential of a solved water and the Na-K-Ca geothermometer.
#pragma once

namespace wq {

// Eh (V) from the sulfide-sulfate couple HS- + 4 H2O = SO4-- + 9 H+ + 8 e-,
// given the activities of H+, water, SO4-- and HS- at tC (degC).
double eeh(double aH, double aW, double aSO4, double aHS, double tC);

// Eh (V) from the oxygen couple H2O = 1/2 O2(aq) + 2 H+ + 2 e-, given the
// activities of H+, water and O2(aq) at tC (degC).
double eeh1(double aH, double aW, double aO2, double tC);

// Na-K-Ca source temperature (degC) of Fournier & Truesdell (1973) from the
// total molalities of Ca, K and Na.
double geoth(double mCa, double mK, double mNa);

}  // namespace wq
