// The aqueous part of the database: activity model, component species, the
// selection of the aqueous species and every message of the reader.
#include "input/database.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/run_sequence.hpp"
#include "input/minerals.hpp"
#include "input/parsed_database.hpp"
#include "support/kdb_writer.hpp"
#include "support/test_program.hpp"

namespace wq::testing {
namespace {

using DatabaseTest = ProgramTest;
using Lines = std::vector<std::string>;

const std::vector<double> ABSENT_FROM_250 = {1.0, 1.2, 1.5, 1.9, 2.4, ABSENT_DATA, ABSENT_DATA, ABSENT_DATA};

KdbWriter writerWithComponents() {
    KdbWriter w;
    w.component(3, "Cl-", -1, 3.0, 35.453);
    w.component(4, "SO4--", -2, 4.0, 96.0636);
    w.component(5, "HCO3-", -1, 4.0, 61.0171, 1.0);
    w.component(6, "HS-", -1, 3.5, 33.0739);
    w.component(9, "Ca++", 2, 6.0, 40.08);
    w.component(13, "Na+", 1, 4.0, 22.9898);
    w.component(31, "O2,aq", 0, 3.0, 31.9988);
    for (int number : {45, 46, 47, 48})  // the slow-redox switches
        w.component(number, "Switch-" + std::to_string(number), 0, 3.0, 1.0);
    return w;
}

std::string join(const Lines& lines, std::size_t count = SIZE_MAX) {
    std::string s;
    for (std::size_t k = 0; k < count && k < lines.size(); ++k) s += lines[k] + "\n";
    return s;
}

// Index (0-based) of the first line equal to `text`, from line `from` on.
std::size_t indexOf(const Lines& lines, const std::string& text, std::size_t from = 0) {
    for (std::size_t k = from; k < lines.size(); ++k)
        if (lines[k] == text) return k;
    ADD_FAILURE() << "no line " << text;
    return 0;
}

TEST_F(DatabaseTest, ReadsActivityModelAndComponentLinesKeepingMolalities) {
    KdbWriter w = writerWithComponents();
    w.component(3, "Chloride-ion-long-name", -1, 3.08, 35.453);
    w.activity(0, [](double t, double) { return 0.4913 + 0.00081 * t; });
    w.activity(1, 0.33);
    w.activity(2, 190.0);
    w.activity(3, 6.4);
    prog().load(w.text());
    prog().useComponents({1, 2, 5, 3});
    prog().saturationRun(100.0);
    prog().sp[4].molality = 0.123;
    prog().sp[4].gamma = 0.9;

    readSpecies(prog());

    const ActivityTables& am = prog().activityTables;
    EXPECT_NEAR(am.debyeA, 0.4913 + 0.081, 1e-12);
    EXPECT_NEAR(am.debyeB, 0.33, 1e-12);
    EXPECT_NEAR(am.bEta, 190.0 * 0.001 / (4.575673886150001 * 373.15), 1e-15);
    EXPECT_NEAR(am.bNaCl, 0.064, 1e-14);
    const Species& hco3 = prog().sp[3];
    EXPECT_EQ(hco3.name.view(), "HCO3-               ");
    EXPECT_EQ(hco3.charge, -1.0);
    EXPECT_EQ(hco3.size, 4.0);
    EXPECT_EQ(hco3.formulaWeight, 61.0171);
    EXPECT_EQ(hco3.alkFactor, 1.0);
    const Species& cl = prog().sp[4];
    EXPECT_EQ(cl.name.view(), "Chloride-ion-long-na");
    EXPECT_DOUBLE_EQ(cl.size, 3.08);  // "308" with two implied decimals
    EXPECT_EQ(cl.molality, 0.123);
    EXPECT_EQ(cl.gamma, 0.9);
    EXPECT_EQ(prog().sp.count, 4);
}

// The saturation run must take its 15 values from the grid points on the
// curve (1 bar up to 75 deg C, then the saturation-pressure rows): any other
// point is off by 500.
double offCurvePenalty(double t, double p) {
    double onCurve = 1.0;
    if (t >= 100.0) onCurve = gridPressure(static_cast<int>(std::lround((t - 100.0) / 25.0)) + 2);
    return (t <= 350.0 && p == onCurve) ? 0.0 : 500.0;
}

// Values quadratic in T and P are reproduced exactly by the three-point
// stencils; the groups are spread over several lines here.
TEST_F(DatabaseTest, FullTableOnTheGridOrAlongTheSaturationCurve) {
    auto quadraticT = [](double t) { return 2.0 + 0.01 * t - 2e-5 * t * t; };
    auto quadraticTP = [](double t, double p) {
        return 1.0 + 0.01 * t - 2e-5 * t * t + 3e-4 * p - 1e-8 * p * p;
    };
    KdbWriter w = writerWithComponents();
    w.valuesPerLine = 5;
    w.species({.name = "NaCl,aq", .reaction = {{1, 13}, {1, 3}},
               .logK = [=](double t, double p) { return quadraticT(t) + offCurvePenalty(t, p); }});
    w.species({.name = "CaCl+", .charge = 1, .size = 4.0, .reaction = {{1, 9}, {1, 3}}, .logK = quadraticTP});
    prog().useComponents({1, 2, 3, 9, 13});

    prog().load(w.text());
    prog().saturationRun(137.5);
    const RunSection run = readSpecies(prog());
    ASSERT_EQ(prog().sp.count, 7);
    EXPECT_NEAR(prog().sp[6].logK, quadraticT(137.5), 1e-9);
    // The minerals and gases begin right after the end record.
    const AqueousSection* section = run.aqueous;
    ASSERT_NE(section, nullptr);
    EXPECT_TRUE(prog().database.parsed().text().substr(section->end.offset).starts_with("Minerals and gases, head line 1"));

    prog().load(w.text());
    prog().extendedRun(263.0, 1234.0);
    readSpecies(prog());
    ASSERT_EQ(prog().sp.count, 7);
    EXPECT_NEAR(prog().sp[7].logK, quadraticTP(263.0, 1234.0), 1e-9);
    EXPECT_EQ(prog().sp[7].comp[1], 4);  // Ca++
    EXPECT_EQ(prog().sp[7].comp[2], 3);  // Cl-
}

// Where a message goes.
enum Destinations { none = 0, toConsole = 1, toListing = 2, toSkip = 4 };

struct SelectionCase {
    const char* what;
    KdbSpecies species;
    std::vector<int> components;
    bool extended;
    double temperature;
    bool kept;
    std::string message;
    int destinations;
};

TEST_F(DatabaseTest, SelectionRulesAndTheirMessages) {
    const std::string absent = " skipped. Log K data absent at given T. Max extrapolation is 50 \xB0" "C.\n";
    const std::string slow = " is SUPPRESSED in this run to accomodate slow redox kinetics.\n";
    const std::string suppressed = " is SUPPRESSED in the LOGKDATA database\n";
    const int everywhere = toConsole | toListing | toSkip;
    const std::vector<int> base = {1, 2, 3, 5, 9, 13};
    const std::vector<Term> methane = {{1, 5}, {9, 1}, {-3, 2}};
    const std::vector<double> eight = {1, 2, 3, 4, 5, 6, 7, 8};
    const KdbSpecies saturationOnly = {.name = "MgOH+", .reaction = {{1, 1}}, .range = "L-V ", .shortTable = eight};
    const KdbSpecies to200 = {.name = "CaHCO3+,ion-pair", .reaction = {{1, 9}, {1, 5}}, .range = "    ",
                              .shortTable = ABSENT_FROM_250};
    const SelectionCase cases[] = {
        {"L-V data, extended run", saturationOnly, base, true, 100.0, false,
         "  MgOH+        skipped.  Data limited to L-V saturation\n", toSkip},
        {"L-V data, saturation run", saturationOnly, base, false, 100.0, true, "", none},
        {"data to 200 C, run at 260 C", to200, base, false, 260.0, false, "  CaHCO3+,ion-" + absent,
         toConsole | toSkip},
        {"data to 200 C, run at 240 C", to200, base, true, 240.0, true, "", none},
        {"component absent from the run", {.name = "FeCl+", .reaction = {{1, 11}, {1, 3}}}, base, false, 25.0,
         false, "", none},
        {"number out of range", {.name = "Odd", .reaction = {{1, 99}}}, base, false, 25.0, false, "", none},
        {"CH4,aq with 45", {.name = "CH4,aq", .reaction = methane}, {1, 2, 5, 45}, false, 25.0, false,
         "  CH4,aq      " + slow, everywhere},
        {"CH4,aq without 45", {.name = "CH4,aq", .reaction = methane}, {1, 2, 5, 46}, false, 25.0, true, "", none},
        {"ethanol,aq with 45", {.name = "ethanol,aq", .reaction = methane}, {1, 2, 5, 45}, false, 25.0, false,
         "  ethanol,aq  " + slow, everywhere},
        {"names compared over 20 columns", {.name = "CH4,aqueous", .reaction = methane}, {1, 2, 5, 45}, false,
         25.0, true, "", none},
        {"H2,aq with 46", {.name = "H2,aq", .reaction = {{2, 1}}}, {1, 2, 46}, false, 25.0, false,
         "  H2,aq       " + slow, everywhere},
        {"NH3,aq with 48", {.name = "NH3,aq", .reaction = {{1, 1}}}, {1, 2, 48}, false, 25.0, false,
         "  NH3,aq      " + slow, everywhere},
        {"N2,aq with 48 only", {.name = "N2,aq", .reaction = {{1, 1}}}, {1, 2, 48}, false, 25.0, true, "", none},
        {"suppressed, long name", {.name = "KSO4-complex-ion", .reaction = {{1, 1}}, .suppression = "SUPR"}, base,
         false, 25.0, false, "  KSO4-complex" + suppressed, everywhere},
        {"absent data before suppression",
         {.name = "KSO4-", .reaction = {{1, 1}}, .range = "    ", .shortTable = ABSENT_FROM_250, .suppression = "SUPR"},
         base, false, 300.0, false, "  KSO4-       " + absent, toConsole | toSkip},
    };
    for (const SelectionCase& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        KdbWriter w = writerWithComponents();
        w.species(c.species);
        prog().load(w.text());
        prog().useComponents(c.components);
        if (c.extended)
            prog().extendedRun(c.temperature, 500.0);
        else
            prog().saturationRun(c.temperature);
        readSpecies(prog());
        EXPECT_EQ(prog().sp.count, static_cast<int>(c.components.size()) + (c.kept ? 1 : 0));
        EXPECT_EQ(prog().console(), c.destinations & toConsole ? c.message : "");
        EXPECT_EQ(prog().listing(), c.destinations & toListing ? c.message : "");
        EXPECT_EQ(prog().skip(), c.destinations & toSkip ? c.message : "");
    }
}

// A dropped species leaves its position to the next; the "CO2,aq" position
// names a kept species or is 0, in every run.
TEST_F(DatabaseTest, PositionsAfterDroppedSpeciesAndTheCarbonDioxidePosition) {
    KdbWriter w = writerWithComponents();
    w.species({.name = "CO2,aq", .reaction = {{1, 5}, {1, 1}, {-1, 2}}, .logK = -6.35});
    w.species({.name = "FeCl+", .reaction = {{1, 11}, {1, 3}}});
    w.species({.name = "OH-", .charge = -1, .reaction = {{1, 2}, {-1, 1}}, .logK = 14.0});
    prog().load(w.text());
    prog().useComponents({1, 2, 3, 5});
    readSpecies(prog());
    ASSERT_EQ(prog().sp.count, 6);
    EXPECT_EQ(prog().sp.co2Position, 5);
    EXPECT_TRUE(prog().sp[6].name.equals("OH-"));
    EXPECT_NEAR(prog().sp[6].logK, 14.0, 1e-12);

    prog().useComponents({1, 2});
    readSpecies(prog());
    EXPECT_EQ(prog().sp.co2Position, 0);
    EXPECT_TRUE(prog().sp[3].name.equals("OH-"));
}

TEST_F(DatabaseTest, SulfurCoefficientsForTheSulfideAndSulfateTotals) {
    const struct {
        const char* what;
        std::vector<Term> reaction;
        std::vector<int> components;
        double hs, so4;
    } cases[] = {
        {"sulfate only", {{1, 4}, {1, 1}}, {1, 2, 4, 6}, 0.0, 1.0},
        {"sulfide twice, the last counts", {{2, 6}, {1, 1}, {3, 6}}, {1, 2, 4, 6}, 3.0, 0.0},
        {"both sulfur states", {{1, 6}, {1, 4}, {-2, 1}}, {1, 2, 4, 6}, 0.0, 0.0},
        {"O2,aq among the components", {{1, 4}, {1, 1}}, {1, 2, 4, 31}, 0.0, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        KdbWriter w = writerWithComponents();
        w.species({.name = "X", .reaction = c.reaction});
        prog().load(w.text());
        prog().useComponents(c.components);
        readSpecies(prog());
        const Species& s = prog().sp[prog().sp.count];
        EXPECT_EQ(s.redoxHS, c.hs);
        EXPECT_EQ(s.redoxSO4, c.so4);
    }
}

TEST_F(DatabaseTest, SizeChecksStopWithTheirMessages) {
    KdbWriter terms = writerWithComponents();
    terms.species({.name = "Thirteen-term-species", .reaction = std::vector<Term>(13, Term{1, 1})});
    prog().load(terms.text());
    EXPECT_EQ(stopOf([&] { readSpecies(prog()); }), ExitStatus::error);
    EXPECT_EQ(prog().listing(),
              "\n     SPECIES Thirteen-ter IN LOGKDATA HAS TOO MANY COMPONENTS\n"
              "     ITOT FOR THAT SPECIES IS  13 ; MAXIMUM IS  12\n\n\n");
    EXPECT_EQ(prog().console(), "");

    // Stops before any species is read: the unreadable record is not reached.
    TearDown();
    SetUp();
    KdbWriter uncharged = writerWithComponents();
    uncharged.rawAqueous({"----", "Unreadable", "    xx"});
    prog().load(uncharged.text());
    prog().useComponents({1, 2, 31}, 31);
    const std::string message =
        "\n\n\n     SELECTED CHARGE BALANCE ION O2,aq        IS UNCHARGED !\n"
        "     SELECT A PROPER ION (C) \n\n\n\n";
    EXPECT_EQ(stopOf([&] { readSpecies(prog()); }), ExitStatus::error);
    EXPECT_EQ(prog().listing(), message);
    EXPECT_EQ(prog().console(), message);
}

// Every record, the end record included, takes the next free position: with
// the console program's 600 positions, 599 species fit (H+, water and 597
// more); without a limit the table grows to every species of the database.
TEST_F(DatabaseTest, SpeciesPositionsUpToTheLimitOfTheFront) {
    struct Case {
        int limit, secondaries;
        bool stops;
    };
    for (const Case c : {Case{600, 597, false}, Case{600, 598, true}, Case{UNLIMITED, 598, false},
                         Case{UNLIMITED, 1500, false}}) {
        SCOPED_TRACE(std::to_string(c.limit) + " " + std::to_string(c.secondaries));
        TearDown();
        SetUp();
        prog().limits.speciesPositions = c.limit;
        KdbWriter w;
        for (int k = 1; k <= c.secondaries; ++k)
            w.species({.name = "Species-number-" + std::to_string(k), .reaction = {{1, 1}}, .range = "    ",
                       .shortTable = {1, 2, 3, 4, 5, 6, 7, 8}});
        prog().load(w.text());
        if (c.stops) {
            EXPECT_EQ(stopOf([&] { readSpecies(prog()); }), ExitStatus::error);
            EXPECT_EQ(prog().listing(),
                      "\n     NUMBER OF SPECIES READ IN LOGKDATA EXCEEDS MAXIMUM OF 600\n"
                      "     LAST NAME READ IS:  Species-numb (NS=600)\n\n\n");
            continue;
        }
        readSpecies(prog());
        EXPECT_EQ(prog().sp.count, 2 + c.secondaries);
        EXPECT_EQ(prog().sp[prog().sp.count].name.trimmed(), "Species-number-" + std::to_string(c.secondaries));
        EXPECT_EQ(prog().listing(), "");
    }
}

// The read failures with a message of their own, on the console; the table
// failures say which line could not be read.
TEST_F(DatabaseTest, ReadFailureMessages) {
    KdbWriter w = writerWithComponents();
    w.species({.name = "Full", .reaction = {{1, 1}}, .logK = 1.0});
    w.species({.name = "Short", .reaction = {{1, 1}}, .range = "    ",
               .shortTable = {1, 2, 3, 4, 5, 6, 7, 8}});
    const Lines good = w.lines();
    const std::size_t rowA = indexOf(good, "  37 pressures x 36 temperatures") + 1;
    const std::size_t full = indexOf(good, KdbWriter::nameLine("Full", "    ", "All "));
    const std::size_t brief = indexOf(good, KdbWriter::nameLine("Short", "    ", "    "));
    const std::size_t components = indexOf(good, "Component species") + 1;
    auto damage = [&](std::size_t line, const std::string& by) {
        Lines lines = good;
        lines[line] = by;
        return join(lines);
    };
    const std::string bad = " 1.0 2.0 3.O";
    const struct {
        std::string text;
        std::string console;
    } cases[] = {
        {damage(rowA + 3, bad), "   Reading ZILCH error, logkdata line: " + std::to_string(rowA + 4) + "\n"},
        {damage(full + 3 + 20, bad), "   Reading ZZILCH error, logkdata line: " + std::to_string(full + 24) + "\n"},
        {join(good, full + 13),
         "   Reading ZZILCH error, logkdata line: " + std::to_string(full + 14) + " (end of file)\n"},
        {damage(brief + 3, bad), "   Reading ZILCH error, logkdata line: " + std::to_string(brief + 4) + "\n"},
        {damage(full + 1, "        -1x"), "   Bombed on reading species: Full                \n"},
        {damage(full + 2, " 1 1.00x    1"), "   Bombed on reading species: Full                \n"},
        {"preamble\n********\n", "   Reading dum error, logkdata line: ********\n"},
        {"preamble\n********\nlabel A\n", "   Reading dum error, logkdata line: label A \n"},
        {join(good, components), "   Reading dum error, logkdata line: Componen\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.console);
        TearDown();
        SetUp();
        prog().load(c.text);
        EXPECT_EQ(stopOf([&] { readSpecies(prog()); }), ExitStatus::error);
        EXPECT_EQ(prog().console(), c.console);
    }
}

// A value of a log K table that is no log K is refused before any run uses
// it, with the file, the line and the field: no NaN, infinity or overflow
// reaches an interpolator, no empty value between commas is passed over, and
// "+-1.57" is not read as -1.57. The absent-data value stays a value.
TEST_F(DatabaseTest, ValuesThatAreNoLogKAreRefusedWithTheLineAndTheField) {
    KdbWriter w = writerWithComponents();
    w.species({.name = "Full", .reaction = {{1, 1}}, .logK = 1.0});
    w.species({.name = "Short", .reaction = {{1, 1}}, .range = "    ", .shortTable = {1, 2, 3, 4, 5, 6, 7, 8}});
    w.mineral({.name = "Calcite", .range = "    ", .reaction = {{1, 1}}, .shortTable = {1, 2, 3, 4, 5, 6, 7, 8}});
    const Lines good = w.lines();
    const std::size_t full = indexOf(good, KdbWriter::nameLine("Full", "    ", "All ")) + 3;
    const std::size_t brief = indexOf(good, KdbWriter::nameLine("Short", "    ", "    ")) + 3;
    const std::size_t mineral = indexOf(good, " 1 2 3 4 5 6 7 8", brief + 1);
    const std::string plainRow = good[full + 5];
    ASSERT_EQ(good[brief], " 1 2 3 4 5 6 7 8");
    ASSERT_EQ(plainRow.substr(0, 3), " 1 ");
    auto damage = [&](std::size_t line, const std::string& by) {
        Lines lines = good;
        lines[line] = by;
        return join(lines);
    };
    const std::string species = "LOGKDATA.KDB, line " + std::to_string(brief + 1) + ": cannot read a log K table: ";
    const std::string calcite =
        "LOGKDATA.KDB, line " + std::to_string(mineral + 1) + ": cannot read the log K table of mineral Calcite: ";
    const struct {
        std::string text;
        std::string error;  // empty: read
    } cases[] = {
        {damage(brief, "1 2 3 nan 5 6 7 8"), species + "\"nan\" is not a finite number"},
        {damage(brief, "1 2 3 -INF 5 6 7 8"), species + "\"-INF\" is not a finite number"},
        {damage(brief, "1 2 3 +Infinity 5 6 7 8"), species + "\"+Infinity\" is not a finite number"},
        {damage(brief, "1 2 3 1e308 5 6 7 8"),
         species + "\"1e308\" is larger in magnitude than 1e6, which no log K is (absent data is 99999.999)"},
        {damage(brief, "1 2 3 -1234567 5 6 7 8"),
         species + "\"-1234567\" is larger in magnitude than 1e6, which no log K is (absent data is 99999.999)"},
        {damage(brief, "1 2 3 1.0D400 5 6 7 8"), species + "\"1.0D400\" is beyond the range of a double"},
        {damage(brief, "1.57,,1.59,4,5,6,7,8"), species + "an empty value between two commas"},
        {damage(brief, ",1,2,3,4,5,6,7,8"), species + "a comma before the first value"},
        {damage(brief, "1 2 3 +-1.57 5 6 7 8"), species + "\"+-1.57\" has two signs"},
        {damage(brief, "1 2 3 4.0.0 5 6 7 8"), species + "\"4.0.0\" is not a number"},
        {damage(brief, "1 2 3 " + std::string(60, '7') + "x 5 6 7 8"),
         species + "\"" + std::string(40, '7') + "...\" is not a number"},
        {damage(full + 5, "1234567" + plainRow.substr(2)),
         "LOGKDATA.KDB, line " + std::to_string(full + 6) +
             ": cannot read a log K table: \"1234567\" is larger in magnitude than 1e6, which no log K is "
             "(absent data is 99999.999)"},
        {damage(mineral, "1 2 3 4 5 6 NaN 8"), calcite + "\"NaN\" is not a finite number"},
        {damage(mineral, "1 2 3 4 5 6 7 8e6"),
         calcite + "\"8e6\" is larger in magnitude than 1e6, which no log K is (absent data is 99999.999)"},
        // Values that stay: the absent-data marker, commas between values,
        // a plus sign, a Fortran exponent, anything after the last value.
        {damage(brief, "1 2 3 99999.999 5 6 7 8"), ""},
        {damage(brief, "1, 2 ,3,4 ,5,6,7,8"), ""},
        {damage(brief, "+1.5 2 3 4 5 6 7 1.5D0"), ""},
        {damage(brief, "1 2 3 4 5 6 7 8,, what follows is not read"), ""},
        {damage(brief, "1 2 3 4,\n5 6 7 8"), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        TearDown();
        SetUp();
        prog().load(c.text);
        prog().conditions.mineralsSwitch = 1;
        std::string errors;
        const auto status = stopOf(
            [&] {
                readMinerals(prog(), readSpecies(prog()));
            },
            &errors);
        if (c.error.empty()) {
            EXPECT_EQ(status, std::nullopt) << errors;
        } else {
            EXPECT_EQ(status, ExitStatus::error);
            EXPECT_EQ(errors.rfind(c.error, 0), 0u) << errors;
        }
    }
}

// Failures without a message of their own: one line on the error stream with
// the file and the line, and an error exit.
TEST_F(DatabaseTest, LayoutFailuresNameFileAndLine) {
    KdbWriter w = writerWithComponents();
    w.species({.name = "OH-", .reaction = {{1, 2}, {-1, 1}}});
    const Lines lines = w.lines();
    const std::size_t first = indexOf(lines, "Component species") + 1;
    Lines badComponent = lines;
    badComponent[first + 2] = "Cl-                 xx";
    const std::size_t endRecord = lines.size() - 11 - 4 - 2;
    const struct {
        const char* what;
        std::string text;
        std::vector<int> components;
        std::string error;
    } cases[] = {
        {"no preamble mark", "just a preamble\n", {1, 2},
         "LOGKDATA.KDB, line 1: end of file before the \"********\""},
        {"bad component line", join(badComponent), {1, 2, 3},
         "line " + std::to_string(first + 3) + ": unreadable component-species line"},
        {"run component beyond the section", join(lines), {1, 2, 60},
         "line " + std::to_string(first + 49) + ": database number 60 is a component"},
        {"no end record", join(lines, endRecord), {1, 2},
         "line " + std::to_string(endRecord) + ": end of file in the aqueous species"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        prog().load(c.text);
        prog().useComponents(c.components);
        std::string errors;
        EXPECT_EQ(stopOf([&] { readSpecies(prog()); }, &errors), ExitStatus::error);
        EXPECT_NE(errors.find(c.error), std::string::npos) << errors;
    }
}

// Lines 1 to 71 of the component-species section are database numbers 1 to
// 71; a section that fills them all needs no blank line to end, and the
// aqueous species follow line 71 directly. A blank line whose number is a
// component of the run is read as that component's line.
TEST_F(DatabaseTest, ComponentSectionEndsAtABlankLineOrAfterLine71) {
    KdbWriter w = writerWithComponents();
    w.species({.name = "OH-", .charge = -1, .reaction = {{1, 2}, {-1, 1}}, .logK = 14.0});
    const Lines lines = w.lines();
    const std::size_t first = indexOf(lines, "Component species") + 1;
    const std::size_t blank = first + 48;  // number 49: the writer's last number is 48
    ASSERT_EQ(lines[blank], "");
    Lines full = lines;
    full.erase(full.begin() + static_cast<long>(blank));
    for (int number = 71; number >= 49; --number)
        full.insert(full.begin() + static_cast<long>(blank), "Number-" + std::to_string(number));
    Lines blankSixty = full;
    blankSixty[first + 59] = "";
    const struct {
        const char* what;
        std::string text;
        std::vector<int> components;
    } cases[] = {
        {"71 lines, no blank line", join(full), {1, 2}},
        {"blank line of a run component, then line 71", join(blankSixty), {1, 2, 60}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        prog().load(c.text);
        prog().useComponents(c.components);
        readSpecies(prog());
        ASSERT_EQ(prog().sp.count, static_cast<int>(c.components.size()) + 1);
        EXPECT_TRUE(prog().sp[prog().sp.count].name.equals("OH-"));
        EXPECT_NEAR(prog().sp[prog().sp.count].logK, 14.0, 1e-12);
    }
}

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The hand-checked database of the end-to-end tests, read at 25 deg C along
// the saturation curve (1 bar): each log K is its formula in the preamble.
TEST_F(DatabaseTest, SmallDatabaseGivesItsHandCheckedValues) {
    prog().load(fileText(std::string(WQSPEC_SOURCE_DIR) + "/tests/data/small.kdb"));
    prog().useComponents({1, 2, 3, 4, 5, 9, 10, 13});
    prog().conditions.mineralsSwitch = 1;
    readMinerals(prog(), readSpecies(prog()));
    const struct {
        const char* name;
        double logK;
    } species[] = {{"OH-", 14.0375},  {"CO2,aq", -6.35},   {"CO3--", 10.325},  {"NaCl,aq", 0.6},
                   {"CaCO3,aq", 6.5}, {"HSO4-", -2.0},     {"MgSO4,aq", -2.5}, {"CaCl+", 0.5502},
                   {"MgCl+", -0.35},  {"CaHCO3+,ion-pair", -1.1}, {"MgOH+", 11.4}},
      minerals[] = {{"Calcite", 1.55}, {"Gypsum", -4.63}, {"Halite", 1.57}, {"Anhydrite", -4.36}, {"CO2(g)", -7.675}};
    ASSERT_EQ(prog().sp.count, 8 + static_cast<int>(std::size(species)));
    for (int k = 0; k < static_cast<int>(std::size(species)); ++k) {
        SCOPED_TRACE(species[k].name);
        EXPECT_TRUE(prog().sp[9 + k].name.equals(species[k].name));
        EXPECT_NEAR(prog().sp[9 + k].logK, species[k].logK, 2e-6);
    }
    EXPECT_EQ(prog().sp.co2Position, 10);
    ASSERT_EQ(prog().minerals.count, static_cast<int>(std::size(minerals)));
    for (int k = 0; k < static_cast<int>(std::size(minerals)); ++k) {
        SCOPED_TRACE(minerals[k].name);
        EXPECT_TRUE(prog().minerals[k + 1].name.equals(minerals[k].name));
        EXPECT_NEAR(prog().minerals[k + 1].logK, minerals[k].logK, 2e-6);
    }
    EXPECT_EQ(prog().skip(),
              "  KSO4-        is SUPPRESSED in the LOGKDATA database\n"
              "  Dolomite             is SUPPRESSED in the LOGKDATA database\n");
}

}  // namespace
}  // namespace wq::testing
