#include "input/logk_table.hpp"

#include <algorithm>
#include <array>
#include <cstring>

#include "text/number_scan.hpp"
#include "text/table_value.hpp"
#include "text/stop.hpp"
#include "text/textfile.hpp"

namespace wq {

LogKConditions LogKConditions::at(double temperature, double pressure, bool extended, const GridLocation& grid) {
    LogKConditions c;
    c.extended = extended;
    c.temperature = temperature;
    c.pressure = pressure;
    c.pressureIndex = grid.pressureIndex;
    c.temperatureIndex = grid.temperatureIndex;
    return c;
}

namespace {

// Checks the values of one line, at most `wanted` of them, as values of a
// table that has `before` values already; `commaAllowed` says whether a
// value came since the last comma, across lines. The number checked, or -1
// at a bad value (described in `table`).
int checkLineValues(std::string_view text, std::string_view line, int wanted, int before, bool& commaAllowed,
                    TableText& table) {
    const char* p = line.data();
    const char* const end = p + line.size();
    const auto refuse = [&](ValueFault fault, const char* at, const char* to) {
        table.fault = fault;
        table.faultOffset = static_cast<std::uint32_t>(at - text.data());
        table.faultLength = static_cast<std::uint32_t>(to - at);
        return -1;
    };
    int got = 0;
    while (got < wanted) {
        for (; p < end && isValueSeparator(*p); ++p) {
            if (*p != ',') continue;
            if (!commaAllowed)
                return refuse(before + got == 0 ? ValueFault::commaFirst : ValueFault::emptyValue, p, p + 1);
            commaAllowed = false;
        }
        if (p == end) break;
        ValueFault fault = ValueFault::none;
        const char* q = checkTableValue(p, end, fault);
        if (!q) {
            q = p;
            while (q < end && !isValueSeparator(*q)) ++q;
            return refuse(fault, p, q);
        }
        p = q;
        ++got;
        commaAllowed = true;
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

TableRead checkGroup(TextFile& file, int count, TableText& table) {
    int left = count;
    bool commaAllowed = false;
    std::string_view line;
    while (left > 0) {
        if (!file.next(line)) return TableRead::endOfFile;
        const int plain = countPlainDecimals(line);
        if (plain >= 0 && plain <= left) {
            left -= plain;
            commaAllowed = commaAllowed || plain > 0;
            continue;
        }
        const int got = checkLineValues(file.text(), line, left, count - left, commaAllowed, table);
        if (got < 0) return TableRead::badValue;
        left -= got;
    }
    return TableRead::ok;
}

std::string tableFault(const TableText& table, std::string_view text) {
    constexpr std::size_t SHOWN = 40;
    std::string field(text.substr(table.faultOffset, std::min<std::size_t>(table.faultLength, SHOWN)));
    if (table.faultLength > SHOWN) field += "...";
    const std::string quoted = "\"" + field + "\"";
    switch (table.fault) {
        case ValueFault::none: break;
        case ValueFault::notANumber: return quoted + " is not a number";
        case ValueFault::twoSigns: return quoted + " has two signs";
        case ValueFault::notFinite: return quoted + " is not a finite number";
        case ValueFault::outOfRange: return quoted + " is beyond the range of a double";
        case ValueFault::beyondBound:
            static_assert(MAX_TABLE_MAGNITUDE == 1e6);
            return quoted + " is larger in magnitude than 1e6, which no log K is (absent data is 99999.999)";
        case ValueFault::emptyValue: return "an empty value between two commas";
        case ValueFault::commaFirst: return "a comma before the first value";
    }
    return "a value that cannot be read";
}

namespace {

// A table written as a program writes it, one group a line, is checked as one
// stream; the groups start on its lines and the file goes on after the last.
// False when any line is not so; nothing is taken then.
bool checkOneGroupALine(TextFile& file, int groups, int count, GroupStarts& starts) {
    const std::string_view text = file.text();
    const std::size_t at = file.position();
    std::array<std::uint32_t, N_PRESSURES> lineEnds{};
    if (groups > N_PRESSURES || at >= text.size()) return false;
    if (checkPlainRows(text.substr(at), groups, count, lineEnds.data()) == 0) return false;
    starts.push_back(static_cast<std::uint32_t>(at));
    for (int g = 1; g < groups; ++g) starts.push_back(static_cast<std::uint32_t>(at + lineEnds[static_cast<std::size_t>(g - 1)]));
    // Read the last line as a line, so that the file can step back over it.
    const std::size_t lastLine = groups > 1 ? at + lineEnds[static_cast<std::size_t>(groups - 2)] : at;
    file.seek(lastLine, file.lineNumber() + groups - 1);
    std::string_view line;
    file.next(line);
    return true;
}

}  // namespace

TableText checkTable(TextFile& file, bool full, GroupStarts& starts) {
    TableText table;
    table.full = full;
    table.firstGroup = static_cast<std::uint32_t>(starts.size());
    const int groups = full ? N_PRESSURES : 1;
    const int count = full ? N_TEMPERATURES : N_SHORT;
    if (checkOneGroupALine(file, groups, count, starts)) return table;
    for (int g = 0; g < groups; ++g) {
        starts.push_back(static_cast<std::uint32_t>(file.position()));
        table.status = checkGroup(file, count, table);
        if (table.status != TableRead::ok) {
            table.failureLine = file.lineNumber();
            starts.resize(table.firstGroup);
            return table;
        }
    }
    return table;
}

namespace {

// Values first..first+count-1 (1-based) of group g (1-based) of a table of
// `text`, checked when the table was read.
void readValues(std::string_view text, const GroupStarts& starts, const TableText& table, int group, int first,
                int count, double* out) {
    std::size_t offset = starts.at(table.firstGroup + static_cast<std::size_t>(group - 1));
    int skip = first - 1;
    int left = count;
    while (offset < text.size()) {
        std::size_t next = 0;
        const std::string_view line = lineAt(text, offset, next);
        const char* p = line.data();
        const char* const end = p + line.size();
        for (;;) {
            while (p < end && isValueSeparator(*p)) ++p;
            if (p == end) break;
            if (skip > 0) {
                while (p < end && !isValueSeparator(*p)) ++p;
                --skip;
                continue;
            }
            p = readFreeValue(p, end, *out++);
            if (!p) lostValue();
            if (--left == 0) return;
        }
        offset = next;
    }
    lostValue();
}

}  // namespace

void TableInterpolator::values(const TableText& table, int group, int first, int count, double* out) {
    readValues(text_, starts_, table, group, first, count, out);
}

TableNodes tableNodes(const TextImage& image, const GroupStarts& starts, const TableText& table) {
    TableNodes nodes;
    nodes.full = table.full;
    if (table.full) {
        for (int c = 1; c <= N_SATURATION; ++c)
            readValues(image.text(), starts, table, saturationCurveRow(c), c, 1,
                       &nodes.curve[static_cast<std::size_t>(c - 1)]);
    } else {
        readValues(image.text(), starts, table, 1, 1, N_SHORT, nodes.shortTable.data());
    }
    return nodes;
}

bool NodesInterpolator::value(const TableNodes& nodes, double& value) const {
    if (!nodes.full) {
        value = interpolateShortTable(at_.temperature, nodes.shortTable);
        return true;
    }
    if (at_.extended) return false;
    // The curve reads the three nodes about `at`, the ones fullTableValue
    // reads from the text.
    value = curve_(nodes.curve);
    return true;
}

double TableInterpolator::fullTableValue(const TableText& table) {
    if (at_.extended) {
        // The 3 x 3 block of interpolateFullTable: pressures ip..ip+2, temperatures it-2..it.
        const int c = at_.temperatureIndex - 2;
        if (!block_) block_.emplace();
        for (int r = at_.pressureIndex; r <= at_.pressureIndex + 2; ++r) {
            double row[3];
            values(table, r, c, 3, row);
            for (int k = 0; k < 3; ++k) block_->at(r, c + k) = row[k];
        }
        return interpolateFullTable(at_.pressure, at_.temperature, at_.pressureIndex, at_.temperatureIndex, *block_);
    }
    // The three values on the saturation curve interpolateSaturationCurve uses.
    std::array<double, N_SATURATION> curve{};
    const int first = saturationCurveFirstNode(at_.temperature);
    for (int c = first; first > 0 && c <= first + 2; ++c)
        values(table, saturationCurveRow(c), c, 1, &curve[static_cast<std::size_t>(c - 1)]);
    return interpolateSaturationCurve(at_.temperature, curve);
}

double TableInterpolator::shortTableValue(const TableText& table) {
    std::array<double, N_SHORT> shortTable{};
    values(table, 1, 1, N_SHORT, shortTable.data());
    return interpolateShortTable(at_.temperature, shortTable);
}

double TableInterpolator::value(const TableText& table) {
    return table.full ? fullTableValue(table) : shortTableValue(table);
}

}  // namespace wq
