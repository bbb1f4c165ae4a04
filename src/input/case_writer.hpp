// The run input of one water of a table: the template's options, controls
// and forced minerals, with the water's name, conditions and totals; as
// values handed to the program, or as the text of a run-input file that
// gives the same calculation when run alone.
#pragma once

#include <string>
#include <vector>

#include "input/water.hpp"

namespace wq {

struct CaseInput;
struct ComponentCatalog;
struct WaterSample;

// Saturation runs start at 20 C; a colder water is computed as an extended
// run on the pressure-temperature grid at the pressure of the open air.
constexpr double SATURATION_RUN_LOWEST_C = 20.0;
// The triple point of water (C), the lowest temperature of the data.
constexpr double TRIPLE_POINT_C = 0.01;
constexpr double COLD_WATER_PRESSURE_BAR = 1.013;

// How a water of a table is computed beyond what the template says.
struct CaseChoices {
    // The component that carries the charge balance, by database number:
    // 0 none (the water as analysed: ChargeBalance::When::never), 1 (H+)
    // the pH from electroneutrality.
    int balanceNumber = 0;
};

// One water of a table as a value. `templateCase` is the template as readRunInput read it: it gives the
// options, the loop limit, the forced minerals and the starting values; the
// water gives its components (H+ and H2O added), totals and conditions. A
// component of the template that the water does not give is absent from the
// water's run input, as is the template's alkalinity or pH. A water below
// SATURATION_RUN_LOWEST_C of a saturation-run template becomes an extended
// run at COLD_WATER_PRESSURE_BAR. Every value is what its field of the
// written file reads back as (runInputText), so that the water given as
// this value (takeWater) and read from its written file are one
// calculation; with no charge balance chosen the water is computed as
// analysed, which the file, whose switch 0 balances only a water with a
// held total, cannot say.
Water waterRunInput(const CaseInput& templateCase, const ComponentCatalog& catalog, const WaterSample& water,
                            const CaseChoices& choices = {});

// The text of the run-input file of a water, the catalog naming the
// components for the reader's eye.
std::string runInputText(const Water& water, const ComponentCatalog& catalog);

// The text of one water's run input (what `--write-cases` writes).
std::string writeCase(const CaseInput& templateCase, const ComponentCatalog& catalog, const WaterSample& water,
                      const CaseChoices& choices = {});

// The template of a table given alone: a saturation run at 25 C with the
// minerals and gases reported, no charge balance, the loop limit and
// convergence factor of the recipes, the Na-K-Ca temperature when Na+, K+
// and Ca++ are among `componentNumbers` (the table's components; H+ and H2O
// come first in any case).
std::string defaultTemplate(const std::vector<int>& componentNumbers, const ComponentCatalog& catalog);

}  // namespace wq
