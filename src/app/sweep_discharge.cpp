#include "app/sweep_discharge.hpp"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "app/front_end.hpp"
#include "app/command_options.hpp"
#include "equilibria/steam_tables.hpp"
#include "grid/units.hpp"
#include "input/tables.hpp"
#include "text/number_text.hpp"

namespace wq {

namespace {

constexpr double MAX_GAS_STEAM = 1.0;   // mol/mol
constexpr double MAX_ENTHALPY = 2800.0;  // kJ/kg, above that of saturated steam anywhere
constexpr const char* MMOL_PER_KG = "mmol/kg";
constexpr double BAR_PER_MPA = 10.0;

double numberOf(const std::string& text, const std::string& option) {
    const char* start = text.c_str();
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(start, &end);
    if (text.empty() || end != start + text.size() || errno != 0 || !std::isfinite(v))
        throw CannotStart{option + " takes a number or LO:HI; " + text + " is not one"};
    return v;
}

double plainNumberOf(const std::string& text, const std::string& option) {
    if (text.find(':') != std::string::npos) throw CannotStart{option + " takes one number; " + text + " is a range"};
    return numberOf(text, option);
}

// The separation temperature (K) of the options, checked against the steam tables.
double separationKelvin(const SweepOptions& o) {
    const std::string beyond = " the steam tables give a separation up to " +
                               fixedText(IF97_SATURATION_HIGHEST_K - KELVIN_OFFSET, 0) + " C, " +
                               fixedText(if97SaturationPressure(IF97_SATURATION_HIGHEST_K) * BAR_PER_MPA, 2) +
                               " bar (IAPWS-IF97 regions 1, 2 and 4)";
    const std::string critical = "; water has no separate steam above its critical point, " +
                                 fixedText(WATER_CRITICAL_K - KELVIN_OFFSET, 2) + " C, " +
                                 fixedText(WATER_CRITICAL_MPA * BAR_PER_MPA, 2) + " bar";
    if (!o.separationTemperature.empty()) {
        const double c = plainNumberOf(o.separationTemperature, "--separation-temperature");
        const double k = c + KELVIN_OFFSET;
        if (k < WATER_TRIPLE_POINT_K) throw CannotStart{"--separation-temperature " + o.separationTemperature +
                                                  ": below the triple point of water (0.01 C)"};
        if (k > IF97_SATURATION_HIGHEST_K)
            throw CannotStart{"--separation-temperature " + o.separationTemperature + " C:" + beyond +
                              (k >= WATER_CRITICAL_K ? critical : "")};
        return k;
    }
    const double bar = plainNumberOf(o.separationPressure, "--separation-pressure");
    if (bar < if97SaturationPressure(WATER_TRIPLE_POINT_K) * BAR_PER_MPA)
        throw CannotStart{"--separation-pressure " + o.separationPressure +
                          ": below the pressure of water at its triple point (0.00612 bar)"};
    if (bar > if97SaturationPressure(IF97_SATURATION_HIGHEST_K) * BAR_PER_MPA)
        throw CannotStart{"--separation-pressure " + o.separationPressure + " bar:" + beyond +
                          (bar >= WATER_CRITICAL_MPA * BAR_PER_MPA ? critical : "")};
    return if97SaturationTemperature(bar / BAR_PER_MPA);
}

// The steam fraction of `enthalpy` separated at `kelvin`, checked.
double checkedSteamFraction(double enthalpy, double kelvin, double highest) {
    const double y = steamFraction(enthalpy, kelvin);
    const std::string at = fixedText(kelvin - KELVIN_OFFSET, 1) + " C";
    if (y < 0.0)
        throw CannotStart{"--enthalpy " + shortestText(enthalpy) + " kJ/kg is below the enthalpy of the saturated "
                          "liquid at the separation (" + fixedText(saturationEnthalpies(kelvin).liquid, 1) +
                          " kJ/kg at " + at + "): no steam separates"};
    if (y > highest)
        throw CannotStart{"--enthalpy " + shortestText(enthalpy) + " kJ/kg separated at " + at +
                          " gives a steam fraction of " + fixedText(y, 3) + ", above " + shortestText(highest) +
                          ": the sample would be the little water left of a discharge that is mostly steam"};
    return y;
}

std::string enthalpyTemperatureText(double enthalpy) {
    const double k = liquidEnthalpyTemperature(enthalpy);
    return std::isnan(k) ? "above the saturated liquid's at 350 C" : fixedText(k - KELVIN_OFFSET, 1) + " C";
}

}  // namespace

FluidSetting settingOf(const std::string& text, const std::string& option, double highest) {
    FluidSetting s;
    if (text.empty()) return s;
    s.used = true;
    const std::size_t colon = text.find(':');
    const std::string limits = " must lie from 0 to " + shortestText(highest);
    if (colon == std::string::npos) {
        s.value = numberOf(text, option);
        if (s.value < 0.0 || s.value > highest) throw CannotStart{option + " " + text + ":" + limits};
        return s;
    }
    s.sought = true;
    s.low = numberOf(text.substr(0, colon), option);
    s.high = numberOf(text.substr(colon + 1), option);
    if (s.low < 0.0 || s.high > highest) throw CannotStart{option + " " + text + ": the bounds" + limits};
    if (!(s.low < s.high)) throw CannotStart{option + " " + text + ": the lower bound must be below the upper"};
    s.value = 0.5 * (s.low + s.high);
    return s;
}

FluidSetting gasSteamRatioOf(const std::string& text, const std::string& option) {
    // mmol per kg of steam, after the number or after each bound: 1e-3 mol per 55.51 mol of water.
    std::string number;
    for (std::size_t at = 0; at < text.size();) {
        if (text.compare(at, 7, MMOL_PER_KG) == 0) {
            at += 7;
        } else if (text[at] == ' ') {
            ++at;
        } else {
            number += text[at++];
        }
    }
    if (number.size() == text.size()) return settingOf(text, option, MAX_GAS_STEAM);
    const double perMolPerMol = 1e-3 / MOLES_WATER_PER_KG;
    FluidSetting s = settingOf(number, option + " (mmol/kg)", MAX_GAS_STEAM / perMolPerMol);
    s.value *= perMolPerMol;
    s.low *= perMolPerMol;
    s.high *= perMolPerMol;
    return s;
}

Discharge dischargeOf(const SweepOptions& o, double highestSteamLoss) {
    Discharge d;
    const bool separation = !o.separationPressure.empty() || !o.separationTemperature.empty();
    if (o.enthalpy.empty() && !separation) return d;
    if (o.enthalpy.empty())
        throw CannotStart{"a separation pressure or temperature needs --enthalpy: with the discharge enthalpy it "
                          "gives the steam the sample lost"};
    if (!separation)
        throw CannotStart{"--enthalpy needs --separation-pressure or --separation-temperature: the steam the "
                          "sample lost depends on where it left the steam (1.01325 bar for a weirbox sample)"};
    if (!o.separationPressure.empty() && !o.separationTemperature.empty())
        throw CannotStart{"--separation-pressure and --separation-temperature exclude each other: on the "
                          "saturation curve one gives the other"};
    if (!o.steamLoss.empty() || !o.dilution.empty())
        throw CannotStart{"--enthalpy gives the steam loss: it excludes --steam-loss and --dilution"};
    d.given = true;
    d.enthalpy = settingOf(o.enthalpy, "--enthalpy", MAX_ENTHALPY);
    const double kelvin = separationKelvin(o);
    d.separationC = kelvin - KELVIN_OFFSET;
    d.separationBar = if97SaturationPressure(kelvin) * BAR_PER_MPA;
    d.steamLoss.used = true;
    d.steamLoss.sought = d.enthalpy.sought;
    d.steamLoss.value = checkedSteamFraction(d.enthalpy.value, kelvin, highestSteamLoss);
    if (d.enthalpy.sought) {
        d.steamLoss.low = checkedSteamFraction(d.enthalpy.low, kelvin, highestSteamLoss);
        d.steamLoss.high = checkedSteamFraction(d.enthalpy.high, kelvin, highestSteamLoss);
    }
    return d;
}

std::string dischargeText(const Discharge& d) {
    const FluidSetting& h = d.enthalpy;
    std::string t = "enthalpy " + (h.sought ? shortestText(h.low) + " to " + shortestText(h.high)
                                            : shortestText(h.value)) + " kJ/kg (the saturated liquid's at ";
    t += h.sought ? enthalpyTemperatureText(h.low) + " to " + enthalpyTemperatureText(h.high)
                  : enthalpyTemperatureText(h.value);
    t += ", the reservoir temperature of a feed of liquid alone); separated at " + fixedText(d.separationBar, 3) +
         " bar, " + fixedText(d.separationC, 1) + " C: steam fraction ";
    t += d.steamLoss.sought ? fixedText(d.steamLoss.low, 4) + " to " + fixedText(d.steamLoss.high, 4)
                            : fixedText(d.steamLoss.value, 4);
    return t + " (IAPWS-IF97)";
}

}  // namespace wq
