// The unsymmetrical mixing terms of the Pitzer model (Pitzer 1975, J.
// Solution Chem. 4, 249-265): E-theta and E-theta' of two ions of the same
// sign and unlike charges, from the Debye-Hueckel function J(x).
#pragma once

namespace wq {

// The Debye-Hueckel function of the unsymmetrical mixing terms, J(x), and
// its derivative dJ/dx, from the defining integral of Pitzer (1975, eq. 47),
// J(x) = (1/x) int_0^inf (1 + q + q^2/2 - e^q) y^2 dy, q = -(x/y) e^(-y).
// pitzerJIntegral evaluates the integral (composite Gauss-Legendre, relative
// accuracy about 1e-9 from x = 1e-8 to 1e3, some 20 microseconds); pitzerJ,
// used by the model, a table of Chebyshev series fitted to it once (1e-12 of
// the integral, a fraction of a microsecond), and the integral outside it.
struct JValue {
    double j = 0.0;
    double dj = 0.0;  // dJ/dx
};
JValue pitzerJIntegral(double x);
JValue pitzerJ(double x);

// The unsymmetrical mixing terms of two ions of the same sign with charges
// zi and zj at ionic strength I (Pitzer 1975; HMW eqs. A2-A3):
//   E-theta  = zi zj / (4 I) [J(xij) - J(xii)/2 - J(xjj)/2],
//   E-theta' = -E-theta / I + zi zj / (8 I^2) [xij J'(xij) - xii J'(xii)/2 - xjj J'(xjj)/2],
// xij = 6 zi zj A-phi sqrt(I). Both are 0 for equal charges and below
// I = 1e-20 mol/kg.
struct ETheta {
    double value = 0.0;
    double derivative = 0.0;  // d E-theta / dI
};
ETheta eTheta(double zi, double zj, double ionicStrength, double aPhi);

}  // namespace wq
