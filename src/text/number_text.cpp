#include "text/number_text.hpp"

#include <charconv>
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

std::string exactText(double value) { return printed("%.17g", value); }

std::string shortestText(double value) {
    char buf[32];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    return ec == std::errc() ? std::string(buf, end) : exactText(value);
}

std::string fixedText(double value, int decimals) { return printed("%.*f", decimals, value); }

}  // namespace wq
