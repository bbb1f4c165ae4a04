// IAPWS-IF97 against the verification values of the release (IAPWS
// R7-97(2012): Table 5 for region 1, Table 15 for region 2, Tables 35 and 36
// for region 4), to the nine digits it prints.
#include <gtest/gtest.h>

#include <cmath>

#include "equilibria/steam_tables.hpp"

namespace {

struct StateCase {
    bool steam;
    double kelvin, megapascal;
    double volume, enthalpy, entropy;  // m3/kg, kJ/kg, kJ/(kg K)
};

constexpr StateCase kStates[] = {
    {false, 300.0, 3.0, 0.100215168e-2, 0.115331273e3, 0.392294792},
    {false, 300.0, 80.0, 0.971180894e-3, 0.184142828e3, 0.368563852},
    {false, 500.0, 3.0, 0.120241800e-2, 0.975542239e3, 0.258041912e1},
    {true, 300.0, 0.0035, 0.394913866e2, 0.254991145e4, 0.852238967e1},
    {true, 700.0, 0.0035, 0.923015898e2, 0.333568375e4, 0.101749996e2},
    {true, 700.0, 30.0, 0.542946619e-2, 0.263149474e4, 0.517540298e1},
};

// Nine significant digits: a relative 5e-9, with a little room for rounding.
void expectNine(double got, double want, const char* what) {
    EXPECT_NEAR(got, want, 6e-9 * std::abs(want)) << what;
}

TEST(SteamTables, RegionsOneAndTwoGiveTheReleaseValues) {
    for (const StateCase& c : kStates) {
        SCOPED_TRACE(std::to_string(c.kelvin) + " K, " + std::to_string(c.megapascal) + " MPa");
        const wq::WaterProperties w = c.steam ? wq::if97Steam(c.kelvin, c.megapascal)
                                              : wq::if97Liquid(c.kelvin, c.megapascal);
        expectNine(w.volume, c.volume, "v");
        expectNine(w.enthalpy, c.enthalpy, "h");
        expectNine(w.entropy, c.entropy, "s");
    }
}

TEST(SteamTables, RegionFourGivesTheReleaseValues) {
    const double pressures[][2] = {{300.0, 0.353658941e-2}, {500.0, 0.263889776e1}, {600.0, 0.123443146e2}};
    for (const auto& [kelvin, megapascal] : pressures) expectNine(wq::if97SaturationPressure(kelvin), megapascal, "p_s");
    const double temperatures[][2] = {{0.1, 0.372755919e3}, {1.0, 0.453035632e3}, {10.0, 0.584149488e3}};
    for (const auto& [megapascal, kelvin] : temperatures)
        expectNine(wq::if97SaturationTemperature(megapascal), kelvin, "T_s");
}

// The flash of a discharge: all liquid at the liquid's enthalpy, all steam
// at the steam's; and the enthalpy temperature undoes the liquid's enthalpy.
TEST(SteamTables, SteamFractionAndEnthalpyTemperatureInvertTheSaturationEnthalpies) {
    for (double kelvin : {373.124, 453.15, 533.15, 620.0}) {
        const wq::SaturationEnthalpies h = wq::saturationEnthalpies(kelvin);
        EXPECT_NEAR(wq::steamFraction(h.liquid, kelvin), 0.0, 1e-12);
        EXPECT_NEAR(wq::steamFraction(h.steam, kelvin), 1.0, 1e-12);
        EXPECT_NEAR(wq::liquidEnthalpyTemperature(h.liquid), kelvin, 1e-6);
    }
    EXPECT_TRUE(std::isnan(wq::liquidEnthalpyTemperature(2000.0))) << "above the liquid at 350 C";
}

}  // namespace
