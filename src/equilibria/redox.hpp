// Redox potential of a solved water and the Na-K-Ca geothermometer.
#pragma once

namespace wq {

// Eh (V) from the sulfide-sulfate couple HS- + 4 H2O = SO4-- + 9 H+ + 8 e-,
// given the activities of H+, water, SO4-- and HS- at tC (degC), by the
// Nernst equation (eeh).
double ehFromSulfideSulfate(double aH, double aW, double aSO4, double aHS, double tC);

// Eh (V) from the oxygen couple H2O = 1/2 O2(aq) + 2 H+ + 2 e-, given the
// activities of H+, water and O2(aq) at tC (degC) (eeh1).
double ehFromOxygen(double aH, double aW, double aO2, double tC);

// Na-K-Ca source temperature (degC) of Fournier & Truesdell (1973, Geochim.
// Cosmochim. Acta 37, 1255-1275) from the total molalities of Ca, K and Na
// (geoth).
double naKCaSourceTemperature(double mCa, double mK, double mNa);

}  // namespace wq
