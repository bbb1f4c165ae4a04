// A sequential text file held in memory: line by line reading with one step
// back and rewind, and the line number of every line for error reports.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace wq {

class TextFile {
public:
    TextFile() = default;
    TextFile(std::string name, std::string content);

    // Reads the whole file; false when it cannot be opened or read, or when
    // it holds more than maxBytes (errno is then EFBIG): an endless input
    // (a device, a pipe that never ends) is not read until memory runs out.
    bool load(const std::string& path, std::size_t maxBytes = SIZE_MAX);

    // The next line without its line end (a trailing '\r' is dropped too);
    // false at the end of the file.
    bool next(std::string_view& line);
    // Makes the line last read the next one again (one step only).
    void stepBack();
    void rewind();

    // 1-based number of the line last read (0 before the first).
    int lineNumber() const { return line_; }
    const std::string& name() const { return name_; }
    bool atEnd() const { return pos_ >= content_.size(); }

private:
    std::string name_;
    std::string content_;
    std::size_t pos_ = 0;
    std::size_t previous_ = 0;
    int line_ = 0;
};

}  // namespace wq
