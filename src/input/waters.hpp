// A table of water analyses, one water per row, as a batch reads it from a
// CSV file: a name, the temperature, pressure and pH, the alkalinity and the
// component totals, each column with its unit in brackets.
//
// The units are those of input/table_units.hpp; a component is named as the
// database names it or by a short name (input/component_aliases.hpp).
// Carbonate is given once: by the alkalinity, the total of the carbonate
// component or a CO2 fugacity; two of them in one table are refused.
// Concentrations per kilogram (or litre) of solution describe that kilogram
// (or litre): the mass of water is what is left of it when the dissolved
// solids given in mg are taken away (alkalinity counted as HCO3), so the
// totals are moles in that mass of water. With molal units only, the mass of
// water of the template is kept. A blank cell of a component or the
// alkalinity is no amount (the component is absent from that water); a blank
// pH means the pH is computed from electroneutrality; a blank T or P keeps
// the template's.
// A row may give its redox state in one of the columns "Eh [V]", "pe",
// "O2(g) [log f]" or "redox" (a couple such as Fe++/Fe+++, O2,aq, or none);
// two in one row are refused for that row, none takes the batch's.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "input/table_reading.hpp"
#include "input/water_columns.hpp"
#include "input/water_sample.hpp"

namespace wq {

class CsvReader;
struct ComponentCatalog;

struct WaterTable {
    std::vector<int> componentNumbers;  // database numbers of the component columns (carbonate for an alkalinity or CO2(g))
    std::vector<WaterSample> waters;
    std::vector<int> blankRows;  // lines of the rows passed over: blank cells only (",,,,")
    // The headers of the columns carried through to the records (unknown
    // columns, a second name column, a measured conductance), in order.
    std::vector<std::string> carriedHeaders;
    // What the reader says once of the table (columns carried through, a
    // species read as its own mass, a Latin-1 file).
    std::vector<std::string> notes;
};

// The equivalents of the cations and of the anions of a water's analysis
// as given, before any solve: each total times the charge of its component,
// the alkalinity (eq/kg water, times `kgWater`) counted as anions. A total
// of the carbonate component counts as HCO3-; carbonate fixed by a CO2
// fugacity is not known before the solve and does not count.
struct IonBalance {
    double cations = 0.0;
    double anions = 0.0;
};
IonBalance ionBalanceOf(const WaterSample& water, const ComponentCatalog& catalog, double kgWater);

// Parses the whole table, UTF-8 text (a byte-order mark and a first line
// "sep=," are passed over; a header that is not UTF-8 makes the table
// Latin-1, every cell). A column that names nothing the program computes is
// carried through to the records (`reading.strict`: refused); a second name
// or conductance column too. A fault of the table itself (no name or T
// column, an unknown unit of a known quantity or component, a header cell
// without a name, a duplicate column, a table separated by semicolons, no
// rows) gives
// nullopt and `error`; a fault of one row (a cell that is not a number, a
// negative amount, fewer or more cells than columns, a name of more than
// one line, a value of a component the database lacks, each cell's fault
// named) goes into that row's `error`, so that the other rows still run.
// A row of blank cells is no water: it is passed over and its line kept in
// blankRows. Bytes that are not UTF-8 become U+FFFD. `templateKgWater` is
// the template's mass of water.
std::optional<WaterTable> readWaterTable(std::string_view text, const ComponentCatalog& catalog,
                                         double templateKgWater, std::string& error,
                                         const TableReading& reading = {});

// The same reading of a table, from its records as `records` reads them,
// each water handed to `take` in the table's order and not kept (the table
// given has no waters): a table of millions of rows read from its file is
// never held whole.
std::optional<WaterTable> readWaterTable(CsvReader& records, const ComponentCatalog& catalog, double templateKgWater,
                                         const std::function<void(WaterSample&&)>& take, std::string& error,
                                         const TableReading& reading = {});

// The same reading of a table, its waters counted and not read where none
// can matter: `counted` hears of each water in the table's order, as read
// when the table has a column that may give it a redox state (Eh, pe,
// O2(g), redox), else as null, its cells not read (their faults are the
// row's own and come again when the water is read).
std::optional<WaterTable> countWaterTable(CsvReader& records, const ComponentCatalog& catalog, double templateKgWater,
                                          const std::function<void(const WaterSample*)>& counted, std::string& error,
                                          const TableReading& reading = {});

// A table read one water at a time: its header when made, then each water
// as it is asked for, as readWaterTable reads them.
class WaterTableReader {
public:
    // Reads the header; `error` says why the table cannot be read (the
    // header's own faults, as readWaterTable gives them).
    WaterTableReader(CsvReader& records, const ComponentCatalog& catalog, double templateKgWater,
                     std::string& error, const TableReading& reading = {});
    bool ready() const { return ready_; }
    // The database numbers of the component columns (WaterTable::componentNumbers).
    const std::vector<int>& componentNumbers() const { return componentNumbers_; }
    // The next water (rows of blank cells passed over, their lines kept in
    // blankRows); nullopt at the end of the table, or with `error` for a
    // fault of the table itself (a quote never closed, a file that cannot be
    // read).
    std::optional<WaterSample> next(std::string& error);
    // Past the next water without reading its cells: false at the end of the
    // table, or with `error` (as next).
    bool skip(std::string& error);
    // Whether a column may give a row a redox state.
    bool rowsMayGiveRedox() const;
    const std::vector<int>& blankRows() const { return blankRows_; }
    const std::vector<std::string>& carriedHeaders() const { return carriedHeaders_; }
    const std::vector<std::string>& notes() const { return notes_; }

private:
    CsvReader& records_;
    double templateKgWater_ = 1.0;
    double carbonateGrams_ = 0.0;
    TableReading reading_;
    bool latin1_ = false;  // the header is not UTF-8: every cell is read as Latin-1
    bool ready_ = false;
    std::vector<int> componentNumbers_;
    std::vector<int> blankRows_;
    std::vector<Column> columns_;
    std::vector<std::string> carriedHeaders_;
    std::vector<std::string> notes_;
};

}  // namespace wq
