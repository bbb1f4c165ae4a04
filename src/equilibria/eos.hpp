// Fugacity coefficients in H2O-CO2-NaCl fluids.
//
// The modified Redlich-Kwong equation of state of Bowers & Helgeson (1983,
// Geochim. Cosmochim. Acta 47, 1247-1275): water and dissolved NaCl are lumped
// into one pseudo-component whose co-volume and attraction depend on its
// salinity in weight percent NaCl, and CO2 is the second constituent. Above
// 350 degC the activity coefficient of dissolved CO2 and the activity of water
// are ratios of these coefficients.
//
// Units: cm3, atm, K, mol.
#pragma once

namespace wq {

// Mole fractions of the three constituents.
struct FluidComposition {
    double xCO2;
    double xH2O;
    double xNaCl;
};

// Fugacity coefficients of the three constituents, in the same order.
struct FugacityCoefficients {
    double co2;
    double h2o;
    double nacl;
};

// Compressibility factor z of the Redlich-Kwong equation
//   z^3 - z^2 + (A - B - B^2) z - A B = 0,  B = p * bPrime,  A = aPrime * B,
// taken as the largest real root, solved in closed form. The temperature is
// part of the classic argument list but does not enter. A non-positive aPrime
// is replaced by 0.001, in the caller's variable as well (redkw).
void redlichKwongCompressibility(double t, double p, double bPrime, double& aPrime, double& z);

// Fugacity coefficients at temperature tK (K) and pressure pAtm (atm) of a
// fluid of composition x, by the mixing rules of Bowers & Helgeson (1983)
// (trkmix).
FugacityCoefficients mixedFluidFugacityCoefficients(double tK, double pAtm, const FluidComposition& x);

}  // namespace wq
