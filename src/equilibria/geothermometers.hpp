// The classical solute geothermometers: reservoir temperatures from the
// silica content or the ratio of two cations of a sampled geothermal water,
// each calibrated against a mineral equilibrium that fixes it at depth.
// Concentrations are in mg per kg of water (solution, for these dilute
// waters), temperatures in deg C.
#pragma once

#include <string_view>
#include <vector>

namespace wq {

struct GeothermometerReading {
    std::string_view name;   // short label, as written on an output line
    double temperature = 0.0;  // deg C; NaN when the inputs give none
    double validFrom = 0.0;    // the calibration's range of use (deg C)
    double validTo = 0.0;
    bool inRange() const { return temperature >= validFrom && temperature <= validTo; }
};

// Quartz solubility, conductive cooling (no steam loss): Fournier (1977),
// Geothermics 5, 41-50: t = 1309 / (5.19 - log SiO2) - 273.15, 0-250 C.
GeothermometerReading quartzNoSteamLoss(double silicaMgKg);

// Quartz, maximum steam loss (adiabatic boiling to 100 C): Fournier (1977):
// t = 1522 / (5.75 - log SiO2) - 273.15, 0-250 C.
GeothermometerReading quartzSteamLoss(double silicaMgKg);

// Chalcedony, conductive cooling: Fournier (1977):
// t = 1032 / (4.69 - log SiO2) - 273.15, 0-250 C.
GeothermometerReading chalcedony(double silicaMgKg);

// Na/K, albite-K-feldspar exchange: Giggenbach (1988), Geochim. Cosmochim.
// Acta 52, 2749-2765: t = 1390 / (1.75 + log(Na/K)) - 273.15, Na and K in
// mg/kg; slow to re-equilibrate, so it reads the deep reservoir: 180-350 C.
GeothermometerReading naK(double sodiumMgKg, double potassiumMgKg);

// K/Mg, K-feldspar-muscovite-clinochlore: Giggenbach (1988):
// t = 4410 / (14.0 - log(K^2/Mg)) - 273.15, K and Mg in mg/kg; quick to
// re-equilibrate, so it reads the shallower, cooler part of the path: 50-300 C.
GeothermometerReading kMg(double potassiumMgKg, double magnesiumMgKg);

// Every classical geothermometer the analysis allows, in the order above
// (a constituent given as 0 or below leaves out those that need it).
std::vector<GeothermometerReading> classicalGeothermometers(double silicaMgKg, double sodiumMgKg,
                                                            double potassiumMgKg, double magnesiumMgKg);

}  // namespace wq
