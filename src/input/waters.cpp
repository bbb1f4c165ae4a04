#include "input/waters.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <utility>

#include "input/column_names.hpp"
#include "input/component_catalog.hpp"
#include "input/db_numbers.hpp"
#include "input/water_columns.hpp"
#include "input/water_row.hpp"
#include "text/csv.hpp"
#include "text/number_text.hpp"
#include "text/stop.hpp"

namespace wq {

namespace {

constexpr std::string_view UTF8_BOM = "\xEF\xBB\xBF";

bool blankRow(const CsvRecord& r) {
    for (const std::string& f : r.fields)
        if (!trimmedCell(f).empty()) return false;
    return true;
}

// The first record, as the table's header: a byte-order mark and a line
// "sep=," (which spreadsheets write to name the separator) passed over; a
// table that is not UTF-8 or not separated by commas refused.
std::optional<CsvRecord> readHeader(CsvReader& reader, std::string& error) {
    if (reader.startsWith("\xFF\xFE") || reader.startsWith("\xFE\xFF")) {
        error = "the table is UTF-16 text; save it as CSV in UTF-8";
        return std::nullopt;
    }
    std::optional<CsvRecord> header = reader.next(error);
    if (header && header->fields.size() <= 2 && header->fields[0].rfind("sep=", 0) == 0) {
        const std::vector<std::string> comma = {"sep=", ""};
        if (header->fields != comma) {
            error = "line 1, " + quotedText(header->fields[0]) +
                    ", names a separator other than the comma: save the table as CSV with commas between cells";
            return std::nullopt;
        }
        header = reader.next(error);
    }
    if (!header) {
        if (error.empty()) error = "the table is empty";
        return std::nullopt;
    }
    for (std::size_t k = 0; k < header->fields.size(); ++k) {
        if (header->fields[k].find('\0') == std::string::npos) continue;
        error = "column " + std::to_string(k + 1) +
                " of the header holds a NUL byte: the file is no text table (UTF-16, or a binary file)";
        return std::nullopt;
    }
    for (const std::string& cell : header->fields) {
        for (const auto& [separator, name] : {std::pair{';', "semicolons"}, std::pair{'\t', "tabs"}}) {
            if (cell.find(separator) == std::string::npos) continue;
            error = "the header separates its cells by " + std::string(name) +
                    ", not commas (a spreadsheet saved with a decimal comma?): save the table as CSV with commas "
                    "between cells and points in numbers";
            return std::nullopt;
        }
    }
    return header;
}

// The column that names the water is "name" when the table has one (in any
// case), else the first of its header words (Sample, Site ID, ...).
bool namedName(const Column& c) { return foldedName(trimmedCell(c.header)) == "name"; }

// A second column of the name or of the conductance (a "Site ID" beside a
// "Sample", a lab's EC beside a field SpC) is carried through rather than
// refused, unless the table is read strictly.
bool carriedWhenTwice(ColumnKind kind) { return kind == ColumnKind::name || kind == ColumnKind::conductance; }

struct HeaderReading {
    std::vector<Column> columns;
    std::vector<std::string> carried;
    std::vector<std::string> notes;
};

std::string carriedNote(const std::vector<Column>& columns) {
    std::string list;
    std::size_t n = 0;
    for (const Column& c : columns) {
        if (c.kind != ColumnKind::carried) continue;
        list += (n++ ? ", " : "") + quotedText(c.header);
    }
    if (n == 0) return {};
    return (n == 1 ? "column " : "columns ") + list + (n == 1 ? " names" : " name") +
           " nothing computed: carried through to the records (--strict refuses them)";
}

std::optional<HeaderReading> readColumns(const CsvRecord& header, const ComponentCatalog& catalog, bool strict,
                                         WaterTable& table, std::string& error) {
    HeaderReading read;
    std::vector<Column>& columns = read.columns;
    std::map<std::string, std::size_t> seen;  // what a column names -> its place
    for (std::size_t i = 0; i < header.fields.size(); ++i) {
        const std::string& h = header.fields[i];
        if (trimmedCell(h).empty()) {
            error = "column " + std::to_string(i + 1) + " of the header has no name" +
                    (i + 1 == header.fields.size() ? " (a comma at the end of the header line?)" : "");
            return std::nullopt;
        }
        std::optional<Column> c = classify(h, catalog, error, strict);
        if (!c) return std::nullopt;
        if (c->kind == ColumnKind::carried) {
            columns.push_back(std::move(*c));
            continue;
        }
        const std::string key = c->kind == ColumnKind::component ? "component " + std::to_string(c->number)
                                : c->kind == ColumnKind::absentComponent ? "absent " + c->header
                                                                         : "kind " + std::to_string(int(c->kind));
        if (auto it = seen.find(key); it != seen.end()) {
            Column& first = columns[it->second];
            if (strict || !carriedWhenTwice(c->kind)) {
                error = "columns " + quotedText(first.header) + " and " + quotedText(h) + " give the same quantity";
                return std::nullopt;
            }
            // "name" itself names the water wherever it stands.
            if (c->kind == ColumnKind::name && namedName(*c) && !namedName(first)) {
                first.kind = ColumnKind::carried;
                it->second = columns.size();
            } else {
                c->kind = ColumnKind::carried;
            }
            columns.push_back(std::move(*c));
            continue;
        }
        seen[key] = columns.size();
        // An alkalinity or a CO2 fugacity brings the carbonate component.
        const bool carbonate = c->kind == ColumnKind::alkalinity || c->kind == ColumnKind::co2Fugacity;
        const int number = carbonate ? db::CARBONATE : c->kind == ColumnKind::component ? c->number : 0;
        std::vector<int>& numbers = table.componentNumbers;
        if (number != 0 && std::find(numbers.begin(), numbers.end(), number) == numbers.end()) numbers.push_back(number);
        if (!c->note.empty() && c->kind != ColumnKind::absentComponent) read.notes.push_back(c->note);
        columns.push_back(std::move(*c));
    }
    if (!seen.count("kind " + std::to_string(int(ColumnKind::name)))) {
        error = "the table has no \"name\" column";
        return std::nullopt;
    }
    if (!seen.count("kind " + std::to_string(int(ColumnKind::temperature)))) {
        error = "the table has no \"T\" column";
        return std::nullopt;
    }
    for (const Column& c : columns)
        if (c.kind == ColumnKind::carried || c.kind == ColumnKind::conductance) read.carried.push_back(c.header);
    if (std::string note = carriedNote(columns); !note.empty()) read.notes.push_back(note);
    return read;
}

// Every cell as UTF-8: in a Latin-1 table each byte its character, else
// bytes that are not UTF-8 become U+FFFD.
void asUtf8(CsvRecord& record, bool latin1) {
    for (std::string& f : record.fields)
        if (!validUtf8(f)) f = latin1 ? utf8FromLatin1(f) : utf8Replacing(f);
}

// What a header whose refusal may come from its encoding says of it: the
// first byte that is not UTF-8 and where it stands; empty for UTF-8.
std::string notUtf8Note(const CsvRecord& header) {
    for (std::size_t k = 0; k < header.fields.size(); ++k) {
        const std::size_t at = firstNonUtf8(header.fields[k]);
        if (at == std::string::npos) continue;
        char byte[8];
        std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(header.fields[k][at]));
        return std::string("; the header is not UTF-8: byte ") + byte + " in column " + std::to_string(k + 1) +
               " (a Latin-1 or Windows-1252 file?); save the table as UTF-8";
    }
    return {};
}

}  // namespace

IonBalance ionBalanceOf(const WaterSample& water, const ComponentCatalog& catalog, double kgWater) {
    IonBalance b;
    for (const ComponentTotal& t : water.totals) {
        const CatalogComponent* c = catalog.byNumber(t.number);
        if (!c || t.number == db::HYDROGEN_ION) continue;
        (c->charge > 0.0 ? b.cations : b.anions) += std::fabs(c->charge) * t.moles;
    }
    if (water.alkalinity) b.anions += *water.alkalinity * kgWater;
    return b;
}

WaterTableReader::WaterTableReader(CsvReader& records, const ComponentCatalog& catalog, double templateKgWater,
                                   std::string& error, const TableReading& reading)
    : records_(records), templateKgWater_(templateKgWater), reading_(reading) {
    records.passOver(UTF8_BOM);
    std::optional<CsvRecord> header = readHeader(records, error);
    if (!header) return;
    // A header that is not UTF-8 is an older spreadsheet's Latin-1 (its
    // degree sign 0xB0, its micro sign 0xB5): the whole table is read so.
    const std::string encoding = notUtf8Note(*header);
    latin1_ = !encoding.empty();
    asUtf8(*header, latin1_);
    WaterTable table;
    std::optional<HeaderReading> columns = readColumns(*header, catalog, reading.strict, table, error);
    if (!columns) {
        error += encoding;
        return;
    }
    columns_ = std::move(columns->columns);
    carriedHeaders_ = std::move(columns->carried);
    notes_ = std::move(columns->notes);
    if (latin1_) notes_.insert(notes_.begin(), "the table is not UTF-8: read as Latin-1");
    componentNumbers_ = std::move(table.componentNumbers);
    const CatalogComponent* carbonate = catalog.byNumber(db::CARBONATE);
    carbonateGrams_ = carbonate && carbonate->formulaWeight > 0.0 ? carbonate->formulaWeight : 61.0168;
    ready_ = true;
}

std::optional<WaterSample> WaterTableReader::next(std::string& error) {
    while (std::optional<CsvRecord> record = records_.next(error)) {
        if (blankRow(*record)) {
            blankRows_.push_back(record->line);
            continue;
        }
        asUtf8(*record, latin1_);
        return readWaterRow(columns_, *record, templateKgWater_, carbonateGrams_, reading_);
    }
    return std::nullopt;
}

bool WaterTableReader::skip(std::string& error) {
    while (std::optional<CsvRecord> record = records_.next(error)) {
        if (blankRow(*record)) {
            blankRows_.push_back(record->line);
            continue;
        }
        return true;
    }
    return false;
}

bool WaterTableReader::rowsMayGiveRedox() const {
    return std::any_of(columns_.begin(), columns_.end(), [](const Column& c) {
        return c.kind == ColumnKind::redox || c.kind == ColumnKind::eh || c.kind == ColumnKind::pe ||
               c.kind == ColumnKind::oxygenFugacity;
    });
}

namespace {

// The table of a reader read to its end, with `waters` waters in it.
std::optional<WaterTable> tableRead(const WaterTableReader& reader, std::size_t waters, std::string& error) {
    if (!error.empty()) return std::nullopt;
    WaterTable table;
    table.componentNumbers = reader.componentNumbers();
    table.blankRows = reader.blankRows();
    table.carriedHeaders = reader.carriedHeaders();
    table.notes = reader.notes();
    if (waters == 0) {
        error = table.blankRows.empty() ? "the table has a header but no water"
                                        : "the table has a header but no water, only blank rows";
        return std::nullopt;
    }
    return table;
}

}  // namespace

std::optional<WaterTable> readWaterTable(CsvReader& records, const ComponentCatalog& catalog, double templateKgWater,
                                         const std::function<void(WaterSample&&)>& take, std::string& error,
                                         const TableReading& reading) {
    WaterTableReader reader(records, catalog, templateKgWater, error, reading);
    if (!reader.ready()) return std::nullopt;
    std::size_t waters = 0;
    while (std::optional<WaterSample> water = reader.next(error)) {
        ++waters;
        take(std::move(*water));
    }
    return tableRead(reader, waters, error);
}

std::optional<WaterTable> countWaterTable(CsvReader& records, const ComponentCatalog& catalog, double templateKgWater,
                                          const std::function<void(const WaterSample*)>& counted, std::string& error,
                                          const TableReading& reading) {
    WaterTableReader reader(records, catalog, templateKgWater, error, reading);
    if (!reader.ready()) return std::nullopt;
    std::size_t waters = 0;
    if (reader.rowsMayGiveRedox()) {
        while (std::optional<WaterSample> water = reader.next(error)) {
            ++waters;
            counted(&*water);
        }
    } else {
        while (reader.skip(error)) {
            ++waters;
            counted(nullptr);
        }
    }
    return tableRead(reader, waters, error);
}

std::optional<WaterTable> readWaterTable(std::string_view text, const ComponentCatalog& catalog,
                                         double templateKgWater, std::string& error, const TableReading& reading) {
    CsvReader records(text);
    std::vector<WaterSample> waters;
    std::optional<WaterTable> table = readWaterTable(
        records, catalog, templateKgWater, [&](WaterSample&& w) { waters.push_back(std::move(w)); }, error, reading);
    if (table) table->waters = std::move(waters);
    return table;
}

}  // namespace wq
