// The Pitzer interaction parameters of a Pitzer database, read from the text
// file that stands beside its LOGKDATA.KDB (PITZER.DAT in examples/pitzer).
//
// One parameter per line: its kind, the species it couples (by their names
// in the database), then the coefficients of its temperature function
//
//   P(T) = a0 + a1 (1/T - 1/Tr) + a2 ln(T/Tr) + a3 (T - Tr)
//          + a4 (T^2 - Tr^2) + a5 (1/T^2 - 1/Tr^2),   T in K, Tr = 298.15 K,
//
// the form of the Harvie-Moller-Weare data set as extended by Appelo (2015,
// Appl. Geochem. 55, 62-71); coefficients left out are 0.
//
//   kind     species   coefficients
//   B0       2         beta(0) of a cation-anion pair, kg/mol
//   B1       2         beta(1), kg/mol
//   B2       2         beta(2), kg/mol
//   C0       2         C-phi of a cation-anion pair, (kg/mol)^2
//   THETA    2         theta of two cations or two anions, kg/mol
//   LAMBDA   2         lambda of a neutral species with an ion or a neutral species, kg/mol
//   ZETA     3         zeta of a neutral species, a cation and an anion, (kg/mol)^2
//   PSI      3         psi of two cations and an anion or two anions and a cation, (kg/mol)^2
//   ALPHAS   2         alpha1 and alpha2 of a cation-anion pair (exactly two numbers, no
//                      temperature function), in place of the model's defaults
//
// Two more lines state the range the data hold for (each once, required):
//   TEMPERATURE     t_min t_max  (deg C)
//   IONIC_STRENGTH  I_max        (mol/kg)
// Words are separated by blanks or tabs (species names may hold commas,
// "SiO2,aq"); "#" starts a comment; blank lines are passed over. The order
// of the species of a line does not matter; the same kind and species on two
// lines is an error.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace wq {

class TextFile;

enum class PitzerKind { beta0, beta1, beta2, cPhi, theta, lambda, zeta, psi, alphas };

constexpr int PITZER_COEFFICIENTS = 6;
constexpr int PITZER_MAX_SPECIES = 3;
// Reference temperature of the temperature function (K).
constexpr double PITZER_REFERENCE_KELVIN = 298.15;

struct PitzerTerm {
    PitzerKind kind = PitzerKind::beta0;
    std::array<std::string, PITZER_MAX_SPECIES> species;  // as written
    int speciesCount = 0;
    std::array<double, PITZER_COEFFICIENTS> coefficients{};  // a0..a5; ALPHAS: alpha1, alpha2
    int line = 0;                                            // line of the file
};

struct PitzerParameters {
    std::string fileName;
    std::vector<PitzerTerm> terms;  // in file order
    // The range of the data (NaN until its line is read).
    double minTemperatureC;
    double maxTemperatureC;
    double maxIonicStrength;
    PitzerParameters();
};

// The value of a parameter at tKelvin from the coefficients of its line.
double pitzerTemperatureFunction(const std::array<double, PITZER_COEFFICIENTS>& a, double tKelvin);

// Reads the whole file. A line that breaks the layout stops the program with
// "<file>, line <n>: <what>"; so does a file without a parameter or without
// either range line (at its last line), and a parameter whose temperature
// function is not a finite number over the TEMPERATURE range (at its line).
PitzerParameters readPitzerParameters(TextFile& file);
// Loads the file at `path` and reads it; a file that cannot be opened stops
// the program with "cannot open <path>: <why>".
PitzerParameters loadPitzerParameters(const std::string& path);

// The keyword of a kind as the file writes it ("B0", "THETA", ...).
const char* pitzerKindName(PitzerKind kind);

}  // namespace wq
