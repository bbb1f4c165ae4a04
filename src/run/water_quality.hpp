// What a laboratory checks an analysis with, computed from the solved water:
// the specific conductance at 25 C, the dissolved solids by evaporation, the
// hardness and the density. A measured conductance against the calculated one, beside the
// ion balance, is the standard check of an analysis (Standard Methods for the
// Examination of Water and Wastewater, 1030 E; Hem 1985, USGS Water-Supply
// Paper 2254).
#pragma once

#include <string_view>

namespace wq {

struct SolverState;
struct SpeciesTable;

// The tracer diffusion coefficient at 25 C and infinite dilution of an
// aqueous species, by its name in the database (m2/s); 0 for a species the
// table does not hold.
double tracerDiffusionCoefficient(std::string_view species);

// The specific conductance at 25 C (uS/cm) of the solved species (their
// molalities and activity coefficients) at the true ionic strength
// `ionicStrength` (mol/kg water). Water and neutral species carry no current;
// a charged species without a diffusion coefficient is left out.
double specificConductance(const SpeciesTable& species, double ionicStrength);

// What a laboratory checks an analysis with, of the solved water.
struct WaterQuality {
    double specificConductance = 0.0;  // uS/cm at 25 C
    double dissolvedSolids = 0.0;      // mg/L, by evaporation
    double hardness = 0.0;             // mg/L as CaCO3
    double density = 0.0;              // kg/L at 25 C and 1.013 bar; NaN beyond its fit
};
WaterQuality waterQualityOf(const SolverState& state);

}  // namespace wq
