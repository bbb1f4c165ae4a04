#include "input/case_writer.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <utility>
#include <string>
#include <vector>

#include "input/component_catalog.hpp"
#include "app/run_sequence.hpp"
#include "input/run_input.hpp"
#include "input/water_intake.hpp"
#include "input/waters.hpp"
#include "input/db_numbers.hpp"
#include "support/case_input_compare.hpp"
#include "support/test_program.hpp"
#include "text/stop.hpp"

namespace wq {
namespace {

using testing::newProgram;
using testing::TestProgram;

// A template with a forced mineral after its components, and an alkalinity
// without a carbonate component (the reader appends one).
const std::string TEMPLATE =
    "Template water\n"
    "second title\n"
    "x\nx\n"
    " 1.0E-9  7.5  0.0  0.002  30.0  0.0  1.0E-10  1.0\n"
    "x\nx\nx\n"
    " 0 1 0 1 60 3 0 1 0 0 0\n"
    "x\nx\n"
    "    1 H+             0.0000000000E+00   1.0000000000E-07   1.0000000000E+00\n"
    "    2 H2O            1.5000000000E+00   1.0000000000E+00   0.9000000000E+00\n"
    "    3 Cl-            2.0000000000E-02   1.0000000000E-02   0.9000000000E+00\n"
    "    9 Ca++           1.0000000000E-03   5.0000000000E-04   0.8000000000E+00\n"
    "    0\n"
    "Minerals\n"
    "Calcite               9     0.100\n";

ComponentCatalog catalog() {
    ComponentCatalog c;
    c.components = {{1, "H+", 1, 1.0079},       {2, "H2O", 0, 18.0152},   {3, "Cl-", -1, 35.453},
                    {5, "HCO3-", -1, 61.0171},  {6, "HS-", -1, 33.0739},  {9, "Ca++", 2, 40.08},
                    {13, "Na+", 1, 22.9898},    {31, "O2,aq", 0, 31.9988}};
    return c;
}

std::unique_ptr<TestProgram> read(const std::string& text) {
    auto p = newProgram(testing::Channels::captured);
    p->caseFile = TextFile("WQCASE.DAT", text);
    readCase(*p);
    return p;
}

// The template as the reader gives it to the case writer.
CaseInput templateCase(const TestProgram& t) {
    TextFile file = t.caseFile;
    Channels quiet;
    quiet.silence();
    return readRunInput(file, quiet).input;
}

WaterSample wellWater() {
    WaterSample w;
    w.name = "Well 7, spring 1991";
    w.temperature = 55.5;
    w.pH = 0.0;  // blank: computed
    w.alkalinity = 0.0031;
    w.kgWater = 0.99;
    w.totals = {{9, 0.004}, {13, 0.012}};
    return w;
}

// The template gives options and starting values; the water its components,
// totals and conditions. Nothing of the template's water leaks: not its Cl-,
// not its alkalinity, not its pH.
TEST(CaseWriter, TheTemplatesWaterDoesNotLeak) {
    auto t = read(TEMPLATE);
    const WaterSample w = wellWater();
    auto p = read(writeCase(templateCase(*t), catalog(), w, {1}));
    EXPECT_EQ(p->input.title1.view().substr(0, 19), "Well 7, spring 1991");
    EXPECT_EQ(p->input.title2.view().substr(0, 14), "Template water");
    EXPECT_EQ(p->input.temperature, 55.5);
    EXPECT_EQ(p->input.pH, 0.0);
    EXPECT_EQ(p->conditions.alkalinity, 0.0031 * 0.99);
    ASSERT_EQ(p->comp.count, 5);  // H+, H2O, Ca++, Na+ and the carbonate appended for the alkalinity
    const int numbers[] = {1, 2, 9, 13, 5};
    for (int k = 1; k <= 5; ++k) EXPECT_EQ(p->comp[k].dbNumber, numbers[k - 1]) << k;
    EXPECT_EQ(p->map.position(3), 0);  // the template's Cl- is not the water's
    EXPECT_EQ(p->comp[WATER_SLOT].mtot, 0.99);
    EXPECT_EQ(p->comp[3].mtot, 0.004);
    EXPECT_NEAR(p->sp[3].molality, 0.004 / 0.99, 1e-15);  // the given total starts the iteration
    EXPECT_EQ(p->sp[3].gamma, 0.8);                        // the template's starting value
    EXPECT_EQ(p->comp[4].mtot, 0.012);
    EXPECT_EQ(p->input.convergence, t->input.convergence);
    EXPECT_EQ(p->input.loopLimit, 60);
    EXPECT_EQ(p->input.geothermometer, 0);  // no K+: no Na-K-Ca temperature
    ASSERT_EQ(p->forced.count, 1);          // the template's Calcite, on Ca++
    EXPECT_EQ(p->forced[1].mineral.view().substr(0, 7), "Calcite");
    EXPECT_EQ(p->forced[1].target, 0.1);
}

TEST(CaseWriter, TheChargeBalanceAsChosen) {
    auto t = read(TEMPLATE);
    WaterSample w = wellWater();
    w.pH = 7.9;
    const struct {
        int balance, switchValue, species;
        double pH;
    } cases[] = {
        {0, 0, 9, 7.9},    // none: the switch off; the first charged component of the water named
        {13, 1, 13, 7.9},  // Na+
        {1, 1, 1, 0.0},    // H+: the pH from electroneutrality, the given pH only the start
    };
    for (const auto& c : cases) {
        auto p = read(writeCase(templateCase(*t), catalog(), w, {c.balance}));
        EXPECT_EQ(p->input.chargeBalanceSwitch, c.switchValue) << c.balance;
        EXPECT_EQ(p->input.chargeBalanceSpecies, c.species) << c.balance;
        EXPECT_EQ(p->input.pH, c.pH) << c.balance;
        EXPECT_NEAR(p->sp[HYDROGEN_SLOT].molality, std::pow(10.0, -7.9), 1e-20) << c.balance;
    }
}

// Below 20 C a saturation run cannot go: the water is an extended run at
// the pressure of the open air; from 20 C on the template's kind stays.
TEST(CaseWriter, ColdWatersAreExtendedRunsAtOneAtmosphere) {
    auto t = read(TEMPLATE);
    const struct {
        double temperature;
        int runKind;
        double pressure;
    } cases[] = {{0.5, 1, 1.013}, {9.9, 1, 1.013}, {19.99, 1, 1.013}, {20.0, 0, 1.0}, {55.5, 0, 1.0}};
    for (const auto& c : cases) {
        WaterSample w = wellWater();
        w.temperature = c.temperature;
        auto p = read(writeCase(templateCase(*t), catalog(), w, {1}));
        EXPECT_EQ(p->input.runKind, c.runKind) << c.temperature;
        EXPECT_EQ(p->input.pressure, c.pressure) << c.temperature;
        EXPECT_EQ(p->input.temperature, c.temperature);
    }
}

// A CO2 fugacity: the gas held at it by a forced-gas record on the
// carbonate component, which the water gains when it has none.
TEST(CaseWriter, ACo2FugacityIsTheGasHeldAtIt) {
    auto t = read(TEMPLATE);
    WaterSample w = wellWater();
    w.alkalinity.reset();
    w.logFugacityCO2 = -3.42;
    auto p = read(writeCase(templateCase(*t), catalog(), w, {1}));
    ASSERT_EQ(p->forced.count, 2);
    EXPECT_EQ(p->forced[2].mineral.view().substr(0, 6), "CO2(g)");
    EXPECT_EQ(p->comp[p->forced[2].component].dbNumber, 5);
    EXPECT_EQ(p->forced[2].target, -3.42);
    EXPECT_EQ(p->input.alkalinity, 0.0);
}

TEST(CaseWriter, TheDefaultTemplateOfATable) {
    const struct {
        std::vector<int> numbers;
        int geothermometer;
    } cases[] = {{{9, 13, 3}, 0}, {{13, 12, 9}, 1}, {{5}, 0}};
    for (const auto& c : cases) {
        auto p = read(defaultTemplate(c.numbers, catalog()));
        EXPECT_EQ(p->input.runKind, 0);
        EXPECT_EQ(p->input.mineralsSwitch, 1);
        EXPECT_EQ(p->input.chargeBalanceSwitch, 0);
        EXPECT_EQ(p->input.pH, 0.0);
        EXPECT_EQ(p->input.alkalinity, 0.0);
        EXPECT_EQ(p->input.loopLimit, 100);
        EXPECT_EQ(p->input.convergence, 1e-9);
        EXPECT_EQ(p->input.geothermometer, c.geothermometer);
        ASSERT_EQ(p->comp.count, 2 + static_cast<int>(c.numbers.size()));
        for (std::size_t k = 0; k < c.numbers.size(); ++k)
            EXPECT_EQ(p->comp[3 + static_cast<int>(k)].dbNumber, c.numbers[k]);
    }
}

// The water read back from the run input written for it, as the reader
// sees it: the same water, but that a file cannot say "as analysed" (its
// switch 0 balances only a water with a held total).
Water asItsFileSaysIt(Water water) {
    if (water.chargeBalance.when == ChargeBalance::When::never)
        water.chargeBalance.when = ChargeBalance::When::whenTotalsHeld;
    return water;
}

// A water of a table and the same water read from the run input written
// for it are one water, field by field; given to the program as a value it
// is one calculation with the file: every field of the run input bit for bit
// (the totals as their 13-digit fields hold them), and the same titles,
// notices and banner on the program's channels.
TEST(CaseWriter, AWaterGivenAsValuesIsTheWaterReadFromItsText) {
    auto t = read(TEMPLATE);
    const auto water = [](auto change) {
        WaterSample w = wellWater();
        change(w);
        return w;
    };
    const struct {
        const char* what;
        WaterSample water;
        int balance;
    } cases[] = {
        {"as analysed", wellWater(), 0},
        {"on Na+", water([](WaterSample& w) { w.pH = 7.9; }), 13},
        {"the pH from electroneutrality", wellWater(), 1},
        {"cold: an extended run", water([](WaterSample& w) { w.temperature = 4.0; }), 1},
        {"at a pressure of its own", water([](WaterSample& w) { w.pressure = 87.5; }), 1},
        {"totals of 17 digits", water([](WaterSample& w) { w.totals = {{9, 1.0 / 3.0}, {13, 2.0 / 3.0e-7}}; }), 1},
        {"a total far below a mole", water([](WaterSample& w) { w.totals = {{9, 1.234567890123456e-250}}; }), 0},
        {"a negative total whose field has room for 12 digits only",
         water([](WaterSample& w) { w.totals = {{9, -9.876543210987654e-250}, {13, 0.01}}; }), 1},
        {"a total below the smallest normal double", water([](WaterSample& w) { w.totals = {{9, 3.3e-310}}; }), 0},
        {"a zero total", water([](WaterSample& w) { w.totals = {{9, 0.0}, {13, 0.01}}; }), 1},
        {"CO2(g) fixing the carbonate", water([](WaterSample& w) {
             w.alkalinity.reset();
             w.logFugacityCO2 = -3.4217;
         }), 1},
        {"CO2(g) fixing the pH", water([](WaterSample& w) {
             w.logFugacityCO2 = -1.987654321;
             w.pHFromCO2 = true;
         }), 0},
        {"a long name cut in a character",
         water([](WaterSample& w) { w.name = std::string(79, 'x') + "\xc3\xa9 and more"; }), 1},
    };
    Channels quiet;
    quiet.silence();
    for (const auto& c : cases) {
        const Water given = asItsFileSaysIt(waterRunInput(templateCase(*t), catalog(), c.water, {c.balance}));
        const std::string text = runInputText(given, catalog());
        TextFile file("WQCASE.DAT", text);
        EXPECT_EQ(testing::waterDifference(readRunInput(file, quiet).water, given), "") << c.what;
        auto fromText = read(text);
        auto fromValues = newProgram(testing::Channels::captured);
        takeWater(*fromValues, given);
        CaseInput a, b;
        for (auto [program, into] : {std::pair{fromText.get(), &a}, std::pair{fromValues.get(), &b}}) {
            into->input = program->input;
            into->comp = program->comp;
            into->map = program->map;
            into->forced = program->forced;
            into->conditions = program->conditions;
            for (int k = 1; k <= program->comp.count; ++k) {
                into->startMolality[k] = program->sp[k].molality;
                into->startGamma[k] = program->sp[k].gamma;
            }
        }
        EXPECT_EQ(testing::caseInputDifference(a, b), "") << c.what;
        EXPECT_EQ(fromText->plot(), fromValues->plot()) << c.what;
        EXPECT_EQ(fromText->listing(), fromValues->listing()) << c.what;
        EXPECT_EQ(fromText->console(), fromValues->console()) << c.what;
        EXPECT_EQ(fromText->skip(), fromValues->skip()) << c.what;
    }
}

// A water the template cannot take stops both ways with one reason: a
// forced mineral on a component the water lacks, O2,aq beside HS-.
TEST(CaseWriter, AWaterTheTemplateCannotTakeStopsBothWaysAlike) {
    auto t = read(TEMPLATE);
    const auto reason = [](const std::function<void()>& run) {
        try {
            run();
        } catch (const Stop& stopped) {
            return stopped.reason;
        }
        return std::string("no stop");
    };
    WaterSample noCalcium = wellWater();
    noCalcium.totals = {{13, 0.012}};
    WaterSample oxygenAndSulfide = wellWater();
    oxygenAndSulfide.totals.push_back({db::OXYGEN, 1e-4});
    oxygenAndSulfide.totals.push_back({db::SULFIDE, 1e-5});
    const struct {
        WaterSample water;
        const char* expected;
    } cases[] = {{noCalcium, "forced mineral Calcite: IEQ 9 is not a component"},
                 {oxygenAndSulfide, "O2,aq and HS- are both components"}};
    for (const auto& c : cases) {
        const Water given = waterRunInput(templateCase(*t), catalog(), c.water, {1});
        EXPECT_EQ(reason([&] { read(runInputText(given, catalog())); }), c.expected);
        Channels quiet;
        quiet.silence();
        EXPECT_EQ(reason([&] { caseOfWater(given, quiet); }), c.expected);
    }
    // A value no table gives (the table refuses a cell that is not a finite
    // number) is still refused, not computed.
    WaterSample notFinite = wellWater();
    notFinite.temperature = std::numeric_limits<double>::quiet_NaN();
    Channels quiet;
    quiet.silence();
    EXPECT_EQ(reason([&] { caseOfWater(waterRunInput(templateCase(*t), catalog(), notFinite, {1}), quiet); }),
              "the run input: the temperature is not a finite number");
}

}  // namespace
}  // namespace wq
