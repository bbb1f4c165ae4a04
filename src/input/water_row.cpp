#include "input/water_row.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <string>
#include <utility>

#include "input/component_catalog.hpp"
#include "input/table_reading.hpp"
#include "input/db_numbers.hpp"
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

// Above this mass of solutes a litre of solution is no longer a kilogram
// within a tenth of a percent (seawater's 35 g/L weigh 1.025 kg/L), so a row
// that mixes amounts per kg and per litre needs its density.
constexpr double MOST_GRAMS_AT_UNIT_DENSITY = 1.0;

const char* belowDetectionTaken(BelowDetection policy) {
    switch (policy) {
        case BelowDetection::zero: return "taken as 0 (absent)";
        case BelowDetection::half: return "taken as half the limit";
        case BelowDetection::limit: return "taken as the limit";
        default: break;
    }
    return "left out";
}

struct RowReader {
    RowReader(const std::vector<Column>& c, const CsvRecord& r, double kg, double carbonate, const TableReading& t)
        : columns(c), record(r), templateKgWater(kg), carbonateGramsPerEquivalent(carbonate), reading(t),
          density(t.density.value_or(1.0)) {}

    const std::vector<Column>& columns;
    const CsvRecord& record;
    double templateKgWater;
    double carbonateGramsPerEquivalent;
    const TableReading& reading;
    WaterSample water;

    // Grams of dissolved solids per kg or L of solution (as the cell's
    // column counts it), and the basis seen.
    struct Cell {
        const Column* column;
        double amount;
        double grams;
    };
    bool perKg = false, perLitre = false;
    double density = 1.0;
    bool densityGiven = false;
    std::vector<Cell> cells;
    // Each cell's fault, "column "X": why", all of them told at once.
    std::vector<std::string> faults;
    // The cells below the detection limit, by what became of them.
    std::map<std::string, std::string> belowDetection;

    // The conditions as they stood at the first fault: a refused row's
    // record gives those (the cells after it are only checked).
    std::optional<double> temperatureAtFault, pressureAtFault;

    bool fail(const Column& c, const std::string& why) {
        if (faults.empty()) {
            temperatureAtFault = water.temperature;
            pressureAtFault = water.pressure;
        }
        faults.push_back("column " + quotedText(c.header) + ": " + why);
        return false;
    }

    // One fault as it always read; several, each after the row's line.
    bool faultsTold() {
        if (faults.empty()) return true;
        water.temperature = temperatureAtFault;
        water.pressure = pressureAtFault;
        const std::string row = "row on line " + std::to_string(record.line);
        if (faults.size() == 1) {
            water.error = row + ", " + faults.front();
            return false;
        }
        water.error = row + ": " + std::to_string(faults.size()) + " cells cannot be read: ";
        const std::size_t told = std::min(faults.size(), FAULTS_TOLD);
        for (std::size_t k = 0; k < told; ++k) water.error += (k ? "; " : "") + faults[k];
        if (told < faults.size()) water.error += "; and " + std::to_string(faults.size() - told) + " more";
        return false;
    }

    void noteBelowDetection() {
        for (const auto& [taken, list] : belowDetection)
            water.notes += (water.notes.empty() ? "" : "; ") + std::string("below the detection limit, ") + taken +
                           ": " + list;
    }

    // A cell below the detection limit: nullopt when it is left out (or the
    // row refused, with --below-detection fail), else the value it takes.
    std::optional<double> belowDetectionValue(const Column& c, std::string_view cell, const BelowDetectionCell& bd) {
        BelowDetection policy = reading.belowDetection;
        if (policy == BelowDetection::fail) {
            fail(c, quotedText(cell) + " is below the detection limit (--below-detection fail)");
            return std::nullopt;
        }
        std::string told = std::string(trimmedCell(c.header)) + " (" + std::string(cell) + ")";
        if (!bd.limit && (policy == BelowDetection::half || policy == BelowDetection::limit)) {
            policy = BelowDetection::omit;
            told += ", no limit given";
        }
        std::string& list = belowDetection[belowDetectionTaken(policy)];
        list += (list.empty() ? "" : ", ") + told;
        // A total of 0 is no amount (the run cannot hold a component none
        // of whose species is there): taken as 0, the component is absent.
        switch (policy) {
            case BelowDetection::half: return *bd.limit / 2.0;
            case BelowDetection::limit: return *bd.limit;
            default: break;
        }
        return std::nullopt;
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

    bool amountColumn(const Column& c) {
        return c.kind == ColumnKind::component || c.kind == ColumnKind::alkalinity ||
               c.kind == ColumnKind::absentComponent;
    }

    // A cell of a column that only passes through, or of the conductance,
    // which the run does not use: a measured value when it is a number.
    void takeCarried(const Column& c, std::string_view cell, const std::string& field) {
        water.carried.push_back(utf8Replacing(field));
        if (c.kind != ColumnKind::conductance || cell.empty()) return;
        double v = 0.0;
        std::string why;
        if (parseNumber(cell, v, why) && v >= 0.0) water.measured_conductance_uScm = v * c.scale;
    }

    bool readCells() {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const Column& c = columns[i];
            const std::string_view cell = trimmedCell(record.fields[i]);
            if (c.kind == ColumnKind::name) continue;
            if (c.kind == ColumnKind::carried || c.kind == ColumnKind::conductance) {
                takeCarried(c, cell, record.fields[i]);
                continue;
            }
            if (c.kind == ColumnKind::redox) {
                if (!cell.empty()) takeRedoxWords(c, cell);
                continue;
            }
            if (cell.empty()) {
                // In a pH column a blank cell asks for the pH to be computed.
                if (c.kind == ColumnKind::pH) water.pH = 0.0;
                continue;
            }
            double v = 0.0;
            std::string why;
            if (const std::optional<BelowDetectionCell> bd = amountColumn(c) ? belowDetectionCell(cell) : std::nullopt) {
                // Nothing of a component the database lacks is no fault.
                if (c.kind == ColumnKind::absentComponent) continue;
                const std::optional<double> taken = belowDetectionValue(c, cell, *bd);
                if (!taken) continue;
                v = *taken;
            } else if (!parseNumber(cell, v, why)) {
                fail(c, why);
                continue;
            }
            if (c.kind == ColumnKind::absentComponent) {
                fail(c, c.note);
                continue;
            }
            noteCarbonate(c);
            takeCell(c, v);
        }
        noteBelowDetection();
        return faultsTold() && carbonateGivenOnce();
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
        state.value = v * c.scale;
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
                densityGiven = true;
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
        if (c.basis() == AmountBasis::kgSolution) perKg = true;
        if (c.basis() == AmountBasis::litreSolution) perLitre = true;
        cells.push_back({&c, amount, c.basis() == AmountBasis::kgWater ? 0.0 : grams});
        return true;
    }

    double solidsGrams() const {
        double grams = 0.0;
        for (const Cell& cell : cells) grams += cell.grams;
        return grams;
    }

    // A row per kg and per litre of solution at once is taken per litre:
    // its amounts per kg times the density. The density is the row's, else
    // --density, else 1 kg/L while the solutes weigh under a gram a litre.
    bool mixedBases() {
        if (!densityGiven && !reading.density && solidsGrams() > MOST_GRAMS_AT_UNIT_DENSITY) {
            water.error = "row on line " + std::to_string(record.line) + ": amounts per kg and per litre of solution "
                          "in one row, with " + shortestText(std::round(solidsGrams() * 100.0) / 100.0) + " g of solutes, need the density of the "
                          "solution: give a density [g/mL] column or --density";
            return false;
        }
        for (Cell& cell : cells) {
            if (cell.column->basis() != AmountBasis::kgSolution) continue;
            cell.amount *= density;
            cell.grams *= density;
        }
        perKg = false;
        return true;
    }

    bool massOfWater() {
        if (perKg && perLitre && !mixedBases()) return false;
        const double solution = perLitre ? density : 1.0;
        if (!perKg && !perLitre) return true;
        const double kg = solution - solidsGrams() * 1e-3;
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
        for (const Cell& cell : cells) {
            const Column* c = cell.column;
            const double amount = cell.amount;
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

WaterSample readWaterRow(const std::vector<Column>& columns, const CsvRecord& record, double templateKgWater,
                         double carbonateGramsPerEquivalent, const TableReading& reading) {
    RowReader row(columns, record, templateKgWater, carbonateGramsPerEquivalent, reading);
    row.water.line = record.line;
    row.readName();
    if (row.nameIsOneLine() && row.cellsMatchColumns() && row.readCells() && row.massOfWater()) row.convertCells();
    if (row.water.name.empty()) row.water.name = "line " + std::to_string(record.line);
    return std::move(row.water);
}

}  // namespace wq
