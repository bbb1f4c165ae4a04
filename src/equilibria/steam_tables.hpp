// Steam tables for the discharge of a geothermal well: the industrial
// formulation IAPWS-IF97 (Wagner et al. 2000, J. Eng. Gas Turbines Power 122,
// 150-182; IAPWS R7-97(2012), "Revised Release on the IAPWS Industrial
// Formulation 1997 for the Thermodynamic Properties of Water and Steam"),
// its regions 1 (compressed liquid, 273.15-623.15 K up to 100 MPa), 2 (steam
// up to 1073.15 K below the saturation pressure) and 4 (the saturation
// curve, 273.15 K to the critical point). Region 3 (near the critical point)
// is not implemented, so the saturated liquid and steam are available up to
// 623.15 K (350 C, 16.53 MPa), which is as hot as a well separates.
//
// Units are those of the release: K, MPa, m3/kg, kJ/kg, kJ/(kg K).
#pragma once

namespace wq {

struct WaterProperties {
    double volume = 0.0;    // m3/kg
    double enthalpy = 0.0;  // kJ/kg
    double entropy = 0.0;   // kJ/(kg K)
};

// The hottest saturation state regions 1 and 2 reach (K), and its pressure (MPa).
constexpr double IF97_SATURATION_HIGHEST_K = 623.15;
// The triple point of water (K), the lowest temperature of the saturation curve.
constexpr double WATER_TRIPLE_POINT_K = 273.16;
// The critical point of water (IAPWS).
constexpr double WATER_CRITICAL_K = 647.096;
constexpr double WATER_CRITICAL_MPA = 22.064;

// Region 1: liquid water at `kelvin` and `megapascal` (the caller keeps it a liquid).
WaterProperties if97Liquid(double kelvin, double megapascal);

// Region 2: steam at `kelvin` and `megapascal` (the caller keeps it a vapour).
WaterProperties if97Steam(double kelvin, double megapascal);

// Region 4: the saturation pressure (MPa) at `kelvin` (273.15 K to the
// critical point) and the saturation temperature (K) at `megapascal`
// (611.213 Pa to the critical pressure).
double if97SaturationPressure(double kelvin);
double if97SaturationTemperature(double megapascal);

// The enthalpies of the saturated liquid and steam at `kelvin` (up to
// IF97_SATURATION_HIGHEST_K), kJ/kg.
struct SaturationEnthalpies {
    double liquid = 0.0, steam = 0.0;
};
SaturationEnthalpies saturationEnthalpies(double kelvin);

// The mass fraction of a discharge of total enthalpy `enthalpy` (kJ/kg) that
// is steam after separation at `kelvin`: y = (h - h_l) / (h_v - h_l), the
// energy balance of an adiabatic flash (below 0 when the discharge is
// colder than the saturated liquid).
double steamFraction(double enthalpy, double kelvin);

// The temperature (K) at which the saturated liquid has `enthalpy` (kJ/kg):
// the reservoir temperature a discharge implies when the reservoir holds
// liquid only; NaN outside 273.16 K to IF97_SATURATION_HIGHEST_K.
double liquidEnthalpyTemperature(double enthalpy);

}  // namespace wq
