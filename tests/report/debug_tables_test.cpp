#include "report/debug_tables.hpp"

#include <gtest/gtest.h>

#include <string>

#include "report/base_water.hpp"

namespace wq {
namespace {

using testing::Capture;
using testwater::padded;

TEST(DebugTables, ComponentsThenSecondarySpecies) {
    auto owned = testing::newProgram();
    testing::TestProgram& prog = *owned;
    prog.input.title1.assign("Debug water");
    prog.input.title2.assign("  indented second title");
    prog.addComponent(1, "H+", 1, 2e-7, 1e-7, 1.0, 1.0);
    prog.addComponent(2, "H2O", 0, 55.5, 1.0, 1.0, 18.0);
    prog.addComponent(3, "Chloride-long-name", -1, 0.1, 0.123456, 1.0, 35.0);
    prog.addSecondary("OH-", -1, 13.9951, {}, 1e-7, 1.0);
    prog.addSecondary("HCl,aq", 0, -0.71, {}, 1e-9, 1.0);

    Capture listing(prog.io.listing);
    writeDebugTables(prog);
    const std::string rule = "  " + std::string(77, '+');
    const std::string expected =
        rule + "\n"
        "\n" +
        padded("Debug water", 80) + "\n" +
        padded("  indented second title", 80) + "\n"
        "\n" +
        rule + "\n"
        "\n"
        "  Species   No.  Charge      Tot.Moles        Mtry\n"
        "\n"
        "  H+          " "    1" "   " "   1." "   " " 0.20000E-06" " 0.10000E-06\n"
        "  H2O         " "    2" "   " "   0." "   " " 0.55500E+02" " 0.10000E+01\n"
        "  Chloride-lon" "    3" "   " "  -1." "   " " 0.10000E+00" " 0.12346E+00\n"
        "\n"
        "  Species   No.  Charge  Log K(diss)\n"
        "\n"
        "  OH-         " "    4" "   " "  -1." "   " "   13.9951\n"
        "  HCl,aq      " "    5" "   " "   0." "   " "   -0.7100\n"
        "\n";
    EXPECT_EQ(listing.text(), expected);
}

}  // namespace
}  // namespace wq
