// Writes a run-input file for one water of a table: the template's options,
// controls and forced minerals, with the water's name, conditions and totals.
// The file is what the program reads, so a water of a batch and the same water
// run alone from the written file are the same calculation.
#pragma once

#include <string>

namespace wq {

struct ComponentCatalog;
struct InputState;
struct WaterSample;
class TextFile;

// `templateState` is the template as readRunInput left it; `templateFile` its
// text, whose lines after the component list (the forced minerals) are kept;
// the catalog names the components for the reader's eye.
std::string writeCase(const InputState& templateState, const TextFile& templateFile, const ComponentCatalog& catalog,
                      const WaterSample& water);

}  // namespace wq
