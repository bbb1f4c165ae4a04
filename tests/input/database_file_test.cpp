// The database file as it is on disk: read again when it changed, used again
// when it did not, refused when it is too large.
#include "input/database_file.hpp"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace wq::testing {
namespace {

namespace fs = std::filesystem;

class DatabaseFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() / ("wqspec_dbfile_" + std::string(info->name()) + "_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string path(const char* name = "LOGKDATA.KDB") const { return (dir_ / name).string(); }
    void write(const std::string& file, const std::string& text) {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << text;
    }
    // Sets both file times `secondsAgo` in the past, as for a file left alone.
    void age(const std::string& file, long secondsAgo) {
        struct timespec now {};
        ::clock_gettime(CLOCK_REALTIME, &now);
        struct timespec times[2] = {{now.tv_sec - secondsAgo, 0}, {now.tv_sec - secondsAgo, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    }
    const std::string& firstLine(const DatabaseFile& db) {
        line_ = std::string(db.parsed().text().substr(0, db.parsed().text().find('\n')));
        return line_;
    }

    fs::path dir_;
    std::string line_;
};

TEST_F(DatabaseFileTest, ReadAgainOnlyWhenTheFileChanged) {
    const std::string file = path();
    write(file, "version 1\n");
    age(file, 3600);
    DatabaseFile db(file);
    std::string error;
    ASSERT_TRUE(db.refresh(error)) << error;
    const auto first = db.shared();
    ASSERT_TRUE(db.refresh(error));
    EXPECT_EQ(db.reads(), 1);
    EXPECT_EQ(db.shared(), first) << "an unchanged file is parsed once";

    const struct {
        const char* what;
        std::string text;
        bool replace;  // a new file renamed over the old one (a new inode)
        long age;
    } edits[] = {
        {"same size, edited in place", "version 2\n", false, 1800},
        {"other size", "version 33\n", false, 1700},
        {"same content and times, another inode", "version 33\n", true, 1700},
    };
    int reads = 1;
    for (const auto& e : edits) {
        SCOPED_TRACE(e.what);
        if (e.replace) {
            const std::string other = path("new");
            write(other, e.text);
            age(other, e.age);
            fs::rename(other, file);
        } else {
            write(file, e.text);
            age(file, e.age);
        }
        ASSERT_TRUE(db.refresh(error)) << error;
        EXPECT_EQ(db.reads(), ++reads);
        EXPECT_EQ(firstLine(db), e.text.substr(0, e.text.size() - 1));
    }
}

// A change within the file system's clock tick could leave every time as it
// was: a file changed just before it was read is read again.
TEST_F(DatabaseFileTest, ARecentlyChangedFileIsReadAgainAtTheNextRun) {
    const std::string file = path();
    write(file, "fresh\n");
    DatabaseFile db(file);
    std::string error;
    ASSERT_TRUE(db.refresh(error));
    ASSERT_TRUE(db.refresh(error));
    EXPECT_EQ(db.reads(), 2);
    age(file, 3600);
    ASSERT_TRUE(db.refresh(error));
    ASSERT_TRUE(db.refresh(error));
    EXPECT_EQ(db.reads(), 3);
}

// A run uses the content it started with: the file cut short, rewritten or
// removed while the run reads it (a copy loop over LOGKDATA.KDB) changes
// nothing of the parsed text. Run in a child, since a content that still
// looked at the file (a mapping) ends the process with SIGBUS there.
TEST_F(DatabaseFileTest, AFileCutShortOrRewrittenWhileARunReadsItLeavesItsContentAsItWas) {
    const std::string file = path();
    std::string text;
    for (int k = 0; text.size() < (std::size_t{3} << 20); ++k) text += std::to_string(k) + " -1.25 3.5\n";
    write(file, text);
    EXPECT_EXIT(
        {
            DatabaseFile db(file);
            std::string error;
            if (!db.refresh(error)) std::_Exit(2);
            if (::truncate(file.c_str(), 0) != 0) std::_Exit(3);
            const bool same = db.parsed().text() == text;
            write(file, "something else\n");
            const bool stillSame = db.parsed().text() == text;
            fs::remove(file);
            std::_Exit(same && stillSame && db.parsed().text() == text ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// A database larger than the bound, or one that is no regular file (a link
// to /dev/zero, a FIFO), is refused before it is read: nothing waits and
// nothing reads a gigabyte.
TEST_F(DatabaseFileTest, TheSizeIsBoundedAndOnlyARegularFileIsRead) {
    const std::string large = path("large");
    write(large, std::string(5000, 'x'));
    const std::string endless = path("endless");
    fs::create_symlink("/dev/zero", endless);
    const std::string fifo = path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string exact = path("exact");
    write(exact, std::string(4096, 'y'));
    const struct {
        std::string file;
        std::string error;  // empty: readable
    } cases[] = {
        {large, "the file holds more than 4096 bytes, the most the program reads"},
        {endless, "a character device, not a regular file"},
        {fifo, "a FIFO (a named pipe), not a regular file"},
        {path("missing"), "No such file or directory"},
        {exact, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        DatabaseFile db(c.file, 4096);
        std::string error;
        EXPECT_EQ(db.refresh(error), c.error.empty());
        EXPECT_EQ(error, c.error);
    }
}

}  // namespace
}  // namespace wq::testing
