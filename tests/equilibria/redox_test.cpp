#include <gtest/gtest.h>

#include <cmath>

#include "equilibria/redox.hpp"

namespace wq {
namespace {

// The Nernst equation with the single-precision gas constant, kelvin offset
// and Faraday constant (cal/(V equivalent)).
constexpr double R = double(1.987f);
constexpr double KELVIN = double(273.15f);
constexpr double FARADAY = double(23060.9f);

double sulfateEnergy(double t) {
    return double(43981.26f) + double(75.4144f) * t - double(0.122206f) * t * t +
           double(4.5713e-5f) * t * t * t;
}
double oxygenEnergy(double t) {
    return double(58590.02f) + double(3.1728f) * t - double(0.001355f) * t * t -
           double(1.34156e-5f) * t * t * t;
}

TEST(Eh, SulfideSulfateCouple) {
    struct Case {
        double aH, aW, aSO4, aHS, t, lnQ, approx;
    };
    const Case cases[] = {
        // pH 7, unit activities: ln Q = 0.
        {1e-7, 1.0, 1.0, 1.0, 25.0, 0.0, -0.21761817303574674},
        {1e-7, 1.0, 1.0, 1.0, 0.0, 0.0, -0.18836789436429535},
        // Q = 10 / (0.5^4 * 1) = 160.
        {1e-6, 0.5, 10.0, 1.0, 150.0, std::log(160.0), -0.25790050176518586},
    };
    for (const Case& c : cases) {
        const double expected =
            (sulfateEnergy(c.t) + R * (c.t + KELVIN) * (c.lnQ + 9.0 * std::log(c.aH))) / (8.0 * FARADAY);
        const double eh = ehFromSulfideSulfate(c.aH, c.aW, c.aSO4, c.aHS, c.t);
        EXPECT_NEAR(eh, expected, 1e-12) << c.t;
        EXPECT_NEAR(eh, c.approx, 1e-12) << c.t;
    }
}

TEST(Eh, OxygenCouple) {
    struct Case {
        double aH, aW, aO2, t, lnQ, approx;
    };
    const Case cases[] = {
        // Q = (1e-7)^2 * sqrt(1e-4) = 1e-16.
        {1e-7, 1.0, 1e-4, 25.0, -16.0 * std::log(10.0), 0.7988104195280333},
        // Q = (1e-5)^2 * sqrt(1e-6) / 0.5 = 2e-13.
        {1e-5, 0.5, 1e-6, 100.0, std::log(2e-13), 0.8065605249466773},
    };
    for (const Case& c : cases) {
        const double expected = (oxygenEnergy(c.t) + R * (c.t + KELVIN) * c.lnQ) / (2.0 * FARADAY);
        const double eh = ehFromOxygen(c.aH, c.aW, c.aO2, c.t);
        EXPECT_NEAR(eh, expected, 1e-12) << c.t;
        EXPECT_NEAR(eh, c.approx, 1e-12) << c.t;
    }
}

// Fournier & Truesdell with the single-precision constants.
double naKCa(double logSqrtCaNa, double logNaK, double beta) {
    return 1000.0 / (double(0.606f) * (logNaK + beta * logSqrtCaNa) + double(1.358f)) - KELVIN;
}
constexpr double ONE_THIRD = double(1.0f / 3.0f);
constexpr double FOUR_THIRDS = double(4.0f / 3.0f);

TEST(Geothermometer, BetaSelection) {
    struct Case {
        const char* what;
        double mCa, mK, mNa;
        double logSqrtCaNa, logNaK, beta, approx;
    };
    const Case cases[] = {
        // sqrt(1e-4)/0.1 = 0.1: Ca/Na^2 < 1, beta = 1/3 although 4/3 would
        // give 63 degC, below 100.
        {"L1 < 0", 1e-4, 1e-5, 0.1, -1.0, 4.0, ONE_THIRD, 6.179610613090176},
        {"4/3 below 100 kept", 0.01, 1e-4, 0.01, 1.0, 2.0, FOUR_THIRDS, 22.883154385669798},
        // 4/3 gives 188.5 degC: replaced by the 1/3 result.
        {"4/3 above 100 replaced", 0.01, 0.01, 0.01, 1.0, 0.0, ONE_THIRD, 367.875627347482},
    };
    for (const Case& c : cases) {
        const double t = naKCaSourceTemperature(c.mCa, c.mK, c.mNa);
        EXPECT_NEAR(t, naKCa(c.logSqrtCaNa, c.logNaK, c.beta), 1e-9) << c.what;
        EXPECT_NEAR(t, c.approx, 1e-9) << c.what;
    }
}

TEST(Geothermometer, ExactlyOneHundredTakesOneThird) {
    // L1 = log10(sqrt(0.01)/0.01) = 1, and this K molality makes the beta = 4/3
    // estimate exactly 100 degC.
    const double mCa = 0.01, mNa = 0.01, mK = 0.0014190606980424296;
    const double l1 = std::log10(std::sqrt(mCa) / mNa);
    const double l2 = std::log10(mNa / mK);
    ASSERT_EQ(l1, 1.0);
    ASSERT_EQ(naKCa(l1, l2, FOUR_THIRDS), 100.0);
    EXPECT_EQ(naKCaSourceTemperature(mCa, mK, mNa), naKCa(l1, l2, ONE_THIRD));
    EXPECT_NEAR(naKCaSourceTemperature(mCa, mK, mNa), 209.03624678092569, 1e-9);
}

}  // namespace
}  // namespace wq
