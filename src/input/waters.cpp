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
#include "text/csv.hpp"
#include "text/number_text.hpp"
#include "text/stop.hpp"

namespace wq {

namespace {

// Above it no water's pH can be: 1 mol/kg of OH- is pH 14 at 25 C, and
// the most alkaline brines stand near 13.
constexpr double HIGHEST_PH = 16.0;
// The highest temperature of the database's grid (C).
constexpr double HIGHEST_TEMPERATURE_C = 600.0;

// A number in a cell: the whole cell, finite, one sign at most.
bool parseNumber(std::string_view cell, double& value, std::string& why) {
    cell = trimmedCell(cell);
    std::string_view digits = cell;
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    const bool twoSigns = !digits.empty() && (digits.front() == '+' || (cell.front() == '+' && digits.front() == '-'));
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (!twoSigns && ec == std::errc::result_out_of_range && end == digits.data() + digits.size()) {
        why = quotedText(cell) + " is out of range: a number's magnitude is from 5e-324 to 1.8e308, or 0";
        return false;
    }
    if (twoSigns || ec != std::errc() || end != digits.data() + digits.size()) {
        why = quotedText(cell) + " is not a number";
        return false;
    }
    if (!std::isfinite(value)) {
        why = quotedText(cell) + " is not a finite number";
        return false;
    }
    return true;
}

struct RowReader {
    RowReader(const std::vector<Column>& c, const CsvRecord& r, double kg, double carbonate)
        : columns(c), record(r), templateKgWater(kg), carbonateGramsPerEquivalent(carbonate) {}

    const std::vector<Column>& columns;
    const CsvRecord& record;
    double templateKgWater;
    double carbonateGramsPerEquivalent;
    WaterSample water;

    // Grams of dissolved solids per kg or L of solution, and the basis seen.
    double solidsGrams = 0.0;
    bool perKg = false, perLitre = false;
    double density = 1.0;
    std::vector<std::pair<const Column*, double>> cells;

    bool fail(const Column& c, const std::string& why) {
        water.error = "row on line " + std::to_string(record.line) + ", column " + quotedText(c.header) + ": " + why;
        return false;
    }

    // The name goes into the title line of a run input: one line of text.
    void readName() {
        for (std::size_t i = 0; i < columns.size() && i < record.fields.size(); ++i)
            if (columns[i].kind == ColumnKind::name) water.name = std::string(trimmedCell(record.fields[i]));
    }

    bool nameIsOneLine() {
        for (char ch : water.name) {
            const auto c = static_cast<unsigned char>(ch);
            if (c < 0x20 || c == 0x7F) {
                water.error = "row on line " + std::to_string(record.line) +
                              ": the name holds a control character (a line end or a tab); a name is one line";
                return false;
            }
        }
        return true;
    }

    // Every column has its cell: a row cut short (a last line cut off) is
    // not filled from the template, nor a longer one cut.
    bool cellsMatchColumns() {
        if (record.fields.size() == columns.size()) return true;
        water.error = "row on line " + std::to_string(record.line) + " has " + std::to_string(record.fields.size()) +
                      (record.fields.size() == 1 ? " cell" : " cells") + " for " + std::to_string(columns.size()) +
                      " columns";
        return false;
    }

    bool readCells() {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const Column& c = columns[i];
            const std::string_view cell = trimmedCell(record.fields[i]);
            if (c.kind == ColumnKind::name) continue;
            if (c.kind == ColumnKind::redox) {
                if (!cell.empty() && !takeRedoxWords(c, cell)) return false;
                continue;
            }
            if (cell.empty()) {
                // In a pH column a blank cell asks for the pH to be computed.
                if (c.kind == ColumnKind::pH) water.pH = 0.0;
                continue;
            }
            double v = 0.0;
            std::string why;
            if (!parseNumber(cell, v, why)) return fail(c, why);
            noteCarbonate(c);
            if (!takeCell(c, v)) return false;
        }
        return carbonateGivenOnce();
    }

    // Carbonate is fixed one way: the alkalinity, the total of the carbonate
    // component or a CO2 fugacity. A CO2 fugacity beside one of the others
    // fixes the pH instead, when the pH is not given; otherwise a row giving
    // two would fix the carbonate twice.
    std::vector<const Column*> carbonateCells;
    void noteCarbonate(const Column& c) {
        if (c.kind == ColumnKind::alkalinity || c.kind == ColumnKind::co2Fugacity ||
            (c.kind == ColumnKind::component && c.number == db::CARBONATE))
            carbonateCells.push_back(&c);
    }
    bool carbonateGivenOnce() {
        if (carbonateCells.size() < 2) return true;
        const bool gas = carbonateCells[0]->kind == ColumnKind::co2Fugacity ||
                         carbonateCells[1]->kind == ColumnKind::co2Fugacity;
        const bool pHGiven = water.pH && *water.pH > 0.0;
        if (carbonateCells.size() == 2 && gas && !pHGiven) {
            water.pHFromCO2 = true;
            return true;
        }
        water.error = "row on line " + std::to_string(record.line) + ": columns " +
                      quotedText(carbonateCells[0]->header) + " and " + quotedText(carbonateCells[1]->header) +
                      " both fix the carbonate; give one of them (alkalinity, total carbonate or CO2(g))" +
                      (gas ? ", or leave the pH blank to compute it from the CO2 fugacity" : "");
        return false;
    }

    // A row gives one redox state at most.
    bool takeRedox(const Column& c, const RedoxState& state) {
        if (water.redox) return fail(c, "a second redox state in one row (give one of Eh, pe, O2(g) and redox)");
        water.redox = state;
        return true;
    }

    bool takeRedoxWords(const Column& c, std::string_view cell) {
        std::string why;
        std::optional<RedoxState> state = parseRedoxState(cell, why);
        if (!state) return fail(c, why);
        return takeRedox(c, *state);
    }

    bool takeCell(const Column& c, double v) {
        RedoxState state;
        state.value = v;
        switch (c.kind) {
            case ColumnKind::eh: state.kind = RedoxState::Kind::eh; return takeRedox(c, state);
            case ColumnKind::pe: state.kind = RedoxState::Kind::pe; return takeRedox(c, state);
            case ColumnKind::oxygenFugacity: state.kind = RedoxState::Kind::oxygenFugacity; return takeRedox(c, state);
            default: break;
        }
        switch (c.kind) {
            case ColumnKind::temperature:
                water.temperature = v + c.temperatureOffset;
                if (*water.temperature < 0.0 || *water.temperature > HIGHEST_TEMPERATURE_C)
                    return fail(c, "the temperature " + shortestText(*water.temperature) +
                                       " C is outside the 0 to 600 C of the data");
                return true;
            case ColumnKind::pressure: water.pressure = v; return true;
            case ColumnKind::pH:
                if (!(v > 0.0)) return fail(c, "the pH must be positive (leave the cell blank to compute it)");
                if (v > HIGHEST_PH) return fail(c, "the pH " + shortestText(v) + " is above 16, which no water has");
                water.pH = v;
                return true;
            case ColumnKind::density:
                if (!(v > 0.0)) return fail(c, "the density must be positive");
                density = v;
                return true;
            case ColumnKind::co2Fugacity: water.logFugacityCO2 = v; return true;
            default: break;
        }
        if (v < 0.0) return fail(c, "a negative amount");
        // Moles (or equivalents of alkalinity) per the column's basis, and
        // their mass among the dissolved solids of a kilogram or litre.
        double amount = 0.0;
        double grams = 0.0;
        if (c.kind == ColumnKind::alkalinity) {
            amount = alkalinityEquivalents(c.alkalinity, v, carbonateGramsPerEquivalent);
            grams = amount * carbonateGramsPerEquivalent;  // counted as HCO3
        } else {
            const std::optional<double> moles = componentMoles(c.amount, v, c.gramsPerMole, c.charge);
            if (!moles) throw InternalError{"a column whose unit cannot count its component was taken"};
            amount = *moles;
            grams = amount * c.formulaWeight;
        }
        if (c.basis() != AmountBasis::kgWater) {
            solidsGrams += grams;
            (c.basis() == AmountBasis::kgSolution ? perKg : perLitre) = true;
        }
        cells.emplace_back(&c, amount);
        return true;
    }

    bool massOfWater() {
        if (perKg && perLitre) {
            water.error = "row on line " + std::to_string(record.line) +
                          ": amounts per kg and per litre of solution in one row leave the mass of water undefined";
            return false;
        }
        const double solution = perLitre ? density : 1.0;
        if (!perKg && !perLitre) return true;
        const double kg = solution - solidsGrams * 1e-3;
        if (!(kg > 0.0)) {
            water.error = "row on line " + std::to_string(record.line) +
                          ": the dissolved solids weigh as much as the solution";
            return false;
        }
        water.kgWater = kg;
        return true;
    }

    // Moles of a component cell, or eq/kg water of the alkalinity; false when
    // one of them is beyond what a double holds (a run input could not say it).
    bool convertCells() {
        const double kgw = water.kgWater.value_or(templateKgWater);
        bool finite = true;
        for (const auto& [c, amount] : cells) {
            // Per kg of water: times the mass of water; per kg or litre of
            // solution: the amount in the kilogram or litre the row describes.
            const double inWater = c->basis() == AmountBasis::kgWater ? amount * kgw : amount;
            if (c->kind == ColumnKind::alkalinity) {
                water.alkalinity = inWater / kgw;
                finite = finite && std::isfinite(*water.alkalinity);
            } else {
                water.totals.push_back({c->number, inWater});
                finite = finite && std::isfinite(inWater);
            }
        }
        if (!finite)
            water.error = "row on line " + std::to_string(record.line) +
                          ": its amounts in its mass of water are beyond the range of numbers";
        return finite;
    }
};

}  // namespace

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
        RowReader row(columns_, *record, templateKgWater_, carbonateGrams_);
        row.water.line = record->line;
        row.readName();
        if (row.nameIsOneLine() && row.cellsMatchColumns() && row.readCells() && row.massOfWater())
            row.convertCells();
        if (row.water.name.empty()) row.water.name = "line " + std::to_string(record->line);
        return std::move(row.water);
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
