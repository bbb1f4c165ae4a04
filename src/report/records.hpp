// Machine-readable records of runs: one record per water (or per run of the
// dialogue), in one of the record formats, each of which is a file of its
// own in this folder and one line of the registry (records.cpp), by the
// extension of the file it writes: ".csv" a CSV table (csv_records.cpp),
// ".json" a JSON array (json_records.cpp).
//
// A record holds the water's name, its status ("converged", "converged by the
// joint solve", or why it could not be run, on one line), the loops used (of
// the iteration; a JSON record also those of the joint solve), T (deg C),
// P (bar), pH, the true and stoichiometric ionic strengths, the activity of
// water, the osmotic coefficient, Eh (V) and its couple, the Na-K-Ca
// temperature (deg C), the charge imbalance (eq/kg water and percent), the
// activity model of the run; per
// species log m, log a and gamma; per mineral log Q/K; per gas log f. A JSON
// record holds also the molality and activity of every species, the component
// totals (moles, ppm, total molality, free molality, alpha, flag) and log K
// and log Q of every mineral and gas: all that the listing shows. Every
// number reads back as the very value computed: a CSV cell holds the shortest
// decimal that does (csvNumber), JSON the round-trip form of its writer.
#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "run/results.hpp"

namespace wq {

// The couple Eh was computed from, as a record names it ("" for none).
const char* ehCoupleName(EhCouple couple);

struct RecordHead {
    std::string name;
    std::string status;           // "converged", or the failure on one line
    double temperature = 0.0;     // as asked, for a water that failed
    double pressure = 0.0;
    // What a table of waters adds (a single run of the console program has
    // none of it): the analysis's own charge balance before any adjustment,
    // eq/kg water and percent; the component that carried the charge
    // balance ("" none, "H+" the pH); notes on the limits of the activity
    // model that the water goes beyond.
    std::optional<double> analysisImbalance{};
    std::optional<double> analysisImbalancePercent{};
    std::string balancedOn{};
    std::string notes{};
    // The specific conductance the table gives for the water, uS/cm at 25 C,
    // against which the calculated one is checked.
    std::optional<double> measuredConductance{};
    // The cells of the table's columns that the run does not read (a site,
    // a date, a measured conductance), as the row has them, one per
    // RecordColumns::carried: so that the records join back to the table.
    std::vector<std::string> carried{};
};

// The columns of a table of records, for a format that fixes them before
// the first record: fixed columns first, then
//   log_m(S), log_a(S), gamma(S)  for every species S (water left out),
//   SI(M)                         for every mineral M,
//   log_f(G)                      for every gas G.
// A quantity a water does not have (a failed run; a species its conditions
// leave out) is an empty cell.
struct RecordColumns {
    std::vector<std::string> species;
    std::vector<std::string> minerals;
    std::vector<std::string> gases;
    // When some water has a redox state: the columns "redox", "redox pe" and
    // "Eh(COUPLE) [V]" for each of these couples (reduced/oxidized).
    bool redox = false;
    std::vector<std::string> couples;
    // The headers of the table's columns carried through, after the fixed
    // and redox columns (the JSON record: the object "carried").
    std::vector<std::string> carried;
    // The positions, among allColumnNames(), of the columns written, in
    // their order; empty: every column.
    std::vector<std::size_t> selected;
};

// One cell of a CSV record before it is written: a number (NaN for an empty
// cell), a whole number (the loops) or a text. A front end that hands the
// values on (the Python package) takes them as they are, with no text
// written and read back.
struct RecordCell {
    enum class Kind { number, whole, text };
    Kind kind = Kind::number;
    double number = 0.0;
    std::string text;
};

// The CSV record's column names and the cells of one record, in that order
// (the columns written: columns.selected); csvRecordLine writes the cells as
// a line of the CSV table.
std::vector<std::string> recordColumnNames(const RecordColumns& columns);
std::vector<RecordCell> recordCells(const RecordColumns& columns, const RecordHead& head, const Results* results);
std::string csvRecordLine(const std::vector<RecordCell>& cells);

// Every column a CSV record of `columns` may have, in order (selected ignored).
std::vector<std::string> allColumnNames(const RecordColumns& columns);

// The compact set of columns: name, status, T, pH, I, the charge balances,
// the notes, the activity model, the redox state (when some water has one),
// every SI and log f.
std::vector<std::string> compactColumnPatterns();

// A way of writing the records of many runs to one file.
class RecordFormat {
public:
    virtual ~RecordFormat() = default;
    // True when the file's columns must be known before its first record.
    virtual bool fixesColumns() const = 0;
    // What opens the file (a table's header).
    virtual std::string opening(const RecordColumns& columns) const = 0;
    // One record; `results` is null for a water that could not be run. Any
    // thread may call it.
    virtual std::string record(const RecordColumns& columns, const RecordHead& head, const Results* results) const = 0;
    // What stands before a record (`first`: the first of the file).
    virtual std::string separator(bool first) const = 0;
    // What closes the file after its last record (`any`: it has one).
    virtual std::string closing(bool any) const = 0;
};

struct RecordFormatEntry {
    std::string_view extension;  // ".csv", in lower case
    const RecordFormat& (*format)();
};

// Every record format, in the order of the registry.
std::span<const RecordFormatEntry> recordFormats();

// The format of a file by its extension, in any case ("out.CSV"); null when
// no format has it.
const RecordFormat* recordFormatOf(std::string_view path);

// The extensions of the formats for a message: ".csv or .json".
std::string recordExtensions();

// The records of many runs on one open file, in one format. Every record is
// flushed as it is written, so an interrupted run leaves its records on disk;
// close() ends the file. False, with errno, when a write fails.
class RecordWriter {
public:
    RecordWriter(std::FILE* file, const RecordFormat& format, RecordColumns columns = {})
        : file_(file), format_(format), columns_(std::move(columns)) {}

    // Writes what opens the file.
    bool open();
    // The text of one record (any thread); add() writes it.
    std::string text(const RecordHead& head, const Results* results) const {
        return format_.record(columns_, head, results);
    }
    bool add(const std::string& text);
    bool close();
    // Records added are held, up to `most` bytes, and written whole several
    // at a time (one system call, not one per record); 0, the default: each
    // is written and flushed as it is added.
    void holdUpTo(std::size_t most) { holdLimit_ = most; }
    // Writes and flushes the records held.
    bool flush();

private:
    bool write(const std::string& text);

    std::FILE* file_;
    const RecordFormat& format_;
    RecordColumns columns_;
    bool first_ = true;
    std::size_t holdLimit_ = 0;
    std::string held_;
};

}  // namespace wq
