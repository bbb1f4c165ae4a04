// The Pitzer model alone, on the parameters of the Pitzer database
// (examples/pitzer/PITZER.DAT, from the Harvie-Moller-Weare data set),
// against measured activity coefficients, osmotic coefficients and
// solubilities, and against its own defining relations (the integral of
// J(x), the Gibbs-Duhem equation).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "activity/pitzer.hpp"
#include "input/pitzer_parameters.hpp"
#include "text/stop.hpp"
#include "text/textfile.hpp"

namespace wq {
namespace {

const std::string PITZER_FILE = std::string(WQSPEC_SOURCE_DIR) + "/examples/pitzer/PITZER.DAT";

const PitzerParameters& databaseParameters() {
    static const PitzerParameters p = loadPitzerParameters(PITZER_FILE);
    return p;
}

// Debye-Hueckel A (log10 basis, kg^0.5 mol^-0.5) of the bundled database
// (IAPWS-95 density, Johnson & Norton 1991 dielectric constant): 25 C at
// 1 bar and 100 C at 1.0133 bar. A-phi = A ln 10 / 3 gives 0.3925 and 0.4602
// (Pitzer 1991 gives 0.3915 at 25 C).
constexpr double DEBYE_A_25C = 0.51139;
constexpr double DEBYE_A_100C = 0.59958;
constexpr double KELVIN_25C = 298.15;
constexpr double KELVIN_100C = 373.15;

// A model of the given solutes at tKelvin, and one evaluation at a time.
struct Solution {
    std::vector<PitzerSolute> solutes;
    PitzerModel model;
    std::vector<double> m, lnGamma;
    Solution(std::vector<PitzerSolute> s, double tKelvin, double debyeA)
        : solutes(std::move(s)), model(databaseParameters(), solutes), m(solutes.size()), lnGamma(solutes.size()) {
        model.setConditions(tKelvin, 1.0, debyeA);
    }
    PitzerWater evaluate() { return model.evaluate(m, lnGamma); }
};

// gamma+- of a salt of nuPlus cations (index 0) and nuMinus anions (index 1)
// at molality `salt`.
double meanGamma(Solution& s, double salt, double nuPlus, double nuMinus) {
    s.m[0] = nuPlus * salt;
    s.m[1] = nuMinus * salt;
    s.evaluate();
    return std::exp((nuPlus * s.lnGamma[0] + nuMinus * s.lnGamma[1]) / (nuPlus + nuMinus));
}

// ------------------------------------------------------------ J(x), E-theta

TEST(PitzerJ, AgreesWithTheDefiningIntegral) {
    // J(x) = (1/x) int_0^inf (1 + q + q^2/2 - e^q) y^2 dy, q = -(x/y) e^-y
    // (Pitzer 1975, J. Solution Chem. 4, 249, eq. 47), and dJ/dx, evaluated
    // in 80-digit arithmetic (mpmath quad and diff, piecewise at y = x/1000,
    // x/100, x/10, x, 10x, ..., 1e8 x, 1, 3, 10, 30, 60). Both the integral
    // and the table the model uses; 1e-12 and 5000 lie outside the table.
    struct Case {
        double x, j, dj;
    };
    const Case cases[] = {
        {1e-12, 4.5352184718031e-24, 8.90377027694403e-12},
        {1e-6, 2.23263573015894e-12, 4.29860697834049e-6},
        {0.01, 7.05794309695777e-5, 0.012515174496075},
        {0.1, 0.00360273272859402, 0.0585958733288461},
        {1.0, 0.116437217064462, 0.160526953074947},
        {2.5, 0.391673344435237, 0.199012189993655},
        {10.0, 2.06328422877211, 0.234206826831282},
        {50.0, 11.8224797935056, 0.247357373243767},
        {200.0, 49.1709892417833, 0.249570606176311},
        {1000.0, 249.071007066093, 0.249958395268491},
        {5000.0, 1249.02622125916, 0.249996595868189},
    };
    for (const Case& c : cases) {
        for (const JValue v : {pitzerJ(c.x), pitzerJIntegral(c.x)}) {
            EXPECT_NEAR(v.j, c.j, 1e-8 * c.j) << "x = " << c.x;
            EXPECT_NEAR(v.dj, c.dj, 1e-7 * c.dj) << "x = " << c.x;
        }
    }
    EXPECT_EQ(pitzerJ(0.0).j, 0.0);
    EXPECT_EQ(pitzerJIntegral(0.0).j, 0.0);
}

TEST(PitzerJ, TableFollowsTheIntegralAcrossItsRange) {
    // 400 points from x = 4e-11 to 1000, between the table's nodes and on
    // the joins of its pieces.
    for (int k = 0; k <= 400; ++k) {
        const double x = std::exp(-23.9 + k * (30.8 / 400.0));
        const JValue table = pitzerJ(x), integral = pitzerJIntegral(x);
        EXPECT_NEAR(table.j, integral.j, 2e-9 * integral.j) << "x = " << x;
        EXPECT_NEAR(table.dj, integral.dj, 2e-8 * integral.dj) << "x = " << x;
    }
    for (int p = -23; p <= 6; ++p) {
        const double x = std::exp(static_cast<double>(p));
        EXPECT_NEAR(pitzerJ(x).j, pitzerJIntegral(x).j, 2e-9 * pitzerJIntegral(x).j) << "x = e^" << p;
    }
}

TEST(PitzerETheta, IsItsDefinitionAndItsDerivativeIsTheSlope) {
    // E-theta(I) = zi zj / (4 I) [J(xij) - J(xii)/2 - J(xjj)/2], xij = 6 zi zj
    // A-phi sqrt(I) (Pitzer 1975); E-theta' = dE-theta/dI, here against a
    // central difference. Zero for equal charges.
    const double aPhi = aPhiFromDebyeHuckelA(DEBYE_A_25C);
    struct Case {
        double zi, zj, ionicStrength;
    };
    const Case cases[] = {{1, 2, 0.01}, {1, 2, 0.7}, {1, 2, 6.0}, {2, 1, 3.0}, {1, 3, 1.0}, {2, 3, 10.0}};
    for (const Case& c : cases) {
        const ETheta e = eTheta(c.zi, c.zj, c.ionicStrength, aPhi);
        const double u = 6.0 * aPhi * std::sqrt(c.ionicStrength);
        const double direct = c.zi * c.zj / (4.0 * c.ionicStrength) *
                              (pitzerJ(c.zi * c.zj * u).j - 0.5 * pitzerJ(c.zi * c.zi * u).j -
                               0.5 * pitzerJ(c.zj * c.zj * u).j);
        EXPECT_DOUBLE_EQ(e.value, direct);
        EXPECT_LT(e.value, 0.0);  // unlike charges always lower the mixing term
        const double h = 1e-5 * c.ionicStrength;
        const double slope = (eTheta(c.zi, c.zj, c.ionicStrength + h, aPhi).value -
                              eTheta(c.zi, c.zj, c.ionicStrength - h, aPhi).value) /
                             (2.0 * h);
        EXPECT_NEAR(e.derivative, slope, 1e-6 * std::fabs(slope) + 1e-10) << c.zi << " " << c.zj << " " << c.ionicStrength;
    }
    EXPECT_EQ(eTheta(2, 2, 1.0, aPhi).value, 0.0);
}

// ------------------------------------------------------------ single salts

TEST(PitzerNaCl, MeanActivityCoefficientAt25CWithinOnePercentOfRobinsonAndStokes) {
    // Robinson & Stokes, Electrolyte Solutions (2nd ed., 1959; revised
    // 1965), Appendix 8.10, as in ../shared/reference/mean_activity_coefficients_25C.csv.
    const double table[][2] = {{0.1, 0.778}, {0.2, 0.735}, {0.3, 0.710}, {0.5, 0.681}, {0.7, 0.667},
                               {1.0, 0.657}, {1.5, 0.656}, {2.0, 0.668}, {2.5, 0.688}, {3.0, 0.714},
                               {3.5, 0.746}, {4.0, 0.783}, {4.5, 0.826}, {5.0, 0.874}, {5.5, 0.928},
                               {6.0, 0.986}};
    Solution s({{"Na+", 1}, {"Cl-", -1}}, KELVIN_25C, DEBYE_A_25C);
    for (const auto& row : table) EXPECT_NEAR(meanGamma(s, row[0], 1, 1), row[1], 0.01 * row[1]) << row[0] << " m";
}

TEST(PitzerNaCl, OsmoticCoefficientAt25CWithinThreePercentOfRobinsonAndStokes) {
    // Robinson & Stokes (1959), Appendix 8.10: osmotic coefficient of NaCl
    // at 25 C. And ln a_w = -phi M_w 2m.
    const double table[][2] = {{0.1, 0.9324}, {0.2, 0.9245}, {0.5, 0.9209}, {1.0, 0.9355},
                               {2.0, 0.9833}, {3.0, 1.0453}, {4.0, 1.1158}, {6.0, 1.2706}};
    Solution s({{"Na+", 1}, {"Cl-", -1}}, KELVIN_25C, DEBYE_A_25C);
    for (const auto& row : table) {
        s.m = {row[0], row[0]};
        const PitzerWater w = s.evaluate();
        EXPECT_NEAR(w.osmotic, row[1], 0.03 * row[1]) << row[0] << " m";
        EXPECT_DOUBLE_EQ(w.ionicStrength, row[0]);
        EXPECT_NEAR(w.lnWaterActivity, -w.osmotic * 2.0 * row[0] * 0.0180153, 1e-6);
    }
}

TEST(PitzerCaCl2, MeanActivityCoefficientAt25CWithinThreePercentOfCompiledValues) {
    // Goldberg & Nuttall (J. Phys. Chem. Ref. Data 7, 263, 1978) and Staples
    // & Nuttall (6, 385, 1977), as tabulated in the CRC Handbook; the rows of
    // ../shared/reference/mean_activity_coefficients_25C.csv.
    const double table[][2] = {{0.001, 0.888}, {0.002, 0.851}, {0.005, 0.787}, {0.010, 0.727},
                               {0.020, 0.664}, {0.050, 0.577}, {0.100, 0.517}, {0.200, 0.469},
                               {0.500, 0.444}, {1.000, 0.495}, {2.000, 0.784}, {5.000, 5.907}};
    Solution s({{"Ca++", 2}, {"Cl-", -1}}, KELVIN_25C, DEBYE_A_25C);
    for (const auto& row : table) EXPECT_NEAR(meanGamma(s, row[0], 1, 2), row[1], 0.03 * row[1]) << row[0] << " m";
}

TEST(PitzerNa2SO4, MeanActivityCoefficientAt25CWithinThreePercentOfRobinsonAndStokes) {
    // Robinson & Stokes (1959), Appendix 8.10, Na2SO4 at 25 C.
    const double table[][2] = {{0.1, 0.445}, {0.2, 0.365}, {0.5, 0.266}, {1.0, 0.201}, {2.0, 0.153}};
    Solution s({{"Na+", 1}, {"SO4--", -2}}, KELVIN_25C, DEBYE_A_25C);
    for (const auto& row : table) EXPECT_NEAR(meanGamma(s, row[0], 2, 1), row[1], 0.03 * row[1]) << row[0] << " m";
}

// log10 K of Halite = Na+ + Cl-, the data set's analytic expression
// (Appelo 2015): 159.605 + 8.4294e-2 T - 3975.6/T - 66.857 log10 T
// - 4.9364e-5 T^2.
double haliteLogK(double t) {
    return 159.605 + 8.4294e-2 * t - 3975.6 / t - 66.857 * std::log10(t) - 4.9364e-5 * t * t;
}

// The NaCl molality at which 2 log10(m gamma+-) = log10 K.
double haliteSolubility(double tKelvin, double debyeA) {
    Solution s({{"Na+", 1}, {"Cl-", -1}}, tKelvin, debyeA);
    double lo = 1.0, hi = 10.0;
    for (int k = 0; k < 60; ++k) {
        const double mid = 0.5 * (lo + hi);
        const double logIap = 2.0 * std::log10(mid * meanGamma(s, mid, 1, 1));
        (logIap > haliteLogK(tKelvin) ? hi : lo) = mid;
    }
    return 0.5 * (lo + hi);
}

TEST(PitzerHalite, SolubilityAt25And100CWithinTwoPercentOfMeasured) {
    // Potter, Babcock & Brown (1977, J. Res. U.S. Geol. Surv. 5, 389-395):
    // halite solubility along the saturation curve, w = 26.218 + 0.0072 t +
    // 1.06e-4 t^2 weight per cent NaCl (t in C): 26.46 % at 25 C and 28.00 %
    // at 100 C, that is 6.16 and 6.65 mol/kg. The parameters' temperature
    // functions carry the 100 C point.
    const auto molality = [](double t) {
        const double w = 26.218 + 0.0072 * t + 1.06e-4 * t * t;
        return w / (100.0 - w) * 1000.0 / 58.443;
    };
    EXPECT_NEAR(haliteSolubility(KELVIN_25C, DEBYE_A_25C), molality(25.0), 0.02 * molality(25.0));
    EXPECT_NEAR(haliteSolubility(KELVIN_100C, DEBYE_A_100C), molality(100.0), 0.02 * molality(100.0));
}

// ------------------------------------------------------------ mixtures

// Gypsum CaSO4:2H2O = Ca++ + SO4-- + 2 H2O at 25 C in a NaCl solution: the
// CaSO4 molality s at which ln(s gCa) + ln(s gSO4) + 2 ln a_w = ln 10 log K,
// log K from the data set's analytic expression (Appelo 2015):
// 82.381 - 3804.5/T - 29.9952 log10 T.
double gypsumSolubility(double naCl) {
    Solution s({{"Na+", 1}, {"Cl-", -1}, {"Ca++", 2}, {"SO4--", -2}}, KELVIN_25C, DEBYE_A_25C);
    const double logK = 82.381 - 3804.5 / KELVIN_25C - 29.9952 * std::log10(KELVIN_25C);
    double lo = 1e-4, hi = 0.2;
    for (int k = 0; k < 60; ++k) {
        const double mid = 0.5 * (lo + hi);
        s.m = {naCl, naCl, mid, mid};
        const PitzerWater w = s.evaluate();
        const double lnIap = 2.0 * std::log(mid) + s.lnGamma[2] + s.lnGamma[3] + 2.0 * w.lnWaterActivity;
        (lnIap > std::log(10.0) * logK ? hi : lo) = mid;
    }
    return 0.5 * (lo + hi);
}

TEST(PitzerGypsum, SolubilityInWaterAndItsMaximumInNaClAt25C) {
    // Gypsum at 25 C (Marshall & Slusher 1966, J. Phys. Chem. 70, 4015-4027,
    // 25 C isotherm): 0.0152 mol CaSO4 per kg water in pure water; in NaCl
    // solutions the solubility rises to a maximum near 3 mol/kg NaCl of
    // about 3.7 times that (0.056-0.058 mol/kg) and falls again towards
    // halite saturation, staying above 3 times the pure-water value at
    // 6 mol/kg. The rise is the work of the mixing terms (theta and
    // E-theta of Ca-Na and Cl-SO4, psi) and of the water activity.
    const double water = gypsumSolubility(0.0);
    EXPECT_NEAR(water, 0.0152, 0.05 * 0.0152);
    double top = 0.0, topAt = 0.0;
    for (double naCl = 0.25; naCl <= 6.0; naCl += 0.25) {
        const double s = gypsumSolubility(naCl);
        if (s > top) {
            top = s;
            topAt = naCl;
        }
    }
    EXPECT_GE(topAt, 2.0);
    EXPECT_LE(topAt, 4.0);
    EXPECT_NEAR(top, 0.057, 0.05 * 0.057);
    EXPECT_GT(gypsumSolubility(6.0), 3.0 * water);
    EXPECT_LT(gypsumSolubility(6.0), top);
}

// A seawater-like brine with every kind of term: unlike charges (E-theta),
// theta, psi, lambda and zeta (CO2, B(OH)3, SiO2 with ions), CO2 with itself.
std::vector<PitzerSolute> brineSolutes() {
    return {{"Na+", 1},      {"K+", 1},        {"Mg++", 2},     {"Ca++", 2},    {"H+", 1},
            {"Cl-", -1},     {"SO4--", -2},    {"HCO3-", -1},   {"CO3--", -2},  {"OH-", -1},
            {"B(OH)4-", -1}, {"CO2,aq", 0},    {"B(OH)3,aq", 0}, {"SiO2,aq", 0}, {"MgOH+", 1}};
}
const std::vector<double> BRINE = {2.4, 0.05, 0.27, 0.05, 1e-8, 2.8, 0.145, 0.002, 0.0003, 1e-6,
                                   0.0001, 0.001, 0.0004, 0.0001, 1e-5};

TEST(PitzerGibbsDuhem, WaterActivityAndActivityCoefficientsAgree) {
    // Gibbs-Duhem at constant T and P, per kg of water:
    //   d ln a_w / M_w + sum_i m_i d ln(m_i gamma_i) = 0,
    // checked along paths in composition by central differences. The osmotic
    // coefficient (HMW eq. 2) and the activity coefficients (HMW eqs. 3-4) are
    // separate formulas: a term missing from either breaks the balance.
    for (const double tKelvin : {KELVIN_25C, KELVIN_100C}) {
        Solution s(brineSolutes(), tKelvin, tKelvin == KELVIN_25C ? DEBYE_A_25C : DEBYE_A_100C);
        const std::size_t n = BRINE.size();
        // Directions: concentrate everything; add NaCl; add MgSO4; add CO2;
        // add B(OH)3 and SiO2.
        std::vector<std::vector<double>> paths(5, std::vector<double>(n, 0.0));
        paths[0] = BRINE;
        paths[1][0] = paths[1][5] = 1.0;
        paths[2][2] = paths[2][6] = 1.0;
        paths[3][11] = 1.0;
        paths[4][12] = paths[4][13] = 1.0;
        for (const double scale : {0.01, 0.3, 1.0, 2.5}) {
            for (const auto& d : paths) {
                const double h = 1e-5;
                std::vector<double> lnG[2];
                double lnAw[2];
                for (int side = 0; side < 2; ++side) {
                    const double t = side == 0 ? -h : h;
                    for (std::size_t i = 0; i < n; ++i) s.m[i] = scale * BRINE[i] + t * scale * d[i];
                    lnAw[side] = s.evaluate().lnWaterActivity;
                    lnG[side] = s.lnGamma;
                }
                double sum = (lnAw[1] - lnAw[0]) / (2.0 * h) * 55.50825119018555;
                double size = std::fabs(sum);
                for (std::size_t i = 0; i < n; ++i) {
                    const double mi = scale * BRINE[i];
                    const double term = mi * (lnG[1][i] - lnG[0][i]) / (2.0 * h) + scale * d[i];
                    sum += term;
                    size += std::fabs(term);
                }
                EXPECT_NEAR(sum, 0.0, 1e-7 * size) << "T " << tKelvin << " scale " << scale;
            }
        }
    }
}

TEST(PitzerModel, DiluteLimitAndWhatIsLeftOut) {
    // At infinite dilution every gamma is 1 and phi is 1; a solute the
    // parameters do not name takes only the Debye-Hueckel term, the same for
    // every ion of its charge.
    Solution s({{"Na+", 1}, {"Cl-", -1}, {"unknown+", 1}, {"other+", 1}}, KELVIN_25C, DEBYE_A_25C);
    s.m = {0.0, 0.0, 0.0, 0.0};
    PitzerWater w = s.evaluate();
    EXPECT_EQ(w.osmotic, 1.0);
    EXPECT_EQ(w.lnWaterActivity, 0.0);
    for (double g : s.lnGamma) EXPECT_EQ(g, 0.0);
    s.m = {1e-9, 1e-9, 0.0, 0.0};
    w = s.evaluate();
    EXPECT_NEAR(w.osmotic, 1.0, 1e-4);
    for (double g : s.lnGamma) EXPECT_NEAR(g, 0.0, 1e-4);
    // Debye-Hueckel limiting law: -A-phi z^2 (sqrt I / (1 + b sqrt I) + 2/b
    // ln(1 + b sqrt I)) tends to -3 A-phi z^2 sqrt I (Pitzer 1991).
    EXPECT_NEAR(s.lnGamma[2], -3.0 * s.model.aPhi() * std::sqrt(1e-9), 1e-7);
    EXPECT_EQ(s.lnGamma[2], s.lnGamma[3]);
    // The solver's floor of 1e-200 mol/kg: finite values, no division by
    // an underflowed I^2.
    s.m = {1e-200, 1e-200, 1e-200, 0.0};
    w = s.evaluate();
    EXPECT_EQ(w.osmotic, 1.0);
    for (double g : s.lnGamma) EXPECT_TRUE(std::isfinite(g));
}

TEST(PitzerModel, SpansOfAnotherSizeAndTwiceListedSolutesAreFaultsOfTheCaller) {
    Solution s({{"Na+", 1}, {"Cl-", -1}}, KELVIN_25C, DEBYE_A_25C);
    std::vector<double> three(3, 0.1), two(2, 0.0);
    EXPECT_THROW(s.model.evaluate(three, two), InternalError);
    EXPECT_THROW(s.model.evaluate(two, three), InternalError);
    const std::vector<PitzerSolute> twice = {{"Na+", 1}, {"Cl-", -1}, {"Na+", 1}};
    EXPECT_THROW(PitzerModel(databaseParameters(), twice), InternalError);
}

TEST(PitzerModel, BuildsOnTheWholeDatabaseAndEvaluatesEveryTemperatureOfItsRange) {
    // Every parameter of the database finds its species, and a brine gives
    // finite values from 0 to 200 C.
    const std::vector<PitzerSolute> all = brineSolutes();
    for (const double tC : {0.01, 25.0, 50.0, 100.0, 150.0, 200.0}) {
        Solution s(all, tC + 273.15, DEBYE_A_25C);
        s.m = BRINE;
        const PitzerWater w = s.evaluate();
        EXPECT_TRUE(std::isfinite(w.osmotic)) << tC;
        EXPECT_GT(w.osmotic, 0.5) << tC;
        for (double g : s.lnGamma) EXPECT_TRUE(std::isfinite(g)) << tC;
    }
}

TEST(PitzerModel, RefusesAParameterThatDoesNotFitTheCharges) {
    // The species of a parameter must have the signs its kind needs.
    struct Case {
        const char* line;
        const char* reason;
    };
    const Case cases[] = {
        {"B0 Na+ K+ 0.1", "p.dat, line 1: B0 Na+ K+: needs a cation and an anion"},
        {"C0 X Cl- 0.1", "p.dat, line 1: C0 X Cl-: needs a cation and an anion"},
        {"THETA Na+ Cl- 0.1", "p.dat, line 1: THETA Na+ Cl-: needs two ions of one sign"},
        {"LAMBDA Na+ Cl- 0.1", "p.dat, line 1: LAMBDA Na+ Cl-: needs a neutral species"},
        {"PSI Na+ K+ X 0.1", "p.dat, line 1: PSI Na+ K+ X: needs two ions of one sign and one of the other"},
        {"ZETA X Na+ K+ 0.1", "p.dat, line 1: ZETA X Na+ K+: needs a neutral species, a cation and an anion"},
    };
    const std::vector<PitzerSolute> solutes = {{"Na+", 1}, {"K+", 1}, {"Cl-", -1}, {"Br-", -1}, {"X", 0}};
    for (const Case& c : cases) {
        TextFile file("p.dat", std::string(c.line) + "\nTEMPERATURE 0 200\nIONIC_STRENGTH 6\n");
        const PitzerParameters p = readPitzerParameters(file);
        std::string reason;
        try {
            PitzerModel m(p, solutes);
        } catch (const Stop& s) {
            reason = s.reason;
        }
        EXPECT_EQ(reason, c.reason) << c.line;
    }
}

}  // namespace
}  // namespace wq
