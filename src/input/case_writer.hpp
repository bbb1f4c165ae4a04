// Writes a run-input file for one water of a table: the template's options,
// controls and forced minerals, with the water's name, conditions and totals.
// The file is what the program reads, so a water of a batch and the same water
// run alone from the written file are the same calculation.
#pragma once

#include <string>

namespace wq {

struct CaseInput;
struct ComponentCatalog;
struct WaterSample;
class TextFile;

// `templateCase` is the template as readRunInput read it; `templateFile` its
// text, whose lines after the component list (the forced minerals) are kept;
// the catalog names the components for the reader's eye.
std::string writeCase(const CaseInput& templateCase, const TextFile& templateFile, const ComponentCatalog& catalog,
                      const WaterSample& water);

}  // namespace wq
