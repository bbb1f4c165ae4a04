#include "app/table_of_waters.hpp"

#include <algorithm>
#include <map>

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

// The table as the CSV file a batch reads, and the row that starts on each
// of its lines (a quoted cell may hold line ends).
struct TableAsCsv {
    std::string text;
    std::map<int, std::size_t> rowOfLine;
};

TableAsCsv tableAsCsv(const TableOfWaters& table) {
    TableAsCsv t;
    t.text = csvLine(table.columns);
    int line = 1 + static_cast<int>(std::count(t.text.begin(), t.text.end(), '\n'));
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        const std::string row = csvLine(table.rows[r]);
        t.rowOfLine[line] = r;
        line += static_cast<int>(std::count(row.begin(), row.end(), '\n'));
        t.text += row;
    }
    return t;
}

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

BatchInputs readInputs(const TableAsCsv& t, const BatchOptions& options, const TableRunOptions& run) {
    return readBatchInputs(options, [&] { return TextFile("the table", t.text); }, run.database);
}

}  // namespace

TableOutcome runTableOfWaters(const TableOfWaters& table, const BatchOptions& options, const TableRunOptions& run,
                              const std::atomic<bool>& stop) {
    TableOutcome outcome;
    std::string note;
    const int jobs = askedJobs(options.jobs, note);
    if (!note.empty()) outcome.notes.push_back(note);
    const TableAsCsv text = tableAsCsv(table);
    const BatchInputs inputs = readInputs(text, options, run);
    if (std::string blank = blankRowsNote("the table", inputs.table.blankRows); !blank.empty())
        outcome.notes.push_back(blank);
    const RecordColumns columns = recordColumnsOf(inputs, options);
    outcome.header = headerOf(columns);
    const RecordFormat& json = *recordFormatOf(".json");
    outcome.waters.reserve(inputs.table.waters.size());
    std::string threadNote;
    solveInOrder(
        inputs,
        [&](const RecordHead& head, const Results* results, SolvedWater& water) {
            water.cells = recordCells(columns, head, results);
            if (run.json) water.records.push_back(json.record(columns, head, results));
        },
        jobs, stop,
        [&](std::size_t i, SolvedWater&& solved) {
            WaterOutcome w;
            const auto row = text.rowOfLine.find(inputs.table.waters[i].line);
            w.row = row == text.rowOfLine.end() ? i : row->second;
            w.converged = solved.converged;
            w.fault = inputs.table.waters[i].error;
            w.status = std::move(solved.status);
            w.cells = std::move(solved.cells);
            if (run.json) w.json = std::move(solved.records.front());
            if (run.onWater) run.onWater(outcome.header, w);
            outcome.waters.push_back(std::move(w));
            return true;
        },
        threadNote);
    if (!threadNote.empty()) outcome.notes.push_back(threadNote);
    return outcome;
}

RecordHeader recordHeader(const TableOfWaters& table, const BatchOptions& options, const TableRunOptions& run) {
    return headerOf(recordColumnsOf(readInputs(tableAsCsv(table), options, run), options));
}

SweepRun sweepTableWater(const TableOfWaters& table, const BatchOptions& options, const TableRunOptions& run,
                         const SweepOptions& sweep) {
    const BatchInputs inputs = readInputs(tableAsCsv(table), options, run);
    if (inputs.table.waters.size() != 1)
        throw CannotStart{"a sweep takes one water; the table has " + std::to_string(inputs.table.waters.size())};
    const WaterSample& water = inputs.table.waters.front();
    std::string error = water.error;
    const CaseChoices choices = error.empty() ? choicesFor(inputs.catalog, inputs.balance, water, error) : CaseChoices{};
    if (!error.empty()) throw CannotStart{error};
    QuietProgram q;
    q->database = DatabaseFile::ofParsed(inputs.database);
    q->choices = choicesOf(inputs.choices, water);
    q->activityModel = inputs.activityModel->clone();
    readSweepCase(*q, options.casePath.empty() ? "the water" : "the template " + options.casePath + " with the water",
                  [&](Program& p) { takeCase(p, runInputOfWater(inputs, water, choices, p.io)); });
    q->input.asAnalysed = choices.balanceNumber == 0;
    const std::vector<double> temperatures = sweepTemperatures(sweep, q->input.extendedRun());
    Sink silent;
    return computeSweep(*q, sweep, temperatures, silent);
}

}  // namespace wq
