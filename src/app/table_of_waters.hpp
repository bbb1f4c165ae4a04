// A table of waters given as values instead of a file: the front end of a
// program that holds its analyses in memory (the Python package). The rows
// have the column names and units of `wqspec batch`, each cell as the text a
// CSV file would hold, and run exactly as a batch runs them: the same
// options (BatchOptions), the same template, the same records.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/batch.hpp"
#include "app/evaporate.hpp"
#include "app/sweep.hpp"
#include "report/records.hpp"

namespace wq {

struct ParsedDatabase;
class Sink;

// The table is kept as the CSV text a batch would read, with the line each
// row starts on (a quoted cell may hold line ends): one compact copy of the
// cells, built a row at a time, from which the workers read the waters as
// they take them, as the batch reads its file.
class TableOfWaters {
public:
    // "name", "T [C]", "Ca++ [mg/L]", ...; the rows then have one cell per
    // column, as text.
    explicit TableOfWaters(const std::vector<std::string>& columns);
    TableOfWaters(const std::vector<std::string>& columns, const std::vector<std::vector<std::string>>& rows);
    void addRow(const std::vector<std::string>& cells);

    std::size_t rowCount() const { return firstLines_.size(); }
    const std::string& text() const { return text_; }
    // The row that starts on `line` of the text, or the last one before it.
    std::size_t rowOnLine(int line) const;

private:
    std::string text_;
    std::vector<int> firstLines_;  // of each row, rising
    int nextLine_ = 1;
};

// One water of the table, as the batch records it.
struct WaterOutcome {
    std::size_t row = 0;  // its row in the table (rows of blank cells only are no water)
    bool converged = false;
    std::string status;
    std::string fault;  // the row's own fault (a cell that is not a number, ...), also its status
    std::vector<RecordCell> cells;  // the CSV record's cells (csvRecordLine writes its line)
    std::string json;               // the JSON record, when asked for
};

// The columns of a table's records, those the options choose: their names,
// and which of them hold text (name, status, balanced on, ...; the others
// hold numbers, a whole number for the loops, NaN for an empty cell), the
// same in every record.
struct RecordHeader {
    std::vector<std::string> names;
    std::vector<bool> text;
};

struct TableOutcome {
    RecordHeader header;  // the CSV record's columns
    std::vector<WaterOutcome> waters;  // unless handed to onWater instead
    std::vector<std::string> notes;   // what the batch would say on standard error
};

struct TableRunOptions {
    bool json = false;  // also write each water's JSON record
    // Read once and shared; when null, options.model.databasePath is read.
    std::shared_ptr<const ParsedDatabase> database;
    // Called on the calling thread for each water in the table's order, as
    // soon as it and the waters before it are done (while the workers go on
    // with the rest); the waters it is given are not kept in the outcome.
    std::function<void(const RecordHeader& header, const WaterOutcome&)> onWater;
};

// Runs every water of `table` with the batch's options on their worker
// threads (options.jobs; watersPath, outPath and writeCases are not used).
// A fault of the table itself, the template or the database is a CannotStart
// (a row's own fault is that water's status, as in the batch). `stop`, when
// set, ends the run after the waters in progress (Ctrl-C in the Python
// package): the workers take no new water and have ended when it returns (set
// while the table is read, the outcome has no header and no water).
TableOutcome runTableOfWaters(const TableOfWaters& table, const BatchOptions& options,
                              const TableRunOptions& run, const std::atomic<bool>& stop);

// The columns of a table's records, without computing any water.
RecordHeader recordHeader(const TableOfWaters& table, const BatchOptions& options, const TableRunOptions& run);

// The temperature sweep of the one water of `table`: its cells written into
// the template (or the default options for the table) as the batch writes
// them, with the batch's charge balance, activity model, redox state,
// decoupled elements and suppressed names (`options`), then swept as `wqspec
// sweep` sweeps a run input (sweep.from, to, step, minerals; its paths, its
// activity and its choices are not used: the batch's options say them). A
// row with a fault, or a table of more than one water, is a CannotStart.
// `stop`, when set, ends the sweep before its next temperature, with no
// estimate. Each run's line goes to `console` when given (a Sink that
// counts the runs done: the progress of the sweep).
SweepRun sweepTableWater(const TableOfWaters& table, const BatchOptions& options, const TableRunOptions& run,
                         const SweepOptions& sweep, const std::atomic<bool>& stop, Sink* console = nullptr);

// The evaporation path of the one water of `table`, made as sweepTableWater
// makes its water, then concentrated as `wqspec evaporate` concentrates a run
// input (evaporation.to, steps, precipitate, fractional, minerals; its paths
// and model are not used: the batch's options say them). `stop`, when set,
// ends the path before its next step; each step's line goes to `console`
// when given.
EvaporationRun evaporateTableWater(const TableOfWaters& table, const BatchOptions& options,
                                   const TableRunOptions& run, const EvaporateOptions& evaporation,
                                   const std::atomic<bool>& stop, Sink* console = nullptr);

}  // namespace wq
