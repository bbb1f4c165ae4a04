#include "text/number_text.hpp"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

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

}  // namespace

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
    // A whole number of at most three digits (a temperature of a data range,
    // a count) is its digits: the general form is never shorter there. (-0.0
    // keeps its sign the general way.)
    const bool small = std::fabs(value) < 1000.0 && value == std::trunc(value) && !(value == 0.0 && std::signbit(value));
    const auto [end, ec] = small ? std::to_chars(first, last, static_cast<int>(value)) : std::to_chars(first, last, value);
    if (ec == std::errc()) {
        text.resize(static_cast<std::size_t>(end - text.data()));
        return;
    }
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
