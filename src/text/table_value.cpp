#include "text/table_value.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "text/fields.hpp"

namespace wq {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The exact short way for a plain decimal of at most 15 digits; nullptr
// when the value needs the general reader.
const char* readShortDecimal(const char* p, const char* end, double& out) {
    const bool negative = p < end && *p == '-';
    if (negative) ++p;
    std::uint64_t mantissa = 0;
    int digits = 0;
    int decimals = 0;
    bool point = false;
    for (; p < end && !isValueSeparator(*p); ++p) {
        const char c = *p;
        if (isDigit(c)) {
            if (++digits > MAX_SHORT_DIGITS) return nullptr;
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
            if (point) ++decimals;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return nullptr;
        }
    }
    if (digits == 0 || !exactShortDecimal(mantissa, digits, decimals, negative, out)) return nullptr;
    return p;
}

}  // namespace

const char* readFreeValue(const char* p, const char* end, double& out) {
    if (const char* q = readShortDecimal(p, end, out)) return q;
    auto [q, ec] = std::from_chars(p, end, out);
    if (ec == std::errc() && (q == end || isValueSeparator(*q))) return q;
    // A leading '+' or a D exponent: the general reader.
    return parseFreeReal(p, end, out);
}

namespace {

bool isSign(char c) { return c == '+' || c == '-'; }

// Why a token that readFreeValue did not take is not a value: a number too
// large or too small for a double, or no number at all.
ValueFault unreadableFault(const char* p, const char* end) {
    const char* tokenEnd = p;
    while (tokenEnd < end && !isValueSeparator(*tokenEnd)) ++tokenEnd;
    char buf[64];
    const auto n = static_cast<std::size_t>(tokenEnd - p);
    if (n == 0 || n >= sizeof buf) return ValueFault::notANumber;
    std::memcpy(buf, p, n);
    for (std::size_t k = 0; k < n; ++k)
        if (buf[k] == 'D' || buf[k] == 'd') buf[k] = 'E';
    const char* b = buf[0] == '+' ? buf + 1 : buf;
    double unused = 0.0;
    const auto [q, ec] = std::from_chars(b, buf + n, unused);
    return ec == std::errc::result_out_of_range && q == buf + n ? ValueFault::outOfRange : ValueFault::notANumber;
}

}  // namespace

const char* checkTableValue(const char* p, const char* end, ValueFault& fault) {
    if (end - p >= 2 && isSign(p[0]) && isSign(p[1])) {
        fault = ValueFault::twoSigns;
        return nullptr;
    }
    double v = 0.0;
    const char* q = readFreeValue(p, end, v);
    if (!q) {
        fault = unreadableFault(p, end);
        return nullptr;
    }
    if (!std::isfinite(v)) {
        fault = ValueFault::notFinite;
        return nullptr;
    }
    if (std::fabs(v) > MAX_TABLE_MAGNITUDE) {
        fault = ValueFault::beyondBound;
        return nullptr;
    }
    return q;
}

}  // namespace wq
