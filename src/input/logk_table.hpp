// Reading one log K table of the database and bringing it to the run's
// conditions.
//
// Every database entry (the four activity-model parameters, each aqueous
// species, each mineral and gas) carries its data either as a full table, 37
// free-format groups of 36 values (one group per pressure-grid point, one value
// per temperature-grid point), or as a short table, one group of 8 values at
// 25..350 °C along the saturation curve. Which interpolator serves an entry:
//
//   full table,  extended run   -> intrp3d in the block pt_indexer chose
//   full table,  saturation run -> intrp2d_l on the 15 values on the curve
//   short table, either run     -> intrp2d (temperature only)
//
// This is the hot path of every run (up to ~1,100 entries x 1,332 numbers), so
// numbers are parsed straight out of the in-memory lines and the one full-table
// buffer is reused for every entry.
#pragma once

#include <array>
#include <string_view>

#include "grid/grid.hpp"

namespace wq {

class TextFile;
struct InputState;

// The run's conditions as the interpolators need them.
struct LogKConditions {
    bool extended = false;   // extended run: full tables by intrp3d
    double temperature = 0.0;  // deg C
    double pressure = 0.0;     // bar
    int pressureIndex = 1;     // the block chosen by pt_indexer (extended runs)
    int temperatureIndex = 3;

    static LogKConditions of(const InputState& prog);
};

enum class TableRead { ok, badValue, endOfFile };

class LogKTableReader {
public:
    LogKTableReader(TextFile& file, const LogKConditions& at) : file_(file), at_(at) {}
    LogKTableReader(const LogKTableReader&) = delete;
    LogKTableReader& operator=(const LogKTableReader&) = delete;

    // Reads a full table and gives its value at the run's conditions.
    TableRead readFull(double& value);
    // Reads a short table and gives its value at the run's temperature.
    TableRead readShort(double& value);
    // Reads the table the range code announces: "All " is a full table,
    // anything else a short one.
    TableRead read(std::string_view rangeCode, double& value) {
        return isFullTable(rangeCode) ? readFull(value) : readShort(value);
    }
    static bool isFullTable(std::string_view rangeCode) { return rangeCode == "All "; }

    // Passes over `count` lines without looking at them; false at the end of
    // the file.
    bool skipLines(int count);

    const FullTable& lastFullTable() const { return table_; }
    const LogKConditions& conditions() const { return at_; }

private:
    TextFile& file_;
    LogKConditions at_;
    FullTable table_;
    std::array<double, N_SATURATION> curve_{};
    std::array<double, N_SHORT> short_{};
};

// A free-format group of `count` reals: starts on the next line, goes on over
// as many lines as it needs (empty lines are passed over), and discards the
// rest of its last line.
TableRead readRealGroup(TextFile& file, double* out, int count);

}  // namespace wq
