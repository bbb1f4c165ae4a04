// The work of a batch without its files: the template, the database and the
// table of waters read once and shared read-only, the columns of the records,
// and every water solved on N worker threads and handed on in the table's
// order. The command `wqspec batch` and the table of waters given as values
// (table_of_waters.hpp) both run on it.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "activity/activity_model.hpp"
#include "app/batch_inputs.hpp"
#include "app/command_options.hpp"
#include "app/run_choices.hpp"
#include "input/case_writer.hpp"
#include "input/component_catalog.hpp"
#include "input/logk_cache.hpp"
#include "input/run_input.hpp"
#include "input/water.hpp"
#include "input/waters.hpp"
#include "report/records.hpp"
#include "text/textfile.hpp"

namespace wq {

struct Channels;
struct ParsedDatabase;

// Reads the template (options.casePath, when given) and the database, then
// the table that `loadTable` gives (named by its TextFile in messages), in
// that order; without a template, the default options for the table's
// components; then the redox choices, the charge balance and the activity
// model. `database`, when given, is used instead of reading
// options.model.databasePath (empty: the activity model's default). A fault that
// keeps the batch from starting is a CannotStart.
BatchInputs readBatchInputs(const BatchOptions& options, const std::function<TextFile()>& loadTable,
                            std::shared_ptr<const ParsedDatabase> database = nullptr);

// The same for the batch's own table, the file options.watersPath: read
// through once to check it (the same faults) and count its waters, which are
// read from the file again as the workers take them (solveInOrder), so that a
// table of millions of rows is never held in memory.
BatchInputs readBatchInputsOfFile(const BatchOptions& options);

// The same for a table whose CSV text is in memory (`name` names it in
// messages): read through once, its waters read from `text` again as the
// workers take them, never held as waters (`text` must outlive the solve).
// `stop`, when given and set while the table is read, ends the reading with
// ReadingStopped.
struct ReadingStopped {};
BatchInputs readBatchInputsOfText(const BatchOptions& options, const std::string& name, std::string_view text,
                                  std::shared_ptr<const ParsedDatabase> database,
                                  const std::atomic<bool>* stop = nullptr);

// One water of the table: the template with the water's cells and its
// charge balance (`choices`, choicesFor), as the text `--write-cases`
// writes, or as the value the water is computed from (takeWater: the same
// run input; a fault stops with the reason the text would give).
std::string runInputTextOf(const BatchInputs& inputs, const WaterSample& water, const CaseChoices& choices);
Water waterOfRow(const BatchInputs& inputs, const WaterSample& water, const CaseChoices& choices);

// With a redox state in the batch's choices or some water's.
bool anyRedox(const BatchInputs& inputs);

// The table's components for the default options: without O2,aq beside
// HS-, which one run input may not hold together (a table may: a row that
// gives both is refused alone).
std::vector<int> oneRedoxCarrier(std::vector<int> numbers);

// The species, minerals and gases that the batch's components can form: those
// the database keeps at 25 C on the saturation curve, where its data are most
// complete (the columns of a CSV record).
RecordColumns probeColumns(const BatchInputs& inputs);

// One line for the rows of blank cells passed over (spreadsheets write them
// below a table), with the first of their lines; empty when there are none.
std::string blankRowsNote(const std::string& tableName, const std::vector<int>& lines);

// A water solved, with what the front end made of it.
struct SolvedWater {
    int line = 0;       // the line of its row in the table
    std::string fault;  // the row's own fault (a cell that is not a number, ...), also its status
    bool converged = false;
    std::string status;                // as its records say
    std::vector<std::string> records;  // records as texts, one per format
    std::vector<RecordCell> cells;     // the CSV record's cells, when wanted as values
};

// What a front end makes of a water once solved (`results` null for a
// water that could not be run): called on the worker's thread.
using RecordWater = std::function<void(const RecordHead& head, const Results* results, SolvedWater& water)>;

// Solves every water of the table on `jobs` threads (at most one per water),
// each recorded by the worker that solved it (`record`), and hands each to
// `take` on the calling thread in the table's order. `take` returning false, or
// `stop` set, stops the workers taking new waters; what is done is handed on.
// Returns how many waters were handed on; `threadNote` says when fewer
// threads than asked could be started (the calling thread computes the waters
// when none could). `idle`, when given, is called on the calling thread
// before it waits for a water not yet done (a front end writes out what it
// holds).
std::size_t solveInOrder(const BatchInputs& inputs, const RecordWater& record, int jobs, const std::atomic<bool>& stop,
                         const std::function<bool(std::size_t, SolvedWater&&)>& take, std::string& threadNote,
                         const std::function<void()>& idle = {});

}  // namespace wq
