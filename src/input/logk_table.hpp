// The log K tables of the database: checked once per file content, brought
// to a run's conditions from the few values the run's interpolator uses.
//
// Every database entry (the four activity-model parameters, each aqueous
// species, each mineral and gas) carries its data either as a full table, 37
// free-format groups of 36 values (one group per pressure-grid point, one value
// per temperature-grid point), or as a short table, one group of 8 values at
// 25..350 °C along the saturation curve. Which interpolator serves an entry:
//
//   full table,  extended run   -> interpolateFullTable in the block locateOnGrid chose (9 values)
//   full table,  saturation run -> interpolateSaturationCurve on 3 of the 15 values on the curve
//   short table, either run     -> interpolateShortTable (temperature only)
//
// Reading the file checks every value of every table that is read, as the
// free-format rules say, but converts none: a table keeps only the place where
// each of its groups starts. A run converts the values its interpolator uses,
// a few per entry instead of 1,332.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "grid/grid.hpp"
#include "text/table_value.hpp"
#include "text/textfile.hpp"

namespace wq {

// The run's conditions as the interpolators need them.
struct LogKConditions {
    bool extended = false;   // extended run: full tables by interpolateFullTable
    double temperature = 0.0;  // deg C
    double pressure = 0.0;     // bar
    int pressureIndex = 1;     // the block chosen by locateOnGrid (extended runs)
    int temperatureIndex = 3;
    bool operator==(const LogKConditions&) const = default;

    // A run at `temperature` (deg C) and `pressure` (bar); an extended run
    // takes its full tables in the block `grid` locates.
    static LogKConditions at(double temperature, double pressure, bool extended, const GridLocation& grid);
};

enum class TableRead { ok, badValue, endOfFile };

inline bool isFullTable(std::string_view rangeCode) { return rangeCode == "All "; }

// One table as it was read: how the reading ended, where its groups start.
struct TableText {
    bool full = true;
    TableRead status = TableRead::ok;
    // The line of the bad value, or the last line of the file at its end.
    int failureLine = 0;
    // Index of the table's first group in GroupStarts.
    std::uint32_t firstGroup = 0;
    // A bad value: why it was refused, and where it stands in the text.
    ValueFault fault = ValueFault::none;
    std::uint32_t faultOffset = 0;
    std::uint32_t faultLength = 0;
};

// What was wrong with the bad value of a table, for the error line: the
// field as written (cut short when long) and why it is refused.
std::string tableFault(const TableText& table, std::string_view text);

// The offsets of the lines on which the groups of all tables start.
using GroupStarts = std::vector<std::uint32_t>;

// Checks a full or short table from the file's next line on, leaving the file
// after the table's last line (or at the failure).
TableText checkTable(TextFile& file, bool full, GroupStarts& starts);

// A free-format group of `count` values, checked: it starts on the next
// line, goes on over as many lines as it needs (empty lines are passed over),
// and the rest of its last line is not looked at. Values are separated as in
// readFreeReals (at most one comma between two values, none before the
// first) and each must be a value of a table (checkTableValue); a bad one
// is described in `table`.
TableRead checkGroup(TextFile& file, int count, TableText& table);

// What a table gives at every temperature on the saturation curve and in
// its short form: the values of a full table at the 15 nodes of the
// saturation curve, or the 8 values of a short table. A table read once into
// its nodes is brought to any temperature by a NodesInterpolator without reading
// its text again.
struct TableNodes {
    bool full = true;
    std::array<double, N_SATURATION> curve{};
    std::array<double, N_SHORT> shortTable{};
};

// The nodes of a table that was read without failure (`starts`: the group
// starts of the text the table is in).
TableNodes tableNodes(const TextImage& image, const GroupStarts& starts, const TableText& table);

// Nodes of tables brought to one set of conditions.
class NodesInterpolator {
public:
    explicit NodesInterpolator(const LogKConditions& at) : at_(at), curve_(at.temperature) {}
    // The value from the nodes, the very double TableInterpolator::value
    // gives; not for a full table in an extended run (false: nothing written).
    bool value(const TableNodes& nodes, double& value) const;

private:
    LogKConditions at_;
    SaturationCurveAt curve_;
};

// Brings tables of one text to a run's conditions.
class TableInterpolator {
public:
    TableInterpolator(const TextImage& image, const GroupStarts& starts, const LogKConditions& at)
        : text_(image.text()), starts_(starts), at_(at) {}
    TableInterpolator(const TableInterpolator&) = delete;
    TableInterpolator& operator=(const TableInterpolator&) = delete;

    // The value of a table that was read without failure.
    double value(const TableText& table);
    const LogKConditions& conditions() const { return at_; }

private:
    // Values first..first+count-1 (1-based) of group g (1-based) of the table.
    void values(const TableText& table, int group, int first, int count, double* out);
    double fullTableValue(const TableText& table);
    double shortTableValue(const TableText& table);

    std::string_view text_;
    const GroupStarts& starts_;
    LogKConditions at_;
    // Only the cells the interpolator reads are filled; made at the first
    // table of an extended run (a saturation run never needs its 10 KB).
    std::optional<FullTable> block_;
};

}  // namespace wq
