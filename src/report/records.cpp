#include "report/records.hpp"

#include <cctype>

#include "text/staged_file.hpp"

namespace wq {

// The formats, each defined in its file.
const RecordFormat& csvRecords();
const RecordFormat& jsonRecords();

namespace {

// The registry: one line per format.
constexpr RecordFormatEntry FORMATS[] = {
    {".csv", csvRecords},    // a CSV table, one row per record: csv_records.cpp
    {".json", jsonRecords},  // a JSON array, one object per record: json_records.cpp
};

bool endsWithNoCase(std::string_view s, std::string_view tail) {
    if (s.size() < tail.size()) return false;
    for (std::size_t k = 0; k < tail.size(); ++k)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - tail.size() + k])) != tail[k]) return false;
    return true;
}

}  // namespace

const char* ehCoupleName(EhCouple couple) {
    switch (couple) {
        case EhCouple::sulfideSulfate: return "HS-/SO4--";
        case EhCouple::oxygen: return "H2O/O2(aq)";
        case EhCouple::methaneCarbonate: return "CH4,aq/HCO3-";
        case EhCouple::none: break;
    }
    return "";
}

std::span<const RecordFormatEntry> recordFormats() { return FORMATS; }

const RecordFormat* recordFormatOf(std::string_view path) {
    for (const RecordFormatEntry& entry : FORMATS)
        if (endsWithNoCase(path, entry.extension)) return &entry.format();
    return nullptr;
}

std::string recordExtensions() {
    std::string text;
    for (std::size_t k = 0; k < std::size(FORMATS); ++k) {
        if (k > 0) text += k + 1 == std::size(FORMATS) ? " or " : ", ";
        text += FORMATS[k].extension;
    }
    return text;
}

// Each group of records leaves whole in one write.
bool RecordWriter::write(const std::string& text) { return writeAtOnce(file_, text); }

bool RecordWriter::open() { return write(format_.opening(columns_)); }

bool RecordWriter::add(const std::string& text) {
    const std::string separator = format_.separator(first_);
    first_ = false;
    if (holdLimit_ == 0) return write(separator + text);
    held_ += separator;
    held_ += text;
    return held_.size() < holdLimit_ || flush();
}

bool RecordWriter::flush() {
    if (held_.empty()) return true;
    const bool written = write(held_);
    held_.clear();
    return written;
}

bool RecordWriter::close() {
    const bool flushed = flush();
    const std::string end = format_.closing(!first_);
    first_ = false;
    return write(end) && flushed;
}

}  // namespace wq
