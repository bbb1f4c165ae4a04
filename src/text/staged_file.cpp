#include "text/staged_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "text/textfile.hpp"

namespace wq {

namespace {

// The temporary to remove when an interrupt ends the process; set only
// while one is pending. Read by the signal handler, so plain storage.
char pendingRemoval[PATH_MAX + 1];
volatile std::sig_atomic_t removalPending = 0;

extern "C" void removePendingAndEnd(int signal) {
    if (removalPending) ::unlink(pendingRemoval);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void clearPending(const std::string& temporary) {
    if (removalPending && temporary == pendingRemoval) removalPending = 0;
}

std::size_t baseStart(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

// The permissions a file created by the program has (0666 less the umask).
mode_t createdFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

std::string withNumber(const std::string& partial, int k) {
    if (k == 1) return partial;
    const std::size_t base = baseStart(partial);
    const std::size_t dot = partial.rfind('.');
    const std::size_t at = dot == std::string::npos || dot <= base ? partial.size() : dot;
    return partial.substr(0, at) + "-" + std::to_string(k) + partial.substr(at);
}

// Renames `from` to `to` unless `to` exists.
bool renameWithoutReplacing(const std::string& from, const std::string& to) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
#endif
    // A file system without it: a hard link does not replace either.
    if (::link(from.c_str(), to.c_str()) != 0) return false;
    ::unlink(from.c_str());
    return true;
}

// The descriptor that a name of the process's own streams stands for
// (/dev/stdout, /dev/stderr, /dev/fd/N, /proc/self/fd/N); -1 for any other
// name. Opening such a name anew would start at the beginning of whatever
// the stream is (a log the shell appends to); the stream itself is written.
int ownStreamOf(const std::string& path) {
    if (path == "/dev/stdout") return 1;
    if (path == "/dev/stderr") return 2;
    for (std::string_view prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        if (!path.starts_with(prefix) || path.size() == prefix.size() || path.size() > prefix.size() + 6) continue;
        int fd = 0;
        for (char c : path.substr(prefix.size())) {
            if (c < '0' || c > '9') return -1;
            fd = fd * 10 + (c - '0');
        }
        return fd;
    }
    return -1;
}

// The file a write through `path` reaches: the links of its last component
// followed (a relative link from the link's own folder), at most 40 of
// them as the kernel follows. A name that is no link is itself.
std::string linkTarget(std::string path) {
    for (int links = 0; links < 40; ++links) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        std::vector<char> text(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1);
        const ssize_t n = ::readlink(path.c_str(), text.data(), text.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= text.size()) return path;
        const std::string to(text.data(), static_cast<std::size_t>(n));
        path = to.front() == '/' ? to : path.substr(0, baseStart(path)) + to;
    }
    return path;
}

}  // namespace

bool writeAtOnce(std::FILE* file, std::string_view text) {
    if (std::fflush(file) != 0) return false;
    const int fd = ::fileno(file);
    // A stream of memory has no descriptor: stdio is all it has.
    if (fd < 0) return std::fwrite(text.data(), 1, text.size(), file) == text.size() && std::fflush(file) == 0;
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string inputNamedBy(const std::string& output, std::span<const CommandInput> inputs) {
    for (const CommandInput& input : inputs)
        if (!input.path.empty() && sameFile(output, input.path)) return input.what + " (" + input.path + ")";
    return {};
}

std::string partialName(const std::string& path) {
    const std::size_t base = baseStart(path);
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= base) return path + ".partial";
    return path.substr(0, dot) + ".partial" + path.substr(dot);
}

bool StagedFile::openInPlace(int fd, std::string& error) {
    if (fd >= 0) file_ = ::fdopen(fd, "wb");
    if (!file_) {
        error = std::strerror(errno);
        if (fd >= 0) ::close(fd);
        return false;
    }
    inPlace_ = true;
    return true;
}

bool StagedFile::writesInPlace(const std::string& path) {
    struct stat st {};
    return ownStreamOf(path) >= 0 ||
           (::stat(linkTarget(path).c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode));
}

bool StagedFile::open(const std::string& path, std::string& error) {
    abandon();
    path_ = path;
    if (const int own = ownStreamOf(path); own >= 0) return openInPlace(::fcntl(own, F_DUPFD_CLOEXEC, 0), error);
    final_ = linkTarget(path);
    struct stat st {};
    if (::stat(final_.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        error = std::strerror(EISDIR);
        return false;
    }
    if (::stat(final_.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return openInPlace(::open(final_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY), error);
    const std::size_t base = baseStart(final_);
    std::string name = final_.substr(0, base) + "." + final_.substr(base) + ".XXXXXX";
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    const int fd = ::mkostemp(buffer.data(), O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    ::fchmod(fd, createdFileMode());
    file_ = ::fdopen(fd, "wb");
    if (!file_) {
        error = std::strerror(errno);
        ::close(fd);
        ::unlink(buffer.data());
        return false;
    }
    temporary_ = buffer.data();
    return true;
}

bool StagedFile::close(std::string& error) {
    if (!file_) return true;
    errno = 0;
    const bool flushed = std::fflush(file_) == 0 && !std::ferror(file_);
    const int flushErrno = errno;
    const bool closed = std::fclose(file_) == 0;
    const int closeErrno = errno;
    file_ = nullptr;
    if (flushed && closed) return true;
    const int why = !flushed ? flushErrno : closeErrno;
    error = why ? std::strerror(why) : "it could not be written";
    return false;
}

bool StagedFile::closeInPlace(std::string& error) {
    inPlace_ = false;
    return close(error);
}

bool StagedFile::commit(std::string& error) {
    if (inPlace_) return closeInPlace(error);
    if (temporary_.empty()) return true;
    bool ok = close(error);
    if (ok && std::rename(temporary_.c_str(), final_.c_str()) != 0) {
        error = std::strerror(errno);
        ok = false;
    }
    if (!ok) ::unlink(temporary_.c_str());
    clearPending(temporary_);
    temporary_.clear();
    return ok;
}

bool StagedFile::keepPartial(std::string& given, std::string& error) {
    given.clear();
    if (inPlace_) return closeInPlace(error);
    if (temporary_.empty()) return false;
    bool ok = close(error);
    const std::string partial = partialName(path_);
    for (int k = 1; ok; ++k) {
        given = withNumber(partial, k);
        if (renameWithoutReplacing(temporary_, given)) break;
        if (errno != EEXIST || k == 1000) {
            error = std::strerror(errno);
            ok = false;
        }
    }
    if (!ok) ::unlink(temporary_.c_str());
    clearPending(temporary_);
    temporary_.clear();
    return ok;
}

void StagedFile::abandon() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    inPlace_ = false;
    if (temporary_.empty()) return;
    ::unlink(temporary_.c_str());
    clearPending(temporary_);
    temporary_.clear();
}

void StagedFile::removeOnInterrupt() {
    if (temporary_.empty() || temporary_.size() > PATH_MAX) return;
    removalPending = 0;
    std::memcpy(pendingRemoval, temporary_.c_str(), temporary_.size() + 1);
    removalPending = 1;
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        // A signal the process was started to ignore (nohup) stays ignored.
        struct sigaction before {};
        if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
        std::signal(signal, removePendingAndEnd);
    }
}

}  // namespace wq
