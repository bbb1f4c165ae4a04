// libFuzzer target: the database reader (aqueous species, then minerals and
// gases) on any text, for a fixed water at one of three conditions chosen by
// the input's length: 25 C and 300 C on the saturation curve, and 450 C at
// 1000 bar, where the full log K tables and the grid interpolation are used.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/run_sequence.hpp"
#include "fuzz_program.hpp"
#include "grid/grid.hpp"
#include "input/database.hpp"
#include "input/database_file.hpp"
#include "input/minerals.hpp"
#include "input/run_input.hpp"
#include "text/stop.hpp"

namespace {

// Seawater's major ions with calcite held at saturation and the minerals
// switch on, so that every section of the database is read.
const char* const WATER =
    "fuzz water\n"
    "major ions, calcite forced\n"
    "x\nx\n"
    " 1.0E-9  0.0  0.0  0.0  25.0  0.0  1.0E-12  1.0\n"
    "x\nx\nx\n"
    " 0 1 0 1 60 3 0 0 0 0 0\n"
    "x\nx\n"
    "    1 H+             1.0000000000E-03   1.0000000000E-07   1.0000000000E+00\n"
    "    2 H2O            1.0000000000E+00   1.0000000000E+00   1.0000000000E+00\n"
    "    3 Cl-            5.4600000000E-01   5.0000000000E-01   1.0000000000E+00\n"
    "    4 SO4--          2.8200000000E-02   1.0000000000E-02   1.0000000000E+00\n"
    "    5 HCO3-          2.0000000000E-03   1.0000000000E-03   1.0000000000E+00\n"
    "    9 Ca++           1.0300000000E-02   5.0000000000E-03   1.0000000000E+00\n"
    "   10 Mg++           5.3000000000E-02   2.0000000000E-02   1.0000000000E+00\n"
    "   12 K+             1.0200000000E-02   1.0000000000E-02   1.0000000000E+00\n"
    "   13 Na+            4.6900000000E-01   4.0000000000E-01   1.0000000000E+00\n"
    "    0\n"
    "forced minerals\n"
    "Calcite                  9     0.000\n";

struct Conditions {
    int runKind;
    double temperature;
    double pressure;
};
constexpr Conditions CONDITIONS[] = {{0, 25.0, 1.0}, {0, 300.0, 1.0}, {1, 450.0, 1000.0}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto prog = wq::fuzz::quietProgram();
    prog->caseFile = wq::TextFile("WQCASE.DAT", WATER);
    try {
        wq::readCase(*prog);
        const Conditions& at = CONDITIONS[size % std::size(CONDITIONS)];
        prog->input.runKind = at.runKind;
        prog->conditions.temperature = at.temperature;
        prog->conditions.pressure = at.pressure;
        wq::locateRun(*prog);
        prog->database = wq::DatabaseFile::ofText(
            "LOGKDATA.KDB", std::string_view(reinterpret_cast<const char*>(data), size));
        wq::readMinerals(*prog, wq::readSpecies(*prog));
    } catch (const wq::Stop&) {
        // a refused input: the normal end of a bad one
    }
    return 0;
}
