// Proof by sampling that the database reader's fast paths agree with the
// general rules: readFreeValue gives bit for bit the double std::from_chars
// gives, countPlainDecimals never accepts a line the general rules (with the
// bound of a table's values) refuse nor miscounts one they accept, and checkPlainRows takes only rows the
// general rules count as it does (and takes every row the database writes
// that way). Ten million fields by default, in the
// widths and forms the database writes and in malformed neighbours of them.
//
//   wqspec_decimal_check [fields]     (ctest -L exhaustive)
#include <charconv>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "text/fields.hpp"
#include "text/number_scan.hpp"
#include "text/table_value.hpp"

namespace {

std::mt19937_64 rng(20240611);

int uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

std::string digits(int n) {
    std::string s;
    for (int k = 0; k < n; ++k) s += static_cast<char>('0' + uniform(0, 9));
    return s;
}

// A field as the database writes them: optional minus, 0-5 integer digits,
// a point and 0-8 decimals (or no point), sometimes long.
std::string databaseField() {
    std::string s = uniform(0, 1) ? "-" : "";
    const bool longOne = uniform(0, 20) == 0;
    const int whole = longOne ? uniform(0, 12) : uniform(0, 5);
    const int decimals = longOne ? uniform(0, 12) : uniform(0, 8);
    s += digits(whole);
    if (uniform(0, 9) != 0) s += "." + digits(decimals);
    if (s == "-" || s == "." || s == "-." || s.empty()) s += "5";
    return s;
}

// A field that may break a rule: a second point or minus, an exponent, a
// plus sign, a letter, a bare sign or point.
std::string oddField() {
    static const char* const odd[] = {"-",     ".",      "-.",      "--1",     "1..2",  "1.2.3",   "1-2",
                                      "+1.5",  "1e5",    "1.5D-3",  "x",       "1.5x",  "inf",     "nan",
                                      "1e400", "1e-400", ".5",      "5.",      "-.5",   "+-1",     "1000000",
                                      "-1e7",  "NaN",    "-Infinity", "999999.9", "1e308", "-0000001"};
    if (uniform(0, 1)) return odd[uniform(0, static_cast<int>(std::size(odd)) - 1)];
    std::string s = databaseField();
    s.insert(static_cast<std::size_t>(uniform(0, static_cast<int>(s.size()))), 1, "-.e+"[uniform(0, 3)]);
    return s;
}

// The general rules, as the reader had them before its fast paths.
const char* generalValue(const char* p, const char* end, double& out) {
    auto [q, ec] = std::from_chars(p, end, out);
    if (ec == std::errc() && (q == end || wq::isValueSeparator(*q))) return q;
    return wq::parseFreeReal(p, end, out);
}

// The number of values of a line by the general rules and the bound of a
// table's values; -1 at a bad one.
int generalCount(const std::string& line) {
    const char* p = line.data();
    const char* end = p + line.size();
    int n = 0;
    for (;;) {
        while (p < end && wq::isValueSeparator(*p)) ++p;
        if (p == end) return n;
        double v = 0.0;
        p = generalValue(p, end, v);
        if (!p || !std::isfinite(v) || std::fabs(v) > wq::MAX_TABLE_MAGNITUDE) return -1;
        ++n;
    }
}

// More digits before the point than a plain decimal may have: such a field
// goes to the general rules even when it is within the bound ("0001234.5").
bool longIntegerPart(const std::string& field) {
    std::size_t digits = 0;
    for (char c : field) {
        if (c == '.') break;
        if (c >= '0' && c <= '9') ++digits;
    }
    return digits > static_cast<std::size_t>(wq::MAX_PLAIN_INTEGER_DIGITS);
}

// A fixed-column real as the general rules read it: the digits (and point)
// with the implied decimals as an exponent, handed to from_chars.
bool generalRealField(const std::string& field, int decimals, double& out) {
    std::string mantissa;
    std::size_t i = 0;
    const bool negative = !field.empty() && field[0] == '-';
    if (!field.empty() && (field[0] == '-' || field[0] == '+')) ++i;
    const bool point = field.find('.') != std::string::npos;
    mantissa = field.substr(i);
    const std::string text = (negative ? "-" : "") + mantissa + "e" + std::to_string(point ? 0 : -decimals);
    auto [q, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && q == text.data() + text.size();
}

}  // namespace

int main(int argc, char** argv) {
    const long long fields = argc > 1 ? std::atoll(argv[1]) : 10'000'000;
    long long mismatches = 0;
    for (long long k = 0; k < fields; ++k) {
        const std::string field = databaseField();
        const char* end = field.data() + field.size();
        double fast = 0.0, reference = 0.0;
        const char* q = wq::readFreeValue(field.data(), end, fast);
        auto [r, ec] = std::from_chars(field.data(), end, reference);
        std::uint64_t a = 0, b = 0;
        std::memcpy(&a, &fast, 8);
        std::memcpy(&b, &reference, 8);
        if (q != end || r != end || ec != std::errc() || a != b) {
            if (++mismatches <= 10) std::printf("value differs: '%s'\n", field.c_str());
        }
    }
    // Fixed-column reals with implied decimals: the exact short way against
    // from_chars.
    for (long long k = 0; k < fields / 10; ++k) {
        const std::string field = databaseField();
        const int decimals = uniform(0, 13);
        double fast = 0.0, reference = 0.0;
        const bool read = wq::readRealField(field, 1, static_cast<int>(field.size()), decimals, fast);
        const bool general = generalRealField(field, decimals, reference);
        std::uint64_t a = 0, b = 0;
        std::memcpy(&a, &fast, 8);
        std::memcpy(&b, &reference, 8);
        if (read != general || (read && a != b)) {
            if (++mismatches <= 30) std::printf("real field differs: '%s' with %d decimals\n", field.c_str(), decimals);
        }
    }
    // Lines of 1 to 40 fields, a few of them odd, one to three blanks apart.
    const long long lines = fields / 20;
    long long plainLines = 0;
    for (long long k = 0; k < lines; ++k) {
        std::string line;
        const int n = uniform(1, 40);
        const bool withOdd = uniform(0, 3) == 0;
        bool anyLong = false;
        for (int j = 0; j < n; ++j) {
            line += std::string(static_cast<std::size_t>(uniform(j == 0 ? 0 : 1, 3)), ' ');
            const std::string field = withOdd && uniform(0, 9) == 0 ? oddField() : databaseField();
            anyLong = anyLong || longIntegerPart(field);
            line += field;
        }
        line += std::string(static_cast<std::size_t>(uniform(0, 2)), ' ');
        // The scan may read 64 bytes past the line, as in a TextImage.
        const std::string buffer = line + std::string(64, '\n');
        const int fast = wq::countPlainDecimals(std::string_view(buffer).substr(0, line.size()));
        const int reference = generalCount(line);
        if (fast >= 0) ++plainLines;
        if (fast >= 0 && fast != reference) {
            if (++mismatches <= 20) std::printf("count %d, general rules %d: '%s'\n", fast, reference, line.c_str());
        }
        if (!withOdd && !anyLong && fast < 0) {
            if (++mismatches <= 20) std::printf("a plain line sent to the general rules: '%s'\n", line.c_str());
        }
    }
    // Tables of 1 to 37 rows of 1 to 36 values each, some with an odd field
    // or a row one value short or long, followed by a name line.
    const long long tables = fields / 400;
    long long tablesTaken = 0;
    for (long long k = 0; k < tables; ++k) {
        const int rows = uniform(1, 37);
        const int perRow = uniform(1, 36);
        const bool withOdd = uniform(0, 3) == 0;
        const bool miscounted = uniform(0, 7) == 0;
        std::string text;
        std::vector<std::string> rowLines(static_cast<std::size_t>(rows));
        bool anyLong = false;
        for (std::string& line : rowLines) {
            int n = perRow;
            if (miscounted && uniform(0, rows) == 0) n += uniform(0, 1) ? 1 : -1;
            for (int j = 0; j < n; ++j) {
                line += std::string(static_cast<std::size_t>(uniform(j == 0 ? 0 : 1, 3)), ' ');
                const std::string field = withOdd && uniform(0, 30) == 0 ? oddField() : databaseField();
                anyLong = anyLong || longIntegerPart(field);
                line += field;
            }
            line += std::string(static_cast<std::size_t>(uniform(0, 2)), ' ');
            text += line + "\n";
        }
        const std::size_t rowsLength = text.size();
        text += "Species-1, a name line" + std::string(64, ' ');
        std::vector<std::uint32_t> ends(static_cast<std::size_t>(rows));
        const std::size_t taken = wq::checkPlainRows(std::string_view(text).substr(0, text.size() - 64), rows, perRow, ends.data());
        bool general = true;
        for (const std::string& line : rowLines) general = general && generalCount(line) == perRow;
        if (taken != 0) ++tablesTaken;
        if (taken != 0 && (!general || taken != rowsLength)) {
            if (++mismatches <= 20) std::printf("rows taken that the general rules count otherwise:\n%s", text.c_str());
        }
        if (taken == 0 && general && !withOdd && !anyLong) {
            if (++mismatches <= 20) std::printf("rows of plain decimals not taken:\n%s", text.c_str());
        }
    }
    std::printf("%lld fields, %lld lines (%lld plain), %lld tables (%lld taken): %lld mismatches\n", fields, lines,
                plainLines, tables, tablesTaken, mismatches);
    return mismatches == 0 ? 0 : 1;
}
