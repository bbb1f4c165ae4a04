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

namespace wq {

struct InputState;

// Reads the section that follows the aqueous species of this run (readDatabase
// comes first) for the run's T and P, filling the MineralTable with the
// entries that can take part in the run (at most maxTerms terms each, which
// must be MAX_TERMS; at most maxEntries - 1 entries: the blank entry that ends
// the section also takes a slot). Links the forced-saturation minerals to
// their entries, reports the entries left out, and replaces the minerals
// switch by the number of entries kept (minsat).
void readMineralsAndGases(InputState& prog, int maxTerms, int maxEntries);

}  // namespace wq
