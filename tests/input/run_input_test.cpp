#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/run_sequence.hpp"
#include "input/run_input.hpp"
#include "app/program.hpp"
#include "support/test_program.hpp"
#include "text/stop.hpp"

namespace wq {
namespace {

std::string componentRecord(int number, const std::string& total, const std::string& mtry = "",
                            const std::string& gamma = "") {
    auto field = [](const std::string& s) { return std::string(19 - s.size(), ' ') + s; };
    std::string n = std::to_string(number);
    return std::string(5 - n.size(), ' ') + n + std::string(13, ' ') + field(total) + field(mtry) + field(gamma);
}

struct CaseFile {
    std::string reals = "0.0 7.0 0.0 0.0 25.0 0.0 1.0E-12 1.0";
    std::string options = "0 0 0 0 50 3 0 0 0 0 0";
    std::vector<std::string> components = {componentRecord(1, "1.E-3"), componentRecord(2, "1."),
                                           componentRecord(3, "0.1"), componentRecord(13, "0.1")};
    bool endRecord = true;
    std::vector<std::string> tail = {"forced minerals"};

    std::string text() const {
        std::string t = "title one\ntitle two\nx\nx\n" + reals + "\nx\nx\nx\n" + options + "\nx\nx\n";
        for (const std::string& c : components) t += c + "\n";
        if (endRecord) t += "    0\n";
        for (const std::string& l : tail) t += l + "\n";
        return t;
    }
};

// Reads a run-input text into a fresh program whose channels are captured.
struct Reader {
    std::unique_ptr<testing::TestProgram> prog = testing::newProgram(testing::Channels::captured);

    explicit Reader(const CaseFile& c) { prog->caseFile = TextFile("WQCASE.DAT", c.text()); }
    void read() { readCase(*prog); }
};

TEST(RunInput, ComponentFieldsUseImpliedDecimalsAndDefaults) {
    CaseFile c;
    c.components = {componentRecord(1, "1"), componentRecord(2, "1.", "", ""),
                    componentRecord(3, "0.1", "-1.0", "0.95"), componentRecord(13, "0.1", "0.05", "0")};
    Reader r(c);
    r.read();
    Program& p = *r.prog;
    EXPECT_EQ(p.comp.count, 4);
    EXPECT_DOUBLE_EQ(p.comp[HYDROGEN_SLOT].mtot, 1.0e-13);  // the digit 1 alone under 13 implied decimals
    EXPECT_EQ(p.comp[WATER_SLOT].mtot, 1.0);
    EXPECT_EQ(p.sp[3].molality, 1.000000013351432e-10);  // Mtry <= 0 replaced
    EXPECT_EQ(p.sp[3].gamma, 0.95);                      // survives without activity option 3
    EXPECT_EQ(p.sp[4].molality, 0.05);
    EXPECT_EQ(p.sp[4].gamma, 1.0);
    EXPECT_EQ(p.map.position(13), 4);
    EXPECT_EQ(p.map.numberAt[4], 13);
    EXPECT_EQ(p.input.chargeBalancePosition, 3);
    EXPECT_EQ(p.input.convergence, 9.999999960041972e-13);  // 0 replaced
    EXPECT_EQ(p.forced.count, 0);
}

// The option integers as the water holds them, read as the solver reads
// them: 1 alone is a run at a given pressure and the Na-K-Ca temperature,
// any number but 0 a switch on, any refinement but 0 and 1 the iterative
// one; a fixed-activity species 0 is none, whatever activity is given; a
// pH of 0 is computed.
TEST(RunInput, TheOptionIntegersAreTheWatersTypedFields) {
    using When = ChargeBalance::When;
    const struct {
        const char* reals;
        const char* options;
        PressureKind pressure;
        bool minerals, naKCa;
        When balance;
        Refinement refinement;
        std::optional<FixedActivity> fixed;
        std::optional<double> pH;
    } cases[] = {
        {"0 7 0.5 0 25 0 1E-12 1", "0 0 0 0 50 3 0 0 0 0 0", PressureKind::saturationCurve, false, false,
         When::whenTotalsHeld, Refinement::none, std::nullopt, 7.0},
        {"0 7 0.5 0 25 0 1E-12 1", "1 1 0 1 50 3 13 1 1 0 0", PressureKind::given, true, true, When::always,
         Refinement::residual, FixedActivity{13, 0.5}, 7.0},
        {"0 0 0 0 25 0 1E-12 1", "2 5 0 -1 50 3 0 2 7 0 0", PressureKind::saturationCurve, true, false, When::always,
         Refinement::iterative, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        CaseFile f;
        f.reals = c.reals;
        f.options = c.options;
        TextFile file("WQCASE.DAT", f.text());
        Channels quiet;
        quiet.silence();
        const Water w = readRunInput(file, quiet).water;
        EXPECT_EQ(w.pressureKind, c.pressure) << c.options;
        EXPECT_EQ(w.controls.minerals, c.minerals) << c.options;
        EXPECT_EQ(w.controls.naKCaTemperature, c.naKCa) << c.options;
        EXPECT_EQ(w.chargeBalance.when, c.balance) << c.options;
        EXPECT_EQ(w.chargeBalance.species, 3) << c.options;
        EXPECT_EQ(w.controls.refinement, c.refinement) << c.options;
        EXPECT_EQ(w.fixedActivity, c.fixed) << c.options;
        EXPECT_EQ(w.pH, c.pH) << c.reals;
    }
}

TEST(RunInput, ActivityOptionThreeResetsEveryStartingGamma) {
    CaseFile c;
    c.options = "0 0 0 0 50 3 0 0 0 3 0";
    c.components[2] = componentRecord(3, "0.1", "", "0.95");
    Reader r(c);
    r.read();
    EXPECT_EQ(r.prog->sp[3].gamma, 1.0);
}

TEST(RunInput, DampingOutsideItsRangeBecomesZero) {
    for (const char* damping : {"1.0", "-0.5", "0.5"}) {
        CaseFile c;
        c.reals = std::string("1.0E-8 7.0 0.0 0.0 25.0 ") + damping + " 1.0E-12 1.0";
        Reader r(c);
        r.read();
        EXPECT_EQ(r.prog->input.damping, std::string(damping) == "0.5" ? 0.5 : 0.0) << damping;
    }
}

TEST(RunInput, AlkalinityAppendsTheCarbonateComponentAndScalesByTheWaterMass) {
    CaseFile c;
    c.reals = "1.0E-8 0.0 0.0 0.002 25.0 0.0 1.0E-12 1.0";
    c.components[1] = componentRecord(2, "1.5");
    Reader r(c);
    r.read();
    Program& p = *r.prog;
    ASSERT_EQ(p.comp.count, 5);
    EXPECT_EQ(p.comp[5].dbNumber, 5);
    EXPECT_EQ(p.comp[5].mtot, 0.002);
    EXPECT_EQ(p.sp[5].molality, 1.0e-7);
    EXPECT_EQ(p.map.position(5), 5);
    EXPECT_DOUBLE_EQ(p.conditions.alkalinity, 0.003);
}

TEST(RunInput, ComponentListNeedsItsEndingRecord) {
    // 69 distinct numbers (O2,aq and HS- may not stand together) and the end.
    CaseFile c;
    c.components.clear();
    for (int n = 1; n <= 70; ++n)
        if (n != 31) c.components.push_back(componentRecord(n, "1.E-3"));
    Reader ok(c);
    ok.read();
    EXPECT_EQ(ok.prog->comp.count, 69);

    c.components.push_back(componentRecord(31, "1.E-3"));
    c.endRecord = false;
    c.tail = {componentRecord(9, "1.")};
    Reader tooMany(c);
    EXPECT_EQ(testing::stopOf([&] { tooMany.read(); }), ExitStatus::error) << "a 71st component was accepted";
    EXPECT_NE(tooMany.prog->console().find("EXCEEDS THE"), std::string::npos);
}

TEST(RunInput, FileMayEndRightAfterTheComponentList) {
    CaseFile c;
    c.tail.clear();
    Reader r(c);
    r.read();
    EXPECT_EQ(r.prog->forced.count, 0);
}

TEST(RunInput, ForcedMineralsAreReadUntilABlankName) {
    CaseFile c;
    c.tail = {"skipped", "Calcite                 3     0.5", "Halite                 13  -250",
              std::string(20, ' ') + "  13", "Never read             13"};
    Reader r(c);
    r.read();
    Program& p = *r.prog;
    ASSERT_EQ(p.forced.count, 2);
    EXPECT_EQ(p.forced[1].mineral.view(), "Calcite             ");
    EXPECT_EQ(p.forced[1].component, 3);
    EXPECT_EQ(p.forced[1].target, 0.5);
    EXPECT_EQ(p.forced[2].component, 4);
    EXPECT_EQ(p.forced[2].target, -0.25);  // three implied decimals
}

// The reason of the STOP that reading ends in; "" when it reads through.
std::string stopReason(Reader& r) {
    try {
        r.read();
    } catch (const Stop& s) {
        EXPECT_EQ(s.status, ExitStatus::error);
        return s.reason;
    }
    return "";
}

TEST(RunInput, EveryConditionMustBeFinite) {
    const char* const names[8] = {"CONVERGENCE FACTOR", "PH",          "FIXED ACTIVITY",  "ALKALINITY",
                                  "TEMPERATURE",        "DAMPING FACTOR", "PRINT THRESHOLD", "PRESSURE"};
    const char* const reasons[8] = {"convergence factor", "pH",          "fixed activity",  "alkalinity",
                                    "temperature",        "damping factor", "print threshold", "pressure"};
    struct Written {
        const char* text;
        const char* shown;
    };
    const Written values[] = {{"nan", "NaN"}, {"inf", "Inf"}, {"-Infinity", "-Inf"}};
    for (int k = 0; k < 8; ++k) {
        for (const Written& v : values) {
            std::string reals[8] = {"0.0", "7.0", "0.0", "0.0", "25.0", "0.0", "1.0E-12", "1.0"};
            reals[k] = v.text;
            CaseFile c;
            c.reals.clear();
            for (const std::string& x : reals) c.reals += x + " ";
            Reader r(c);
            EXPECT_EQ(stopReason(r),
                      std::string("WQCASE.DAT, line 5: the ") + reasons[k] + " is not a finite number")
                << c.reals;
            EXPECT_EQ(r.prog->console(),
                      std::string("\n\n     ") + names[k] + " = " + v.shown +
                          " IS NOT A FINITE NUMBER.  CHECK WQCASE DATA FILE.\n\n")
                << c.reals;
        }
    }
}

// An unreadable forced-mineral record ends the list, as a blank name does, but
// not in silence: console and listing name the line.
TEST(RunInput, AnUnreadableForcedMineralEndsTheListWithAWarning) {
    for (const char* index : {"abc", "1.2.3", "nan", "inf", "    "}) {
        CaseFile c;
        const std::string calcite = std::string("Calcite                 3") + "      " + index;
        c.tail = {"skipped", "Halite                 13  -250", calcite, "Gypsum                  3     0.0"};
        Reader r(c);
        r.read();
        const bool readable = std::string(index) == "    ";
        EXPECT_EQ(r.prog->forced.count, readable ? 3 : 1) << index;
        const std::string warning = "     WARNING! LINE    19 OF WQCASE CANNOT BE READ AS A FORCED MINERAL:\n---> " +
                                    calcite + std::string(80 - calcite.size(), ' ') +
                                    "\n     THE FORCED-MINERAL LIST ENDS BEFORE IT, WITH  1 MINERALS.\n";
        EXPECT_EQ(r.prog->console().find(warning) != std::string::npos, !readable) << index << "\n" << r.prog->console();
    }
}

// The charge-balance species must be a component only when the run balances
// charges: with its switch, or when another total moves.
TEST(RunInput, ChargeBalanceSpeciesNeededOnlyWhenUsed) {
    struct Case {
        const char* what;
        const char* reals;
        const char* options;
        std::vector<std::string> tail;
        bool stops;
    };
    const char* computedPH = "0.0 0.0 0.0 0.0 25.0 0.0 1.0E-12 1.0";
    const Case cases[] = {
        {"never balances", computedPH, "0 0 0 0 50 9 0 0 0 0 0", {}, false},
        {"switch", computedPH, "0 0 0 1 50 9 0 0 0 0 0", {}, true},
        {"fixed pH", "0.0 7.0 0.0 0.0 25.0 0.0 1.0E-12 1.0", "0 0 0 0 50 9 0 0 0 0 0", {}, true},
        {"alkalinity", "0.0 0.0 0.0 0.002 25.0 0.0 1.0E-12 1.0", "0 0 0 0 50 9 0 0 0 0 0", {}, true},
        {"fixed activity", computedPH, "0 0 0 0 50 9 13 0 0 0 0", {}, true},
        {"forced mineral", computedPH, "0 0 0 0 50 9 0 0 0 0 0", {"x", "Halite                 13     0.0"}, true},
        {"a component", computedPH, "0 0 0 1 50 3 0 0 0 0 0", {}, false},
    };
    for (const Case& c : cases) {
        CaseFile f;
        f.reals = c.reals;
        f.options = c.options;
        f.tail = c.tail;
        Reader r(f);
        EXPECT_EQ(stopReason(r), c.stops ? "the charge-balance species 9 is not a component" : "") << c.what;
        EXPECT_EQ(r.prog->input.chargeBalancePosition, c.stops || std::string(c.what) != "a component" ? 0 : 3)
            << c.what;
    }
}

TEST(RunInput, FirstTwoComponentsMustBeHydrogenIonAndWater) {
    struct Case {
        std::vector<int> numbers;
        const char* reason;
    };
    const Case cases[] = {
        {{1, 2, 3, 13}, ""},
        {{2, 1, 3, 13}, "the first two components must be H+ (1) and H2O (2), not 2 and 1"},
        {{1, 3, 2, 13}, "the first two components must be H+ (1) and H2O (2), not 1 and 3"},
        {{1}, "the first two components must be H+ (1) and H2O (2), not 1 and 0"},
        {{}, "the first two components must be H+ (1) and H2O (2), not 0 and 0"},
    };
    for (const Case& c : cases) {
        CaseFile f;
        f.components.clear();
        for (int n : c.numbers) f.components.push_back(componentRecord(n, "1.E-3"));
        f.options = "0 0 0 0 50 13 0 0 0 0 0";
        Reader r(f);
        EXPECT_EQ(stopReason(r), c.reason);
    }
}

TEST(RunInput, ReadErrorShowsTheLineAndEndsOnClosedInput) {
    CaseFile c;
    c.options = "0 0 0 0 5O 3 0 0 0 0 0";
    Reader r(c);
    std::FILE* none = std::fopen("/dev/null", "rb");
    r.prog->io.input = Console(none);
    EXPECT_THROW(r.read(), Stop);
    std::fclose(none);
    std::string console = r.prog->console();
    EXPECT_NE(console.find("---> 0 0 0 0 5O 3 0 0 0 0 0" + std::string(58, ' ') + "\n\n"), std::string::npos)
        << console;
}

}  // namespace
}  // namespace wq
