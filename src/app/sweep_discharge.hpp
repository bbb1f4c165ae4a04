// The numbers of a reconstructed fluid as the options give them, and the
// discharge of the well as measured at its separator: the total enthalpy of
// the discharge and the pressure (or temperature) at which the sampled water
// left the steam give the fraction of the reservoir liquid that the sample
// lost as steam, by the energy balance of an adiabatic flash with the steam
// tables of IAPWS-IF97 (equilibria/steam_tables.hpp):
//     y = (h_discharge - h_liquid(T_sep)) / (h_steam(T_sep) - h_liquid(T_sep)).
// The enthalpy also gives the classical enthalpy temperature: that of the
// saturated liquid of the same enthalpy, the reservoir temperature when the
// well is fed by liquid alone (a higher enthalpy means steam in the feed).
#pragma once

#include <string>

namespace wq {

struct SweepOptions;

// A number of the reconstruction: a value, or bounds within which it is sought.
struct FluidSetting {
    bool used = false;
    bool sought = false;
    double value = 0.0, low = 0.0, high = 0.0;
};

// `text` as a value or LO:HI within 0 to `highest`; a CannotStart naming
// `option` when it is neither or lies outside; unused when empty.
FluidSetting settingOf(const std::string& text, const std::string& option, double highest);

// A gas/steam ratio: mol/mol, or "N mmol/kg" of steam (a value or LO:HI
// before the unit), as mol/mol.
FluidSetting gasSteamRatioOf(const std::string& text, const std::string& option);

struct Discharge {
    bool given = false;
    FluidSetting enthalpy;          // kJ/kg
    double separationC = 0.0;       // deg C
    double separationBar = 0.0;     // bar
    FluidSetting steamLoss;         // the steam fraction at the separation
};

// The discharge of the options (not given: none of --enthalpy and the
// separation options); a CannotStart when they are incomplete, exclude each
// other, lie beyond the steam tables or give no steam or mostly steam.
Discharge dischargeOf(const SweepOptions& options, double highestSteamLoss);

// What the discharge gives, for the "# discharge: " line.
std::string dischargeText(const Discharge& discharge);

}  // namespace wq
