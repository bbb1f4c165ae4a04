#include "input/logk_table.hpp"

#include <cstring>

#include "input/input_state.hpp"
#include "text/number_scan.hpp"
#include "text/stop.hpp"
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

// Checks the values of one line by the general rules, at most `wanted` of
// them; the number checked, or -1 at a value that is not a number.
int checkLineValues(std::string_view line, int wanted) {
    const char* p = line.data();
    const char* const end = p + line.size();
    int got = 0;
    while (got < wanted) {
        while (p < end && isValueSeparator(*p)) ++p;
        if (p == end) break;
        double unused = 0.0;
        p = readFreeValue(p, end, unused);
        if (!p) return -1;
        ++got;
    }
    return got;
}

// The line that starts at `offset`, without its line end; `next` is the
// offset of the line after it.
std::string_view lineAt(std::string_view text, std::size_t offset, std::size_t& next) {
    const char* begin = text.data() + offset;
    const std::size_t left = text.size() - offset;
    const char* nl = static_cast<const char*>(std::memchr(begin, '\n', left));
    std::size_t len = nl ? static_cast<std::size_t>(nl - begin) : left;
    next = offset + (nl ? len + 1 : len);
    if (len > 0 && begin[len - 1] == '\r') --len;
    return {begin, len};
}

[[noreturn]] void lostValue() { throw InternalError{"a database value checked before cannot be found again"}; }

}  // namespace

TableRead checkGroup(TextFile& file, int count) {
    int left = count;
    std::string_view line;
    while (left > 0) {
        if (!file.next(line)) return TableRead::endOfFile;
        const int plain = countPlainDecimals(line);
        if (plain >= 0 && plain <= left) {
            left -= plain;
            continue;
        }
        const int got = checkLineValues(line, left);
        if (got < 0) return TableRead::badValue;
        left -= got;
    }
    return TableRead::ok;
}

TableText checkTable(TextFile& file, bool full, GroupStarts& starts) {
    TableText table;
    table.full = full;
    table.firstGroup = static_cast<std::uint32_t>(starts.size());
    const int groups = full ? N_PRESSURES : 1;
    const int count = full ? N_TEMPERATURES : N_SHORT;
    for (int g = 0; g < groups; ++g) {
        starts.push_back(static_cast<std::uint32_t>(file.position()));
        table.status = checkGroup(file, count);
        if (table.status != TableRead::ok) {
            table.failureLine = file.lineNumber();
            starts.resize(table.firstGroup);
            return table;
        }
    }
    return table;
}

double TableInterpolator::at(const TableText& table, int group, int k) const {
    std::size_t offset = starts_.at(table.firstGroup + static_cast<std::size_t>(group - 1));
    int left = k;
    while (offset < text_.size()) {
        std::size_t next = 0;
        const std::string_view line = lineAt(text_, offset, next);
        const char* p = line.data();
        const char* const end = p + line.size();
        for (;;) {
            while (p < end && isValueSeparator(*p)) ++p;
            if (p == end) break;
            const char* valueEnd = p;
            while (valueEnd < end && !isValueSeparator(*valueEnd)) ++valueEnd;
            if (--left == 0) {
                double value = 0.0;
                if (!readFreeValue(p, end, value)) lostValue();
                return value;
            }
            p = valueEnd;
        }
        offset = next;
    }
    lostValue();
}

double TableInterpolator::fullTableValue(const TableText& table) {
    if (at_.extended) {
        // The 3 x 3 block of intrp3d: pressures ip..ip+2, temperatures it-2..it.
        for (int r = at_.pressureIndex; r <= at_.pressureIndex + 2; ++r)
            for (int c = at_.temperatureIndex - 2; c <= at_.temperatureIndex; ++c) block_.at(r, c) = at(table, r, c);
        return intrp3d(at_.pressure, at_.temperature, at_.pressureIndex, at_.temperatureIndex, block_);
    }
    // The 15 values on the saturation curve (see saturationCurveOf).
    std::array<double, N_SATURATION> curve{};
    for (int c = 1; c <= N_SATURATION; ++c) {
        const int r = c <= 4 ? 1 : c - 3;
        block_.at(r, c) = at(table, r, c);
    }
    saturationCurveOf(block_, curve);
    return intrp2d_l(at_.temperature, curve);
}

double TableInterpolator::shortTableValue(const TableText& table) const {
    std::array<double, N_SHORT> values{};
    for (int k = 1; k <= N_SHORT; ++k) values[static_cast<std::size_t>(k - 1)] = at(table, 1, k);
    return intrp2d(at_.temperature, values);
}

double TableInterpolator::value(const TableText& table) {
    return table.full ? fullTableValue(table) : shortTableValue(table);
}

}  // namespace wq
