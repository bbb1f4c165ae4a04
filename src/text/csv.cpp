#include "text/csv.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "text/number_text.hpp"

namespace wq {

namespace {

bool blankRecord(const CsvRecord& r) { return r.fields.size() == 1 && r.fields[0].empty(); }

// How many bytes from s[i] on form one well-formed UTF-8 sequence (RFC 3629:
// no overlong form, no surrogate, nothing above U+10FFFF); when none does, the
// negative of how many bytes make the longest start of one (at least 1), the
// part one replacement character stands for.
int utf8Sequence(std::string_view s, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = byte(i);
    if (c < 0x80) return 1;
    int length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0) low = 0xA0;   // overlong below U+0800
        if (c == 0xED) high = 0x9F;  // the surrogates U+D800..U+DFFF
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0) low = 0x90;   // overlong below U+10000
        if (c == 0xF4) high = 0x8F;  // above U+10FFFF
    } else {
        return -1;  // a continuation byte, an overlong lead (C0, C1) or F5..FF
    }
    for (int k = 1; k < length; ++k) {
        const std::size_t at = i + static_cast<std::size_t>(k);
        if (at >= s.size()) return -k;
        const unsigned char lo = k == 1 ? low : 0x80;
        const unsigned char hi = k == 1 ? high : 0xBF;
        if (byte(at) < lo || byte(at) > hi) return -k;
    }
    return length;
}

// Eight bytes from s[i] on, all ASCII (the high bit clear in each).
bool eightAscii(std::string_view s, std::size_t i) {
    if (s.size() - i < 8) return false;
    std::uint64_t word;
    std::memcpy(&word, s.data() + i, sizeof word);
    return (word & 0x8080808080808080ULL) == 0;
}

}  // namespace

std::size_t firstNonUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        // Most text is ASCII (a record's notes run to a thousand bytes).
        if (eightAscii(s, i)) {
            i += 8;
            continue;
        }
        const int n = utf8Sequence(s, i);
        if (n < 0) return i;
        i += static_cast<std::size_t>(n);
    }
    return std::string_view::npos;
}

bool validUtf8(std::string_view s) { return firstNonUtf8(s) == std::string_view::npos; }

std::string utf8Replacing(std::string_view s) {
    if (validUtf8(s)) return std::string(s);
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const int n = utf8Sequence(s, i);
        if (n > 0) {
            out.append(s.substr(i, static_cast<std::size_t>(n)));
            i += static_cast<std::size_t>(n);
        } else {
            out += REPLACEMENT_CHARACTER;
            i += static_cast<std::size_t>(-n);
        }
    }
    return out;
}

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

bool CsvReader::more() {
    if (!file_ || !readError_.empty()) return false;
    // A block of 64 KB: a few hundred rows of a table.
    constexpr std::size_t BLOCK = std::size_t{1} << 16;
    block_.erase(0, std::min(pos_, block_.size()));
    const std::size_t kept = block_.size();
    block_.resize(kept + BLOCK);
    std::size_t got = std::fread(block_.data() + kept, 1, BLOCK, file_);
    block_.resize(kept + got);
    if (got == 0 && std::ferror(file_)) readError_ = std::strerror(errno);
    FileIdentity now;
    if (unchanged_ && (!identityOf(file_, now) || !(now == *unchanged_))) {
        readError_ = "it was rewritten while it was read (its size or times changed)";
        block_.resize(kept);
        got = 0;
    }
    text_ = block_;
    pos_ = 0;
    return got > 0;
}

bool CsvReader::startsWith(std::string_view prefix) {
    while (text_.size() - pos_ < prefix.size() && more()) {
    }
    return text_.substr(pos_, prefix.size()) == prefix;
}

bool CsvReader::passOver(std::string_view prefix) {
    if (!startsWith(prefix)) return false;
    pos_ += prefix.size();
    return true;
}

namespace {

bool endsPlainRun(char c) { return c == ',' || c == '"' || c == '\n' || c == '\r'; }

}  // namespace

std::optional<CsvRecord> CsvReader::next(std::string& error) {
    while (!atEnd()) {
        CsvRecord record;
        record.line = line_;
        std::string field;
        bool quoted = false;
        bool ended = false;
        while (!ended && !atEnd()) {
            const char c = text_[pos_++];
            if (quoted) {
                if (c == '"' && !atEnd() && text_[pos_] == '"') {
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
                // The plain characters up to the next separator, quote or line
                // end of the text at hand, at once.
                std::size_t to = pos_;
                while (to < text_.size() && !endsPlainRun(text_[to])) ++to;
                field.append(text_.substr(pos_ - 1, to - (pos_ - 1)));
                pos_ = to;
            } else if (!atEnd() && text_[pos_] != '\n') {
                // A line end of classic Mac OS: the lines would run together.
                error = "line " + std::to_string(line_) +
                        " ends in a carriage return alone (the line ends of classic Mac OS): save the table with LF "
                        "or CR LF line ends";
                return std::nullopt;
            }
        }
        if (!readError_.empty()) break;
        if (quoted) {
            error = "a quoted field opened on line " + std::to_string(record.line) + " is never closed";
            return std::nullopt;
        }
        record.fields.push_back(std::move(field));
        if (!blankRecord(record)) return record;
    }
    if (!readError_.empty()) error = "cannot read " + name_ + ": " + readError_;
    return std::nullopt;
}

std::string shortened(std::string_view text, std::size_t most) {
    if (text.size() <= most) return std::string(text);
    const std::string_view mark = "...";
    std::size_t cut = most > mark.size() ? most - mark.size() : 0;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return std::string(text.substr(0, cut)) + std::string(mark);
}

void appendCsvField(std::string& line, std::string_view text) {
    const bool needsQuotes = text.find_first_of(",\"\r\n") != std::string_view::npos ||
                             (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!needsQuotes) {
        line += text;
        return;
    }
    // The text between quotes copied whole, each quote doubled: a record's
    // notes run to a thousand characters.
    line += '"';
    for (std::size_t from = 0;;) {
        const std::size_t quote = text.find('"', from);
        if (quote == std::string_view::npos) {
            line.append(text.substr(from));
            break;
        }
        line.append(text.substr(from, quote + 1 - from));
        line += '"';
        from = quote + 1;
    }
    line += '"';
}

std::string csvField(std::string_view text) {
    std::string out;
    appendCsvField(out, text);
    return out;
}

std::string csvLine(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) line += ',';
        appendCsvField(line, fields[i]);
    }
    line += '\n';
    return line;
}

void appendCsvNumber(std::string& line, double value) {
    if (std::isfinite(value)) appendShortestText(line, value);
}

std::string csvNumber(double value) {
    std::string text;
    appendCsvNumber(text, value);
    return text;
}

}  // namespace wq
