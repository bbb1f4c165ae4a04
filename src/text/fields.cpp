#include "text/fields.hpp"

#include <charconv>
#include <cstdint>
#include <iterator>
#include <cstring>

#include "text/textfile.hpp"

namespace wq {

std::string_view columns(std::string_view line, int first, int width) {
    std::size_t begin = static_cast<std::size_t>(first - 1);
    if (begin >= line.size()) return {};
    return line.substr(begin, static_cast<std::size_t>(width));
}

std::string textField(std::string_view line, int first, int width) {
    std::string s(columns(line, first, width));
    s.resize(static_cast<std::size_t>(width), ' ');
    return s;
}

std::string_view withoutBlanksAround(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

namespace {

// The field with its blanks removed (blanks are not significant in numeric
// fields). False when the field is too long for a number.
bool squeeze(std::string_view field, char* buf, std::size_t cap, std::size_t& len) {
    len = 0;
    for (char c : field) {
        if (c == ' ' || c == '\t') continue;
        if (len + 1 >= cap) return false;
        buf[len++] = c;
    }
    return true;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Powers of ten that are exact doubles.
constexpr double EXACT_POWERS_OF_TEN[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                          1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                          1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

}  // namespace

bool exactShortDecimal(std::uint64_t mantissa, int digits, int decimals, bool negative, double& out) {
    if (digits > MAX_SHORT_DIGITS || decimals < 0 || decimals >= static_cast<int>(std::size(EXACT_POWERS_OF_TEN)))
        return false;
    const double magnitude = static_cast<double>(mantissa) / EXACT_POWERS_OF_TEN[decimals];
    out = negative ? -magnitude : magnitude;
    return true;
}

bool readIntegerField(std::string_view line, int first, int width, long long& out) {
    char buf[128];
    std::size_t len;
    if (!squeeze(columns(line, first, width), buf, sizeof buf, len)) return false;
    out = 0;
    if (len == 0) return true;
    const char* p = buf;
    const char* end = buf + len;
    if (*p == '+') ++p;
    if (p == end) return false;
    auto [q, ec] = std::from_chars(p, end, out);
    return ec == std::errc() && q == end;
}

bool readRealField(std::string_view line, int first, int width, int decimals, double& out) {
    char buf[128];
    std::size_t len;
    if (!squeeze(columns(line, first, width), buf, sizeof buf, len)) return false;
    out = 0.0;
    if (len == 0) return true;
    // Split into sign, digits with an optional point, and an optional exponent.
    std::size_t i = 0;
    bool negative = false;
    if (buf[i] == '+' || buf[i] == '-') negative = buf[i++] == '-';
    // The number rewritten as [-]digits[.digits]e<exponent>, for from_chars.
    char text[sizeof buf + 32];
    std::size_t n = 0;
    if (negative) text[n++] = '-';
    bool point = false;
    bool anyDigit = false;
    // The digits as an integer and how many follow the point, while they
    // fit the exact short way.
    std::uint64_t mantissa = 0;
    int digits = 0;
    int afterPoint = 0;
    for (; i < len; ++i) {
        char c = buf[i];
        if (isDigit(c)) {
            text[n++] = c;
            anyDigit = true;
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
            ++digits;
            if (point) ++afterPoint;
            if (digits > MAX_SHORT_DIGITS) mantissa = 0;
        } else if (c == '.' && !point) {
            text[n++] = c;
            point = true;
        } else {
            break;
        }
    }
    if (!anyDigit) return false;
    if (i == len && exactShortDecimal(mantissa, digits, point ? afterPoint : decimals, negative, out)) return true;
    long exponent = 0;
    if (i < len) {
        char c = buf[i];
        if (c != 'E' && c != 'e' && c != 'D' && c != 'd') return false;
        ++i;
        bool expNegative = false;
        if (i < len && (buf[i] == '+' || buf[i] == '-')) expNegative = buf[i++] == '-';
        if (i == len) return false;
        for (; i < len; ++i) {
            if (!isDigit(buf[i])) return false;
            if (exponent < 100000) exponent = exponent * 10 + (buf[i] - '0');
        }
        if (expNegative) exponent = -exponent;
    }
    // Without a written point the last `decimals` digits are decimals.
    if (!point) exponent -= decimals;
    text[n++] = 'e';
    const char* const end = std::to_chars(text + n, text + sizeof text, exponent).ptr;
    auto [q, ec] = std::from_chars(text, end, out);
    if (ec == std::errc::result_out_of_range) return false;
    return ec == std::errc() && q == end;
}

namespace {

bool isSeparator(char c) { return c == ' ' || c == ',' || c == '\t'; }

// True when p ends a token: the line end or a separator.
bool endsToken(const char* p, const char* end) { return p == end || isSeparator(*p); }

// A leading '+', which from_chars does not take, is passed over; a second
// sign after it ("+-1.57") makes no number.
const char* afterPlus(const char* p, const char* end) {
    if (p == end || *p != '+') return p;
    ++p;
    return p < end && (*p == '+' || *p == '-') ? nullptr : p;
}

}  // namespace

const char* parseFreeReal(const char* p, const char* end, double& out) {
    const char* start = p;
    p = afterPlus(p, end);
    if (!p) return nullptr;
    auto [q, ec] = std::from_chars(p, end, out);
    if (ec == std::errc() && endsToken(q, end)) return q;
    if (ec != std::errc() && ec != std::errc::result_out_of_range && q == p) {
        // from_chars did not take anything; nothing else can be a number.
        return nullptr;
    }
    // A Fortran D exponent ("1.5D-03"): rewrite it as E and parse again.
    const char* tokenEnd = start;
    while (tokenEnd < end && !isSeparator(*tokenEnd)) ++tokenEnd;
    std::size_t n = static_cast<std::size_t>(tokenEnd - start);
    char buf[64];
    if (n == 0 || n >= sizeof buf) return nullptr;
    std::memcpy(buf, start, n);
    for (std::size_t k = 0; k < n; ++k)
        if (buf[k] == 'D' || buf[k] == 'd') buf[k] = 'E';
    const char* b = buf;
    if (*b == '+') ++b;
    auto [r, ec2] = std::from_chars(b, buf + n, out);
    if (ec2 != std::errc() || r != buf + n) return nullptr;
    return tokenEnd;
}

const char* parseFreeInteger(const char* p, const char* end, long long& out) {
    p = afterPlus(p, end);
    if (!p) return nullptr;
    auto [q, ec] = std::from_chars(p, end, out);
    if (ec != std::errc() || !endsToken(q, end)) return nullptr;
    return q;
}

namespace {

// Values are separated by blanks, tabs, line ends and at most one comma. Two
// commas with nothing but blanks or line ends between them, or a comma before
// the first value, enclose a null value. In list-directed Fortran input a null
// value leaves its variable as it was; here that would be a value nobody
// wrote (a temperature of 0), and every later value would still be read into
// its intended place only by luck. A null value is therefore a read failure.
template <class T, class Parse>
bool readFreeGroup(TextFile& file, T* out, int count, Parse parse) {
    int got = 0;
    bool commaAllowed = false;  // a value was read since the last comma
    std::string_view line;
    while (got < count) {
        if (!file.next(line)) return false;
        const char* p = line.data();
        const char* end = p + line.size();
        while (got < count) {
            for (; p < end && isSeparator(*p); ++p) {
                if (*p != ',') continue;
                if (!commaAllowed) return false;
                commaAllowed = false;
            }
            if (p == end) break;
            p = parse(p, end, out[got]);
            if (!p) return false;
            ++got;
            commaAllowed = true;
        }
    }
    return true;
}

}  // namespace

bool readFreeReals(TextFile& file, double* out, int count) {
    return readFreeGroup(file, out, count, parseFreeReal);
}

bool readFreeIntegers(TextFile& file, long long* out, int count) {
    return readFreeGroup(file, out, count, parseFreeInteger);
}

}  // namespace wq
