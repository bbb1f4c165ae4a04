// The reservoir fluid reconstructed from synthetic sampled waters whose
// reservoir is known: each liquid was computed in equilibrium with quartz,
// albite, K-feldspar, muscovite, calcite and clinochlore at 180, 230 or
// 280 C, then boiled by a known steam fraction, stripped of a known share of
// its CO2 and left without aluminium (tests/data/reconstruction/make-fluids.py
// made them with the program itself). The sweep, seeking the steam loss and
// the CO2 with aluminium fixed by K-feldspar, must find the temperature within
// 10 C and the steam loss within 0.05 (and the CO2 within a fifth).
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "support/program_run.hpp"

namespace fs = std::filesystem;
using wq::testing::slurp;

namespace {

const fs::path kSource = fs::path(WQSPEC_SOURCE_DIR);

struct Fluid {
    const char* file;
    double temperature, steamLoss, co2Lost;  // as the fluid was made
    const char* co2Bounds;                   // mol/kgw
};

// What the sweep table says of the reconstructed fluid.
struct Found {
    bool present = false;
    double steamLoss = 0.0, co2Added = 0.0, temperature = 0.0;
};

Found foundIn(const std::string& table) {
    Found f;
    std::smatch m;
    const std::regex parameters(
        "# reconstruction: steam loss ([-0-9.e]+) \\(sought from 0 to 0.4\\); CO2 added ([-0-9.e]+) mol/kgw \\(sought");
    const std::regex estimate("# reconstruction: median [^\n]*; RMS log Q/K smallest at T = ([-0-9.]+) C");
    if (!std::regex_search(table, m, parameters)) return f;
    f.steamLoss = std::stod(m[1]);
    f.co2Added = std::stod(m[2]);
    if (!std::regex_search(table, m, estimate)) return f;
    f.temperature = std::stod(m[1]);
    f.present = true;
    return f;
}

// The CO2 each liquid held: 0.010, 0.030 and 0.050 mol/kg, of which the
// steam took half, 80 % and 95 %. The upper bound of the CO2 sought is about
// four times what the steam took, as a measured gas/steam ratio bounds it:
// the search is local past its starts, and between bounds twenty times wider
// the 180 C water settles in a valley of its own (190 C, no steam loss).
TEST(Reconstruction, SyntheticWatersGiveBackTheirReservoir) {
    const Fluid fluids[] = {
        {"fluid-180.DAT", 180.0, 0.10, 0.5 * 0.010, "0:0.02"},
        {"fluid-230.DAT", 230.0, 0.20, 0.8 * 0.030, "0:0.1"},
        {"fluid-280.DAT", 280.0, 0.30, 0.95 * 0.050, "0:0.2"},
    };
    const std::string database = slurp(kSource / "examples" / "LOGKDATA.KDB");
    for (const Fluid& fluid : fluids) {
        const std::string args = std::string("sweep --from 150 --to 320 --step 10 ") +
                                 "--minerals Quartz,Albite,low,Muscovite,Calcite,Clinochlore,14A " +
                                 "--fix-al K-Feldspar --steam-loss 0:0.4 --add-co2 " + fluid.co2Bounds;
        const wq::testing::ProgramRun run =
            wq::testing::runProgramWith(slurp(kSource / "tests" / "data" / "reconstruction" / fluid.file), "",
                                        database, std::string("reconstruct-") + fluid.file, args, "sweep.csv");
        // A boiled-back fluid of too much steam fails at the hottest
        // temperatures (status 1, its rows say why); the table is written.
        EXPECT_TRUE(run.status == 0 || run.status == 1) << fluid.file << ": " << run.errors;
        const Found found = foundIn(run.extra);
        ASSERT_TRUE(found.present) << fluid.file << "\n" << run.extra.substr(0, 3000);
        EXPECT_NEAR(found.temperature, fluid.temperature, 10.0) << fluid.file;
        EXPECT_NEAR(found.steamLoss, fluid.steamLoss, 0.05) << fluid.file;
        EXPECT_NEAR(found.co2Added, fluid.co2Lost, 0.2 * fluid.co2Lost) << fluid.file;
        EXPECT_NE(run.extra.find("\nreconstructed,converged"), std::string::npos) << fluid.file;
    }
}

// Rows of one kind ("sweep", "reconstructed") of a table, whole lines.
std::string rowsOfKind(const std::string& table, const std::string& kind) {
    std::string rows;
    for (std::size_t at = 0; (at = table.find("\n" + kind + ",", at)) != std::string::npos; ++at)
        rows += table.substr(at + 1, table.find('\n', at + 1) - at);
    return rows;
}

// Given parameters: one fluid computed, its rows after the sample's, whose
// rows are those of the same sweep without a reconstruction (the sample is
// computed as it stands, aluminium as its run input has it); the reservoir
// liquid comes back at its temperature.
TEST(Reconstruction, GivenParametersComputeOneFluidBesideTheUnchangedSample) {
    const std::string caseText = slurp(kSource / "tests" / "data" / "reconstruction" / "fluid-230.DAT");
    const std::string database = slurp(kSource / "examples" / "LOGKDATA.KDB");
    const std::string sweep = "sweep --from 200 --to 260 --step 10 --minerals Quartz,Albite,low,Muscovite,Calcite";
    const wq::testing::ProgramRun plain =
        wq::testing::runProgramWith(caseText, "", database, "reconstruct-given-plain", sweep, "sweep.csv");
    const wq::testing::ProgramRun rebuilt = wq::testing::runProgramWith(
        caseText, "", database, "reconstruct-given",
        sweep + " --steam-loss 0.2 --add-co2 0.024 --fix-al K-Feldspar", "sweep.csv");
    ASSERT_EQ(plain.status, 0) << plain.errors;
    ASSERT_EQ(rebuilt.status, 0) << rebuilt.errors;
    EXPECT_EQ(rowsOfKind(rebuilt.extra, "sweep"), rowsOfKind(plain.extra, "sweep"));
    EXPECT_EQ(rowsOfKind(plain.extra, "reconstructed"), "");
    EXPECT_NE(rebuilt.extra.find("# reconstruction: steam loss 0.2 (given); CO2 added 0.024 mol/kgw (given); "
                                 "Al+++ fixed by K-Feldspar at every temperature, its charge balanced on H+\n"),
              std::string::npos)
        << rebuilt.extra;
    EXPECT_NE(rebuilt.extra.find("; 1 fluids computed over the sweep\n"), std::string::npos);
    std::smatch m;
    const std::regex estimate("# reconstruction: median [^\n]*; RMS log Q/K smallest at T = ([-0-9.]+) C \\(([0-9.]+)");
    ASSERT_TRUE(std::regex_search(rebuilt.extra, m, estimate)) << rebuilt.extra;
    EXPECT_NEAR(std::stod(m[1]), 230.0, 2.0);
    EXPECT_LT(std::stod(m[2]), 0.02) << "every mineral at equilibrium in the reservoir liquid";
    std::size_t rows = 0;
    for (std::size_t at = 0; (at = rebuilt.extra.find("\nreconstructed,converged", at)) != std::string::npos; ++at)
        ++rows;
    EXPECT_EQ(rows, 7u);
}

// A gas/steam ratio without a steam loss seeks the steam loss within the
// default bounds; an H2S/steam ratio gives H2S back in proportion to the steam.
TEST(Reconstruction, GasSteamRatiosNeedNoSteamLossGiven) {
    std::string caseText = slurp(kSource / "tests" / "data" / "reconstruction" / "fluid-230.DAT");
    const std::string bicarbonate = "    5 HCO3-";
    caseText.insert(caseText.find(bicarbonate),
                    "    6 HS-            1.0000000000E-05   5.0000000000E-06   1.0000000000E+00\n");
    const std::string database = slurp(kSource / "examples" / "LOGKDATA.KDB");
    const std::string sweep = "sweep --from 200 --to 260 --step 20 --minerals Quartz,Albite,low,Muscovite,Calcite ";
    const wq::testing::ProgramRun sought = wq::testing::runProgramWith(
        caseText, "", database, "reconstruct-ratio", sweep + "--co2-steam 0.00216", "sweep.csv");
    ASSERT_EQ(sought.status, 0) << sought.errors;
    EXPECT_NE(sought.extra.find("# reconstruction: steam loss "), std::string::npos);
    EXPECT_NE(sought.extra.find(" (sought from 0 to 0.5); CO2/steam 0.00216 mol/mol (given); CO2 added "),
              std::string::npos) << sought.extra.substr(0, 2000);
    const wq::testing::ProgramRun sulfide = wq::testing::runProgramWith(
        caseText, "", database, "reconstruct-h2s", sweep + "--steam-loss 0.2 --h2s-steam 2mmol/kg", "sweep.csv");
    ASSERT_EQ(sulfide.status, 0) << sulfide.errors;
    // 2 mmol per kg of steam, 0.2 kg of steam per kg of reservoir water: 0.0004 mol/kgw.
    EXPECT_NE(sulfide.extra.find("H2S/steam 3.6e-05 mol/mol (given); H2S added 0.0004 mol/kgw (H2S/steam x steam "
                                 "loss x 55.51 mol/kg)"),
              std::string::npos) << sulfide.extra.substr(0, 2000);
}

// The options of a reconstruction are checked before any run, each mistake
// in one line.
TEST(Reconstruction, BadOptionsAreRefusedPlainly) {
    struct Case {
        const char* args;
        const char* message;
    };
    const Case cases[] = {
        {"--steam-loss 0.2:0.1", "--steam-loss 0.2:0.1: the lower bound must be below the upper"},
        {"--steam-loss 1.5", "--steam-loss 1.5: must lie from 0 to 0.9"},
        {"--steam-loss abc", "--steam-loss takes a number or LO:HI; abc is not one"},
        {"--add-co2 0:-1", "--add-co2 0:-1: the lower bound must be below the upper"},
        {"--steam-loss 0.1 --dilution 0.1", "--steam-loss and --dilution exclude each other"},
        {"--co2-steam 0.01 --dilution 0.1", "a gas/steam ratio gives the gas the steam took: it cannot go with --dilution"},
        {"--co2-steam 2mmol/kg:1mmol/kg", "the lower bound must be below the upper"},
        {"--h2s-steam 0.001", "H2S cannot be added back: HS- is not a component"},
        {"--enthalpy 1000", "--enthalpy needs --separation-pressure or --separation-temperature"},
        {"--separation-pressure 1", "a separation pressure or temperature needs --enthalpy"},
        {"--enthalpy 1000 --separation-pressure 1 --separation-temperature 100", "exclude each other"},
        {"--enthalpy 1000 --separation-temperature 100 --steam-loss 0.1", "--enthalpy gives the steam loss"},
        {"--enthalpy 300 --separation-temperature 100", "below the enthalpy of the saturated liquid at the separation (419.1"},
        {"--enthalpy 2600 --separation-temperature 100", "gives a steam fraction of 0.967, above 0.9"},
        {"--enthalpy 2000 --separation-temperature 360", "up to 350 C, 165.29 bar (IAPWS-IF97 regions 1, 2 and 4)"},
        {"--enthalpy 2000 --separation-pressure 230", "no separate steam above its critical point, 373.95 C, 220.64 bar"},
        {"--enthalpy 1000 --separation-temperature 100:120", "--separation-temperature takes one number"},
        {"--add-co2 0.01 --co2-steam 0.01 --steam-loss 0.1", "--add-co2 and --co2-steam exclude each other"},
        {"--fix-al Nonesuch", "unknown mineral Nonesuch"},
        {"--fix-al Quartz", "--fix-al Quartz: the mineral holds no aluminium"},
    };
    const std::string caseText = slurp(kSource / "tests" / "data" / "reconstruction" / "fluid-230.DAT");
    const std::string database = slurp(kSource / "examples" / "LOGKDATA.KDB");
    for (const Case& c : cases) {
        const wq::testing::ProgramRun run = wq::testing::runProgramWith(
            caseText, "", database, "reconstruct-bad", std::string("sweep --from 200 --to 210 ") + c.args, "sweep.csv");
        EXPECT_EQ(run.status, 2) << c.args;
        EXPECT_NE(run.errors.find(c.message), std::string::npos) << c.args << ": " << run.errors;
        EXPECT_EQ(run.extra, "") << c.args << ": no table";
    }
}

// A water whose analysis has no aluminium: --fix-al adds it as a trace, the
// mineral fixes it, and its charge is balanced on H+ (which has no total to
// run out of) up to the hottest temperature of the saturation curve's runs.
TEST(Reconstruction, FixingAluminiumAddsItWhereTheAnalysisHasNone) {
    const wq::testing::ProgramRun run = wq::testing::runProgramWith(
        slurp(kSource / "examples" / "geothermal" / "WQCASE.DAT"), "", slurp(kSource / "examples" / "LOGKDATA.KDB"),
        "reconstruct-no-al", "sweep --from 250 --to 350 --step 50 --fix-al K-Feldspar", "sweep.csv");
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_NE(run.errors.find("the analysis has no Al+++: K-Feldspar fixes it from a trace"), std::string::npos)
        << run.errors;
    EXPECT_NE(run.extra.find("Al+++ fixed by K-Feldspar at every temperature, its charge balanced on H+"),
              std::string::npos);
    std::size_t rows = 0;
    for (std::size_t at = 0; (at = run.extra.find("\nreconstructed,converged", at)) != std::string::npos; ++at) ++rows;
    EXPECT_EQ(rows, 3u) << run.extra;
}

}  // namespace

namespace {

// Synthetic discharges (bench/geothermometry.py): reservoir liquids of
// temperatures off the sweep's nodes, boiled to 100 C by IAPWS steam
// fractions, stripped of 80-95 % of their CO2, analysed with 3 % errors,
// cooled to 25 C, with and without Al. Their discharge enthalpy and
// CO2/steam ratio, as a well test measures them, pin the temperature; the
// estimate does not move with the grid.
struct Discharge {
    const char* file;
    double temperature;
    const char* measured;  // --enthalpy, --separation-temperature, --co2-steam and the Al option
};

const Discharge kDischarges[] = {
    {"t204.9-co20.80-noal.DAT", 204.9,
     "--enthalpy 874.540 --separation-temperature 100 --co2-steam 0.00106965 --fix-al K-Feldspar "
     "--minerals Quartz,Albite,low,Muscovite,Calcite,Clinochlore,14A"},
    {"t261.1-co20.95-al.DAT", 261.1,
     "--enthalpy 1140.298 --separation-temperature 100 --co2-steam 0.00140402 "
     "--minerals Quartz,Albite,low,Muscovite,Calcite,Clinochlore,14A,K-Feldspar"},
    {"t293.7-co20.95-noal.DAT", 293.7,
     "--enthalpy 1309.902 --separation-temperature 100 --co2-steam 0.00141936 --fix-al K-Feldspar "
     "--minerals Quartz,Albite,low,Muscovite,Calcite,Clinochlore,14A"},
};

// The reconstructed fluid's best temperature and the ends of its uncertainty.
struct Estimated {
    bool found = false;
    double temperature = 0.0, low = 0.0, high = 0.0;
};

Estimated estimatedIn(const std::string& table) {
    Estimated e;
    std::smatch m;
    const std::regex best("# reconstruction: median [^\n]*; RMS log Q/K smallest at T = ([-0-9.]+) C");
    const std::regex profile("# reconstruction: uncertainty: [^\n]* from ([-0-9.]+) C[^\n]* to ([-0-9.]+) C");
    if (!std::regex_search(table, m, best)) return e;
    e.temperature = std::stod(m[1]);
    if (!std::regex_search(table, m, profile)) return e;
    e.low = std::stod(m[1]);
    e.high = std::stod(m[2]);
    e.found = true;
    return e;
}

Estimated sweepOf(const std::string& file, const std::string& args) {
    const wq::testing::ProgramRun run = wq::testing::runProgramWith(
        slurp(kSource / "tests" / "data" / "geothermometry" / file), "",
        slurp(kSource / "examples" / "LOGKDATA.KDB"), "discharge-" + file, "sweep " + args, "sweep.csv");
    EXPECT_EQ(run.status, 0) << file << ": " << run.errors;
    return estimatedIn(run.extra);
}

TEST(Reconstruction, TheDischargesEnthalpyAndGasPinTheTemperatureOnAnyGrid) {
    for (const Discharge& d : kDischarges) {
        const Estimated e = sweepOf(d.file, std::string("--from 150 --to 320 --step 5 ") + d.measured);
        ASSERT_TRUE(e.found) << d.file;
        EXPECT_NEAR(e.temperature, d.temperature, 5.0) << d.file;
        for (const char* grid : {"--from 153.7 --to 320 --step 5 ", "--from 150.4 --to 320 --step 2.5 ", "--from 151 --to 320 --step 10 "})
            EXPECT_NEAR(sweepOf(d.file, grid + std::string(d.measured)).temperature, e.temperature, 0.5)
                << d.file << " " << grid;
    }
}

// With the steam loss and the CO2 unknown the temperature is weakly pinned
// (less steam and more CO2 make up for degrees): the printed uncertainty,
// the profile of the RMS over both, must hold the truth.
TEST(Reconstruction, TheUncertaintyOfAFreeSearchHoldsTheTruth) {
    const Discharge& d = kDischarges[0];
    const Estimated e = sweepOf(d.file, "--from 170 --step 10 --to 250 --reconstruct --fix-al K-Feldspar "
                                        "--minerals Quartz,Albite,low,Muscovite,Calcite,Clinochlore,14A");
    ASSERT_TRUE(e.found);
    EXPECT_LE(e.low, d.temperature);
    EXPECT_GE(e.high, d.temperature);
    EXPECT_LT(e.high - e.low, 60.0) << "an uncertainty, not the whole sweep";
}

}  // namespace
