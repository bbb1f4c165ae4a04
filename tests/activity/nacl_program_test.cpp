// An external check of the activity model through the whole program: the mean
// activity coefficient of NaCl at 25 C from a run on a database that holds the
// Helgeson, Kirkham & Flowers (1981) 25 C parameters, against the measured
// values of Robinson & Stokes (1959).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "input/database.hpp"
#include "input/run_input.hpp"
#include "app/program.hpp"
#include "app/run_sequence.hpp"
#include "solver/newton.hpp"
#include "solver/setup.hpp"
#include "solver/solve_observer.hpp"
#include "support/kdb_writer.hpp"
#include "support/test_program.hpp"

namespace wq {
namespace {

std::string nacl25Database() {
    testing::KdbWriter w;
    w.activity(0, 0.5114);   // Debye-Hueckel A
    w.activity(1, 0.3288);   // Debye-Hueckel B
    w.activity(2, 2.4667);   // b_eta = 18.081e-7 kg/cal at 298.15 K
    w.activity(3, -9.752);   // b_NaCl = -0.09752 kg/mol
    // Sizes are the effective electrostatic radii of the ions.
    w.component(1, "H+", 1, 3.08, 1.0079);
    w.component(3, "Cl-", -1, 1.81, 35.453);
    w.component(13, "Na+", 1, 1.91, 22.9898);
    w.species({.name = "OH-", .charge = -1, .size = 1.40, .reaction = {{1, 2}, {-1, 1}}, .logK = 13.995});
    return w.text();
}

std::string naclCase(double molality) {
    auto record = [](int n, double total, double mtry) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "%5d%13s%19.10E%19.10E%19.10E", n, "", total, mtry, 1.0);
        return std::string(buf);
    };
    return "NaCl\nsolution\nx\nx\n 1.0E-10 7.0 0.0 0.0 25.0 0.0 1.0E-20 1.0\nx\nx\nx\n"
           " 0 0 0 0 100 3 0 0 0 0 0\nx\nx\n" +
           record(1, 0.0, 1e-7) + "\n" + record(2, 1.0, 1.0) + "\n" + record(3, molality, molality) + "\n" +
           record(13, molality, molality) + "\n    0\n";
}

double meanActivityCoefficient(double molality) {
    auto prog = testing::newProgram(testing::Channels::captured);
    prog->caseFile = TextFile("WQCASE.DAT", naclCase(molality));
    prog->load(nacl25Database());
    readCase(*prog);
    locateRun(*prog);
    readSpecies(*prog);
    SolveObserver quiet;
    setUp(*prog, quiet);
    iterate(*prog, quiet);
    EXPECT_FALSE(reachedLoopLimit(*prog));
    const int na = prog->map.position(13);
    const int cl = prog->map.position(3);
    return std::sqrt(prog->sp[na].gamma * prog->sp[cl].gamma);
}

TEST(NaClActivity, MeanActivityCoefficientAgreesWithRobinsonAndStokes) {
    const struct {
        double molality, measured;
    } cases[] = {{0.1, 0.778}, {0.5, 0.681}, {1.0, 0.657}};
    for (const auto& c : cases) {
        double computed = meanActivityCoefficient(c.molality);
        RecordProperty("gamma_" + std::to_string(c.molality), std::to_string(computed));
        std::printf("NaCl %.1f mol/kg: gamma+- = %.4f (measured %.3f)\n", c.molality, computed, c.measured);
        EXPECT_NEAR(computed, c.measured, 0.03 * c.measured) << c.molality;
    }
}

}  // namespace
}  // namespace wq
