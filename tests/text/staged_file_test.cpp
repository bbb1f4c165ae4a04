// Staged outputs on what is not a regular file: a character device and a
// terminal that the test makes are written through and stay what they
// were; and a group of records leaves in one write of the system, so a
// process killed outright never leaves half a line of it.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "text/staged_file.hpp"

namespace wq {
namespace {

namespace fs = std::filesystem;

struct TemporaryFolder {
    TemporaryFolder() {
        std::string pattern = (fs::temp_directory_path() / "wqspec-staged-XXXXXX").string();
        path = ::mkdtemp(pattern.data()) ? fs::path(pattern) : fs::path();
    }
    ~TemporaryFolder() {
        std::error_code ec;
        if (!path.empty()) fs::remove_all(path, ec);
    }
    fs::path path;
};

bool writeAndCommit(const std::string& path, const std::string& text, std::string& why) {
    StagedFile out;
    if (!out.open(path, why)) return false;
    std::fputs(text.c_str(), out.file());
    return out.commit(why);
}

TEST(StagedFile, ADeviceOrATerminalIsWrittenThroughAndStays) {
    TemporaryFolder folder;
    ASSERT_FALSE(folder.path.empty());
    std::string why;

    // A node of the null device (major 1, minor 3), made here: only root may.
    const fs::path device = folder.path / "null";
    if (::mknod(device.c_str(), S_IFCHR | 0600, ::makedev(1, 3)) == 0) {
        EXPECT_TRUE(writeAndCommit(device, "records\n", why)) << why;
        EXPECT_TRUE(fs::is_character_file(fs::symlink_status(device)));
    }

    // A terminal of the test's own: what is written reaches its other end.
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const std::string terminal = ::ptsname(master);
    EXPECT_TRUE(writeAndCommit(terminal, "to the terminal\n", why)) << why;
    char got[64] = {};
    const ssize_t n = ::read(master, got, sizeof got - 1);
    EXPECT_NE(std::string(got, n > 0 ? std::size_t(n) : 0).find("to the terminal"), std::string::npos);
    ::close(master);

    // A directory is refused, and nothing is left in it.
    StagedFile out;
    EXPECT_FALSE(out.open(folder.path.string(), why));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path), fs::directory_iterator()), fs::exists(device) ? 1 : 0);
}

// A socket of messages counts the writes: each write of the system is one
// message, where stdio would have sent a group out in pieces of its buffer.
TEST(StagedFile, AGroupOfLinesLeavesInOneWrite) {
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, ends), 0);
    std::string group;
    while (group.size() < 60000) group += "water " + std::to_string(group.size()) + ",converged,7.52,0.7\n";
    std::FILE* out = ::fdopen(ends[0], "w");
    ASSERT_NE(out, nullptr);
    ASSERT_TRUE(writeAtOnce(out, group));
    std::fclose(out);
    std::vector<char> buffer(group.size() + 1);
    std::vector<std::string> messages;
    for (ssize_t n; (n = ::recv(ends[1], buffer.data(), buffer.size(), 0)) > 0;)
        messages.emplace_back(buffer.data(), static_cast<std::size_t>(n));
    ::close(ends[1]);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages.front(), group);
}

}  // namespace
}  // namespace wq
