// The minerals and gases of the thermodynamic database.
//
// The section follows the end record of the aqueous species: 11 lines passed
// over, then one entry per mineral or gas, each
//
//   line 1  free text
//   line 2  columns 1-20 name, 67-68 entry type, 69-76 a real (not used),
//           81-84 suppression code ("GAS " or blank; anything else:
//           suppressed), 91-94 range code ("All ": full table)
//   line 3  free text
//   line 4  columns 1-3 number of terms n, then n pairs of 12 columns: the
//           coefficient (F9.3) and the database number of the component (I3)
//   line 5  only for entry type 6: one line, not used
//   data    full table, one pressure row per line (37 lines), or a short
//           table on one line
//
// and ended by an entry with a blank name (lines 1 to 4, and 5 for type 6).
// Entries that are left out are passed over by counting their data lines.
#pragma once

#include "input/tables.hpp"

namespace wq {

struct DatabaseRun;
struct RunSection;

// Reads the minerals and gases that follow this run's aqueous species
// (`aqueous`, as readDatabase left it) for the run's T and P, filling
// `minerals` with the entries that can take part in the run (at most
// MAX_TERMS terms each; at most maxEntries - 1 entries: the blank entry that
// ends the section also takes a slot; TableLimits: the console program
// keeps 500). Every entry is read into the next free slot, growing the
// table. Links the forced-saturation minerals to their entries
// (forcedMineral and forcedEntry of their components in `comp`), reports the
// entries left out, and with `debug` lists the log K of each entry kept.
// Gives the number of entries kept (minsat).
int readMineralsAndGases(const DatabaseRun& run, const RunSection& aqueous, const ForcedSaturationList& forced,
                         ComponentTable& comp, MineralTable& minerals, bool debug, int maxEntries);

}  // namespace wq
