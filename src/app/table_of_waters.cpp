#include "app/table_of_waters.hpp"

#include <algorithm>
#include <functional>
#include <optional>

#include "app/batch_options.hpp"
#include "app/batch_run.hpp"
#include "app/front_end.hpp"
#include "app/program.hpp"
#include "app/run_sequence.hpp"
#include "input/database_file.hpp"
#include "text/channels.hpp"
#include "text/csv.hpp"
#include "text/textfile.hpp"

namespace wq {

namespace {

// The columns of the records, those the batch's options choose (--columns,
// --all, else the compact set).
RecordColumns recordColumnsOf(const BatchInputs& inputs, const BatchOptions& options) {
    RecordColumns columns = probeColumns(inputs);
    columns.selected = selectedColumns(columns, options);
    return columns;
}

RecordHeader headerOf(const RecordColumns& columns) {
    RecordHeader header;
    header.names = recordColumnNames(columns);
    // A cell's kind is its column's: the record of a water that could not be
    // run has every one of them.
    for (const RecordCell& cell : recordCells(columns, RecordHead{}, nullptr))
        header.text.push_back(cell.kind == RecordCell::Kind::text);
    return header;
}

const std::string TABLE_NAME = "the table";

// The table's inputs, its waters read from its text as the workers take them.
BatchInputs readInputs(const TableOfWaters& table, const BatchOptions& options, const TableRunOptions& run,
                       const std::atomic<bool>* stop = nullptr) {
    return readBatchInputsOfText(options, TABLE_NAME, table.text(), run.database, stop);
}

int lineEnds(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

}  // namespace

TableOfWaters::TableOfWaters(const std::vector<std::string>& columns) : text_(csvLine(columns)) {
    nextLine_ += lineEnds(text_);
}

TableOfWaters::TableOfWaters(const std::vector<std::string>& columns,
                             const std::vector<std::vector<std::string>>& rows)
    : TableOfWaters(columns) {
    for (const std::vector<std::string>& row : rows) addRow(row);
}

void TableOfWaters::addRow(const std::vector<std::string>& cells) {
    const std::string line = csvLine(cells);
    firstLines_.push_back(nextLine_);
    nextLine_ += lineEnds(line);
    text_ += line;
}

std::size_t TableOfWaters::rowOnLine(int line) const {
    const auto after = std::upper_bound(firstLines_.begin(), firstLines_.end(), line);
    return after == firstLines_.begin() ? 0 : static_cast<std::size_t>(after - firstLines_.begin() - 1);
}

TableOutcome runTableOfWaters(const TableOfWaters& table, const BatchOptions& options, const TableRunOptions& run,
                              const std::atomic<bool>& stop) {
    TableOutcome outcome;
    std::string note;
    const int jobs = askedJobs(options.jobs, note);
    if (!note.empty()) outcome.notes.push_back(note);
    std::optional<BatchInputs> read;
    try {
        read.emplace(readInputs(table, options, run, &stop));
    } catch (const ReadingStopped&) {
        return outcome;  // stopped while the table was read: no water
    }
    const BatchInputs& inputs = *read;
    if (std::string blank = blankRowsNote(TABLE_NAME, inputs.table.blankRows); !blank.empty())
        outcome.notes.push_back(blank);
    for (const std::string& tableNote : inputs.table.notes) outcome.notes.push_back(TABLE_NAME + ": " + tableNote);
    const RecordColumns columns = recordColumnsOf(inputs, options);
    outcome.header = headerOf(columns);
    const RecordFormat& json = *recordFormatOf(".json");
    if (!run.onWater) outcome.waters.reserve(inputs.waterCount);
    std::string threadNote;
    solveInOrder(
        inputs,
        [&](const RecordHead& head, const Results* results, SolvedWater& water) {
            water.cells = recordCells(columns, head, results);
            if (run.json) water.records.push_back(json.record(columns, head, results));
        },
        jobs, stop,
        [&](std::size_t, SolvedWater&& solved) {
            WaterOutcome w;
            w.row = table.rowOnLine(solved.line);
            w.converged = solved.converged;
            w.fault = std::move(solved.fault);
            w.status = std::move(solved.status);
            w.cells = std::move(solved.cells);
            if (run.json) w.json = std::move(solved.records.front());
            if (run.onWater)
                run.onWater(outcome.header, w);
            else
                outcome.waters.push_back(std::move(w));
            return true;
        },
        threadNote);
    if (!threadNote.empty()) outcome.notes.push_back(threadNote);
    return outcome;
}

RecordHeader recordHeader(const TableOfWaters& table, const BatchOptions& options, const TableRunOptions& run) {
    return headerOf(recordColumnsOf(readInputs(table, options, run), options));
}

namespace {

// The one water of `table` into a program of its own, by `read` (the sweep's
// or the path's reader of a run input, with its checks), named as the water
// or the template with the water.
void readTableWater(QuietProgram& q, const TableOfWaters& table, const BatchOptions& options,
                    const TableRunOptions& run, const std::string& what,
                    void (*read)(Program&, const std::string&, const std::function<void(Program&)>&)) {
    const BatchInputs inputs =
        readBatchInputs(options, [&] { return TextFile(TABLE_NAME, table.text()); }, run.database);
    if (inputs.table.waters.size() != 1)
        throw CannotStart{what + " takes one water; the table has " + std::to_string(inputs.table.waters.size())};
    const WaterSample& water = inputs.table.waters.front();
    std::string error = water.error;
    const CaseChoices choices = error.empty() ? choicesFor(inputs.catalog, inputs.balance, water, error) : CaseChoices{};
    if (!error.empty()) throw CannotStart{error};
    q->database = DatabaseFile::ofParsed(inputs.database);
    q->choices = choicesOf(inputs.choices, water);
    q->activityModel = inputs.activityModel->clone();
    read(*q, options.casePath.empty() ? "the water" : "the template " + options.casePath + " with the water",
         [&](Program& p) { takeWater(p, waterOfRow(inputs, water, choices)); });
}

}  // namespace

SweepRun sweepTableWater(const TableOfWaters& table, const BatchOptions& options, const TableRunOptions& run,
                         const SweepOptions& sweep, const std::atomic<bool>& stop, Sink* console) {
    QuietProgram q;
    readTableWater(q, table, options, run, "a sweep", readSweepCase);
    const std::vector<double> temperatures = sweepTemperatures(sweep, q->input.extendedRun());
    Sink silent;
    return computeSweep(*q, sweep, temperatures, console ? *console : silent, stop);
}

EvaporationRun evaporateTableWater(const TableOfWaters& table, const BatchOptions& options,
                                   const TableRunOptions& run, const EvaporateOptions& evaporation,
                                   const std::atomic<bool>& stop, Sink* console) {
    checkEvaporateOptions(evaporation);
    QuietProgram q;
    readTableWater(q, table, options, run, "an evaporation path", readEvaporationCase);
    Sink silent;
    return computeEvaporation(*q, evaporation, console ? *console : silent, stop);
}

}  // namespace wq
