// Text files held in memory.
//
// A TextImage is the bytes of a whole file, read once into a single buffer
// and never changed afterwards, so one image can be shared read-only by
// several readers (and threads), and whatever happens to the file after it
// was read (an edit, a truncation, its removal) cannot touch it. A TextFile
// is a sequential line reader over an image: line by line reading with one
// step back and rewind, and the line number of every line for error reports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace wq {

// What tells one state of a file on disk from another without reading it:
// device and inode (a file replaced by another), size, and the times of the
// last change of the data and of the inode, to the nanosecond.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The most a file may hold for the program to read it (1 GB): a file that
// never ends (a link to /dev/zero) or a wrong file of many gigabytes ends with
// a clear message instead of filling the memory.
constexpr std::size_t MAX_FILE_BYTES = std::size_t{1} << 30;

class TextImage {
public:
    // An image of text already in memory (tests, tools).
    explicit TextImage(std::string_view text);
    ~TextImage();
    TextImage(const TextImage&) = delete;
    TextImage& operator=(const TextImage&) = delete;

    struct ReadResult {
        std::shared_ptr<const TextImage> image;  // null when the file could not be read
        FileIdentity identity;                   // of the file as it was read
        std::string error;                       // why not, when image is null
    };
    // The files a reader takes. A data file (a database, a table, a template)
    // must be a regular file: a FIFO would wait for a writer forever and a
    // device may never end, so both are refused before anything is read.
    // The console program's run input has always been taken from any file
    // (an endless one is refused at the limit).
    enum class Kinds { regularOnly, any };

    // Reads the whole file at `path` with one read into one buffer sized
    // from the file's size; refuses a file of more than `limit` bytes
    // without reading it (a file that is not regular, when taken, is read
    // until it ends or passes the limit).
    static ReadResult read(const std::string& path, std::size_t limit = MAX_FILE_BYTES,
                           Kinds kinds = Kinds::regularOnly);

    std::string_view text() const { return {data_, size_}; }
    // The buffer may be read (never written) this many bytes past the end of
    // the text, so that a scan may load whole blocks up to the text's end.
    static constexpr std::size_t READABLE_BEYOND_END = 64;

private:
    TextImage() = default;
    char* data_ = nullptr;
    std::size_t size_ = 0;
    void* mapping_ = nullptr;  // the region that holds data_ of a file read
    std::size_t mappingSize_ = 0;
    std::unique_ptr<char[]> heap_;  // the copy that holds data_ of a text given
};

// A regular file opened for reading from its start, for a reader that takes
// it a block at a time: refused as TextImage::read refuses it (not a regular
// file, more than `limit` bytes), null with the reason in `why`. `identity`
// is that of the file opened.
std::FILE* openRegularFile(const std::string& path, std::size_t limit, std::string& why, FileIdentity& identity);

// True when `path` names a regular file that can be opened for reading;
// false with the reason in `why` (the system's, or what kind of file it is).
// Nothing is read, and a FIFO is not waited on.
bool openableRegularFile(const std::string& path, std::string& why);

// True when both paths name one existing file, however they are spelled
// (./t.csv, a hard link, a symbolic link).
bool sameFile(const std::string& a, const std::string& b);

// The identity of the file at `path` as it is now; false when it cannot be
// looked at (errno tells why).
bool identityOf(const std::string& path, FileIdentity& identity);
// The same for an open file.
bool identityOf(std::FILE* file, FileIdentity& identity);

class TextFile {
public:
    TextFile() = default;
    TextFile(std::string name, std::string_view content);
    TextFile(std::string name, std::shared_ptr<const TextImage> image);

    // Reads the whole file; false, and why in `error`, when it cannot be
    // opened or read, holds more than `limit` bytes or is not of the kinds
    // taken.
    bool load(const std::string& path, std::string& error, std::size_t limit = MAX_FILE_BYTES,
              TextImage::Kinds kinds = TextImage::Kinds::regularOnly);

    // The next line without its line end (a trailing '\r' is dropped too);
    // false at the end of the file.
    bool next(std::string_view& line);
    // Makes the line last read the next one again (one step only).
    void stepBack();
    void rewind();

    // 1-based number of the line last read (0 before the first).
    int lineNumber() const { return line_; }
    const std::string& name() const { return name_; }
    bool atEnd() const { return pos_ >= text().size(); }

    // The whole text, and the place of the next line in it.
    std::string_view text() const { return image_ ? image_->text() : std::string_view(); }
    std::size_t position() const { return pos_; }
    // Continues at `offset` (the start of a line) as line number `lineNumber`.
    void seek(std::size_t offset, int lineNumber);

private:
    std::string name_;
    std::shared_ptr<const TextImage> image_;
    std::size_t pos_ = 0;
    std::size_t previous_ = 0;
    int line_ = 0;
};

}  // namespace wq
