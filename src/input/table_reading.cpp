#include "input/table_reading.hpp"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <string>
#include <utility>

namespace wq {

namespace {

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// The words agencies and laboratories export for "not detected", in lower
// case: none of them names the limit.
constexpr std::string_view NOT_DETECTED[] = {"nd", "n.d.", "n.d", "-", "--", "<dl", "< dl", "bdl", "<lod", "< lod",
                                             "<loq", "< loq", "<rl", "not detected"};

constexpr std::pair<std::string_view, BelowDetection> POLICIES[] = {
    {"omit", BelowDetection::omit}, {"zero", BelowDetection::zero},   {"half", BelowDetection::half},
    {"limit", BelowDetection::limit}, {"fail", BelowDetection::fail},
};

}  // namespace

std::optional<BelowDetection> belowDetectionNamed(std::string_view name) {
    for (const auto& [word, policy] : POLICIES)
        if (word == name) return policy;
    return std::nullopt;
}

std::optional<BelowDetectionCell> belowDetectionCell(std::string_view cell) {
    // A number (no word of the list starts as one does): the usual cell,
    // told without a lowered copy.
    const std::string_view given = trimmed(cell);
    if (!given.empty() && (std::isdigit(static_cast<unsigned char>(given.front())) || given.front() == '.' ||
                           given.front() == '+'))
        return std::nullopt;
    const std::string text = lowered(given);
    for (std::string_view word : NOT_DETECTED)
        if (text == word) return BelowDetectionCell{};
    if (text.empty() || text.front() != '<') return std::nullopt;
    const std::string_view limit = trimmed(std::string_view(text).substr(1));
    double value = 0.0;
    const auto [end, ec] = std::from_chars(limit.data(), limit.data() + limit.size(), value);
    if (ec != std::errc() || end != limit.data() + limit.size() || !std::isfinite(value) || value < 0.0)
        return std::nullopt;
    return BelowDetectionCell{value};
}

}  // namespace wq
