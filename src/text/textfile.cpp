#include "text/textfile.hpp"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace wq {

namespace {

// A file of a few megabytes is read straight into transparent huge pages where
// the system offers them: a handful of page faults instead of one per 4 kB.
constexpr std::size_t HUGE_PAGE = std::size_t{2} << 20;

std::size_t roundUp(std::size_t n, std::size_t to) { return (n + to - 1) / to * to; }

// Address space for up to `capacity` bytes; memory is only taken for the
// pages actually written.
struct Region {
    void* base = nullptr;
    std::size_t size = 0;
    char* data = nullptr;
};

Region reserve(std::size_t capacity) {
    Region r;
    r.size = roundUp(capacity + 1 + TextImage::READABLE_BEYOND_END, HUGE_PAGE) + HUGE_PAGE;
    void* base = ::mmap(nullptr, r.size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (base == MAP_FAILED) return {};
    r.base = base;
    r.data = reinterpret_cast<char*>(roundUp(reinterpret_cast<std::uintptr_t>(base), HUGE_PAGE));
    return r;
}

// Huge pages only for the whole 2 MB pieces the text fills, so that the
// last piece costs no more memory than its bytes.
void preferHugePages(const Region& r, std::size_t expected) {
    const std::size_t whole = expected / HUGE_PAGE * HUGE_PAGE;
    if (whole > 0) ::madvise(r.data, whole, MADV_HUGEPAGE);
}

std::int64_t nanoseconds(const struct timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

FileIdentity identityFrom(const struct stat& st) {
    FileIdentity id;
    id.device = static_cast<std::uint64_t>(st.st_dev);
    id.inode = static_cast<std::uint64_t>(st.st_ino);
    id.size = static_cast<std::int64_t>(st.st_size);
    id.modifiedNs = nanoseconds(st.st_mtim);
    id.changedNs = nanoseconds(st.st_ctim);
    return id;
}

std::string tooLarge(std::size_t limit) {
    return "the file holds more than " + std::to_string(limit) + " bytes, the most the program reads";
}

// Reads until the end of the file or until `capacity` bytes came; false on
// a read error (errno tells why).
bool readAll(int fd, char* data, std::size_t capacity, std::size_t& size) {
    size = 0;
    while (size < capacity) {
        const ssize_t n = ::read(fd, data + size, capacity - size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) break;
        size += static_cast<std::size_t>(n);
    }
    return true;
}

// What a file that is not a regular one is, for the message that refuses it.
const char* kindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a FIFO (a named pipe)";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a plain file";
}

}  // namespace

// Text already in memory (the run input the batch writes for each water, a
// test's database) is copied to the heap: a mapping made and given back for
// every water would cost system calls and page faults each time.
TextImage::TextImage(std::string_view text)
    : heap_(std::make_unique<char[]>(text.size() + 1 + READABLE_BEYOND_END)) {
    std::memcpy(heap_.get(), text.data(), text.size());
    data_ = heap_.get();
    size_ = text.size();
}

TextImage::~TextImage() {
    if (mapping_) ::munmap(mapping_, mappingSize_);
}

namespace {

// The file at `path` opened for reading (blocking), or -1 with the reason:
// not a regular file when only those are taken, a regular file of more than
// `limit` bytes. `st` describes it.
int openForReading(const std::string& path, std::size_t limit, TextImage::Kinds kinds, struct stat& st,
                   std::string& why) {
    // Not blocking on the open: a FIFO would otherwise wait here for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        why = std::strerror(errno);
        return -1;
    }
    if (::fstat(fd, &st) != 0) {
        why = std::strerror(errno);
        ::close(fd);
        return -1;
    }
    const bool regular = S_ISREG(st.st_mode);
    if (!regular && kinds == TextImage::Kinds::regularOnly) {
        ::close(fd);
        why = std::string(kindOf(st.st_mode)) + ", not a regular file";
        return -1;
    }
    if (regular && static_cast<std::uint64_t>(st.st_size) > limit) {
        ::close(fd);
        why = tooLarge(limit);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

}  // namespace

std::FILE* openRegularFile(const std::string& path, std::size_t limit, std::string& why, FileIdentity& identity) {
    struct stat st {};
    const int fd = openForReading(path, limit, TextImage::Kinds::regularOnly, st, why);
    if (fd < 0) return nullptr;
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) {
        why = std::strerror(errno);
        ::close(fd);
        return nullptr;
    }
    identity = identityFrom(st);
    return file;
}

TextImage::ReadResult TextImage::read(const std::string& path, std::size_t limit, Kinds kinds) {
    ReadResult result;
    struct stat st {};
    const int fd = openForReading(path, limit, kinds, st, result.error);
    if (fd < 0) return result;
    const bool regular = S_ISREG(st.st_mode);
    // A regular file is read in the size fstat gives (what it holds now);
    // anything else may hold up to the limit, and one byte more tells that
    // it holds more.
    const std::size_t capacity = regular ? static_cast<std::size_t>(st.st_size) : limit;
    Region r = reserve(capacity);
    if (!r.base) {
        ::close(fd);
        result.error = std::strerror(ENOMEM);
        return result;
    }
    preferHugePages(r, regular ? capacity : 0);
    std::size_t size = 0;
    const bool ok = readAll(fd, r.data, regular ? capacity : limit + 1, size);
    const int readErrno = errno;
    ::close(fd);
    if (!ok || size > limit) {
        ::munmap(r.base, r.size);
        result.error = ok ? tooLarge(limit) : std::strerror(readErrno);
        return result;
    }
    // Give back the address space the text does not use.
    const std::size_t keep = static_cast<std::size_t>(r.data - static_cast<char*>(r.base)) + roundUp(size + 1 + READABLE_BEYOND_END, HUGE_PAGE);
    if (keep < r.size) ::munmap(static_cast<char*>(r.base) + keep, r.size - keep);
    auto image = std::shared_ptr<TextImage>(new TextImage());
    image->mapping_ = r.base;
    image->mappingSize_ = keep < r.size ? keep : r.size;
    image->data_ = r.data;
    image->size_ = size;
    result.image = std::move(image);
    result.identity = identityFrom(st);
    return result;
}

bool openableRegularFile(const std::string& path, std::string& why) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    struct stat st {};
    const bool statted = ::fstat(fd, &st) == 0;
    if (!statted) why = std::strerror(errno);
    ::close(fd);
    if (statted && !S_ISREG(st.st_mode)) why = std::string(kindOf(st.st_mode)) + ", not a regular file";
    return statted && S_ISREG(st.st_mode);
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

bool identityOf(const std::string& path, FileIdentity& identity) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    identity = identityFrom(st);
    return true;
}

bool identityOf(std::FILE* file, FileIdentity& identity) {
    struct stat st {};
    if (::fstat(::fileno(file), &st) != 0) return false;
    identity = identityFrom(st);
    return true;
}

TextFile::TextFile(std::string name, std::string_view content)
    : name_(std::move(name)), image_(std::make_shared<const TextImage>(content)) {}

TextFile::TextFile(std::string name, std::shared_ptr<const TextImage> image)
    : name_(std::move(name)), image_(std::move(image)) {}

bool TextFile::load(const std::string& path, std::string& error, std::size_t limit, TextImage::Kinds kinds) {
    TextImage::ReadResult r = TextImage::read(path, limit, kinds);
    if (!r.image) {
        error = std::move(r.error);
        return false;
    }
    *this = TextFile(path, std::move(r.image));
    return true;
}

bool TextFile::next(std::string_view& line) {
    const std::string_view all = text();
    if (pos_ >= all.size()) return false;
    const char* begin = all.data() + pos_;
    std::size_t left = all.size() - pos_;
    const char* nl = static_cast<const char*>(std::memchr(begin, '\n', left));
    std::size_t len = nl ? static_cast<std::size_t>(nl - begin) : left;
    previous_ = pos_;
    pos_ += nl ? len + 1 : len;
    if (len > 0 && begin[len - 1] == '\r') --len;
    line = std::string_view(begin, len);
    ++line_;
    return true;
}

void TextFile::stepBack() {
    if (line_ == 0) return;
    pos_ = previous_;
    --line_;
}

void TextFile::rewind() {
    pos_ = 0;
    previous_ = 0;
    line_ = 0;
}

void TextFile::seek(std::size_t offset, int lineNumber) {
    pos_ = offset;
    previous_ = offset;
    line_ = lineNumber;
}

}  // namespace wq
