// Comma-separated values as spreadsheets and pandas write them: fields
// separated by commas, a field in double quotes may hold commas, line ends
// and doubled quotes; a record ends at a line end outside quotes.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/textfile.hpp"

namespace wq {

struct CsvRecord {
    std::vector<std::string> fields;
    int line = 0;  // 1-based line on which the record starts
};

class CsvReader {
public:
    explicit CsvReader(std::string_view text) : text_(text) {}
    // The records of an open file, read a block at a time as they are asked
    // for, so that a file of millions of rows is never held whole (the file
    // stays the caller's; `name` names it in a message).
    // With `unchanged`, the file must keep that identity (its size,
    // modification and change time) while it is read: it is looked at after
    // every block, and a file rewritten in place (`cat new > t.csv`, `dd
    // conv=notrunc`) is an error from the block on which it is seen, so no
    // reading mixes two contents.
    CsvReader(std::FILE* file, std::string name, std::optional<FileIdentity> unchanged = std::nullopt)
        : file_(file), name_(std::move(name)), unchanged_(unchanged) {}
    // The next record; nullopt at the end of the text. A record of one empty
    // field (a blank line) is passed over. `error` is set for an unclosed
    // quote, or a file that cannot be read.
    std::optional<CsvRecord> next(std::string& error);
    // Whether the text still to be read starts with `prefix`; passOver takes
    // it away when it does.
    bool startsWith(std::string_view prefix);
    bool passOver(std::string_view prefix);

private:
    // More text from the file after what is left of the block; false at its
    // end (or a read error, kept in readError_).
    bool more();
    bool atEnd() { return pos_ >= text_.size() && !more(); }

    std::string_view text_;
    std::size_t pos_ = 0;
    int line_ = 1;
    std::FILE* file_ = nullptr;
    std::string name_;
    std::string block_;      // the part of the file read and not yet passed
    std::string readError_;  // why the file could not be read
    std::optional<FileIdentity> unchanged_;
};

// The character that stands for bytes that are not UTF-8 (U+FFFD).
inline constexpr std::string_view REPLACEMENT_CHARACTER = "\xEF\xBF\xBD";

// Well-formed UTF-8 (RFC 3629): no overlong form, no surrogate, no code
// point above U+10FFFF, no sequence cut short.
bool validUtf8(std::string_view text);
// The offset of the first byte of `text` that is not part of well-formed
// UTF-8; npos when all of it is.
std::size_t firstNonUtf8(std::string_view text);

// Text as UTF-8 whatever it holds: every piece that is not well-formed UTF-8
// (the longest start of a sequence, or one byte) becomes U+FFFD, as a cell a
// spreadsheet wrote in Latin-1 ("\xB0C") is carried through a batch.
std::string utf8Replacing(std::string_view text);

// Text as UTF-8: the program's messages and the database's names are
// single-byte text (the degree sign of "50 \xB0C" is Latin-1), the tables and
// records it writes are UTF-8. Text that is valid UTF-8 already is kept.
std::string utf8FromLatin1(std::string_view text);

// Text echoed in a message, cut to at most `most` bytes (at a character
// boundary of UTF-8, "..." marking the cut), so that a 100 MB cell makes a
// line of a hundred bytes.
constexpr std::size_t SHOWN_TEXT_BYTES = 80;
std::string shortened(std::string_view text, std::size_t most = SHOWN_TEXT_BYTES);

// A field as written in a CSV file: quoted when it holds a comma, a quote,
// a line end or leading or trailing blanks. appendCsvField adds it to a line.
std::string csvField(std::string_view text);
void appendCsvField(std::string& line, std::string_view text);

// One record: the fields joined by commas, each as csvField writes it, and
// the line end.
std::string csvLine(const std::vector<std::string>& fields);

// A number in a cell: the shortest decimal that reads back as the value
// computed (shortestText: 0.1, not 0.10000000000000001); an empty cell for a
// value that is not finite (a quantity the run does not have).
std::string csvNumber(double value);
void appendCsvNumber(std::string& line, double value);

}  // namespace wq
