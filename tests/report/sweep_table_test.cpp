// The sweep's table and console lines from a SweepResult made by hand.
#include "report/sweep_table.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/test_program.hpp"

namespace wq {
namespace {

// Converged runs whose one mineral crosses log Q/K = 0 at 250 C.
SweepResult hotWater() {
    SweepResult s;
    s.title1 = "  Well 7 ";
    s.title2 = "second line";
    s.from = 200.0;
    s.to = 300.0;
    s.step = 50.0;
    s.chosen = {"Quartz"};
    for (double t : {225.0, 200.0, 250.0, 300.0}) {
        SweepRow row;
        row.input = s.rows.empty();
        row.temperature = t;
        row.pressure = saturationPressure(t);
        row.status = "converged";
        Results r;
        r.converged = true;
        r.loops = 12;
        r.activityModel = "pitzer";
        r.pH = 6.5;
        r.ionicStrength = 0.1;
        r.minerals.push_back({"Quartz", 0.0, 0.0, (250.0 - t) / 50.0, t < 250.0});
        row.results = r;
        s.rows.push_back(row);
        if (!row.input) s.temperatures.push_back(t);
    }
    s.chosenCurves = {{1.0, 0.0, -1.0}};
    s.estimate = estimateTemperature(s.temperatures, s.chosenCurves);
    return s;
}

TEST(SweepTable, HeadLinesEchoTheOptionsAndTheEstimate) {
    const std::string table = sweepTable(hotWater());
    EXPECT_EQ(table.rfind("# wqspec sweep: Well 7\n# second line\n"
                          "# runs: on the liquid-vapour saturation curve; T from 200 to 300 C in steps of 50 C; "
                          "the first row is the run at the run input's conditions\n"
                          "# activity model: pitzer\n"
                          "# chosen minerals: Quartz\n"
                          "# geothermometers of the analysis as given (before any charge balance): none (the water "
                          "lacks silica, sodium and potassium)\n"
                          "# log Q/K = 0: Quartz 250.0 C\n"
                          "# estimate: median |log Q/K| smallest at T = 250.0 C (0.000)",
                          0),
              0u)
        << table;
    EXPECT_NE(table.find("\nrun,status,loops,T [C],P [bar],pH,I [mol/kgw],median |SI| chosen,RMS SI chosen,SI(Quartz)\n"
                         "input,converged,12,225,"),
              std::string::npos)
        << table;
    // The run at the run input's conditions has no statistics of the estimate.
    // (Numbers in their shortest exact form: 0.1, not 0.10000000000000001.)
    EXPECT_NE(table.find(",0.1,,,0.5\nsweep,converged,12,200,"), std::string::npos) << table;
}

// The classical geothermometers from the mg/kg of the analysis as given;
// the temperatures are those of the published
// equations evaluated by hand (tests/equilibria/geothermometers_test.cpp;
// K/Mg here: 4410 / (14 - log(100^2 / 0.1)) - 273.15 = 216.85 C).
TEST(SweepTable, GeothermometersLine) {
    struct Case {
        const char* what;
        double silica, sodium, potassium, magnesium;
        bool naKCaGiven;
        const char* line;
    };
    const Case cases[] = {
        {"every one in range", 265.0, 1000.0, 100.0, 0.1, true,
         "Na-K-Ca 255 C, quartz 200 C, quartz steam loss 184 C, chalcedony 182 C, Na/K 232 C, K/Mg 217 C"},
        {"silica beyond the calibration", 670.0, 0.0, 0.0, 0.0, false,
         "quartz 281 C (outside its 0-250 C), quartz steam loss 247 C, chalcedony 281 C (outside its 0-250 C)"},
        {"too little sodium for Na/K", 0.0, 2000.0, 10.0, 0.0, false, "Na/K 70 C (outside its 180-350 C)"},
        {"nothing to read", 0.0, 0.0, 0.0, 0.0, false, "none (the water lacks silica, sodium and potassium)"},
    };
    for (const Case& c : cases) {
        GivenAnalysis a{c.silica, c.sodium, c.potassium, c.magnesium, c.naKCaGiven ? 254.6 : NAN};
        EXPECT_EQ(geothermometersText(a), c.line) << c.what;
    }
}

// The reconstruction's lines: the discharge, the parameters as given or
// found, the estimate of the reconstructed fluid, its uncertainty with the
// parameters at its ends and the diagnostic with each mineral left out.
TEST(SweepTable, ReconstructionLines) {
    SweepReconstruction r;
    FluidParameter steam;
    steam.name = "steam loss";
    steam.value = 0.21347;
    steam.origin = FluidParameter::Origin::sought;
    steam.low = 0.0;
    steam.high = 0.4;
    FluidParameter co2;
    co2.name = "CO2 added";
    co2.unit = "mol/kgw";
    co2.value = 0.012;
    r.parameters = {steam, co2};
    r.aluminiumMineral = "Albite,low";
    r.fit.best.estimate = hotWater().estimate;
    r.fit.evaluations = 42;
    r.discharge = "enthalpy 1085 kJ/kg";
    r.fit.profile.found = true;
    r.fit.profile.low.temperature = 240.04;
    r.fit.profile.high.temperature = 265.0;
    r.fit.profile.high.atEdge = true;
    r.profileLow = {steam};
    r.profileLow[0].value = 0.3;
    r.fit.spreadFound = true;
    r.fit.spreadLow = 245.25;
    r.fit.spreadHigh = 262.0;
    for (double t : {245.25, 262.0, 250.0}) {
        ReconstructionFit f;
        f.estimate.rmsMinimum.found = true;
        f.estimate.rmsMinimum.temperature = t;
        r.fit.leftOut.push_back(f);
    }
    const std::string lines = reconstructionLines(r, {"Quartz", "Calcite", "Albite,low"});
    EXPECT_EQ(lines,
              "# discharge: enthalpy 1085 kJ/kg\n"
              "# reconstruction: steam loss 0.213 (sought from 0 to 0.4); CO2 added 0.012 mol/kgw (given); "
              "Al+++ fixed by Albite,low at every temperature, its charge balanced on H+\n"
              "# reconstruction: " + estimateText(r.fit.best.estimate) + "\n"
              "# reconstruction: uncertainty: the RMS can be brought within 0.10 of its best by the parameters "
              "within their bounds from 240.0 C (steam loss 0.3) to 265.0 C (the edge of the sweep)\n"
              "# reconstruction: diagnostic, not an uncertainty: with one mineral left out in turn the RMS is "
              "smallest from 245.2 to 262.0 C "
              "(Quartz out 245.2 C, Calcite out 262.0 C, Albite,low out 250.0 C); 42 fluids computed over the sweep\n");
    r.fit.spreadFound = false;
    r.fit.leftOut.clear();
    EXPECT_NE(reconstructionLines(r, {"Quartz"}).find("no mineral left out: it needs three minerals or more; 42 fluids"),
              std::string::npos);
}

TEST(SweepTable, EstimateLine) {
    const TemperatureEstimate e = hotWater().estimate;
    EXPECT_EQ(estimateLine(e).rfind("# estimate: median |log Q/K| smallest at T = 250.0 C (0.000)", 0), 0u)
        << estimateLine(e);
    EXPECT_EQ(estimateLine(estimateTemperature({200.0}, {})), 
              "# estimate: none (no temperature at which every chosen mineral has a log Q/K)");
}

TEST(SweepTable, ConsoleLinesOfTheRuns) {
    const SweepResult s = hotWater();
    testing::Capture console;
    writeSweepRow(s.rows[0], console.sink());
    SweepRow failed;
    failed.temperature = 1234.5;
    failed.pressure = 85.839;
    failed.status = "no convergence within the loop limit of 2 loops";
    writeSweepRow(failed, console.sink());
    EXPECT_EQ(console.text(),
              "  input  T =  225.00 C  P =   25.479 bar  pH  6.500   12 loops\n"
              "  sweep  T = 1234.50 C  P =   85.839 bar  no convergence within the loop limit of 2 loops\n");
}

}  // namespace
}  // namespace wq
