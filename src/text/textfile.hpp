// Text files held in memory.
//
// A TextImage is the bytes of a whole file, read once into a single buffer
// (or mapped, see Holding) and never changed afterwards, so one image can be
// shared read-only by several readers (and threads). A TextFile is a sequential line reader over
// an image: line by line reading with one step back and rewind, and the line
// number of every line for error reports.
#pragma once

#include <cstddef>
#include <cstdint>
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
    // How the image holds a regular file's bytes. A copy is the file as it
    // was when read, whatever happens to the file afterwards. A mapping holds
    // only the pages being read (see release) and takes them from the file
    // as it is at that moment: it is for a reader that makes sure, before
    // each use, that the file is unchanged, and that uses it briefly. The
    // program cannot keep a file from being changed (or cut short, which
    // ends the process) while it reads a mapping.
    enum class Holding { copy, mapping };

    // Reads the whole file at `path` (with one read into one buffer, or as
    // a mapping); refuses a file of more than `limit` bytes. Files that
    // cannot be mapped (pipes, devices) are copied.
    static ReadResult read(const std::string& path, std::size_t limit = MAX_FILE_BYTES,
                           Holding holding = Holding::copy);

    std::string_view text() const { return {data_, size_}; }
    // The buffer may be read (never written) this many bytes past the end of
    // the text, so that a scan may load whole blocks up to the text's end.
    static constexpr std::size_t READABLE_BEYOND_END = 64;

    // Lets the memory of text[begin, end) go: an image of a mapped file gives
    // back the pages wholly inside, which come back from the system's file
    // cache when they are read again; any other image keeps its bytes. The
    // text reads the same afterwards. Safe while other threads read.
    void release(std::size_t begin, std::size_t end) const;

private:
    TextImage() = default;
    char* data_ = nullptr;
    std::size_t size_ = 0;
    void* mapping_ = nullptr;  // the region that holds data_
    std::size_t mappingSize_ = 0;
    bool fileBacked_ = false;  // data_ maps the file itself
};

// Releases the text behind a reader that goes through an image from start to
// end: whenever it has gone on by a step since the last release, the text it
// has left behind.
class ReleaseBehind {
public:
    explicit ReleaseBehind(const TextImage& image) : image_(image) {}
    void reached(std::size_t offset) {
        if (offset < released_ + STEP) return;
        image_.release(released_, offset);
        released_ = offset;
    }

private:
    static constexpr std::size_t STEP = std::size_t{1} << 20;
    const TextImage& image_;
    std::size_t released_ = 0;
};

// The identity of the file at `path` as it is now; false when it cannot be
// looked at (errno tells why).
bool identityOf(const std::string& path, FileIdentity& identity);

class TextFile {
public:
    TextFile() = default;
    TextFile(std::string name, std::string_view content);
    TextFile(std::string name, std::shared_ptr<const TextImage> image);

    // Reads the whole file; false, and why in `error`, when it cannot be
    // opened or read or holds more than MAX_FILE_BYTES.
    bool load(const std::string& path, std::string& error, std::size_t limit = MAX_FILE_BYTES);

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
