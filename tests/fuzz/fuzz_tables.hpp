// What the fuzz targets of the batch's table share: the component species
// of the bundled database (names, charges and formula weights of its first
// 23 database numbers) and a template run input, read once.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "fuzz_program.hpp"
#include "input/component_catalog.hpp"
#include "app/run_sequence.hpp"
#include "input/run_input.hpp"

// A broken promise is a finding: said on the error stream, then an abort.
#define FUZZ_REQUIRE(condition)                                                   \
    do {                                                                          \
        if (!(condition)) {                                                       \
            std::fprintf(stderr, "broken: %s (line %d)\n", #condition, __LINE__); \
            std::abort();                                                         \
        }                                                                         \
    } while (false)

namespace wq::fuzz {

inline const ComponentCatalog& bundledCatalog() {
    static const ComponentCatalog catalog = [] {
        ComponentCatalog c;
        c.components = {
            {1, "H+", 1, 1.0079},      {2, "H2O", 0, 18.0153},     {3, "Cl-", -1, 35.453},
            {4, "SO4--", -2, 96.0626}, {5, "HCO3-", -1, 61.0168},  {6, "HS-", -1, 33.0729},
            {7, "F-", -1, 18.9984},    {8, "Br-", -1, 79.904},     {9, "Ca++", 2, 40.078},
            {10, "Mg++", 2, 24.305},   {11, "SiO2,aq", 0, 60.0843}, {12, "K+", 1, 39.0983},
            {13, "Na+", 1, 22.9898},   {14, "Al+++", 3, 26.9815},  {15, "Fe++", 2, 55.845},
            {16, "Fe+++", 3, 55.845},  {17, "Mn++", 2, 54.938},    {18, "Sr++", 2, 87.62},
            {19, "Ba++", 2, 137.327},  {20, "Li+", 1, 6.941},      {21, "NH4+", 1, 18.0385},
            {22, "NO3-", -1, 62.0049}, {23, "B(OH)3,aq", 0, 61.833},
        };
        return c;
    }();
    return catalog;
}

// The template of examples/batch: saturation run at 25 C, minerals, charge
// balance on Cl-, a forced mineral (on Cl-) after the components.
inline const char* const TEMPLATE =
    "Template of the fuzzing\n"
    "25 C on the saturation curve; minerals; charge balance on Cl-\n"
    "x\nx\n"
    " 1.0E-9  0.0  0.0  0.0  25.0  0.0  1.0E-10  1.0\n"
    "x\nx\n\n"
    " 0 1 0 1 300 3 0 1 0 0 0\n"
    "x\nx\n"
    "    1 H+             0.0000000000E+00   1.0000000000E-08   1.0000000000E+00\n"
    "    2 H2O            1.0000000000E+00   1.0000000000E+00   1.0000000000E+00\n"
    "    3 Cl-            0.0000000000E+00   1.0000000000E-03   1.0000000000E+00\n"
    "    0\n"
    "Forced minerals\n"
    "Halite                 3     0.000\n";

// The template as the run-input reader leaves it (read once).
inline const Program& templateProgram() {
    static const std::unique_ptr<Program> prog = [] {
        std::unique_ptr<Program> p = quietProgram();
        p->caseFile = TextFile("WQCASE.DAT", TEMPLATE);
        readCase(*p);
        return p;
    }();
    return *prog;
}

// The same template as the case writer takes it.
inline const CaseInput& templateCase() {
    static const CaseInput input = [] {
        TextFile file("WQCASE.DAT", TEMPLATE);
        Channels quiet;
        quiet.silence();
        return readRunInput(file, quiet).input;
    }();
    return input;
}

}  // namespace wq::fuzz
