// The text images a reader scans: a file reads whole, with the bytes after
// the text readable; files that are not regular are refused; and the check
// of whole rows of plain decimals.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "text/number_scan.hpp"
#include "text/textfile.hpp"

namespace wq {
namespace {

namespace fs = std::filesystem;

std::string sampleText(std::size_t size) {
    std::string text;
    for (std::size_t k = 0; text.size() < size; ++k) text += std::to_string(k * 7919 % 100003) + (k % 9 == 8 ? "\n" : " ");
    text.resize(size);
    return text;
}

TEST(TextImage, AFileReadsWholeWithTheBytesAfterItsTextReadable) {
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const fs::path file = fs::temp_directory_path() / ("wqspec_textimage_" + std::to_string(::getpid()));
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, page - 1, page, page + 1, 3 * page + 17, 600 * page}) {
        SCOPED_TRACE("size " + std::to_string(size));
        const std::string text = sampleText(size);
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
        TextImage::ReadResult r = TextImage::read(file.string());
        ASSERT_TRUE(r.image) << r.error;
        EXPECT_EQ(r.identity.size, static_cast<std::int64_t>(size));
        const std::string_view seen = r.image->text();
        ASSERT_EQ(seen, text);
        // The bytes after the text may be loaded by a block scan.
        for (std::size_t k = 0; k < TextImage::READABLE_BEYOND_END; ++k) {
            [[maybe_unused]] volatile char beyond = seen.data()[size + k];
        }
    }
    fs::remove(file);
}

// A data file must be a regular file: a FIFO would be waited on for ever,
// a device may never end, a directory has no text. Each is refused at once
// with what it is; the console program's run input may be any file.
TEST(TextImage, AFileThatIsNotRegularIsRefusedBeforeAnythingIsRead) {
    const fs::path dir = fs::temp_directory_path() / ("wqspec_textimage_kinds_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    const struct {
        std::string path;
        std::string why;
    } cases[] = {
        {(dir / "fifo").string(), "a FIFO (a named pipe), not a regular file"},
        {"/dev/zero", "a character device, not a regular file"},
        {dir.string(), "a directory, not a regular file"},
        {(dir / "missing").string(), "No such file or directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        TextImage::ReadResult r = TextImage::read(c.path);
        EXPECT_FALSE(r.image);
        EXPECT_EQ(r.error, c.why);
        std::string why;
        EXPECT_FALSE(openableRegularFile(c.path, why));
        EXPECT_EQ(why, c.why);
    }
    std::string why;
    EXPECT_TRUE(openableRegularFile("/etc/hostname", why) || !fs::exists("/etc/hostname")) << why;
    // Taken as any file, an endless one ends at the limit.
    TextImage::ReadResult endless = TextImage::read("/dev/zero", 4096, TextImage::Kinds::any);
    EXPECT_FALSE(endless.image);
    EXPECT_EQ(endless.error, "the file holds more than 4096 bytes, the most the program reads");
    fs::remove_all(dir);
}

// Rows of plain decimals, two a row here, are taken whole or not at all.
TEST(PlainRows, RowsAreTakenOnlyWhenEveryRowHoldsTheCountInPlainDecimals) {
    const std::string longRow = "-1.25 7." + std::string(70, '7') + "\n";
    const struct {
        const char* what;
        std::string text;
        int rows;
        std::size_t taken;  // 0: the rows are to be looked at one by one
    } cases[] = {
        {"two rows", "1.5 -2\n3 4.25\n", 2, 14},
        {"what follows the rows is not looked at", "1 2\n3 4\nname, line 3\n", 2, 8},
        {"a blank before the line end", "1 2 \n3 4\n", 2, 9},
        {"a row of three", "1 2 3\n3 4\n", 2, 0},
        {"a row of one", "1 2\n3\n", 2, 0},
        {"an empty line", "1 2\n\n3 4\n", 2, 0},
        {"a carriage return", "1 2\r\n3 4\r\n", 2, 0},
        {"an exponent", "1 2e3\n3 4\n", 2, 0},
        {"a comma", "1,2\n3 4\n", 2, 0},
        {"two points", "1 2..\n3 4\n", 2, 0},
        {"a bare minus", "1 -\n3 4\n", 2, 0},
        {"the text ends before the last line end", "1 2\n3 4", 2, 0},
        {"a value across blocks", longRow + longRow, 2, 2 * longRow.size()},
        {"six digits before the point", "-999999.5 123456\n3 4\n", 2, 21},
        {"seven digits before the point", "1 1000000\n3 4\n", 2, 0},
        {"seven digits before the point, across blocks",
         std::string(58, ' ') + "1 -1234567.5\n3 4\n", 2, 0},
        {"seven digits after the point", "1 0.1234567\n3 4\n", 2, 16},
        {"one row of many", "1 2\n", 1, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // A buffer readable 64 bytes past the text, as a TextImage is.
        const std::string buffer = c.text + std::string(64, 'x');
        std::array<std::uint32_t, 4> ends{};
        const std::size_t taken = checkPlainRows(std::string_view(buffer).substr(0, c.text.size()), c.rows, 2, ends.data());
        EXPECT_EQ(taken, c.taken);
        if (taken != 0) {
            EXPECT_EQ(ends[static_cast<std::size_t>(c.rows - 1)], taken);
            EXPECT_EQ(c.text[ends[0] - 1], '\n');
        }
    }
}

}  // namespace
}  // namespace wq
