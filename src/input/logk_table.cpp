#include "input/logk_table.hpp"

#include <charconv>

#include "text/fields.hpp"
#include "input/input_state.hpp"
#include "text/textfile.hpp"

namespace wq {

LogKConditions LogKConditions::of(const InputState& prog) {
    LogKConditions at;
    at.extended = prog.input.extendedRun();
    at.temperature = prog.conditions.temperature;
    at.pressure = prog.conditions.pressure;
    at.pressureIndex = prog.grid.pressureIndex;
    at.temperatureIndex = prog.grid.temperatureIndex;
    return at;
}

namespace {

bool isSeparator(char c) { return c == ' ' || c == ',' || c == '\t'; }

// One value at p. The plain decimal form goes straight through from_chars;
// anything else (a leading '+', a D exponent) takes the general parser.
const char* parseValue(const char* p, const char* end, double& out) {
    auto [q, ec] = std::from_chars(p, end, out);
    if (ec == std::errc() && (q == end || isSeparator(*q))) return q;
    return parseFreeReal(p, end, out);
}

}  // namespace

TableRead readRealGroup(TextFile& file, double* out, int count) {
    int got = 0;
    std::string_view line;
    while (got < count) {
        if (!file.next(line)) return TableRead::endOfFile;
        const char* p = line.data();
        const char* end = p + line.size();
        while (got < count) {
            while (p < end && isSeparator(*p)) ++p;
            if (p == end) break;
            p = parseValue(p, end, out[got]);
            if (!p) return TableRead::badValue;
            ++got;
        }
    }
    return TableRead::ok;
}

TableRead LogKTableReader::readFull(double& value) {
    // Row r of the table is the group of pressure-grid point r.
    double* row = table_.v.data();
    for (int r = 1; r <= N_PRESSURES; ++r, row += N_TEMPERATURES) {
        TableRead status = readRealGroup(file_, row, N_TEMPERATURES);
        if (status != TableRead::ok) return status;
    }
    if (at_.extended) {
        value = intrp3d(at_.pressure, at_.temperature, at_.pressureIndex, at_.temperatureIndex,
                        table_);
    } else {
        saturationCurveOf(table_, curve_);
        value = intrp2d_l(at_.temperature, curve_);
    }
    return TableRead::ok;
}

TableRead LogKTableReader::readShort(double& value) {
    TableRead status = readRealGroup(file_, short_.data(), N_SHORT);
    if (status == TableRead::ok) value = intrp2d(at_.temperature, short_);
    return status;
}

bool LogKTableReader::skipLines(int count) {
    std::string_view line;
    for (int k = 0; k < count; ++k)
        if (!file_.next(line)) return false;
    return true;
}

}  // namespace wq
