// The result block of the listing: the conditions of the run, the water, the
// ionic strengths, Eh, the source temperature, the species table and the
// component totals with their legends.
#pragma once

namespace wq {

struct Program;

// Derives Eh and the Na-K-Ca source temperature from the solved water, as the
// listing prints them:
//  - source temperature (Fournier & Truesdell) when the geothermometer switch
//    is 1 and Ca, K and Na are all components; otherwise the switch is set to
//    0 and stays 0 for every later run;
//  - Eh from the oxygen couple when O2(aq) is a component (kind 2), else from
//    the sulfide-sulfate couple when both SO4-- and HS- are (kind 1), else
//    none (kind 0).
void evaluateEhAndSourceTemperature(Program& prog);

// Writes the result block for the current state of the run (it first derives
// Eh and the source temperature). When the loop count has reached the loop
// limit the block ends with the non-convergence message and the program
// stops there: the forced-saturation legend is never reached in that case.
void writeResultBlock(Program& prog);

// The abort message of a run that reached its loop limit, on the listing and
// then the console. The caller stops the program.
void writeNonConvergence(Program& prog);

}  // namespace wq
