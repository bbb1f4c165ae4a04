#include "text/csv.hpp"

namespace wq {

namespace {

bool blankRecord(const CsvRecord& r) { return r.fields.size() == 1 && r.fields[0].empty(); }

bool validUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const int more = c < 0x80 ? 0 : (c >> 5) == 0x6 ? 1 : (c >> 4) == 0xE ? 2 : (c >> 3) == 0x1E ? 3 : -1;
        if (more < 0) return false;
        const std::size_t n = static_cast<std::size_t>(more);
        if (i + n >= s.size() && n > 0) return false;
        for (std::size_t k = 1; k <= n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) >> 6) != 0x2) return false;
        i += n + 1;
    }
    return true;
}

}  // namespace

std::string utf8FromLatin1(std::string_view s) {
    if (validUtf8(s)) return std::string(s);
    std::string out;
    for (char ch : s) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

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
