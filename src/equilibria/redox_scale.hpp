// The redox scales of a water: Eh (V), pe, and the activity of dissolved
// oxygen, which carries the electrons of the database's redox couples.
//
// The database writes the electron on its components, as the water-oxygen
// couple 2 H2O = O2,aq + 4 H+ + 4 e- taken per electron,
//     e- = 0.5 H2O - H+ - 0.25 O2,aq,        log K(e-)
// with the Gibbs energies of e- and H+ zero (the standard hydrogen
// electrode). With pe = -log a(e-), mass action gives
//     pe = log K(e-) - 0.5 log a(H2O) + log a(H+) + 0.25 log a(O2,aq),
// so a pe (or an Eh) and the activity of O2,aq say the same thing, and each
// redox couple (oxidized member = reduced member + ... + c O2,aq) has the
// O2,aq activity, and so the Eh, at which its two members are in equilibrium.
#pragma once

namespace wq {

// RT ln 10 / F in volts at tC (degC): 0.05916 V at 25 C.
double nernstSlope(double tC);

// pe = F Eh / (RT ln 10), and back.
double peFromEh(double eh, double tC);
double ehFromPe(double pe, double tC);

// pe of a water from log a(O2,aq), with the electron's log K and the log
// activities of H+ and water; and the log a(O2,aq) of a pe.
double peFromLogOxygen(double logO2, double logKElectron, double logAH, double logAW);
double logOxygenFromPe(double pe, double logKElectron, double logAH, double logAW);

// log a(O2,aq) in equilibrium with oxygen gas of fugacity f (bar), through
// O2(g) = O2,aq with log K = log a(O2,aq) - log f.
double logOxygenFromLogFugacity(double logFO2, double logKGas);

// The log a(O2,aq) at which a couple is in equilibrium: its reaction
// oxidized = sum nu_j C_j with log K = sum nu_j log a(C_j) - log a(oxidized),
// given log a(oxidized), the sum of nu_j log a(C_j) over every term but
// O2,aq, and the coefficient of O2,aq (not 0).
double logOxygenOfCouple(double logK, double logAOxidized, double otherTerms, double oxygenCoefficient);

}  // namespace wq
