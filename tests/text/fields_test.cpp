#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "text/fields.hpp"
#include "text/textfile.hpp"

namespace wq {
namespace {

TEST(Fields, RealFieldsTakeImpliedDecimalsUnlessAPointIsWritten) {
    struct Case {
        const char* text;
        int decimals;
        double expected;
    };
    const Case cases[] = {
        {"1", 13, 1.0e-13},   {"1.", 13, 1.0},       {"5", 13, 5.0e-13},
        {"", 13, 0.0},        {"     ", 3, 0.0},     {" 1 5", 2, 0.15},
        {"-.5", 3, -0.5},     {"1.5D2", 3, 150.0},   {"1.5e-2", 3, 0.015},
        {"5E2", 2, 5.0},      {"+12.25", 2, 12.25},  {"0.002", 13, 0.002},
    };
    for (const Case& c : cases) {
        double v = -1;
        ASSERT_TRUE(readRealField(c.text, 1, 19, c.decimals, v)) << c.text;
        EXPECT_DOUBLE_EQ(v, c.expected) << c.text;
    }
    for (const char* bad : {"abc", "1.2.3", "1E", "--1", "1,5", "."}) {
        double v;
        EXPECT_FALSE(readRealField(bad, 1, 19, 3, v)) << bad;
    }
}

TEST(Fields, ColumnsAreOneBasedAndShortLinesArePadded) {
    std::string_view line = "   12  ABCDE";
    long long n = -1;
    ASSERT_TRUE(readIntegerField(line, 1, 5, n));
    EXPECT_EQ(n, 12);
    ASSERT_TRUE(readIntegerField(line, 40, 5, n));  // beyond the end: blank
    EXPECT_EQ(n, 0);
    EXPECT_EQ(textField(line, 8, 8), "ABCDE   ");
    ASSERT_TRUE(readIntegerField("  -5", 1, 4, n));
    EXPECT_EQ(n, -5);
    EXPECT_FALSE(readIntegerField("1.0", 1, 4, n));
    EXPECT_FALSE(readIntegerField("ab", 1, 4, n));
}

TEST(Fields, FreeFormatGroupsSpanLinesAndDiscardTheRest) {
    TextFile f("t", "1 2 3 4 5\n\n6, 7,8 9\nnext\n");
    double v[8];
    ASSERT_TRUE(readFreeReals(f, v, 8));
    for (int k = 0; k < 8; ++k) EXPECT_EQ(v[k], k + 1);
    std::string_view line;
    ASSERT_TRUE(f.next(line));
    EXPECT_EQ(line, "next");  // the ninth value was discarded with its line
    EXPECT_EQ(f.lineNumber(), 4);
}

TEST(Fields, FreeFormatFailsOnTextAndOnTheEndOfFile) {
    TextFile bad("t", "1 2 x 4\n");
    double v[4];
    EXPECT_FALSE(readFreeReals(bad, v, 4));
    TextFile shortFile("t", "1 2\n3\n");
    EXPECT_FALSE(readFreeReals(shortFile, v, 4));
    TextFile exps("t", "1.5D-3 +2 -4.e1 .5\n");
    ASSERT_TRUE(readFreeReals(exps, v, 4));
    EXPECT_DOUBLE_EQ(v[0], 1.5e-3);
    EXPECT_EQ(v[1], 2.0);
    EXPECT_EQ(v[2], -40.0);
    EXPECT_EQ(v[3], 0.5);
    TextFile ints("t", "1 0 0 1 50 13\n0 1 0 0 1\n");
    long long n[11];
    ASSERT_TRUE(readFreeIntegers(ints, n, 11));
    EXPECT_EQ(n[4], 50);
    TextFile notInt("t", "1 2.5\n");
    EXPECT_FALSE(readFreeIntegers(notInt, n, 2));
}

// A leading plus sign is taken; a second sign after it is no number (it was
// read as the second sign alone: "+-1.57" as -1.57).
TEST(Fields, TwoSignsMakeNoNumber) {
    for (const char* text : {"+-1.57", "++1.57", "+-1.5D-3", "-+1.57", "--1"}) {
        double v = 0.0;
        long long n = 0;
        const std::string_view t(text);
        EXPECT_EQ(parseFreeReal(t.data(), t.data() + t.size(), v), nullptr) << text;
        EXPECT_EQ(parseFreeInteger(t.data(), t.data() + t.size(), n), nullptr) << text;
    }
    double v = 0.0;
    const std::string_view plus("+1.5D-3");
    EXPECT_EQ(parseFreeReal(plus.data(), plus.data() + plus.size(), v), plus.data() + plus.size());
    EXPECT_EQ(v, 1.5e-3);
}

// One comma between two values, with any blanks and line ends around it, is
// a separator; a comma with no value before it since the last comma (or since
// the start of the group) encloses a null value, which fails the group.
TEST(Fields, NullValuesFailAFreeFormatGroup) {
    struct Case {
        const char* text;
        bool read;
    };
    const Case cases[] = {
        {"1,2,3,4,\n5,6,7,8\n", true},        // comma, line end: one separator
        {"1 , 2 ,3, 4,\n\n ,5 6 7 8\n", false}, // comma at the end, an empty line, comma at the start
        {"1 , 2 ,3, 4\n\n ,5 6 7 8\n", true},   // one comma after the 4
        {"1,2,3,4,\n,6,7,8,9\n", false},      // the case that shifted every later value
        {"1,2,,3,4,5,6,7,8\n", false},
        {"1,2, ,3,4,5,6,7,8\n", false},
        {",1,2,3,4,5,6,7,8\n", false},         // a null first value
        {"1,2,3,4,5,6,7,8,,\n", true},         // after the group: the rest of the line is not read
        {"1\t2 3 4 5 6 7 8\n", true},
    };
    for (const Case& c : cases) {
        TextFile f("t", c.text);
        double v[8];
        EXPECT_EQ(readFreeReals(f, v, 8), c.read) << c.text;
        if (c.read) {
            EXPECT_EQ(v[7], 8.0) << c.text;
        }
    }
}

// A fixed-column real is finite or unreadable: the component records and the
// forced-mineral records cannot carry a NaN or an infinity into the run.
TEST(Fields, FixedColumnRealsAreFiniteOrUnreadable) {
    for (const char* text : {"nan", "NaN", "inf", "-Infinity", "1E999", "1.D400"}) {
        double v = 0.0;
        EXPECT_FALSE(readRealField(text, 1, 10, 3, v)) << text;
    }
}

TEST(TextFile, LoadStopsAtItsBound) {
    const std::string path = ::testing::TempDir() + "wqspec-textfile-bound";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("12345\n789\n", f);  // 10 bytes
    std::fclose(f);
    TextFile file;
    std::string why;
    EXPECT_FALSE(file.load(path, why, 9));
    EXPECT_EQ(why, "the file holds more than 9 bytes, the most the program reads");
    ASSERT_TRUE(file.load(path, why, 10));
    std::string_view line;
    ASSERT_TRUE(file.next(line) && file.next(line));
    EXPECT_EQ(line, "789");
    // An endless input, where any file is taken (the console's run input).
    EXPECT_FALSE(file.load("/dev/zero", why, 1 << 16, TextImage::Kinds::any));
    EXPECT_EQ(why, "the file holds more than 65536 bytes, the most the program reads");
    std::remove(path.c_str());
}

TEST(TextFile, StepsBackOneLineAndRewinds) {
    TextFile f("t", "a\r\nb\nc");
    std::string_view line;
    ASSERT_TRUE(f.next(line));
    EXPECT_EQ(line, "a");
    ASSERT_TRUE(f.next(line));
    f.stepBack();
    ASSERT_TRUE(f.next(line));
    EXPECT_EQ(line, "b");
    EXPECT_EQ(f.lineNumber(), 2);
    ASSERT_TRUE(f.next(line));
    EXPECT_EQ(line, "c");
    EXPECT_FALSE(f.next(line));
    f.stepBack();  // after the end: the last line again
    ASSERT_TRUE(f.next(line));
    EXPECT_EQ(line, "c");
    f.rewind();
    ASSERT_TRUE(f.next(line));
    EXPECT_EQ(line, "a");
    EXPECT_EQ(f.lineNumber(), 1);
}

}  // namespace
}  // namespace wq
