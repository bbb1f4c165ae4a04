#include "input/database_file.hpp"

#include <cerrno>
#include <cstring>
#include <ctime>

#include "text/stop.hpp"

namespace wq {

namespace {

// File systems keep times in ticks of up to two seconds (and the kernel's
// clock for file times moves in ticks of a few milliseconds): a file changed
// less than this before it was read may change again unseen by its times.
constexpr std::int64_t SETTLING_NS = 2'000'000'000;

std::int64_t nowNs() {
    struct timespec t {};
    ::clock_gettime(CLOCK_REALTIME, &t);
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// Only the modification time counts: the change time also moves when the
// times are set (and cannot be set back), and an edit moves both.
bool changedRecently(const FileIdentity& id, std::int64_t readAt) { return readAt - id.modifiedNs < SETTLING_NS; }

}  // namespace

DatabaseFile::DatabaseFile(std::string path, std::size_t limit) : path_(std::move(path)), limit_(limit) {}

DatabaseFile DatabaseFile::ofText(std::string name, std::string_view text) {
    return ofParsed(parseDatabase(std::move(name), std::make_shared<const TextImage>(text)));
}

DatabaseFile DatabaseFile::ofParsed(std::shared_ptr<const ParsedDatabase> parsed) {
    DatabaseFile file;
    file.parsed_ = std::move(parsed);
    return file;
}

bool DatabaseFile::refresh(std::string& error) {
    if (path_.empty()) return true;
    if (parsed_ && !recentlyChanged_) {
        FileIdentity now;
        if (!identityOf(path_, now)) {
            error = std::strerror(errno);
            return false;
        }
        if (now == identity_) return true;
    }
    const std::int64_t readAt = nowNs();
    TextImage::ReadResult r = TextImage::read(path_, limit_);
    if (!r.image) {
        error = std::move(r.error);
        return false;
    }
    identity_ = r.identity;
    recentlyChanged_ = changedRecently(identity_, readAt);
    parsed_ = parseDatabase(path_, std::move(r.image));
    ++reads_;
    return true;
}

const ParsedDatabase& DatabaseFile::parsed() const {
    if (!parsed_) throw InternalError{"the database is used before it was read"};
    return *parsed_;
}

}  // namespace wq
