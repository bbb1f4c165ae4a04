#include "run/water_quality.hpp"

#include <cmath>
#include <limits>
#include <vector>

#include "input/db_numbers.hpp"
#include "solver/solver_state.hpp"

namespace wq {
namespace {

struct TracerDiffusion {
    std::string_view species;  // as the database names it
    double coefficient;        // m2/s, 25 C, infinite dilution
};

// Tracer diffusion coefficients of ions at 25 C and infinite dilution, m2/s:
// the -dw values of the PHREEQC database pitzer.dat (Appelo 2017, Cement and
// Concrete Research 101, 102-113, and the sources named there), and for NO3-,
// F- and NH4+, which that file does not hold, the Nernst-Einstein
// D = R T lambda / (z^2 F^2) of the limiting ionic conductances of Robinson &
// Stokes (1959, Electrolyte Solutions, 2nd ed., Appendix 6.2: 71.46, 55.4 and
// 73.55 S cm2/mol).
constexpr TracerDiffusion TRACER_DIFFUSION[] = {
    {"H+", 9.31e-9},      {"Li+", 1.03e-9},    {"Na+", 1.33e-9},    {"K+", 1.96e-9},
    {"NH4+", 1.96e-9},    {"Mg++", 0.705e-9},  {"Ca++", 0.792e-9},  {"Sr++", 0.794e-9},
    {"Ba++", 0.848e-9},   {"Mn++", 0.688e-9},  {"Fe++", 0.719e-9},  {"OH-", 5.27e-9},
    {"Cl-", 2.033e-9},    {"Br-", 2.09e-9},    {"F-", 1.475e-9},    {"NO3-", 1.90e-9},
    {"HCO3-", 1.18e-9},   {"CO3--", 0.955e-9}, {"SO4--", 1.07e-9},  {"HSO4-", 0.731e-9},
};

// F^2 / (R T) at 25 C, with the CODATA 2018 Faraday and gas constants
// (96485.33212 C/mol, 8.314462618 J/(mol K)): S s/mol, so that with D in
// m2/s and c in mol/m3 the sum gives S/m.
constexpr double FARADAY = 96485.33212;
constexpr double GAS_CONSTANT = 8.314462618;
constexpr double KELVIN_25C = 298.15;
constexpr double FARADAY_SQUARED_OVER_RT = FARADAY * FARADAY / (GAS_CONSTANT * KELVIN_25C);
constexpr double MICROSIEMENS_PER_CM_IN_SIEMENS_PER_M = 1e4;

// The density of pure water at 25 C and 1 bar, kg/L (IAPWS-95, Wagner &
// Pruss 2002, J. Phys. Chem. Ref. Data 31, 387). The model computes no
// density of a solution, so a water's litre is taken as the volume of its
// water, the solutes' own volume left out: the same within 0.1 % below 1 g/L
// of solutes, about 1 % more concentrated than it is in seawater.
constexpr double WATER_DENSITY_25C = 0.997047;

// The mass fraction of NaCl up to which Batzle & Wang's fit has data, and
// the pressure of a laboratory's density (1.01325 bar).
constexpr double MOST_NACL_MASS_FRACTION = 0.32;
constexpr double MEGAPASCALS_AT_ONE_ATMOSPHERE = 0.101325;

// Evaporation turns bicarbonate into carbonate, 2 HCO3- -> CO3-- + CO2 + H2O:
// what is left of a milligram of HCO3 (Hem 1985, USGS Water-Supply Paper 2254).
constexpr double CARBONATE_LEFT_OF_BICARBONATE = 0.4917;

// Hardness is counted as CaCO3, g/mol (IUPAC standard atomic weights).
constexpr double CACO3_FORMULA_WEIGHT = 100.0869;

// The exponent of gamma in the ionic-strength correction of a diffusion
// coefficient, D = Dw gamma^alpha: 0.6 / sqrt|z| up to I = 0.36 |z|, sqrt(I) / |z|
// above it (the two meet there), as PHREEQC's specific conductance takes it
// (Parkhurst & Appelo 2013, USGS Techniques and Methods 6-A43; Appelo 2017).
double gammaExponent(double charge, double ionicStrength) {
    const double z = std::fabs(charge);
    return ionicStrength < 0.36 * z ? 0.6 / std::sqrt(z) : std::sqrt(ionicStrength) / z;
}

bool holdsComponent(const Species& species, int component) {
    for (int t = 1; t <= species.itot; ++t)
        if (species.comp[t] == component) return true;
    return false;
}

// The alkalinity carbonate carries, eq/kg water: every species that holds
// the carbonate component counted by its alkalinity factor (HCO3- 1, CO3--
// 2, CO2,aq 0, the pairs and complexes by theirs).
double carbonateAlkalinity(const SolverState& s) {
    const int carbonate = s.map.position(db::CARBONATE);
    if (carbonate == 0) return 0.0;
    double equivalents = s.sp[carbonate].alkFactor * s.sp[carbonate].molality;
    for (int i = s.comp.count + 1; i <= s.sp.count; ++i)
        if (holdsComponent(s.sp[i], carbonate)) equivalents += s.sp[i].alkFactor * s.sp[i].molality;
    return equivalents;
}

// Milligrams of solutes per kg of water that evaporation to dryness leaves:
// every component's total by its formula weight (silica as SiO2), H+, water
// and dissolved oxygen left out, the carbonate as the carbonate of its
// alkalinity (bicarbonate times 0.4917; CO2 leaves).
double dissolvedSolidsPerKgWater(const SolverState& s) {
    const int carbonate = s.map.position(db::CARBONATE);
    const int oxygen = s.map.position(db::OXYGEN);
    double grams = 0.0;
    for (int k = 1; k <= s.comp.count; ++k) {
        if (k == HYDROGEN_SLOT || k == WATER_SLOT || k == carbonate || k == oxygen) continue;
        grams += s.sp[k].formulaWeight * s.comp[k].mtot;
    }
    grams /= s.run.kgw;
    if (carbonate != 0)
        grams += CARBONATE_LEFT_OF_BICARBONATE * s.sp[carbonate].formulaWeight * carbonateAlkalinity(s);
    return 1e3 * grams;
}

// Grams of solutes per kg of water: every component's total by its formula
// weight (carbonate as HCO3-), H+ and water left out.
double solutesPerKgWater(const SolverState& s) {
    double grams = 0.0;
    for (int k = 1; k <= s.comp.count; ++k)
        if (k != HYDROGEN_SLOT && k != WATER_SLOT) grams += s.sp[k].formulaWeight * s.comp[k].mtot;
    return grams / s.run.kgw;
}

double totalMolality(const SolverState& s, int dbNumber) {
    const int k = s.map.position(dbNumber);
    return k == 0 ? 0.0 : s.comp[k].mtot / s.run.kgw;
}

}  // namespace

double tracerDiffusionCoefficient(std::string_view species) {
    for (const TracerDiffusion& entry : TRACER_DIFFUSION)
        if (entry.species == species) return entry.coefficient;
    return 0.0;
}

namespace {

// The coefficient of the ion in a slot of the species table, as last looked
// up on this thread: the waters of a table have their ions in the same
// slots, so the list is read once per slot and thread, not once per water.
double slotCoefficient(int slot, const Name20& name) {
    struct Looked {
        Name20 name;
        double coefficient = 0.0;
        bool known = false;
    };
    thread_local std::vector<Looked> bySlot;
    const auto at = static_cast<std::size_t>(slot);
    if (bySlot.size() <= at) bySlot.resize(at + 1);
    Looked& looked = bySlot[at];
    if (!looked.known || !(looked.name == name)) looked = {name, tracerDiffusionCoefficient(name.trimmed()), true};
    return looked.coefficient;
}

}  // namespace

// Nernst-Einstein: SC = F^2 / (R T) sum z^2 D c over the ions, each
// coefficient corrected for the ionic strength with the ion's activity
// coefficient (gammaExponent). Parkhurst & Appelo (2013) give no figure of
// its accuracy; with the bundled B-dot model it gives KCl and NaCl solutions
// of 0.001-0.1 mol/L 0.3-1.5 % low and seawater 4.4 % low against their measured
// conductances (tests/app/lab_checks_test.cpp).
double specificConductance(const SpeciesTable& species, double ionicStrength) {
    double sum = 0.0;  // sum z^2 D gamma^alpha m, m2/s mol/kg
    for (int i = 1; i <= species.count; ++i) {
        const Species& s = species[i];
        if (i == WATER_SLOT || s.charge == 0.0) continue;
        const double d = slotCoefficient(i, s.name);
        if (d == 0.0) continue;
        const double corrected = d * std::pow(s.gamma, gammaExponent(s.charge, ionicStrength));
        sum += s.charge * s.charge * corrected * s.molality;
    }
    const double molPerCubicMetre = 1e3 * WATER_DENSITY_25C;  // per mol/kg water
    return MICROSIEMENS_PER_CM_IN_SIEMENS_PER_M * FARADAY_SQUARED_OVER_RT * sum * molPerCubicMetre;
}

namespace {

// The density (g/cm3) at t (C) and p (MPa) of a solution whose solutes are
// the mass fraction s of it, counted as NaCl; NaN beyond the data's 0.32.
// Batzle, M., Wang, Z. (1992) Seismic properties of pore fluids, Geophysics
// 57, 1396-1408, eqs. 27a (pure water) and 27b (NaCl solutions), fitted to
// data of 20-350 C, to 100 MPa and to a mass fraction of 0.32. A natural
// water's solutes counted as NaCl by their mass: a 1 mol/kg NaCl solution
// comes 0.2 % light at 25 C, seawater of salinity 35 0.3 % light against
// EOS-80, and chloride brines rich in Mg and Ca (the Dead Sea's) about 2 %
// light, a gram of MgCl2 or CaCl2 adding more to a litre's mass than a gram
// of NaCl (tests/app/lab_checks_test.cpp).
double brineDensity(double t, double p, double s) {
    if (!(s >= 0.0 && s <= MOST_NACL_MASS_FRACTION)) return std::numeric_limits<double>::quiet_NaN();
    const double water = 1.0 + 1e-6 * (-80.0 * t - 3.3 * t * t + 0.00175 * t * t * t + 489.0 * p - 2.0 * t * p +
                                       0.016 * t * t * p - 1.3e-5 * t * t * t * p - 0.333 * p * p - 0.002 * t * p * p);
    const double salt = 0.668 + 0.44 * s +
                        1e-6 * (300.0 * p - 2400.0 * p * s + t * (80.0 + 3.0 * t - 3300.0 * s - 13.0 * p + 47.0 * p * s));
    return water + s * salt;
}

}  // namespace

WaterQuality waterQualityOf(const SolverState& s) {
    WaterQuality q;
    q.specificConductance = specificConductance(s.sp, s.activity.ionicStrength);
    q.dissolvedSolids = WATER_DENSITY_25C * dissolvedSolidsPerKgWater(s);
    const double hardnessMolality = totalMolality(s, db::CALCIUM) + totalMolality(s, db::MAGNESIUM);
    q.hardness = WATER_DENSITY_25C * 1e3 * CACO3_FORMULA_WEIGHT * hardnessMolality;
    const double solutes = solutesPerKgWater(s);
    q.density = brineDensity(25.0, MEGAPASCALS_AT_ONE_ATMOSPHERE, solutes / (1e3 + solutes));
    return q;
}

}  // namespace wq
