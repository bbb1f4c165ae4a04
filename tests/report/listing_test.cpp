#include "report/listing.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "equilibria/redox.hpp"
#include "app/run_sequence.hpp"
#include "run/results.hpp"
#include "report/base_water.hpp"
#include "text/stop.hpp"

namespace wq {
namespace {

using testwater::baseComponents;
using testwater::baseWater;
using testing::Capture;
using testing::TestProgram;
using testwater::padded;
using testwater::BICARBONATE;
using testwater::CHLORIDE;
using testwater::H_ION;
using testwater::SODIUM;
using testwater::WATER;

const std::string PLUS_RULE = "  " + std::string(77, '+');
const std::string SPECIES_HEADER = "     Species         Molality      Log(m)    Activity       Log(a)    Gamma ";
const std::string TOTALS_HEADER =
    "    Species          Molality     Tot Moles       ppm         Tot Molality   Alpha";

// The block of a converged run, closed by its forced-saturation legend.
std::vector<std::string> resultBlock(Program& prog) {
    Capture listing(prog.io.listing);
    const Results results = evaluateResults(prog);
    writeResultBlock(results, prog.io.listing);
    writeForcedSaturationLegend(results, prog.io.listing);
    return listing.lines();
}

std::size_t indexOf(const std::vector<std::string>& lines, const std::string& line) {
    auto it = std::find(lines.begin(), lines.end(), line);
    EXPECT_NE(it, lines.end()) << "missing line: " << line;
    return static_cast<std::size_t>(it - lines.begin());
}

bool contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool anyStartsWith(const std::vector<std::string>& lines, const std::string& prefix) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.starts_with(prefix); });
}

// Row k of the totals table (component k).
std::string totalsRow(const std::vector<std::string>& lines, int k) {
    return lines.at(indexOf(lines, TOTALS_HEADER) + 1 + static_cast<std::size_t>(k));
}

// The printed rows of the species table.
std::vector<std::string> speciesRows(const std::vector<std::string>& lines) {
    const std::size_t first = indexOf(lines, SPECIES_HEADER) + 2;
    std::vector<std::string> rows;
    for (std::size_t i = first; i < lines.size() && !lines[i].empty(); ++i) rows.push_back(lines[i]);
    return rows;
}

// ---------------------------------------------------------------------------

// The results hold names and titles as written, without the blanks that pad
// them to their columns; the listing pads them again through its layouts.
TEST(Results, NamesAndTitlesAreHeldWithoutTheirPadding) {
    auto prog = baseWater();
    prog->addMineral("Halite", 1.57, {{SODIUM, 1.0}, {CHLORIDE, 1.0}});
    prog->conditions.mineralsSwitch = 1;
    const Results r = evaluateResults(*prog);
    EXPECT_EQ(r.title1, "Test water one");
    EXPECT_EQ(r.title2, "Second title line");
    EXPECT_EQ(r.species.at(SODIUM - 1).name, "Na+");
    EXPECT_EQ(r.components.at(CHLORIDE - 1).name, "Cl-");
    EXPECT_EQ(r.components.at(SODIUM - 1).flag, "");
    ASSERT_EQ(r.minerals.size(), 1u);
    EXPECT_EQ(r.minerals[0].name, "Halite");
    const std::vector<std::string> lines = resultBlock(*prog);
    EXPECT_EQ(lines.at(1), "  " + padded("Test water one", 80));
}

TEST(ResultBlock, BaseWaterLineByLine) {
    auto prog = baseWater();
    const std::vector<std::string> expected = {
        "",
        "  " + padded("Test water one", 80),
        "  " + padded("Second title line", 80),
        PLUS_RULE,
        "  Number of loops used =   7         Loop limit =  40",
        "",
        "  Temperature:  25.00  Degrees C.    Pressure:   1.013 Bars",
        "",
        "  Water:     1.0000(Kg.Liq.)     55.5083(Moles Liq.)     55.5000(Moles Total)",
        "        Activity = 0.9900",
        "  Stoichiometric Ionic Strength = .1000000E+00   Osmotic Coef. =  0.9300",
        "",
        "  Ionic Strength = .1000000E+00      Calculated Alkalinity = .1020120E-02",
        "",
        SPECIES_HEADER,
        "",
        "   1 H+           " "  0.1000E-06" " " "   -7.0000" " " "  0.9000E-07" " " "   -7.0458" " " "  0.9000E+00" " ",
        "   2 H2O          " "                        " "  0.9900E+00" " " "   -0.0044" " " "  0.9900E+00",
        "   3 Na+          " "  0.8000E-01" " " "   -1.0969" " " "  0.6240E-01" " " "   -1.2048" " " "  0.7800E+00" " ",
        "   4 Cl-          " "  0.1000E+00" " " "   -1.0000" " " "  0.7700E-01" " " "   -1.1135" " " "  0.7700E+00" " ",
        "   5 HCO3-        " "  0.1000E-02" " " "   -3.0000" " " "  0.8000E-03" " " "   -3.0969" " " "  0.8000E+00" " ",
        "   6 OH-          " "  0.1200E-06" " " "   -6.9208" " " "  0.9240E-07" " " "   -7.0343" " " "  0.7700E+00" " ",
        "   8 O2,aq        " "  0.1000E-14" " " "  -15.0000" " " "  0.1000E-14" " " "  -15.0000" " " "  0.1000E+01" " ",
        "   9 CO3--        " "  0.1000E-04" " " "   -5.0000" " " "  0.4000E-05" " " "   -5.3979" " " "  0.4000E+00" " ",
        "",
        "  Species with molality < 0.10E-09 are not printed, above.",
        "",
        "",
        TOTALS_HEADER,
        "",
        "   1 H+           " "  0.1000E-06" " " "  0.2000E-06" "  " " " " 0.199020E-03" " " "  0.2000E-06" " " "  0.500000",
        "   2 H2O          " "  0.1000E+01" " " "  0.5550E+02" "  " " " " 0.994107E+06" " " "  0.5550E+02" " " "  0.018018",
        "   3 Na+          " "  0.8000E-01" " " "  0.1000E+00" "  " " " " 0.228873E+04" " " "  0.1000E+00" " " "  0.800000",
        "   4 Cl-          " "  0.1000E+00" " " "  0.1000E+00" "  " " " " 0.348286E+04" " " "  0.1000E+00" " " "  1.000000",
        "   5 HCO3-        " "  0.1000E-02" " " "  0.2000E-02" "  " " " " 0.121402E+03" " " "  0.2000E-02" " " "  0.500000",
        "",
        "",
    };
    EXPECT_EQ(resultBlock(*prog), expected);
}

TEST(ResultBlock, SpeciesRowColumns) {
    auto prog = baseWater();
    const std::string row = speciesRows(resultBlock(*prog)).at(2);  // Na+
    ASSERT_EQ(row.size(), 79u);
    EXPECT_EQ(row.substr(0, 4), "   3");
    EXPECT_EQ(row.substr(5, 12), "Na+         ");    // columns 6-17
    EXPECT_EQ(row.substr(18, 12), "  0.8000E-01");   // m, 19-30
    EXPECT_EQ(row.substr(31, 10), "   -1.0969");     // log m, 32-41
    EXPECT_EQ(row.substr(42, 12), "  0.6240E-01");   // a, 43-54
    EXPECT_EQ(row.substr(55, 10), "   -1.2048");     // log a, 56-65
    EXPECT_EQ(row.substr(66, 12), "  0.7800E+00");   // gamma, 67-78
}

TEST(ResultBlock, WaterLineKeepsActivityColumnsBehindTwentyFourBlanks) {
    auto prog = baseWater();
    prog->input.printThreshold = 100.0;  // above every molality, water's included
    const std::vector<std::string> rows = speciesRows(resultBlock(*prog));
    ASSERT_EQ(rows.size(), 2u);  // water and O2,aq
    const std::string& water = rows[0];
    EXPECT_EQ(water.substr(0, 18), "   2 H2O          ");
    EXPECT_EQ(water.substr(18, 24), std::string(24, ' '));
    EXPECT_EQ(water.substr(42, 12), "  0.9900E+00");  // a, 43-54
    EXPECT_EQ(water.substr(55, 10), "   -0.0044");    // log a, 56-65
    EXPECT_EQ(water.substr(66), "  0.9900E+00");     // gamma, 67-78, no trailing blank
    EXPECT_TRUE(rows[1].starts_with("   8 O2,aq "));
}

TEST(ResultBlock, PrintThresholdRule) {
    struct Case {
        const char* name;
        double molality;
        bool printed;
    };
    const Case cases[] = {
        {"NaSO4-", 1e-10, true},     // equal to the threshold
        {"NaSO4-", 0.99e-10, false},
        {"O2,aq", 1e-30, true},      // kept whatever its molality
        {"O2,aq2", 1e-30, false},    // the exception needs the exact name
        {"o2,aq", 1e-30, false},
        {" O2,aq", 1e-30, false},
    };
    for (const Case& c : cases) {
        auto prog = baseComponents();
        prog->addSecondary(c.name, 0, 0.0, {}, c.molality, 1.0);
        const std::vector<std::string> rows = speciesRows(resultBlock(*prog));
        const bool printed = std::any_of(rows.begin(), rows.end(), [](const std::string& r) {
            return r.starts_with("   6 ");
        });
        EXPECT_EQ(printed, c.printed) << c.name << " " << c.molality;
    }
}

TEST(ResultBlock, NoTemperatureLineAtExactlyZero) {
    auto prog = baseWater();
    prog->conditions.temperature = 0.0;
    std::vector<std::string> lines = resultBlock(*prog);
    EXPECT_FALSE(anyStartsWith(lines, "  Temperature:"));
    EXPECT_TRUE(lines.at(5).starts_with("  Water: "));

    prog->conditions.temperature = 0.01;
    lines = resultBlock(*prog);
    EXPECT_EQ(lines.at(6), "  Temperature:   0.01  Degrees C.    Pressure:   1.013 Bars");
}

TEST(ResultBlock, ChargeBalanceLinesShowTheStartTotalAndTheChange) {
    auto prog = baseWater();
    prog->run.chargeImbalance = 1e-6;
    prog->comp[CHLORIDE].mtot = 0.1025;
    std::vector<std::string> lines = resultBlock(*prog);
    EXPECT_EQ(lines.at(5), "  Charge balance on Cl-              original Mtot value: 0.10000E+00");
    EXPECT_EQ(lines.at(6), "        changed by: 0.25000E-02");
    EXPECT_EQ(lines.at(8), "  Temperature:  25.00  Degrees C.    Pressure:   1.013 Bars");

    prog->comp[CHLORIDE].mtot = 0.0975;
    lines = resultBlock(*prog);
    EXPECT_EQ(lines.at(6), "        changed by: -.25000E-02");

    prog->run.chargeImbalance = 0.0;
    lines = resultBlock(*prog);
    EXPECT_FALSE(anyStartsWith(lines, "  Charge balance on"));
}

TEST(ResultBlock, NaClWarningCondition) {
    const std::string first = "  Apparently NaCl is not the dominant solute,";
    const std::string second = " thus Gamma(I) may be in error for this run";
    struct Case {
        const char* what;
        int chargeBalance;
        bool withoutSodium;
        bool warned;
    };
    const Case cases[] = {
        {"balance on Na+", SODIUM, false, false},
        {"balance on Cl-", CHLORIDE, false, false},
        {"balance on HCO3-", BICARBONATE, false, true},
        {"balance on HCO3-, no Na+", BICARBONATE, true, true},
        {"no balance species, no Na+", 0, true, false},
        {"no balance species", 0, false, true},
    };
    for (const Case& c : cases) {
        auto prog = baseWater();
        prog->input.chargeBalancePosition = c.chargeBalance;
        if (c.withoutSodium) prog->map.positionOf[13] = 0;
        const std::vector<std::string> lines = resultBlock(*prog);
        EXPECT_EQ(contains(lines, first), c.warned) << c.what;
        if (c.warned) {
            const std::size_t at = indexOf(lines, first);
            EXPECT_TRUE(lines.at(at - 1).starts_with("  Stoichiometric Ionic Strength")) << c.what;
            EXPECT_EQ(lines.at(at + 1), second) << c.what;
            EXPECT_EQ(lines.at(at + 2), "") << c.what;
            EXPECT_TRUE(lines.at(at + 3).starts_with("  Ionic Strength = ")) << c.what;
        }
    }
}

// ---------------------------------------------------------------------------
// Totals table

TEST(TotalsTable, RowColumns) {
    auto prog = baseWater();
    prog->conditions.pH = 7.0;
    const std::string row = totalsRow(resultBlock(*prog), H_ION);
    ASSERT_EQ(row.size(), 83u);
    EXPECT_EQ(row.substr(5, 12), "H+          ");    // name, 6-17
    EXPECT_EQ(row.substr(18, 12), "  0.1000E-06");   // free molality, 19-30
    EXPECT_EQ(row.substr(31, 12), "  0.2000E-06");   // Mtot, 32-43
    EXPECT_EQ(row.substr(43, 2), "CM");              // flag, 44-45
    EXPECT_EQ(row.substr(46, 13), " 0.199020E-03");  // ppm, 47-59
    EXPECT_EQ(row.substr(60, 12), "  0.2000E-06");   // Tot Molality, 61-72
    EXPECT_EQ(row.substr(73, 10), "  0.500000");     // Alpha, 74-83
}

TEST(TotalsTable, AlphaOfAZeroTotalIsTheSinglePrecision99999) {
    auto prog = baseWater();
    prog->comp[BICARBONATE].mtot = 0.0;
    const std::string row = totalsRow(resultBlock(*prog), BICARBONATE);
    EXPECT_EQ(row.substr(31, 12), "  0.0000E+00");
    EXPECT_EQ(row.substr(60, 12), "  0.0000E+00");
    EXPECT_EQ(row.substr(73, 10), "999.989990");
}

TEST(TotalsTable, TotalMolalityIsPerKilogramOfWater) {
    auto prog = baseWater();
    prog->run.kgw = 2.0;
    const std::string row = totalsRow(resultBlock(*prog), SODIUM);
    EXPECT_EQ(row.substr(31, 12), "  0.1000E+00");   // moles unchanged
    EXPECT_EQ(row.substr(60, 12), "  0.5000E-01");
    EXPECT_EQ(row.substr(73, 10), "  1.600000");     // 0.08 / 0.05
}

TEST(TotalsTable, FlagByFirstApplicableRule) {
    auto forceOn = [](Program& p, int k) {
        p.forced.count = 1;
        p.forced[1].mineral.assign("Halite");
        p.forced[1].component = k;
    };
    struct Case {
        const char* what;
        std::function<void(Program&)> setup;
        int k;
        const char* flag;
    };
    const std::vector<Case> cases = {
        {"plain component", [](Program&) {}, SODIUM, "  "},
        {"adjusted for charge balance",
         [](Program& p) { p.run.chargeImbalance = 1e-6; }, CHLORIDE, "AD"},
        {"not adjusted: no imbalance", [](Program&) {}, CHLORIDE, "  "},
        {"AD only on the charge-balance component",
         [](Program& p) { p.run.chargeImbalance = 1e-6; }, SODIUM, "  "},
        {"AD over EQ",
         [&](Program& p) {
             p.run.chargeImbalance = 1e-6;
             forceOn(p, CHLORIDE);
         },
         CHLORIDE, "AD"},
        {"EQ without an imbalance", [&](Program& p) { forceOn(p, CHLORIDE); }, CHLORIDE, "EQ"},
        {"EQ over AL",
         [&](Program& p) {
             p.conditions.alkalinity = 0.002;
             forceOn(p, BICARBONATE);
         },
         BICARBONATE, "EQ"},
        {"AL with an alkalinity", [](Program& p) { p.conditions.alkalinity = 0.002; }, BICARBONATE, "AL"},
        {"no AL without alkalinity", [](Program&) {}, BICARBONATE, "  "},
        {"AL over CM",
         [](Program& p) {
             p.conditions.alkalinity = 0.002;
             p.input.fixedActivityPosition = BICARBONATE;
         },
         BICARBONATE, "AL"},
        {"CM for the fixed-activity component",
         [](Program& p) { p.input.fixedActivityPosition = SODIUM; }, SODIUM, "CM"},
        {"CM for H+ with a pH", [](Program& p) { p.conditions.pH = 7.0; }, H_ION, "CM"},
        {"no CM for H+ with a computed pH", [](Program&) {}, H_ION, "  "},
        {"pH marks only H+", [](Program& p) { p.conditions.pH = 7.0; }, WATER, "  "},
    };
    for (const Case& c : cases) {
        auto prog = baseWater();
        c.setup(*prog);
        EXPECT_EQ(totalsRow(resultBlock(*prog), c.k).substr(43, 2), c.flag) << c.what;
    }
}

// ---------------------------------------------------------------------------
// Sulfur literal sums

constexpr int SULFIDE = 7;

// The base components with SO4-- and HS- and three sulfur species, 2 kg of water.
std::unique_ptr<TestProgram> sulfurWater() {
    auto prog = baseComponents();
    prog->run.kgw = 2.0;
    prog->addComponent(4, "SO4--", -2, 0.012, 0.01, 0.3, 96.0);
    prog->addComponent(6, "HS-", -1, 0.0015, 0.001, 0.75, 33.0);
    prog->sp[prog->addSecondary("NaSO4-", -1, 0.0, {}, 0.002, 0.7)].redoxSO4 = 1.0;
    prog->sp[prog->addSecondary("H2S,aq", 0, 0.0, {}, 0.0005, 1.0)].redoxHS = 1.0;
    prog->addSecondary("S2O3--", -2, 0.0, {}, 1e-6, 0.3);  // holds both: counted in neither sum
    return prog;
}

const std::string HS_LITERAL =
    "     HS- literal  " "  0.1000E-02" " " "  0.3000E-02" "   " " 0.491987E+02" " " "  0.1500E-02" "ST";
const std::string SO4_LITERAL =
    "     SO4-2 literal" "  0.1000E-01" " " "  0.2400E-01" "   " " 0.114499E+04" " " "  0.1200E-01" "ST";
const std::string ST_LEGEND_1 = "  ST means total moles, ppm and total molality exclude species";
const std::string ST_LEGEND_2 = "      for which SO4-2 and HS- are only involved in redox ";

TEST(SulfurLiterals, BothLiteralLinesFollowTheComponentsThenTheLegend) {
    auto prog = sulfurWater();
    const std::vector<std::string> lines = resultBlock(*prog);
    const std::size_t hs = indexOf(lines, HS_LITERAL);
    EXPECT_EQ(lines.at(hs - 1), totalsRow(lines, SULFIDE));
    EXPECT_EQ(lines.at(hs + 1), SO4_LITERAL);
    const std::vector<std::string> tail(lines.begin() + static_cast<long>(hs) + 2, lines.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"", "", ST_LEGEND_1, ST_LEGEND_2}));
    EXPECT_EQ(HS_LITERAL.substr(72, 2), "ST");  // columns 73-74
}

TEST(SulfurLiterals, OnlyTheSumOfAComponentInTheRun) {
    auto prog = baseComponents();
    prog->addComponent(4, "SO4--", -2, 0.012, 0.01, 0.3, 96.0);
    prog->sp[prog->addSecondary("NaSO4-", -1, 0.0, {}, 0.002, 0.7)].redoxSO4 = 1.0;
    const std::vector<std::string> lines = resultBlock(*prog);
    EXPECT_FALSE(anyStartsWith(lines, "     HS- literal"));
    EXPECT_TRUE(anyStartsWith(lines, "     SO4-2 literal"));
    EXPECT_TRUE(contains(lines, ST_LEGEND_1));
    EXPECT_FALSE(anyStartsWith(lines, "  Eh = "));  // sulfate alone gives no Eh
}

TEST(SulfurLiterals, NoneWithDissolvedOxygen) {
    auto prog = baseComponents();
    prog->addComponent(4, "SO4--", -2, 0.012, 0.01, 0.3, 96.0);
    prog->addComponent(31, "O2,aq", 0, 1e-4, 1e-4, 1.1, 32.0);
    prog->sp[prog->addSecondary("NaSO4-", -1, 0.0, {}, 0.002, 0.7)].redoxSO4 = 1.0;
    const std::vector<std::string> lines = resultBlock(*prog);
    EXPECT_FALSE(anyStartsWith(lines, "     SO4-2 literal"));
    EXPECT_FALSE(contains(lines, ST_LEGEND_1));
    EXPECT_TRUE(anyStartsWith(lines, "  Eh = "));
}

// ---------------------------------------------------------------------------
// Eh and the source temperature

TEST(DerivedQuantities, EhKindAndArguments) {
    auto sulfur = sulfurWater();
    sulfur->conditions.temperature = 80.0;
    const Results bySulfur = evaluateResults(*sulfur);
    EXPECT_EQ(bySulfur.ehCouple, EhCouple::sulfideSulfate);
    EXPECT_EQ(bySulfur.eh, ehFromSulfideSulfate(0.9e-7, 0.99, 0.01 * 0.3, 0.001 * 0.75, 80.0));

    auto oxygen = baseComponents();  // O2,aq wins over the sulfur couple
    oxygen->conditions.temperature = 80.0;
    oxygen->addComponent(4, "SO4--", -2, 0.012, 0.01, 0.3, 96.0);
    oxygen->addComponent(6, "HS-", -1, 0.0015, 0.001, 0.75, 33.0);
    oxygen->addComponent(31, "O2,aq", 0, 1e-4, 1e-4, 1.1, 32.0);
    const Results byOxygen = evaluateResults(*oxygen);
    EXPECT_EQ(byOxygen.ehCouple, EhCouple::oxygen);
    EXPECT_EQ(byOxygen.eh, ehFromOxygen(0.9e-7, 0.99, 1e-4 * 1.1, 80.0));

    EXPECT_EQ(evaluateResults(*baseWater()).ehCouple, EhCouple::none);
}

TEST(DerivedQuantities, EhLinesOfBothKinds) {
    auto check = [](Program& prog, const std::string& tail) {
        const std::vector<std::string> lines = resultBlock(prog);
        auto it = std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return l.starts_with("  Eh = "); });
        ASSERT_NE(it, lines.end());
        EXPECT_TRUE((it - 1)->starts_with("  Ionic Strength = "));
        EXPECT_EQ(it->substr(15), tail);
        EXPECT_NEAR(std::stod(it->substr(7, 8)), evaluateResults(prog).eh, 0.5e-4);
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.starts_with("  Eh = "); }), 1);
    };
    auto sulfur = sulfurWater();
    check(*sulfur, " V. (FROM HS- + 4H2O <=> 9H+ + SO4-- +8e-)");

    auto oxygen = baseComponents();
    oxygen->addComponent(31, "O2,aq", 0, 1e-4, 1e-4, 1.1, 32.0);
    check(*oxygen, " V. (FROM H2O <=> 1/2 O2(AQ.) + 2H+ + 2E-)");
}

// Base components with Ca++ and K+, 2 kg of water.
std::unique_ptr<TestProgram> geothermalWater() {
    auto prog = baseComponents();
    prog->run.kgw = 2.0;
    prog->input.geothermometer = 1;
    prog->conditions.temperature = 25.0;
    prog->addComponent(9, "Ca++", 2, 0.004, 0.001, 0.3, 40.0);
    prog->addComponent(12, "K+", 1, 0.002, 0.001, 0.75, 39.0);
    return prog;
}

TEST(DerivedQuantities, SourceTemperatureFromTotalMolalities) {
    auto prog = geothermalWater();
    const std::vector<std::string> lines = resultBlock(*prog);
    // Ca 0.002, K 0.001, Na 0.05 mol/kg: the beta = 1/3 branch gives 147.4 C.
    EXPECT_EQ(evaluateResults(*prog).sourceTemperature, naKCaSourceTemperature(0.002, 0.001, 0.05));
    const std::size_t at =
        indexOf(lines, "  Na-K-Ca Source Temperature : 147. Deg.C.     (Fournier & Truesdell, 1973)");
    EXPECT_TRUE(lines.at(at - 1).starts_with("  Ionic Strength = "));
    EXPECT_EQ(lines.at(at + 1), "");
    EXPECT_EQ(lines.at(at + 2), SPECIES_HEADER);
}

TEST(DerivedQuantities, SourceTemperatureOnlyWithSwitchOneAndCaKNa) {
    auto prog = geothermalWater();
    prog->map.positionOf[12] = 0;
    EXPECT_FALSE(anyStartsWith(resultBlock(*prog), "  Na-K-Ca Source Temperature"));
    EXPECT_FALSE(evaluateResults(*prog).sourceTemperatureShown);

    auto other = geothermalWater();  // only switch 1 asks for it
    other->input.geothermometer = 2;
    EXPECT_FALSE(anyStartsWith(resultBlock(*other), "  Na-K-Ca Source Temperature"));
}

// ---------------------------------------------------------------------------
// Legends

TEST(Legends, EachUnderItsCondition) {
    const std::string cm = "  CM means total moles of that species was computed from input of its activity";
    const std::string ad = "  AD means total moles of that species was adjusted for charge balance";
    struct Case {
        const char* what;
        std::function<void(Program&)> setup;
        std::vector<std::string> legends;
    };
    const std::vector<Case> cases = {
        {"none", [](Program&) {}, {}},
        {"pH given", [](Program& p) { p.conditions.pH = 7.0; }, {cm}},
        {"fixed activity", [](Program& p) { p.input.fixedActivityPosition = SODIUM; }, {cm}},
        {"charge adjusted", [](Program& p) { p.run.chargeImbalance = -3e-5; }, {ad}},
        {"alkalinity, per kg of water",
         [](Program& p) {
             p.conditions.alkalinity = 0.004;  // equivalents in 2 kg
             p.run.kgw = 2.0;
         },
         {"  AL means mtot of carbonate was computed from an alkalinity of  .2000000E-02"}},
        {"all three in order",
         [](Program& p) {
             p.conditions.pH = 6.5;
             p.run.chargeImbalance = 1e-6;
             p.conditions.alkalinity = 0.001;
         },
         {cm, ad, "  AL means mtot of carbonate was computed from an alkalinity of  .1000000E-02"}},
    };
    for (const Case& c : cases) {
        auto prog = baseWater();
        c.setup(*prog);
        const std::vector<std::string> lines = resultBlock(*prog);
        const std::size_t lastRow = indexOf(lines, TOTALS_HEADER) + 1 + BICARBONATE;
        std::vector<std::string> expected = {"", ""};
        expected.insert(expected.end(), c.legends.begin(), c.legends.end());
        EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<long>(lastRow) + 1, lines.end()), expected)
            << c.what;
    }
}

// ---------------------------------------------------------------------------
// Forced saturation

TEST(ForcedSaturationRows, ElevenPhasesWrapAfterTen) {
    auto prog = baseWater();
    prog->forced.count = 11;
    for (int e = 1; e <= 11; ++e) {
        prog->forced[e].mineral.assign((e < 10 ? "Phase0" : "Phase") + std::to_string(e));
        prog->forced[e].target = 0.25 * e - 1.0;
        prog->forced[e].component = (e % 2 == 1) ? SODIUM : CHLORIDE;
    }
    const std::vector<std::string> lines = resultBlock(*prog);
    const std::size_t at = indexOf(lines, "  EQ means total moles computed at forced");

    std::string names;
    for (int e = 1; e <= 10; ++e) names += padded((e < 10 ? "Phase0" : "Phase") + std::to_string(e), 20) + " ";
    const std::string targets = "  -0.750" + std::string(13, ' ') + "  -0.500" + std::string(13, ' ') +
                                "  -0.250" + std::string(13, ' ') + "   0.000" + std::string(13, ' ') +
                                "   0.250" + std::string(13, ' ') + "   0.500" + std::string(13, ' ') +
                                "   0.750" + std::string(13, ' ') + "   1.000" + std::string(13, ' ') +
                                "   1.250" + std::string(13, ' ') + "   1.500" + std::string(13, ' ');
    std::string components;
    for (int e = 1; e <= 10; ++e) components += padded(e % 2 == 1 ? "Na+" : "Cl-", 20) + " ";

    const std::vector<std::string> expected = {
        "  EQ means total moles computed at forced",
        "     saturation with the phase component ",
        "     below. Log(act) shown beneath name of phase component.",
        names,
        padded("Phase11", 20) + " ",
        targets,
        "   1.750" + std::string(13, ' '),
        components,
        padded("Na+", 20) + " ",
    };
    EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<long>(at), lines.end()), expected);
    EXPECT_EQ(lines.at(at - 1), "");  // right after the legends' two empty lines
    EXPECT_EQ(lines.at(at - 2), "");
}

TEST(ForcedSaturationRows, AbsentWithoutPhases) {
    auto prog = baseWater();
    EXPECT_FALSE(anyStartsWith(resultBlock(*prog), "  EQ means"));
}

// ---------------------------------------------------------------------------
// Loop limit

const std::string ABORT_MESSAGE =
    "\n\n     **** NUMBER OF LOOPS REACHED GIVEN MAXIMUM OF  40\n"
    "           NON-CONVERGENCE ASSUMED, EXECUTION ABORTED\n\n\n";

TEST(NonConvergence, MessageOnListingAndConsole) {
    auto prog = baseWater();
    Capture listing(prog->io.listing);
    Capture console(prog->io.console);
    writeNonConvergence(prog->input.loopLimit, prog->io.listing, prog->io.console);
    EXPECT_EQ(listing.text(), ABORT_MESSAGE);
    EXPECT_EQ(console.text(), ABORT_MESSAGE);
}

TEST(NonConvergence, BlockAtTheLimitEndsWithTheMessageBeforeTheForcedPhases) {
    auto prog = baseWater();
    prog->forced.count = 1;
    prog->forced[1].mineral.assign("Halite");
    prog->forced[1].component = CHLORIDE;
    prog->run.loops = 40;
    Capture listing(prog->io.listing);
    Capture console(prog->io.console);
    try {
        writeResultListing(*prog, evaluateResults(*prog));
        ADD_FAILURE() << "no stop at the loop limit";
    } catch (const Stop& s) {
        EXPECT_EQ(s.status, ExitStatus::error);
    }
    const std::string text = listing.text();
    const std::string lastRow =
        "   5 HCO3-        " "  0.1000E-02" " " "  0.2000E-02" "  " " " " 0.121402E+03" " " "  0.2000E-02" " " "  0.500000";
    EXPECT_TRUE(text.ends_with(lastRow + "\n" + "\n\n" + ABORT_MESSAGE));
    EXPECT_EQ(text.find("EQ means"), std::string::npos);
    EXPECT_EQ(console.text(), ABORT_MESSAGE);
}

TEST(NonConvergence, OnlyAtOrBeyondTheLimit) {
    for (int loops : {39, 40, 41}) {
        auto prog = baseWater();
        prog->run.loops = loops;
        Capture listing(prog->io.listing);
        Capture console(prog->io.console);
        bool stopped = false;
        try {
            writeResultListing(*prog, evaluateResults(*prog));
        } catch (const Stop&) {
            stopped = true;
        }
        EXPECT_EQ(stopped, loops >= 40) << loops;
    }
}

}  // namespace
}  // namespace wq
