#include "input/waters.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <utility>

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

std::optional<std::vector<Column>> readColumns(const CsvRecord& header, const ComponentCatalog& catalog,
                                               WaterTable& table, std::string& error) {
    std::vector<Column> columns;
    std::map<std::string, std::string> seen;  // what a column names -> its header
    for (std::size_t i = 0; i < header.fields.size(); ++i) {
        const std::string& h = header.fields[i];
        if (trimmedCell(h).empty()) {
            error = "column " + std::to_string(i + 1) + " of the header has no name" +
                    (i + 1 == header.fields.size() ? " (a comma at the end of the header line?)" : "");
            return std::nullopt;
        }
        std::optional<Column> c = classify(h, catalog, error);
        if (!c) return std::nullopt;
        const std::string key = c->kind == ColumnKind::component ? "component " + std::to_string(c->number)
                                                                  : "kind " + std::to_string(int(c->kind));
        if (auto it = seen.find(key); it != seen.end()) {
            error = "columns " + quotedText(it->second) + " and " + quotedText(h) + " give the same quantity";
            return std::nullopt;
        }
        seen[key] = h;
        // An alkalinity or a CO2 fugacity brings the carbonate component.
        const bool carbonate = c->kind == ColumnKind::alkalinity || c->kind == ColumnKind::co2Fugacity;
        const int number = carbonate ? db::CARBONATE : c->kind == ColumnKind::component ? c->number : 0;
        std::vector<int>& numbers = table.componentNumbers;
        if (number != 0 && std::find(numbers.begin(), numbers.end(), number) == numbers.end()) numbers.push_back(number);
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
    return columns;
}

// Every cell as UTF-8: bytes that are not (a Latin-1 degree sign) become U+FFFD.
void asUtf8(CsvRecord& record) {
    for (std::string& f : record.fields)
        if (!validUtf8(f)) f = utf8Replacing(f);
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
                                   std::string& error)
    : records_(records), templateKgWater_(templateKgWater) {
    records.passOver(UTF8_BOM);
    std::optional<CsvRecord> header = readHeader(records, error);
    if (!header) return;
    const std::string encoding = notUtf8Note(*header);
    asUtf8(*header);
    WaterTable table;
    std::optional<std::vector<Column>> columns = readColumns(*header, catalog, table, error);
    if (!columns) {
        error += encoding;
        return;
    }
    columns_ = std::move(*columns);
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
        asUtf8(*record);
        return readWaterRow(columns_, *record, templateKgWater_, carbonateGrams_);
    }
    return std::nullopt;
}

std::optional<WaterTable> readWaterTable(CsvReader& records, const ComponentCatalog& catalog, double templateKgWater,
                                         const std::function<void(WaterSample&&)>& take, std::string& error) {
    WaterTableReader reader(records, catalog, templateKgWater, error);
    if (!reader.ready()) return std::nullopt;
    std::size_t waters = 0;
    while (std::optional<WaterSample> water = reader.next(error)) {
        ++waters;
        take(std::move(*water));
    }
    if (!error.empty()) return std::nullopt;
    WaterTable table;
    table.componentNumbers = reader.componentNumbers();
    table.blankRows = reader.blankRows();
    if (waters == 0) {
        error = table.blankRows.empty() ? "the table has a header but no water"
                                        : "the table has a header but no water, only blank rows";
        return std::nullopt;
    }
    return table;
}

std::optional<WaterTable> readWaterTable(std::string_view text, const ComponentCatalog& catalog,
                                         double templateKgWater, std::string& error) {
    CsvReader records(text);
    std::vector<WaterSample> waters;
    std::optional<WaterTable> table = readWaterTable(
        records, catalog, templateKgWater, [&](WaterSample&& w) { waters.push_back(std::move(w)); }, error);
    if (table) table->waters = std::move(waters);
    return table;
}

}  // namespace wq
