// The result block of the listing: the conditions of the run, the water, the
// ionic strengths, Eh, the source temperature, the species table and the
// component totals with their legends.
#pragma once

namespace wq {

struct Results;
class Sink;

// The block up to the legends of the totals table.
void writeResultBlock(const Results& results, Sink& listing);

// The forced-saturation legend that closes the block of a converged run.
void writeForcedSaturationLegend(const Results& results, Sink& listing);

// The abort message of a run that reached its loop limit, on the listing and
// then the console.
void writeNonConvergence(int loopLimit, Sink& listing, Sink& console);

// Before the block of a water that the joint solve solved: the line that says
// so, on the listing and then the console. Nothing for any other water.
void writeSolveNote(const Results& results, Sink& listing, Sink& console);

}  // namespace wq
