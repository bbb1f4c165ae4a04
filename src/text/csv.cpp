#include "text/csv.hpp"

namespace wq {

namespace {

bool blankRecord(const CsvRecord& r) { return r.fields.size() == 1 && r.fields[0].empty(); }

}  // namespace

std::optional<CsvRecord> CsvReader::next(std::string& error) {
    while (pos_ < text_.size()) {
        CsvRecord record;
        record.line = line_;
        std::string field;
        bool quoted = false;
        bool ended = false;
        while (pos_ < text_.size() && !ended) {
            const char c = text_[pos_++];
            if (quoted) {
                if (c == '"' && pos_ < text_.size() && text_[pos_] == '"') {
                    field += '"';
                    ++pos_;
                } else if (c == '"') {
                    quoted = false;
                } else {
                    if (c == '\n') ++line_;
                    field += c;
                }
            } else if (c == '"') {
                quoted = true;
            } else if (c == ',') {
                record.fields.push_back(std::move(field));
                field.clear();
            } else if (c == '\n') {
                ++line_;
                ended = true;
            } else if (c != '\r') {
                field += c;
            }
        }
        if (quoted) {
            error = "a quoted field opened on line " + std::to_string(record.line) + " is never closed";
            return std::nullopt;
        }
        record.fields.push_back(std::move(field));
        if (!blankRecord(record)) return record;
    }
    return std::nullopt;
}

std::string csvField(std::string_view text) {
    const bool needsQuotes = text.find_first_of(",\"\r\n") != std::string_view::npos ||
                             (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!needsQuotes) return std::string(text);
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

}  // namespace wq
