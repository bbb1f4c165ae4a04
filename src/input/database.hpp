// The thermodynamic database LOGKDATA.KDB, up to the end of its aqueous
// species.
//
// Layout of the file, in order: a free preamble ended by a line whose columns
// 1-8 are "********"; the four activity-model tables (Debye-Hueckel A and B,
// the Born coefficient b_eta and the short-range b_Na+Cl-), each two label
// lines and a full table; free lines up to the "H+" line; one component-species
// line per database number, ended by a line with blank columns 1-8; the aqueous
// species, each a separator line, a name line, a property line, a reaction
// line and its log K table, ended by a record with a blank name; and the
// minerals and gases (see minerals.hpp).
#pragma once

namespace wq {

struct InputState;

// Reads the database from its beginning for the run's T and P: the
// activity-model parameters, the component species of the run, and every
// aqueous species, keeping those whose reaction uses only the run's components
// and whose data reach T and P. Writes the skip-list entries and the notices
// for the species left out. Works on the parsed content of the file
// (prog.database, brought up to date by the caller) and converts only the log K
// values the run's interpolators use; remembers where the aqueous species
// ended for readMineralsAndGases.
void readDatabase(InputState& prog);

}  // namespace wq
