// The records of a CSV text, read from the text held whole or from its file
// a block (64 KB) at a time: the same records, field for field, with the same
// line numbers, wherever the blocks cut the text (inside a quoted field, a
// doubled quote, a CR LF line end).
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "text/csv.hpp"

namespace wq {
namespace {

// A file holding `text`, read from its start; closed with the test.
struct TemporaryFile {
    explicit TemporaryFile(const std::string& text) : file(std::tmpfile()) {
        if (!file) return;
        std::fwrite(text.data(), 1, text.size(), file);
        std::rewind(file);
    }
    ~TemporaryFile() {
        if (file) std::fclose(file);
    }
    std::FILE* file;
};

struct Reading {
    std::vector<CsvRecord> records;
    std::string error;
};

Reading readAll(CsvReader& reader) {
    Reading r;
    while (std::optional<CsvRecord> record = reader.next(r.error)) r.records.push_back(std::move(*record));
    return r;
}

void expectSameReading(const std::string& text) {
    CsvReader whole(text);
    const Reading expected = readAll(whole);
    TemporaryFile file(text);
    ASSERT_NE(file.file, nullptr);
    CsvReader blocks(file.file, "the table");
    const Reading got = readAll(blocks);
    EXPECT_EQ(got.error, expected.error);
    ASSERT_EQ(got.records.size(), expected.records.size());
    for (std::size_t k = 0; k < got.records.size(); ++k) {
        EXPECT_EQ(got.records[k].fields, expected.records[k].fields) << "record " << k;
        EXPECT_EQ(got.records[k].line, expected.records[k].line) << "record " << k;
    }
}

// Records of random fields: plain, quoted with commas, doubled quotes and
// line ends, empty, and now and then one longer than a block; CR LF or LF
// line ends and blank lines. A fixed seed: the same text every run.
std::string randomTable(unsigned seed, std::size_t bytes) {
    std::mt19937 random(seed);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    std::string text;
    while (text.size() < bytes) {
        const int fields = 1 + pick(6);
        for (int f = 0; f < fields; ++f) {
            if (f > 0) text += ',';
            switch (pick(6)) {
                case 0: break;  // empty
                case 1: text += "\"a,b\"\"c\"\"\nd\r\ne\""; break;
                case 2: text += "\"" + std::string(static_cast<std::size_t>(pick(3) == 0 ? 70000 : 30), 'q') + "\""; break;
                case 3: text += "\"\"\"\""; break;  // one quote
                default: text += std::to_string(random()); break;
            }
        }
        text += pick(2) ? "\r\n" : "\n";
        if (pick(10) == 0) text += "\n";  // a blank line
    }
    return text;
}

TEST(CsvReader, AFileReadInBlocksGivesTheRecordsOfItsText) {
    for (unsigned seed : {1u, 2u, 3u, 4u}) {
        SCOPED_TRACE(seed);
        expectSameReading(randomTable(seed, 300000));
    }
    // A quote never closed, at the end of a text of several blocks.
    expectSameReading(randomTable(5, 200000) + "x,\"never closed\n1,2\n");
    // A doubled quote, a CR LF and a quote that ends a field, each at every
    // place about the end of the first block.
    constexpr std::size_t BLOCK = 65536;
    for (std::size_t at = BLOCK - 4; at <= BLOCK + 2; ++at) {
        SCOPED_TRACE(at);
        expectSameReading("\"" + std::string(at - 1, 'x') + "\"\"y\",2\nnext,3\n");
        expectSameReading(std::string(at, 'x') + "\r\nnext,3\r\n");
        expectSameReading("\"" + std::string(at - 1, 'x') + "\",z\n");
    }
    expectSameReading("");
    expectSameReading("\n\n");
    expectSameReading("last,line,without,end");
}

TEST(CsvReader, StartsWithLooksAtTheTextNotYetRead) {
    const std::string bom = "\xEF\xBB\xBF";
    TemporaryFile file(bom + "name,T\nw,25\n");
    CsvReader reader(file.file, "t");
    EXPECT_FALSE(reader.startsWith("\xFF\xFE"));
    EXPECT_TRUE(reader.passOver(bom));
    EXPECT_FALSE(reader.passOver(bom));
    std::string error;
    const std::optional<CsvRecord> header = reader.next(error);
    ASSERT_TRUE(header.has_value()) << error;
    EXPECT_EQ(header->fields, (std::vector<std::string>{"name", "T"}));
    // A file shorter than the prefix.
    TemporaryFile tiny("\xEF");
    CsvReader shortFile(tiny.file, "t");
    EXPECT_FALSE(shortFile.startsWith(bom));
    EXPECT_TRUE(shortFile.startsWith("\xEF"));
}

// A file watched for its identity: rewritten in place between two blocks
// (same size, as dd conv=notrunc; or cut and written anew, as cat new >
// file), its records stop at the block on which it is seen, with the reason;
// none comes from the new content.
TEST(CsvReader, AFileRewrittenWhileItIsReadIsAnError) {
    std::string table;
    for (int k = 0; table.size() < 200000; ++k) table += "old" + std::to_string(k) + ",1\n";
    for (const bool sameSize : {true, false}) {
        SCOPED_TRACE(sameSize);
        TemporaryFile file(table);
        ASSERT_NE(file.file, nullptr);
        FileIdentity identity;
        ASSERT_TRUE(identityOf(file.file, identity));
        CsvReader reader(file.file, "t.csv", identity);
        std::string error;
        ASSERT_TRUE(reader.next(error).has_value());
        // Times change at the file system's resolution; a pause makes sure.
        ::usleep(20000);
        const std::string rewritten(sameSize ? table.size() : table.size() / 2, 'n');
        ASSERT_EQ(::pwrite(::fileno(file.file), rewritten.data(), rewritten.size(), 0), ssize_t(rewritten.size()));
        if (!sameSize) {
            ASSERT_EQ(::ftruncate(::fileno(file.file), off_t(rewritten.size())), 0);
        }
        int records = 1;
        while (std::optional<CsvRecord> r = reader.next(error)) {
            EXPECT_EQ(r->fields.front().rfind("old", 0), 0u) << r->fields.front();
            ++records;
        }
        EXPECT_LT(records, 20000);
        EXPECT_NE(error.find("rewritten while it was read"), std::string::npos) << error;
    }
}

// Lines ended by CR alone would run together into one record: refused with
// what the line ends are.
TEST(CsvReader, LineEndsOfCarriageReturnsAloneAreRefused) {
    CsvReader reader("name,T\rw,25\r");
    std::string error;
    EXPECT_FALSE(reader.next(error).has_value());
    EXPECT_NE(error.find("line 1 ends in a carriage return alone"), std::string::npos) << error;
}

}  // namespace
}  // namespace wq
