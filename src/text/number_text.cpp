#include "text/number_text.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// {fmt}'s Dragonbox, compiled into this file alone, header-only.
#define FMT_HEADER_ONLY
#include <fmt/format.h>

namespace wq {

namespace {

// snprintf into a string of the length the format needs.
template <class... Args>
std::string printed(const char* format, Args... args) {
    char small[64];
    const int n = std::snprintf(small, sizeof small, format, args...);
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < sizeof small) return std::string(small, static_cast<std::size_t>(n));
    std::string text(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, args...);
    text.resize(static_cast<std::size_t>(n));
    return text;
}

// 10^k for k = 0..22: the powers of ten a double holds exactly.
constexpr std::array<double, 23> EXACT_POWERS_OF_TEN = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The exact product magnitude x 10^k as hi + lo (the fused multiply-add
// rounds once, so lo is the product's rounding error, exactly).
struct ExactProduct {
    double hi = 0.0;
    double lo = 0.0;
    bool below(double bound) const { return hi < bound || (hi == bound && lo < 0.0); }
};

ExactProduct scaled(double magnitude, int k) {
    const double power = EXACT_POWERS_OF_TEN[static_cast<std::size_t>(k)];
    const double hi = magnitude * power;
    return {hi, std::fma(magnitude, power, -hi)};
}

// The nearest whole number to hi + lo, ties to even, as printf rounds an
// exact tie. hi is positive and below 2^53, so its whole part and hi minus it
// are exact; a fraction other than one half differs from it by at least hi's
// last place, more than lo can move it.
double roundedHalfEven(const ExactProduct& x) {
    const auto whole = static_cast<std::uint64_t>(x.hi);
    const double fraction = x.hi - static_cast<double>(whole);
    bool up = fraction > 0.5;
    if (fraction == 0.5) up = x.lo > 0.0 || (x.lo == 0.0 && whole % 2 == 1);
    return static_cast<double>(up ? whole + 1 : whole);
}

// The short way of scientificReadBack (Clinger's fast path, both ways): a
// magnitude whose `decimals` + 1 significant digits N and scale 10^k (N x
// 10^-k the text's value) stay within the doubles' exact integers and
// powers of ten. Rounding |v| x 10^k to N is then exact, and N / 10^k is one
// correctly rounded division, as from_chars reads the text. nullopt where
// the short way does not apply.
std::optional<double> readBackByScaling(double magnitude, int decimals) {
    if (decimals < 0 || decimals > 14 || !(magnitude >= 1e-30) || !(magnitude < 1e15)) return std::nullopt;
    const double lowest = EXACT_POWERS_OF_TEN[static_cast<std::size_t>(decimals)];
    const double top = EXACT_POWERS_OF_TEN[static_cast<std::size_t>(decimals + 1)];
    // The decimal exponent from the binary one, at most one too small:
    // floor(e log10 2) as (e x 78913) >> 18, exact for |e| below 1650.
    const int binaryExponent = static_cast<int>((std::bit_cast<std::uint64_t>(magnitude) >> 52) & 0x7ff) - 1023;
    const int exponent = (binaryExponent * 78913) >> 18;
    int k = decimals - exponent;
    if (k < 0 || k > 22) return std::nullopt;
    ExactProduct x = scaled(magnitude, k);
    if (!x.below(top)) {
        if (--k < 0) return std::nullopt;
        x = scaled(magnitude, k);
    }
    if (x.below(lowest) || !x.below(top)) return std::nullopt;
    return roundedHalfEven(x) / EXACT_POWERS_OF_TEN[static_cast<std::size_t>(k)];
}

// The characters of the scientific form with `decimals` digits after the
// point and an exponent of two digits.
std::size_t scientificLength(bool negative, int decimals) {
    return (negative ? 1U : 0U) + 1U + (decimals > 0 ? 1U + static_cast<std::size_t>(decimals) : 0U) + 4U;
}

// Two decimal digits at a time, "00" to "99".
constexpr std::array<char, 200> DIGIT_PAIRS = [] {
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[static_cast<std::size_t>(2 * i)] = static_cast<char>('0' + i / 10);
        pairs[static_cast<std::size_t>(2 * i + 1)] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

// The decimal digits of n (below 10^17, as a double's shortest digits are),
// written to end at `end`; gives where they start. Eight low digits by 32-bit
// arithmetic first: a third of the instructions of std::to_chars here.
char* digitsEndingAt(char* end, std::uint64_t n) {
    char* at = end;
    const auto pair = [&](std::uint32_t two) {
        at -= 2;
        std::memcpy(at, DIGIT_PAIRS.data() + 2 * two, 2);
    };
    if (n >= 100000000) {
        auto low = static_cast<std::uint32_t>(n % 100000000);
        n /= 100000000;
        for (int k = 0; k < 4; ++k, low /= 100) pair(low % 100);
    }
    auto high = static_cast<std::uint32_t>(n);
    for (; high >= 100; high /= 100) pair(high % 100);
    if (high >= 10)
        pair(high);
    else
        *--at = static_cast<char>('0' + high);
    return at;
}

// The shortest form of a finite, nonzero double whose last shortest digit
// stands after the point (a fraction, as most values of a record are), laid out as std::to_chars
// lays it out: the fixed or the scientific form, whichever is shorter, the
// fixed one on a tie. Its digits are Dragonbox's (Jeon 2020, by {fmt}): the
// shortest that read back as the value, the nearest of them to it, as
// std::to_chars finds them by Ryu in three times the instructions. Writes
// at `out` (32 characters of room) and gives the end; nullptr for a value
// to leave to std::to_chars.
char* shortestFraction(char* out, double value) {
    if (!std::isfinite(value) || value == 0.0) return nullptr;
    const auto decimal = fmt::detail::dragonbox::to_decimal(value);
    if (decimal.exponent >= 0) return nullptr;
    char text[20];
    const char* const digits = digitsEndingAt(text + sizeof text, decimal.significand);
    const int count = static_cast<int>(text + sizeof text - digits);
    const int exponent = decimal.exponent;         // value = digits x 10^exponent
    const int beforePoint = count + exponent;      // digits before the point in the fixed form
    const int scientificExponent = beforePoint - 1;
    const int exponentDigits = std::abs(scientificExponent) >= 100 ? 3 : 2;
    const int scientificLength = count + (count > 1 ? 1 : 0) + 2 + exponentDigits;
    const int fixedLength = beforePoint > 0 ? count + 1 : 2 - exponent;
    if (std::signbit(value)) *out++ = '-';
    if (fixedLength <= scientificLength) {
        if (beforePoint > 0) {
            out = std::copy(digits, digits + beforePoint, out);
            *out++ = '.';
            return std::copy(digits + beforePoint, digits + count, out);
        }
        *out++ = '0';
        *out++ = '.';
        out = std::fill_n(out, -beforePoint, '0');
        return std::copy(digits, digits + count, out);
    }
    *out++ = digits[0];
    if (count > 1) {
        *out++ = '.';
        out = std::copy(digits + 1, digits + count, out);
    }
    *out++ = 'e';
    *out++ = scientificExponent < 0 ? '-' : '+';
    const int magnitude = std::abs(scientificExponent);
    if (magnitude < 10) *out++ = '0';
    return std::to_chars(out, out + 3, magnitude).ptr;
}

}  // namespace

std::optional<double> scientificReadBack(double value, int decimals, std::size_t width) {
    if (!std::isfinite(value)) return std::nullopt;
    // The exponent of a magnitude the short way takes has two digits.
    if (const std::optional<double> read = readBackByScaling(std::fabs(value), decimals)) {
        if (scientificLength(std::signbit(value), decimals) > width) return std::nullopt;
        return std::signbit(value) ? -*read : *read;
    }
    char text[800];
    const auto [end, written] = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, decimals);
    if (written != std::errc() || static_cast<std::size_t>(end - text) > width) return std::nullopt;
    double read = 0.0;
    const auto [last, parsed] = std::from_chars(text, end, read);
    if (parsed != std::errc() || last != end) return std::nullopt;
    return read;
}

std::string exactText(double value) {
    // std::to_chars with a precision writes what printf writes ("%.17g"),
    // without the formatting machinery of printf.
    char buf[64];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 17);
    return ec == std::errc() ? std::string(buf, end) : printed("%.17g", value);
}

void appendShortestText(std::string& text, double value) {
    // Written in place at the end of `text`: the longest shortest form of a
    // double has 24 characters.
    constexpr std::size_t ROOM = 32;
    const std::size_t at = text.size();
    text.resize(at + ROOM);
    char* const first = text.data() + at;
    char* const last = first + ROOM;
    const auto keep = [&](const char* end) { text.resize(static_cast<std::size_t>(end - text.data())); };
    // A whole number of at most three digits (a temperature of a data range,
    // a count) is its digits: the general form is never shorter there. (-0.0
    // keeps its sign the general way.)
    const bool small = std::fabs(value) < 1000.0 && value == static_cast<double>(static_cast<int>(value)) &&
                       !(value == 0.0 && std::signbit(value));
    if (small) return keep(std::to_chars(first, last, static_cast<int>(value)).ptr);
    if (const char* end = shortestFraction(first, value)) return keep(end);
    const auto [end, ec] = std::to_chars(first, last, value);
    if (ec == std::errc()) return keep(end);
    text.resize(at);
    text += exactText(value);
}

std::string shortestText(double value) {
    std::string text;
    appendShortestText(text, value);
    return text;
}

std::string scientificText(double value, int decimals) {
    // A sign, 1 + 767 digits at most (to_chars takes no more), the point and
    // an exponent of at most 3 digits with its sign.
    char buf[800];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, decimals);
    if (ec != std::errc()) return printed("%.*E", decimals, value);
    std::string text(buf, end);
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string fixedText(double value, int decimals) { return printed("%.*f", decimals, value); }

std::string significantText(double value, int digits) { return printed("%.*g", digits, value); }

}  // namespace wq
