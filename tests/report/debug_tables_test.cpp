#include "report/debug_tables.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "report/water_builder.hpp"

namespace wq {
namespace {

using testwater::addComponent;
using testwater::addSecondary;
using testwater::Capture;
using testwater::padded;

TEST(DebugTables, ComponentsThenSecondarySpecies) {
    auto owned = std::make_unique<Program>();  // the tables are large for the stack
    Program& prog = *owned;
    prog.input.title1.assign("Debug water");
    prog.input.title2.assign("  indented second title");
    addComponent(prog, 1, "H+", 1, 1.0, 1e-7, 1.0, 2e-7);
    addComponent(prog, 2, "H2O", 0, 18.0, 1.0, 1.0, 55.5);
    addComponent(prog, 3, "Chloride-long-name", -1, 35.0, 0.123456, 1.0, 0.1);
    addSecondary(prog, "OH-", -1, 1e-7, 1.0, 13.9951);
    addSecondary(prog, "HCl,aq", 0, 1e-9, 1.0, -0.71);

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
