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
                          "# chosen minerals: Quartz\n"
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
    EXPECT_NE(table.find(",0.10000000000000001,,,0.5\nsweep,converged,12,200,"), std::string::npos) << table;
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
