// The minerals and gases of the database: selection, interpolation, the
// forced-saturation links, capacities and every message of readMineralsAndGases.
#include "input/minerals.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/run_sequence.hpp"
#include "input/database.hpp"
#include "support/kdb_writer.hpp"
#include "support/test_program.hpp"

namespace wq::testing {
namespace {

class MineralsTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        prog().useComponents({1, 2, 3, 4, 5, 9, 13});  // Ca++ at position 6, Na+ at 7
    }
    static KdbWriter writer() {
        KdbWriter w;
        w.component(3, "Cl-", -1, 3.0, 35.453);
        w.component(4, "SO4--", -2, 4.0, 96.0636);
        w.component(5, "HCO3-", -1, 4.0, 61.0171, 1.0);
        w.component(9, "Ca++", 2, 6.0, 40.08);
        w.component(13, "Na+", 1, 4.0, 22.9898);
        return w;
    }
    // The aqueous part first: readMineralsAndGases starts where it ends.
    void read(const KdbWriter& w) {
        prog().load(w.text());
        prog().conditions.mineralsSwitch = 1;
        const RunSection section = readSpecies(prog());
        prog().conditions.mineralsSwitch = readMineralsAndGases(databaseRun(prog()), section, prog().forced,
                                                                prog().comp, prog().minerals,
                                                                prog().input.debug != 0, prog().limits.mineralSlots);
    }
    const MineralEntry& entry(int slot) { return prog().minerals[slot]; }
};

const std::vector<double> SHORT_TO_200 = {1.0, 1.2, 1.5, 1.9, 2.4, ABSENT_DATA, ABSENT_DATA, ABSENT_DATA};
const KdbMineral CALCITE = {.name = "Calcite", .reaction = {{1, 9}, {1, 5}, {-1, 1}},
                            .logK = [](double t, double p) { return 1.85 - 0.012 * t + 2e-4 * p; }};
const KdbMineral HALITE = {.name = "Halite", .range = "    ", .reaction = {{1, 13}, {1, 3}},
                           .shortTable = {1.57, 1.59, 1.62, 1.66, 1.71, 1.77, 1.84, 1.92}};
const KdbMineral CO2_GAS = {.name = "CO2(g)", .suppression = "GAS ", .reaction = {{1, 5}, {1, 1}, {-1, 2}},
                            .logK = -7.8};

TEST_F(MineralsTest, KeepsMineralsAndGasesWithRunPositionsAndInterpolatedLogK) {
    KdbWriter w = writer();
    w.mineral(CALCITE);
    w.mineral(CO2_GAS);
    w.mineral(HALITE);
    prog().extendedRun(150.0, 100.0);
    prog().input.debug = 1;
    read(w);
    ASSERT_EQ(prog().minerals.count, 3);
    EXPECT_EQ(prog().conditions.mineralsSwitch, 3);
    EXPECT_NEAR(entry(1).logK, 1.85 - 0.012 * 150.0 + 2e-4 * 100.0, 1e-10);
    EXPECT_EQ(entry(1).itot, 3);
    EXPECT_EQ(entry(1).comp[1], 6);
    EXPECT_EQ(entry(1).comp[2], 5);
    EXPECT_EQ(entry(1).coef[3], -1.0);
    EXPECT_TRUE(entry(2).isGas());
    EXPECT_NEAR(entry(3).logK, 1.66, 1e-12);  // the short table at 150 deg C
    EXPECT_EQ(prog().listing(),
              "  Calcite                  0.0700\n"
              "  CO2(g)                  -7.8000\n"
              "  Halite                   1.6600\n");
    EXPECT_EQ(prog().console() + prog().skip(), "");
}

TEST_F(MineralsTest, BlankFirstEntryKeepsNothing) {
    read(writer());
    EXPECT_EQ(prog().minerals.count, 0);
    EXPECT_EQ(prog().conditions.mineralsSwitch, 0);
    EXPECT_EQ(prog().console() + prog().listing() + prog().skip(), "");
}

// Suppressed entries and those using a component absent from the run are
// passed over by counting lines (after the type-6 line, if any).
TEST_F(MineralsTest, EntriesLeftOutArePassedOverAndTheNextIsReadCorrectly) {
    KdbWriter w = writer();
    w.mineral({.name = "Dolomite-disordered", .type = 6, .suppression = "SUPP", .reaction = {{1, 9}},
               .logK = 9.0});
    w.mineral({.name = "Brucite", .suppression = "SUP ", .range = "    ", .reaction = {{1, 10}},
               .shortTable = SHORT_TO_200});
    w.mineral({.name = "Fluorite", .type = 6, .reaction = {{1, 9}, {2, 7}}, .logK = 10.0});  // F- absent
    w.mineral({.name = "Sylvite", .range = "    ", .reaction = {{1, 12}, {1, 3}}, .shortTable = SHORT_TO_200});
    w.mineral({.name = "Thirteen-terms", .suppression = "SUPP", .reaction = std::vector<Term>(13, Term{1, 1})});
    w.mineral({.name = "Gypsum", .type = 6, .reaction = {{1, 9}, {1, 4}, {2, 2}}, .logK = 4.58});
    w.mineral(HALITE);
    read(w);
    ASSERT_EQ(prog().minerals.count, 2);
    EXPECT_TRUE(entry(1).name.equals("Gypsum"));
    EXPECT_NEAR(entry(1).logK, 4.58, 1e-12);
    EXPECT_EQ(entry(1).comp[3], 2);
    EXPECT_TRUE(entry(2).name.equals("Halite"));
    const std::string suppressed =
        "  Dolomite-disordered  is SUPPRESSED in the LOGKDATA database\n"
        "  Brucite              is SUPPRESSED in the LOGKDATA database\n"
        "  Thirteen-terms       is SUPPRESSED in the LOGKDATA database\n";
    EXPECT_EQ(prog().console(), suppressed);
    EXPECT_EQ(prog().listing(), suppressed);
    EXPECT_EQ(prog().skip(), suppressed);
}

TEST_F(MineralsTest, SaturationOnlyAndAbsentData) {
    const KdbMineral saturationOnly = {.name = "Anhydrite", .range = "L-V ", .reaction = {{1, 9}, {1, 4}},
                                       .shortTable = {4.3, 4.6, 5.0, 5.4, 5.9, 6.4, 7.0, 7.7}};
    const KdbMineral to200 = {.name = "Aragonite", .range = "    ", .reaction = {{1, 9}, {1, 5}},
                              .shortTable = SHORT_TO_200};
    const struct {
        const char* what;
        KdbMineral mineral;
        bool extended;
        double temperature;
        bool kept;
        std::string message;  // console and skip list
    } cases[] = {
        {"L-V data, extended run", saturationOnly, true, 100.0, false,
         "  Anhydrite            skipped.  Data limited to L-V saturation\n"},
        {"L-V data, saturation run", saturationOnly, false, 100.0, true, ""},
        {"blank range code, extended run", to200, true, 100.0, true, ""},
        {"data to 200 C, run at 250 C", to200, false, 250.0, true, ""},
        {"data to 200 C, run at 251 C", to200, false, 251.0, false,
         "  Aragonite            skipped. Log K data absent at given T. Max extrapolation is 50 \xB0" "C.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        KdbWriter w = writer();
        w.mineral(c.mineral);
        w.mineral(HALITE);
        if (c.extended)
            prog().extendedRun(c.temperature, 500.0);
        else
            prog().saturationRun(c.temperature);
        read(w);
        EXPECT_EQ(prog().minerals.count, c.kept ? 2 : 1);
        EXPECT_EQ(prog().console(), c.message);
        EXPECT_EQ(prog().skip(), c.message);
        EXPECT_EQ(prog().listing(), "");
    }
}

// The blank entry that ends the section takes a slot too: with the console
// program's 500 slots 499 entries fit; without a limit, every entry.
TEST_F(MineralsTest, SizeChecksStopWithTheirMessages) {
    struct Case {
        int limit, count;
        bool stops;
    };
    for (const Case c : {Case{500, 499, false}, Case{500, 500, true}, Case{UNLIMITED, 1200, false}}) {
        SCOPED_TRACE(c.count);
        TearDown();
        SetUp();
        prog().limits.mineralSlots = c.limit;
        KdbWriter w = writer();
        for (int k = 1; k <= c.count; ++k)
            w.mineral({.name = "Mineral-number-" + std::to_string(k), .range = "    ", .reaction = {{1, 9}},
                       .shortTable = {1, 2, 3, 4, 5, 6, 7, 8}});
        if (!c.stops) {
            read(w);
            EXPECT_EQ(prog().minerals.count, c.count);
            EXPECT_EQ(prog().minerals[c.count].name.trimmed(), "Mineral-number-" + std::to_string(c.count));
            EXPECT_EQ(prog().listing(), "");
        } else {
            EXPECT_EQ(stopOf([&] { read(w); }), ExitStatus::error);
            EXPECT_EQ(prog().listing(),
                      "\n     NUMBER OF MINERALS READ IN LOGKDATA EXCEEDS MAXIMUM OF 500\n"
                      "     LAST NAME READ IS:  Mineral-number-500  \n\n\n");
        }
    }
    TearDown();
    SetUp();
    KdbWriter w = writer();
    w.mineral({.name = "Thirteen-terms", .reaction = std::vector<Term>(13, Term{1, 1})});
    EXPECT_EQ(stopOf([&] { read(w); }), ExitStatus::error);
    EXPECT_EQ(prog().listing(),
              "\n     MINERAL Thirteen-terms       IN LOGKDATA HAS TOO MANY COMPONENTS\n"
              "     ITOT FOR THAT MINERAL IS  13 ; MAXIMUM IS  12\n\n\n");
    EXPECT_EQ(prog().console(), "");
}

TEST_F(MineralsTest, ForcedSaturationLinksTheFirstEntryNamingAMineral) {
    ForcedSaturationList& forced = prog().forced;
    forced.count = 3;
    forced[1] = {Name20("Calcite"), 6, 0.0};  // Ca++
    forced[2] = {Name20("Calcite"), 5, 0.0};  // HCO3-: same mineral, stays unlinked
    forced[3] = {Name20("Halite"), 7, 0.0};   // Na+
    KdbWriter w = writer();
    w.mineral(CO2_GAS);
    w.mineral(CALCITE);
    w.mineral({.name = "Halite", .range = "    ", .reaction = {{1, 13}, {1, 3}}, .shortTable = SHORT_TO_200});
    read(w);
    const ComponentTable& comp = prog().comp;
    EXPECT_EQ(comp[6].forcedMineral, 2);
    EXPECT_EQ(comp[6].forcedEntry, 1);
    EXPECT_EQ(comp[5].forcedMineral, 0);
    EXPECT_EQ(comp[7].forcedMineral, 3);
    EXPECT_EQ(comp[7].forcedEntry, 3);

    // At 300 deg C Halite has no data: its link from the first run must go.
    prog().saturationRun(300.0);
    read(w);
    EXPECT_EQ(comp[6].forcedMineral, 2);
    EXPECT_EQ(comp[7].forcedMineral, 0);
    EXPECT_EQ(comp[7].forcedEntry, 0);
}

TEST_F(MineralsTest, UnreadableEntriesNameTheMineral) {
    KdbWriter good = writer();
    good.mineral(CALCITE);
    const std::vector<std::string> lines = good.lines();
    std::size_t header = 0;
    while (lines[header].rfind("Calcite", 0) != 0) ++header;
    const struct {
        std::size_t line;
        std::string by;
    } cases[] = {
        {header, "Calcite" + std::string(59, ' ') + " x"},  // entry type
        {header + 2, "  3    1.0x0  9"},                     // a coefficient
        {header + 3 + 36, " 1.0 2.0 bad"},                   // the last row of the table
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.by);
        TearDown();
        SetUp();
        std::vector<std::string> damaged = lines;
        damaged[c.line] = c.by;
        std::string text;
        for (const std::string& l : damaged) text += l + "\n";
        prog().load(text);
        prog().conditions.mineralsSwitch = 1;
        const RunSection section = readSpecies(prog());
        EXPECT_EQ(stopOf([&] { readMinerals(prog(), section); }), ExitStatus::error);
        EXPECT_EQ(prog().console(), "   Bombed on reading logkdata entries for mineral: Calcite             \n");
    }

    // An end of file in lines 2 to 5 is the entry's read failure too; the
    // message names what the slot holds then: here the name of the suppressed
    // entry read into it before.
    const struct {
        const char* what;
        std::vector<std::string> cut;
    } ends[] = {
        {"line 2", {"----"}},
        {"line 4", {"----", "Gypsum", "reaction follows"}},
        {"line 5 of type 6", {"----", "Gypsum" + std::string(60, ' ') + " 6   0.000", "reaction follows", "  1    1.000  9"}},
    };
    for (const auto& e : ends) {
        SCOPED_TRACE(e.what);
        TearDown();
        SetUp();
        KdbWriter cut = writer();
        cut.mineral(CALCITE);
        cut.mineral({.name = "Dolomite", .suppression = "SUPP", .reaction = {{1, 9}}, .logK = 9.0});
        cut.rawMineral(e.cut);
        cut.mineralEndEntry = false;
        EXPECT_EQ(stopOf([&] { read(cut); }), ExitStatus::error);
        const std::string named = std::string(e.what) == "line 2" ? "Dolomite" : "Gypsum";
        EXPECT_EQ(prog().console(), "  Dolomite             is SUPPRESSED in the LOGKDATA database\n"
                             "   Bombed on reading logkdata entries for mineral: " + named + std::string(20 - named.size(), ' ') + "\n");
    }

    // Without its blank end entry the section runs into the end of the file.
    TearDown();
    SetUp();
    KdbWriter open = writer();
    open.mineral(CALCITE);
    open.mineralEndEntry = false;
    std::string errors;
    EXPECT_EQ(stopOf([&] { read(open); }, &errors), ExitStatus::error);
    EXPECT_NE(errors.find("LOGKDATA.KDB, line " + std::to_string(open.lines().size()) +
                          ": end of file in the minerals"),
              std::string::npos)
        << errors;
}

}  // namespace
}  // namespace wq::testing
