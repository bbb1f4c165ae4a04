// The fixed quantities of a record, stated once for every record format: a
// field's CSV column, its JSON key, its kind and how it reads a run. The CSV
// table's fixed columns are the fields with a column, in this order; the JSON
// record holds every field with a key. The per-species, per-mineral and
// per-gas columns, and the JSON record's tables, follow these.
#pragma once

#include <optional>
#include <span>

#include "report/records.hpp"

namespace wq {

struct RecordField {
    const char* column;  // CSV column; null: the JSON record's only
    const char* key;     // JSON key; null: the CSV table's only
    RecordCell::Kind kind;
    bool compact;  // among the columns the batch writes by default
    // The value in a record, from its head and the run's results (null for a
    // water that has none); none when the record has no such value (an empty
    // cell; no key). A number that is NaN is an empty cell, and JSON null.
    std::optional<RecordCell> (*read)(const RecordHead& head, const Results* results);
    // The CSV cell is empty for a water without results, even where the
    // head gives the value (the JSON record has it).
    bool csvOfResultsOnly = false;
};

// Every field, the CSV columns in their order.
std::span<const RecordField> recordFields();

// A cell of each kind: a number (NaN: empty), a whole number, a text.
RecordCell numberCell(double value);
RecordCell wholeCell(double value);
RecordCell textCell(std::string value);

}  // namespace wq
