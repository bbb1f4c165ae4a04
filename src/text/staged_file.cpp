#include "text/staged_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <vector>

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

}  // namespace

std::string partialName(const std::string& path) {
    const std::size_t base = baseStart(path);
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= base) return path + ".partial";
    return path.substr(0, dot) + ".partial" + path.substr(dot);
}

bool StagedFile::open(const std::string& path, std::string& error) {
    abandon();
    const std::size_t base = baseStart(path);
    std::string name = path.substr(0, base) + "." + path.substr(base) + ".XXXXXX";
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
    path_ = path;
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

bool StagedFile::commit(std::string& error) {
    if (temporary_.empty()) return true;
    bool ok = close(error);
    if (ok && std::rename(temporary_.c_str(), path_.c_str()) != 0) {
        error = std::strerror(errno);
        ok = false;
    }
    if (!ok) ::unlink(temporary_.c_str());
    clearPending(temporary_);
    temporary_.clear();
    return ok;
}

bool StagedFile::keepPartial(std::string& given, std::string& error) {
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
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        // A signal the process was started to ignore (nohup) stays ignored.
        struct sigaction before {};
        if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
        std::signal(signal, removePendingAndEnd);
    }
}

}  // namespace wq
