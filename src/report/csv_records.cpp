// The CSV table of records: a header of the columns, then one row per run
// (registered as ".csv").
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>
#include <utility>

#include "input/tables.hpp"
#include "report/record_fields.hpp"
#include "report/records.hpp"
#include "text/csv.hpp"

namespace wq {

namespace {

RecordCell number(double value) { return numberCell(value); }
RecordCell text(std::string value) { return textCell(std::move(value)); }
constexpr double EMPTY = std::numeric_limits<double>::quiet_NaN();

// An empty cell of a kind, for a value the record does not have.
RecordCell emptyCell(RecordCell::Kind kind) {
    return kind == RecordCell::Kind::text ? text("") : RecordCell{kind, EMPTY, {}};
}

// The fields that have a column, in their order.
const std::vector<const RecordField*>& csvFields() {
    static const std::vector<const RecordField*> fields = [] {
        std::vector<const RecordField*> withColumn;
        for (const RecordField& field : recordFields())
            if (field.column) withColumn.push_back(&field);
        return withColumn;
    }();
    return fields;
}

// The cell of a field that has a column. Text that is not UTF-8 (a name in
// Latin-1) is written with replacement characters, as the JSON record
// writes it.
RecordCell fixedCell(const RecordField& field, const RecordHead& head, const Results* r) {
    std::optional<RecordCell> cell = (field.csvOfResultsOnly && !r) ? std::nullopt : field.read(head, r);
    if (!cell) return emptyCell(field.kind);
    if (cell->kind == RecordCell::Kind::text) cell->text = utf8Replacing(cell->text);
    return std::move(*cell);
}

// The redox columns, after the fixed ones, only when some water has a
// redox state: the state ("none" for a water without one), the pe, and the
// Eh at which each couple is in equilibrium in the water.
void redoxHeader(const RecordColumns& columns, std::vector<std::string>& cells) {
    if (!columns.redox) return;
    cells.push_back("redox");
    cells.push_back("redox pe");
    for (const std::string& c : columns.couples) cells.push_back("Eh(" + c + ") [V]");
}

void redoxCells(const RecordColumns& columns, const Results* r, std::vector<RecordCell>& cells) {
    if (!columns.redox) return;
    if (!r) {
        cells.push_back(text(""));
        cells.insert(cells.end(), 1 + columns.couples.size(), number(EMPTY));
        return;
    }
    cells.push_back(text(r->redox.given ? r->redox.state : "none"));
    cells.push_back(number(r->redox.given ? r->redox.pe : EMPTY));
    for (const std::string& name : columns.couples) {
        double eh = EMPTY;
        for (const RedoxCoupleRow& c : r->redox.couples)
            if (c.name == name) eh = c.eh;
        cells.push_back(number(eh));
    }
}

// The table's own columns carried through, after the redox ones: the row's
// cells as they were.
void carriedCells(const RecordColumns& columns, const RecordHead& head, std::vector<RecordCell>& cells) {
    for (std::size_t k = 0; k < columns.carried.size(); ++k)
        cells.push_back(text(k < head.carried.size() ? utf8Replacing(head.carried[k]) : std::string()));
}

// The cells of the columns written (columns.selected), in their order.
template <typename Cell>
std::vector<Cell> selected(std::vector<Cell> cells, const RecordColumns& columns) {
    if (columns.selected.empty()) return cells;
    std::vector<Cell> out;
    out.reserve(columns.selected.size());
    for (std::size_t k : columns.selected) out.push_back(k < cells.size() ? std::move(cells[k]) : Cell());
    return out;
}

void appendCell(std::string& line, const RecordCell& cell) {
    switch (cell.kind) {
        case RecordCell::Kind::text:
            appendCsvField(line, cell.text);
            return;
        case RecordCell::Kind::whole:
            if (std::isfinite(cell.number)) line += std::to_string(static_cast<long long>(cell.number));
            return;
        case RecordCell::Kind::number:
            appendCsvNumber(line, cell.number);
            return;
    }
}

std::string csvRecord(const RecordColumns& columns, const RecordHead& head, const Results* r);

class CsvRecords final : public RecordFormat {
public:
    bool fixesColumns() const override { return true; }
    std::string opening(const RecordColumns& columns) const override { return csvLine(recordColumnNames(columns)); }
    std::string record(const RecordColumns& columns, const RecordHead& head, const Results* results) const override {
        return csvRecord(columns, head, results);
    }
    std::string separator(bool) const override { return {}; }
    std::string closing(bool) const override { return {}; }
};

}  // namespace

std::vector<std::string> allColumnNames(const RecordColumns& columns) {
    std::vector<std::string> cells;
    for (const RecordField& field : recordFields())
        if (field.column) cells.emplace_back(field.column);
    redoxHeader(columns, cells);
    cells.insert(cells.end(), columns.carried.begin(), columns.carried.end());
    for (const std::string& s : columns.species) {
        cells.push_back("log_m(" + s + ")");
        cells.push_back("log_a(" + s + ")");
        cells.push_back("gamma(" + s + ")");
    }
    for (const std::string& m : columns.minerals) cells.push_back("SI(" + m + ")");
    for (const std::string& g : columns.gases) cells.push_back("log_f(" + g + ")");
    return cells;
}

std::vector<std::string> compactColumnPatterns() {
    std::vector<std::string> patterns;
    for (const RecordField& field : recordFields())
        if (field.compact) patterns.emplace_back(field.column);
    patterns.insert(patterns.end(), {"redox", "redox pe", "Eh(*) [V]", "SI(*)", "log_f(*)"});
    return patterns;
}

std::vector<std::string> recordColumnNames(const RecordColumns& columns) {
    return selected(allColumnNames(columns), columns);
}

namespace {

// The rows of a result by name, the last row of a name should one come
// twice: an open-addressed table of row numbers, made in one pass at the
// first lookup (a record looks up every mineral of its run: a table of a few
// hundred rows, where a map of nodes spent more than the lookups).
template <class Row>
class RowsByName {
public:
    explicit RowsByName(const std::vector<Row>* rows) : rows_(rows) {}

    const Row* find(std::string_view name) {
        if (!rows_ || rows_->empty()) return nullptr;
        if (slots_.empty()) build();
        for (std::size_t k = slotOf(name);; k = (k + 1) & (slots_.size() - 1)) {
            const std::size_t row = slots_[k];
            if (row == NO_ROW) return nullptr;
            if ((*rows_)[row].name == name) return &(*rows_)[row];
        }
    }

private:
    static constexpr std::size_t NO_ROW = static_cast<std::size_t>(-1);

    // FNV-1a over the name's bytes, folded to the table's size.
    std::size_t slotOf(std::string_view name) const {
        std::uint64_t h = 14695981039346656037ull;
        for (const char c : name) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        return static_cast<std::size_t>(h ^ (h >> 32)) & (slots_.size() - 1);
    }
    void build() {
        std::size_t size = 16;
        while (size < 2 * rows_->size()) size *= 2;  // at most half full: every probe ends
        slots_.assign(size, NO_ROW);
        for (std::size_t row = 0; row < rows_->size(); ++row) {
            const std::string_view name = (*rows_)[row].name;
            std::size_t k = slotOf(name);
            while (slots_[k] != NO_ROW && (*rows_)[slots_[k]].name != name) k = (k + 1) & (size - 1);
            slots_[k] = row;  // a later row of the name takes its place
        }
    }

    const std::vector<Row>* rows_;
    std::vector<std::size_t> slots_;
};

// The row of each column among a record's rows (NO_ROW where it has none),
// as RowsByName finds it. The records of a table mostly have the very rows
// of the record before under the very names: the names are then compared
// with that record's, and its rows taken, instead of being looked up again.
template <class Row>
class ColumnRows {
public:
    static constexpr std::size_t NO_ROW = static_cast<std::size_t>(-1);

    const std::vector<std::size_t>& of(const std::vector<std::string>& columns, const std::vector<Row>* rows) {
        // No column of this kind (a compact record's species): no row to find.
        if (columns.empty()) {
            columns_.clear();
            names_.clear();
            row_.clear();
            return row_;
        }
        if (columns == columns_ && sameNames(rows)) return row_;
        columns_ = columns;
        names_.clear();
        if (rows)
            for (const Row& r : *rows) names_.push_back(r.name);
        RowsByName<Row> byName(rows);
        row_.clear();
        for (const std::string& column : columns) {
            const Row* found = byName.find(column);
            row_.push_back(found ? static_cast<std::size_t>(found - rows->data()) : NO_ROW);
        }
        return row_;
    }

private:
    bool sameNames(const std::vector<Row>* rows) const {
        const std::size_t n = rows ? rows->size() : 0;
        if (n != names_.size()) return false;
        for (std::size_t k = 0; k < n; ++k)
            if ((*rows)[k].name != names_[k]) return false;
        return true;
    }

    std::vector<std::string> columns_;
    std::vector<std::string> names_;
    std::vector<std::size_t> row_;
};

// The last record's rows of each kind, one set per thread that writes records.
struct LastRows {
    ColumnRows<SpeciesRow> species;
    ColumnRows<MineralRow> minerals;
    ColumnRows<GasRow> gases;
};
thread_local LastRows lastRows;

// The cells of the species, minerals and gases, each worked out only when
// its column is written.
class ResultCells {
public:
    ResultCells(const RecordColumns& columns, const Results* r)
        : columns_(columns), species_(r ? &r->species : nullptr), minerals_(r ? &r->minerals : nullptr),
          gases_(r ? &r->gases : nullptr),
          speciesRow_(lastRows.species.of(columns.species, species_)),
          mineralRow_(lastRows.minerals.of(columns.minerals, minerals_)),
          gasRow_(lastRows.gases.of(columns.gases, gases_)) {}

    std::size_t size() const {
        return 3 * columns_.species.size() + columns_.minerals.size() + columns_.gases.size();
    }

    // The number of cell k after the fixed and redox cells (EMPTY: none).
    double at(std::size_t k) const {
        const std::size_t speciesCells = 3 * columns_.species.size();
        if (k < speciesCells) {
            const SpeciesRow* s = rowOf(species_, speciesRow_, k / 3);
            if (!s) return EMPTY;
            return k % 3 == 0 ? s->logMolality() : k % 3 == 1 ? s->logActivity() : s->gamma;
        }
        k -= speciesCells;
        if (k < columns_.minerals.size()) {
            const MineralRow* m = rowOf(minerals_, mineralRow_, k);
            return m ? m->saturationIndex : EMPTY;
        }
        const GasRow* g = rowOf(gases_, gasRow_, k - columns_.minerals.size());
        return g ? g->logFugacity : EMPTY;
    }

private:
    template <class Row>
    static const Row* rowOf(const std::vector<Row>* rows, const std::vector<std::size_t>& row, std::size_t column) {
        const std::size_t k = row[column];
        return k == ColumnRows<Row>::NO_ROW ? nullptr : &(*rows)[k];
    }

    const RecordColumns& columns_;
    const std::vector<SpeciesRow>* species_;
    const std::vector<MineralRow>* minerals_;
    const std::vector<GasRow>* gases_;
    // The thread's last rows: a record's cells are all taken before the
    // thread looks up another's.
    const std::vector<std::size_t>& speciesRow_;
    const std::vector<std::size_t>& mineralRow_;
    const std::vector<std::size_t>& gasRow_;
};

// Each cell of the columns written, in their order: `cell` takes those of
// the head (and a column past the last, a number cell), `number` the
// numbers of the results, which need no cell of their own. A fixed field's
// cell is worked out only when its column is written: the compact record
// writes a third of them.
template <class Cell, class Number>
void eachCell(const RecordColumns& columns, const RecordHead& head, const Results* r, Cell&& cell, Number&& number) {
    const std::vector<const RecordField*>& fixed = csvFields();
    std::vector<RecordCell> laterHeadCells;  // after the fixed ones
    redoxCells(columns, r, laterHeadCells);
    carriedCells(columns, head, laterHeadCells);
    const std::size_t heads = fixed.size() + laterHeadCells.size();
    const ResultCells results(columns, r);
    const std::size_t total = heads + results.size();
    const auto take = [&](std::size_t k) {
        if (k < fixed.size())
            cell(fixedCell(*fixed[k], head, r));
        else if (k < heads)
            cell(laterHeadCells[k - fixed.size()]);
        else if (k < total)
            number(results.at(k - heads));
        else
            cell(RecordCell());
    };
    if (columns.selected.empty()) {
        for (std::size_t k = 0; k < total; ++k) take(k);
    } else {
        for (std::size_t k : columns.selected) take(k);
    }
}

// The record's line, written cell by cell as csvRecordLine writes its cells.
std::string csvRecord(const RecordColumns& columns, const RecordHead& head, const Results* r) {
    std::string line;
    line.reserve(24 * (columns.selected.empty() ? 64 : columns.selected.size()));
    bool first = true;
    const auto separate = [&] {
        if (!first) line += ',';
        first = false;
    };
    eachCell(
        columns, head, r,
        [&](const RecordCell& c) {
            separate();
            appendCell(line, c);
        },
        [&](double value) {
            separate();
            appendCsvNumber(line, value);
        });
    line += '\n';
    return line;
}

}  // namespace

std::vector<RecordCell> recordCells(const RecordColumns& columns, const RecordHead& head, const Results* r) {
    std::vector<RecordCell> cells;
    cells.reserve(columns.selected.size());
    eachCell(
        columns, head, r, [&](const RecordCell& c) { cells.push_back(c); },
        [&](double value) { cells.push_back(number(value)); });
    return cells;
}

std::string csvRecordLine(const std::vector<RecordCell>& cells) {
    std::string line;
    line.reserve(24 * cells.size());
    for (std::size_t k = 0; k < cells.size(); ++k) {
        if (k > 0) line += ',';
        appendCell(line, cells[k]);
    }
    line += '\n';
    return line;
}

const RecordFormat& csvRecords() {
    static const CsvRecords format;
    return format;
}

}  // namespace wq
