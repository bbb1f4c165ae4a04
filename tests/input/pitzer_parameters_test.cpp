// The reader of the Pitzer parameter file: the layout, every error with its
// file and line, and the file of the Pitzer database as the builder writes
// it.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>

#include "input/pitzer_parameters.hpp"
#include "text/stop.hpp"
#include "text/textfile.hpp"

namespace wq {
namespace {

PitzerParameters readText(const std::string& text) {
    TextFile file("PITZER.DAT", text);
    return readPitzerParameters(file);
}

// The reason of the stop that reading `text` ends in ("" when none).
std::string failureOf(const std::string& text) {
    try {
        readText(text);
    } catch (const Stop& s) {
        EXPECT_EQ(s.status, ExitStatus::error);
        return s.reason;
    }
    return "";
}

TEST(PitzerParametersReader, ReadsKindsSpeciesCoefficientsAndRange) {
    const PitzerParameters p = readText(
        "# a comment line\n"
        "\n"
        "TEMPERATURE 0 200   # C\n"
        "IONIC_STRENGTH 20\n"
        "B0   Na+  Cl-   7.534e-2  9598.4  35.48  -5.8731e-2  1.798e-5  -5e5  # ref. 3\n"
        "C0\tCa++\tCl-\t1.4e-4 -57\r\n"
        "LAMBDA CO2,aq CO2,aq -1.34e-2 348 0.803\n"
        "PSI  Ca++ Cl- Na+  -1.48e-2 0 0 -5.2e-6\n"
        "ZETA SiO2,aq Cl- K+ -0.0153\n"
        "ALPHAS Ca++ SO4-- 1.4 12\n");
    EXPECT_EQ(p.fileName, "PITZER.DAT");
    EXPECT_EQ(p.minTemperatureC, 0.0);
    EXPECT_EQ(p.maxTemperatureC, 200.0);
    EXPECT_EQ(p.maxIonicStrength, 20.0);
    ASSERT_EQ(p.terms.size(), 6u);
    struct Expect {
        PitzerKind kind;
        int line, count;
        const char* first;
        const char* last;
        double a0, a5;
    };
    const Expect expect[] = {
        {PitzerKind::beta0, 5, 2, "Na+", "Cl-", 7.534e-2, -5e5},
        {PitzerKind::cPhi, 6, 2, "Ca++", "Cl-", 1.4e-4, 0.0},
        {PitzerKind::lambda, 7, 2, "CO2,aq", "CO2,aq", -1.34e-2, 0.0},
        {PitzerKind::psi, 8, 3, "Ca++", "Na+", -1.48e-2, 0.0},
        {PitzerKind::zeta, 9, 3, "SiO2,aq", "K+", -0.0153, 0.0},
        {PitzerKind::alphas, 10, 2, "Ca++", "SO4--", 1.4, 0.0},
    };
    for (std::size_t k = 0; k < 6; ++k) {
        const PitzerTerm& t = p.terms[k];
        EXPECT_EQ(t.kind, expect[k].kind) << k;
        EXPECT_EQ(t.line, expect[k].line) << k;
        EXPECT_EQ(t.speciesCount, expect[k].count) << k;
        EXPECT_EQ(t.species[0], expect[k].first) << k;
        EXPECT_EQ(t.species[static_cast<std::size_t>(t.speciesCount - 1)], expect[k].last) << k;
        EXPECT_EQ(t.coefficients[0], expect[k].a0) << k;
        EXPECT_EQ(t.coefficients[5], expect[k].a5) << k;
    }
    EXPECT_EQ(p.terms[1].coefficients[1], -57.0);
    EXPECT_EQ(p.terms[5].coefficients[1], 12.0);
}

// The range lines every file must hold.
const std::string RANGE = "TEMPERATURE 25 200\nIONIC_STRENGTH 6\n";

TEST(PitzerParametersReader, AFileWithoutParametersOrRangeOrFiniteTermsOverItStops) {
    // An empty file gave results with no interaction at all; one without a
    // range line left the runs beyond the data unchecked; a temperature
    // function that overflows within the range gave non-finite parameters.
    struct Case {
        std::string text;
        const char* reason;
    };
    const Case cases[] = {
        {"", "PITZER.DAT, line 1: the file ends without a parameter (B0, B1, B2, C0, THETA, LAMBDA, ZETA, PSI, ALPHAS)"},
        {"# only a comment\n\n" + RANGE,
         "PITZER.DAT, line 4: the file ends without a parameter (B0, B1, B2, C0, THETA, LAMBDA, ZETA, PSI, ALPHAS)"},
        {"IONIC_STRENGTH 6\nB1 Na+ Cl- 0.2769\n",
         "PITZER.DAT, line 2: the file ends without a TEMPERATURE line (the lowest and the highest temperature of the "
         "data, C)"},
        {"TEMPERATURE 0 200\nB1 Na+ Cl- 0.2769\n",
         "PITZER.DAT, line 2: the file ends without an IONIC_STRENGTH line (the highest ionic strength of the data, "
         "mol/kg)"},
        // a3 (T - Tr): 0 at 25 C, 1.75e309 at 200 C.
        {RANGE + "THETA Na+ K+ 0.1 0 0 1e307\n",
         "PITZER.DAT, line 3: THETA Na+ K+ is not a finite number at 200 C, an end of the TEMPERATURE range"},
        // a4 (T^2 - Tr^2), the range stated after the parameter: -1.4e309 at 0 C.
        {"B0 Na+ Cl- 0.1 0 0 0 1e305\nTEMPERATURE 0 25\nIONIC_STRENGTH 6\n",
         "PITZER.DAT, line 1: B0 Na+ Cl- is not a finite number at 0 C, an end of the TEMPERATURE range"},
        {"TEMPERATURE -300 200\n", "PITZER.DAT, line 1: TEMPERATURE: the lowest temperature is not above absolute zero"},
    };
    for (const Case& c : cases) EXPECT_EQ(failureOf(c.text), c.reason) << c.text;
    // Large coefficients whose terms stay finite over the range are data.
    EXPECT_EQ(failureOf(RANGE + "B0 Na+ Cl- 0.1 0 0 1e300 0 1e300\n"), "");
}

TEST(PitzerParametersReader, TemperatureFunction) {
    // P(T) = a0 + a1 (1/T - 1/Tr) + a2 ln(T/Tr) + a3 (T - Tr) + a4 (T^2 - Tr^2)
    // + a5 (1/T^2 - 1/Tr^2), Tr = 298.15 K: each coefficient alone, by hand,
    // at 373.15 K; and a0 alone at Tr.
    const double t = 373.15, tr = 298.15;
    struct Case {
        int k;
        double expected;
    };
    const Case cases[] = {
        {0, 1.0},
        {1, -6.741290e-4},  // 1/373.15 - 1/298.15
        {2, 0.2243838},     // ln(373.15/298.15)
        {3, 75.0},
        {4, 50347.5},       // 373.15^2 - 298.15^2
        {5, -4.067630e-6},  // 1/373.15^2 - 1/298.15^2
    };
    for (const Case& c : cases) {
        std::array<double, PITZER_COEFFICIENTS> a{};
        a[static_cast<std::size_t>(c.k)] = 1.0;
        EXPECT_NEAR(pitzerTemperatureFunction(a, t), c.expected, 1e-6 * std::fabs(c.expected)) << c.k;
        EXPECT_NEAR(pitzerTemperatureFunction(a, tr), c.k == 0 ? 1.0 : 0.0, 1e-12) << c.k;
    }
    // beta(0) of NaCl at 100 C from the data set's coefficients (Appelo
    // 2015), term by term: 0.07534 - 6.47056 + 7.96114 - 4.40483 + 0.90525
    // + 2.03381 = 0.10015.
    const std::array<double, PITZER_COEFFICIENTS> b0 = {7.534e-2, 9598.4, 35.48, -5.8731e-2, 1.798e-5, -5e5};
    EXPECT_NEAR(pitzerTemperatureFunction(b0, t), 0.10015, 0.00001);
}

TEST(PitzerParametersReader, BadLinesStopWithFileAndLine) {
    struct Case {
        const char* text;
        const char* reason;
    };
    const Case cases[] = {
        {"B0 Na+ Cl- 0.1\nB9 Na+ Cl- 0.1\n",
         "PITZER.DAT, line 2: unknown kind \"B9\" (B0, B1, B2, C0, THETA, LAMBDA, ZETA, PSI, ALPHAS, TEMPERATURE, "
         "IONIC_STRENGTH)"},
        {"B0 Na+ Cl-\n", "PITZER.DAT, line 1: B0 needs 2 species and 1 to 6 coefficients"},
        {"B0 Na+\n", "PITZER.DAT, line 1: B0 needs 2 species and 1 to 6 coefficients"},
        {"B0 Na+ Cl- 1 2 3 4 5 6 7\n", "PITZER.DAT, line 1: B0 needs 2 species and 1 to 6 coefficients"},
        {"PSI Na+ Cl- 0.1 0.2\n", "PITZER.DAT, line 1: PSI needs 3 species names before its numbers"},
        {"B0 Na+ Cl- 0.1 x\n", "PITZER.DAT, line 1: not a number: \"x\""},
        {"B0 Na+ Cl- 0.1 nan\n", "PITZER.DAT, line 1: not a number: \"nan\""},
        {"B0 Na+ Cl- 1e999\n", "PITZER.DAT, line 1: not a number: \"1e999\""},
        {"\n# c\nTHETA Na+ Na+ 0.1\n", "PITZER.DAT, line 3: THETA names Na+ twice"},
        {"B0 Na+ Cl- 0.1\n\nB0 Cl- Na+ 0.2\n", "PITZER.DAT, line 3: the same B0 as line 1"},
        {"PSI Na+ K+ Cl- 0.1\nPSI Cl- K+ Na+ 0.1\n", "PITZER.DAT, line 2: the same PSI as line 1"},
        {"ALPHAS Ca++ SO4-- 1.4\n", "PITZER.DAT, line 1: ALPHAS needs two species and two numbers (alpha1 alpha2)"},
        {"ALPHAS Ca++ SO4-- 1.4 -12\n", "PITZER.DAT, line 1: ALPHAS: alpha1 and alpha2 cannot be negative"},
        {"TEMPERATURE 200 0\n",
         "PITZER.DAT, line 1: TEMPERATURE needs two numbers, the lowest and the highest temperature (C)"},
        {"TEMPERATURE 0\n",
         "PITZER.DAT, line 1: TEMPERATURE needs two numbers, the lowest and the highest temperature (C)"},
        {"TEMPERATURE 0 200\nTEMPERATURE 0 100\n", "PITZER.DAT, line 2: a second TEMPERATURE line"},
        {"IONIC_STRENGTH -1\n", "PITZER.DAT, line 1: IONIC_STRENGTH needs one positive number (mol/kg)"},
        {"IONIC_STRENGTH 6\nIONIC_STRENGTH 6\n", "PITZER.DAT, line 2: a second IONIC_STRENGTH line"},
        {"B0 a b c d e f g h i j k l m\n", "PITZER.DAT, line 1: too many words on the line"},
    };
    for (const Case& c : cases) EXPECT_EQ(failureOf(c.text), c.reason) << c.text;
    // The same kind on other species, and other kinds on the same species, are other parameters.
    EXPECT_EQ(failureOf("B0 Na+ Cl- 0.1\nB1 Na+ Cl- 0.2\nB0 K+ Cl- 0.1\n" + RANGE), "");
}

TEST(PitzerParametersReader, MissingFileStopsWithItsName) {
    std::string reason;
    try {
        loadPitzerParameters("/nonexistent/PITZER.DAT");
    } catch (const Stop& s) {
        reason = s.reason;
    }
    EXPECT_EQ(reason.rfind("cannot open /nonexistent/PITZER.DAT: ", 0), 0u) << reason;
}

TEST(PitzerParametersReader, ReadsThePitzerDatabase) {
    // examples/pitzer/PITZER.DAT as tools/kdb/build_pitzer.py writes it from
    // the 268 parameter lines of pitzer.dat.
    const PitzerParameters p = loadPitzerParameters(std::string(WQSPEC_SOURCE_DIR) + "/examples/pitzer/PITZER.DAT");
    EXPECT_EQ(p.terms.size(), 268u);
    EXPECT_EQ(p.minTemperatureC, 0.0);
    EXPECT_EQ(p.maxTemperatureC, 200.0);
    int found = 0;
    for (const PitzerTerm& t : p.terms) {
        // beta(1) of NaCl as pitzer.dat gives it: 0.2769 1.377e4 46.8 -6.9512e-2 2e-5 -7.4823e5.
        if (t.kind == PitzerKind::beta1 && t.species[0] == "Cl-" && t.species[1] == "Na+") {
            const std::array<double, PITZER_COEFFICIENTS> expected = {0.2769, 1.377e4, 46.8, -6.9512e-2, 2e-5, -7.4823e5};
            EXPECT_EQ(t.coefficients, expected);
            ++found;
        }
        // The data set's H4SiO4 is the database's SiO2,aq.
        if (t.kind == PitzerKind::zeta && t.species[1] == "SiO2,aq" && t.species[2] == "K+") {
            EXPECT_EQ(t.coefficients[0], -0.0153);
            ++found;
        }
    }
    EXPECT_EQ(found, 2);
}

}  // namespace
}  // namespace wq
