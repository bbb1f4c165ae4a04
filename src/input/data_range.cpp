#include "input/data_range.hpp"

#include <cctype>
#include <charconv>
#include <cmath>

#include "text/number_text.hpp"

namespace wq {

namespace {

constexpr std::string_view TAG = "data ";

// A plain decimal (digits, at most one point) at the front of `text`,
// consumed; false when there is none.
bool takeNumber(std::string_view& text, double& value) {
    std::size_t n = 0;
    bool point = false;
    while (n < text.size() && (std::isdigit(static_cast<unsigned char>(text[n])) || (text[n] == '.' && !point))) {
        point = point || text[n] == '.';
        ++n;
    }
    if (n == 0) return false;
    const auto read = std::from_chars(text.data(), text.data() + n, value);
    if (read.ec != std::errc() || read.ptr != text.data() + n || !std::isfinite(value)) return false;
    text.remove_prefix(n);
    return true;
}

// "T C" or "T1-T2 C" followed by the end or a separator.
DataRange rangeAt(std::string_view text) {
    DataRange range;
    if (!takeNumber(text, range.low)) return {};
    range.high = range.low;
    if (!text.empty() && text.front() == '-') {
        text.remove_prefix(1);
        if (!takeNumber(text, range.high) || range.high < range.low) return {};
    }
    if (text.substr(0, 2) != " C") return {};
    text.remove_prefix(2);
    if (!text.empty() && text.front() != ' ' && text.front() != ';' && text.front() != ',') return {};
    range.given = true;
    return range;
}

}  // namespace

DataRange dataRangeIn(std::string_view comment) {
    for (std::size_t at = comment.find(TAG); at != std::string_view::npos; at = comment.find(TAG, at + 1)) {
        const bool startsWord = at == 0 || comment[at - 1] == ' ' || comment[at - 1] == ',' || comment[at - 1] == ';';
        if (!startsWord) continue;
        const DataRange range = rangeAt(comment.substr(at + TAG.size()));
        if (range.given) return range;
    }
    return {};
}

bool usedBeyondData(const DataRange& range, double temperature) {
    if (!range.given) return false;
    const double span = range.low == range.high ? SINGLE_TEMPERATURE_SPAN_C : 0.0;
    return temperature < range.low - span || temperature > range.high + span;
}

void appendDataRangeText(std::string& text, const DataRange& range) {
    appendShortestText(text, range.low);
    if (range.high != range.low) {
        text += '-';
        appendShortestText(text, range.high);
    }
    text += " C";
}

std::string dataRangeText(const DataRange& range) {
    std::string text;
    appendDataRangeText(text, range);
    return text;
}

}  // namespace wq
