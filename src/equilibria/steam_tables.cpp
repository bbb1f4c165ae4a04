#include "equilibria/steam_tables.hpp"

#include <cmath>
#include <limits>

namespace wq {

namespace {

// The specific gas constant of water in IF97, kJ/(kg K).
constexpr double R = 0.461526;

struct Term {
    int i, j;
    double n;
};

// Region 1: the dimensionless Gibbs energy gamma(pi, tau) =
// sum n (7.1 - pi)^I (tau - 1.222)^J, pi = p / 16.53 MPa, tau = 1386 K / T
// (R7-97, Table 2).
constexpr Term REGION1[] = {
    {0, -2, 0.14632971213167},     {0, -1, -0.84548187169114},    {0, 0, -0.37563603672040e1},
    {0, 1, 0.33855169168385e1},    {0, 2, -0.95791963387872},     {0, 3, 0.15772038513228},
    {0, 4, -0.16616417199501e-1},  {0, 5, 0.81214629983568e-3},   {1, -9, 0.28319080123804e-3},
    {1, -7, -0.60706301565874e-3}, {1, -1, -0.18990068218419e-1}, {1, 0, -0.32529748770505e-1},
    {1, 1, -0.21841717175414e-1},  {1, 3, -0.52838357969930e-4},  {2, -3, -0.47184321073267e-3},
    {2, 0, -0.30001780793026e-3},  {2, 1, 0.47661393906987e-4},   {2, 3, -0.44141845330846e-5},
    {2, 17, -0.72694996297594e-15}, {3, -4, -0.31679644845054e-4}, {3, 0, -0.28270797985312e-5},
    {3, 6, -0.85205128120103e-9},  {4, -5, -0.22425281908000e-5},  {4, -2, -0.65171222895601e-6},
    {4, 10, -0.14341729937924e-12}, {5, -8, -0.40516996860117e-6}, {8, -11, -0.12734301741641e-8},
    {8, -6, -0.17424871230634e-9}, {21, -29, -0.68762131295531e-18}, {23, -31, 0.14478307828521e-19},
    {29, -38, 0.26335781662795e-22}, {30, -39, -0.11947622640071e-22}, {31, -40, 0.18228094581404e-23},
    {32, -41, -0.93537087292458e-25},
};

// Region 2, ideal-gas part: gamma0 = ln pi + sum n tau^J (Table 10), and
// residual part: gammar = sum n pi^I (tau - 0.5)^J (Table 11); pi = p / 1 MPa,
// tau = 540 K / T.
constexpr Term REGION2_IDEAL[] = {
    {0, 0, -0.96927686500217e1},  {0, 1, 0.10086655968018e2},  {0, -5, -0.56087911283020e-2},
    {0, -4, 0.71452738081455e-1}, {0, -3, -0.40710498223928},  {0, -2, 0.14240819171444e1},
    {0, -1, -0.43839511319450e1}, {0, 2, -0.28408632460772},   {0, 3, 0.21268463753307e-1},
};

constexpr Term REGION2_RESIDUAL[] = {
    {1, 0, -0.17731742473213e-2},   {1, 1, -0.17834862292358e-1},   {1, 2, -0.45996013696365e-1},
    {1, 3, -0.57581259083432e-1},   {1, 6, -0.50325278727930e-1},   {2, 1, -0.33032641670203e-4},
    {2, 2, -0.18948987516315e-3},   {2, 4, -0.39392777243355e-2},   {2, 7, -0.43797295650573e-1},
    {2, 36, -0.26674547914087e-4},  {3, 0, 0.20481737692309e-7},    {3, 1, 0.43870667284435e-6},
    {3, 3, -0.32277677238570e-4},   {3, 6, -0.15033924542148e-2},   {3, 35, -0.40668253562649e-1},
    {4, 1, -0.78847309559367e-9},   {4, 2, 0.12790717852285e-7},    {4, 3, 0.48225372718507e-6},
    {5, 7, 0.22922076337661e-5},    {6, 3, -0.16714766451061e-10},  {6, 16, -0.21171472321355e-2},
    {6, 35, -0.23895741934104e2},   {7, 0, -0.59059564324270e-17},  {7, 11, -0.12621808899101e-5},
    {7, 25, -0.38946842435739e-1},  {8, 8, 0.11256211360459e-10},   {8, 36, -0.82311340897998e1},
    {9, 13, 0.19809712802088e-7},   {10, 4, 0.10406965210174e-18},  {10, 10, -0.10234747095929e-12},
    {10, 14, -0.10018179379511e-8}, {16, 29, -0.80882908646985e-10}, {16, 50, 0.10693031879409},
    {18, 57, -0.33662250574171},    {20, 20, 0.89185845355421e-24}, {20, 35, 0.30629316876232e-12},
    {20, 48, -0.42002467698208e-5}, {21, 21, -0.59056029685639e-25}, {22, 53, 0.37826947613457e-5},
    {23, 39, -0.12768608934681e-14}, {24, 26, 0.73087610595061e-28}, {24, 40, 0.55414715350778e-16},
    {24, 58, -0.94369707241210e-6},
};

// Region 4: the coefficients n1 ... n10 of the saturation equation (Table 34).
constexpr double N[] = {0.0,
                        0.11670521452767e4,
                        -0.72421316703206e6,
                        -0.17073846940092e2,
                        0.12020824702470e5,
                        -0.32325550322333e7,
                        0.14915108613530e2,
                        -0.48232657361591e4,
                        0.40511340542057e6,
                        -0.23855557567849,
                        0.65017534844798e3};

// A dimensionless Gibbs energy and its derivatives in pi and tau.
struct Gibbs {
    double g = 0.0, gPi = 0.0, gTau = 0.0;
};

// sum n a^I b^J and its derivatives in a and b.
template <std::size_t Count>
Gibbs series(const Term (&terms)[Count], double a, double b) {
    Gibbs s;
    for (const Term& t : terms) {
        const double ai = std::pow(a, t.i), bj = std::pow(b, t.j);
        s.g += t.n * ai * bj;
        if (t.i != 0) s.gPi += t.n * t.i * std::pow(a, t.i - 1) * bj;
        if (t.j != 0) s.gTau += t.n * ai * t.j * std::pow(b, t.j - 1);
    }
    return s;
}

// The properties from gamma at (T, p): v = pi gamma_pi R T / p,
// h = tau gamma_tau R T, s = (tau gamma_tau - gamma) R.
WaterProperties propertiesOf(const Gibbs& gamma, double pi, double tau, double kelvin, double megapascal) {
    WaterProperties w;
    w.volume = pi * gamma.gPi * R * kelvin / (megapascal * 1000.0);
    w.enthalpy = tau * gamma.gTau * R * kelvin;
    w.entropy = (tau * gamma.gTau - gamma.g) * R;
    return w;
}

}  // namespace

WaterProperties if97Liquid(double kelvin, double megapascal) {
    const double pi = megapascal / 16.53, tau = 1386.0 / kelvin;
    // The series runs in (7.1 - pi): its derivative in pi changes sign.
    Gibbs gamma = series(REGION1, 7.1 - pi, tau - 1.222);
    gamma.gPi = -gamma.gPi;
    return propertiesOf(gamma, pi, tau, kelvin, megapascal);
}

WaterProperties if97Steam(double kelvin, double megapascal) {
    const double pi = megapascal, tau = 540.0 / kelvin;
    const Gibbs ideal = series(REGION2_IDEAL, 1.0, tau);
    const Gibbs residual = series(REGION2_RESIDUAL, pi, tau - 0.5);
    Gibbs gamma;
    gamma.g = std::log(pi) + ideal.g + residual.g;
    gamma.gPi = 1.0 / pi + residual.gPi;
    gamma.gTau = ideal.gTau + residual.gTau;
    return propertiesOf(gamma, pi, tau, kelvin, megapascal);
}

double if97SaturationPressure(double kelvin) {
    const double theta = kelvin + N[9] / (kelvin - N[10]);
    const double a = theta * theta + N[1] * theta + N[2];
    const double b = N[3] * theta * theta + N[4] * theta + N[5];
    const double c = N[6] * theta * theta + N[7] * theta + N[8];
    return std::pow(2.0 * c / (-b + std::sqrt(b * b - 4.0 * a * c)), 4);
}

double if97SaturationTemperature(double megapascal) {
    const double beta = std::pow(megapascal, 0.25);
    const double e = beta * beta + N[3] * beta + N[6];
    const double f = N[1] * beta * beta + N[4] * beta + N[7];
    const double g = N[2] * beta * beta + N[5] * beta + N[8];
    const double d = 2.0 * g / (-f - std::sqrt(f * f - 4.0 * e * g));
    return 0.5 * (N[10] + d - std::sqrt((N[10] + d) * (N[10] + d) - 4.0 * (N[9] + N[10] * d)));
}

SaturationEnthalpies saturationEnthalpies(double kelvin) {
    const double p = if97SaturationPressure(kelvin);
    return SaturationEnthalpies{if97Liquid(kelvin, p).enthalpy, if97Steam(kelvin, p).enthalpy};
}

double steamFraction(double enthalpy, double kelvin) {
    const SaturationEnthalpies h = saturationEnthalpies(kelvin);
    return (enthalpy - h.liquid) / (h.steam - h.liquid);
}

double liquidEnthalpyTemperature(double enthalpy) {
    double lo = WATER_TRIPLE_POINT_K, hi = IF97_SATURATION_HIGHEST_K;
    const auto liquid = [](double t) { return saturationEnthalpies(t).liquid; };
    if (!(enthalpy >= liquid(lo) && enthalpy <= liquid(hi))) return std::numeric_limits<double>::quiet_NaN();
    // The saturated liquid's enthalpy rises with temperature: bisection to 1e-9 K.
    while (hi - lo > 1e-9) {
        const double mid = 0.5 * (lo + hi);
        (liquid(mid) < enthalpy ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
}

}  // namespace wq
