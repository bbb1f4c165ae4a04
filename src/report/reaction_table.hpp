// The output of a reaction path: the table of its records, as CSV with its
// "#" lines (the path file, the start's titles, the activity model) or as
// one JSON document, and the line the path shows on the console at each
// record.
//
// A record: the step's index and kind, its variable (the fraction mixed, the
// mol/kg added, the temperature), status, T, P, pH, ionic strength, log Q/K
// of every mineral, log f of every gas, and the mass transfer so far of every
// phase (+ dissolved, - precipitated) and of every reactant (added), per kg
// of the starting water.
#pragma once

#include <string>

#include "report/value_table.hpp"
#include "run/reaction_result.hpp"

namespace wq {

class Sink;

// The whole table, "#" lines first. The first record must have converged.
std::string reactionCsv(const ReactionResult& path);

// The table's columns and its records as values.
ValueTable reactionColumns(const ReactionResult& path);

// The same as one JSON document: {"path", "title", "records": [...]}.
std::string reactionJson(const ReactionResult& path);

// The console line of one record.
void writeReactionRecord(const ReactionRecord& record, Sink& console);

}  // namespace wq
