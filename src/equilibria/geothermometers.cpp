#include "equilibria/geothermometers.hpp"

#include <cmath>
#include <limits>

#include "grid/units.hpp"

namespace wq {

namespace {

constexpr double NO_VALUE = std::numeric_limits<double>::quiet_NaN();

// Every calibration above has the form t = a / (b - log10 x) - 273.15: the
// van 't Hoff form of the equilibrium that fixes x. A denominator at or below
// zero means the water lies beyond the calibration altogether.
double vantHoffTemperature(double a, double b, double x) {
    if (!(x > 0.0) || !std::isfinite(x)) return NO_VALUE;
    const double denominator = b - std::log10(x);
    if (!(denominator > 0.0)) return NO_VALUE;
    return a / denominator - KELVIN_OFFSET;
}

GeothermometerReading reading(std::string_view name, double temperature, double from, double to) {
    return GeothermometerReading{name, temperature, from, to};
}

}  // namespace

GeothermometerReading quartzNoSteamLoss(double silica) {
    return reading("quartz", vantHoffTemperature(1309.0, 5.19, silica), 0.0, 250.0);
}

GeothermometerReading quartzSteamLoss(double silica) {
    return reading("quartz steam loss", vantHoffTemperature(1522.0, 5.75, silica), 0.0, 250.0);
}

GeothermometerReading chalcedony(double silica) {
    return reading("chalcedony", vantHoffTemperature(1032.0, 4.69, silica), 0.0, 250.0);
}

GeothermometerReading naK(double sodium, double potassium) {
    // 1.75 + log(Na/K) = 1.75 - log(K/Na): the same form in K/Na.
    const double ratio = sodium > 0.0 ? potassium / sodium : NO_VALUE;
    return reading("Na/K", vantHoffTemperature(1390.0, 1.75, ratio), 180.0, 350.0);
}

GeothermometerReading kMg(double potassium, double magnesium) {
    const double ratio = magnesium > 0.0 ? potassium * potassium / magnesium : NO_VALUE;
    return reading("K/Mg", vantHoffTemperature(4410.0, 14.0, ratio), 50.0, 300.0);
}

std::vector<GeothermometerReading> classicalGeothermometers(double silica, double sodium, double potassium,
                                                            double magnesium) {
    std::vector<GeothermometerReading> readings;
    if (silica > 0.0) {
        readings.push_back(quartzNoSteamLoss(silica));
        readings.push_back(quartzSteamLoss(silica));
        readings.push_back(chalcedony(silica));
    }
    if (sodium > 0.0 && potassium > 0.0) readings.push_back(naK(sodium, potassium));
    if (potassium > 0.0 && magnesium > 0.0) readings.push_back(kMg(potassium, magnesium));
    return readings;
}

}  // namespace wq
