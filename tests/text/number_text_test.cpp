// The number texts of the records and tables, and the CSV line.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "text/csv.hpp"
#include "text/number_text.hpp"

namespace wq {
namespace {

TEST(NumberText, ExactTextReadsBackAsTheSameDouble) {
    // 0.1 + 0.2 and 1/3 need all 17 digits; 2^-1074 is the smallest double.
    for (double v : {0.1 + 0.2, 1.0 / 3.0, -273.15, 6.02214076e23, std::ldexp(1.0, -1074), 0.0}) {
        const std::string text = exactText(v);
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), v) << text;
    }
    EXPECT_EQ(exactText(0.1), "0.10000000000000001");
}

TEST(NumberText, ShortestAndFixedForms) {
    struct Case {
        std::string text, expected;
    };
    const Case cases[] = {
        {shortestText(0.05), "0.05"},
        {shortestText(5.0), "5"},
        {shortestText(-1e-7), "-1e-07"},
        {fixedText(25.5, 2), "25.50"},
        {fixedText(-0.04, 1), "-0.0"},
        {fixedText(2.5, 0), "2"},  // round half to even, as printf does
        {fixedText(1e20, 1), "100000000000000000000.0"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.text, c.expected);
    // A value far wider than any buffer of a few dozen characters.
    EXPECT_EQ(fixedText(1e300, 3).size(), 301u + 4u);
}

// Whole numbers and fractions take short ways: the text is still
// std::to_chars' general shortest form, about the edges of the whole numbers
// (the sign of zero, a thousand, the halves), of the fixed form against the
// scientific one (0.001, 0.0001, exponents of three digits), and for doubles
// of every exponent, denormals and the largest included.
TEST(NumberText, WholeNumbersAndFractionsAreTheShortestForm) {
    std::vector<double> values = {-0.0, 0.0, 999.5, -999.5, 999.0000000000001, 1000.0, -1000.0, 1e5, 0.5,
                                  0.001, 0.0001, -0.00012, 1.5e-5, 0.1 + 0.2, 1e-100, -1.2345e-100, 5e-324,
                                  2.2250738585072009e-308, 1.7976931348623157e308, 123456789012345680000.0,
                                  std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()};
    for (int k = -1001; k <= 1001; ++k) values.push_back(k);
    std::srand(11);
    for (int i = 0; i < 100000; ++i) {
        std::uint64_t bits = 0;
        for (int part = 0; part < 4; ++part) bits = bits << 16 | static_cast<std::uint64_t>(std::rand() & 0xffff);
        const double v = std::bit_cast<double>(bits);
        if (std::isfinite(v)) values.push_back(v);
        values.push_back(std::ldexp(static_cast<double>(std::rand()) / RAND_MAX, -std::rand() % 40));
    }
    for (const double v : values) {
        char general[32];
        const auto end = std::to_chars(general, general + sizeof general, v).ptr;
        EXPECT_EQ(shortestText(v), std::string(general, end)) << v;
    }
}

// The exact text is the C library's "%.17g", character for character.
TEST(NumberText, ExactTextIsPrintfsG17) {
    const double values[] = {0.1, -0.0, 0.0, 1e21, 1e-5, 123456789012345678.0, 1.0 / 3.0, 5e-324, -1.7976931348623157e308,
                             0.0001, 1e16, 9.9999999999999995e-5, std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity()};
    for (double v : values) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.17g", v);
        EXPECT_EQ(exactText(v), expected);
    }
}

// The scientific form is the C library's "%.*E", character for character:
// the same correctly rounded digits (ties to even on the exact binary value),
// an exponent of two digits at least, upper case.
TEST(NumberText, ScientificTextIsPrintfsE) {
    const double values[] = {0.0015, -0.0015, 0.0, -0.0, 1.0 / 3.0, 2.5e-7, 9.9999999999995, 9.99999999999949e99,
                             1e100, -1.234567890123e-100, 0.125, 5e-324, 1.7976931348623157e308, 123456.5,
                             std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::infinity()};
    for (double v : values)
        for (int decimals : {0, 1, 3, 12, 16}) {
            char expected[64];
            std::snprintf(expected, sizeof expected, "%.*E", decimals, v);
            EXPECT_EQ(scientificText(v, decimals), expected) << decimals;
        }
}

// Written with printf's "%.*e" and read back with strtod, the C library's
// way: the same double, across magnitudes (by scaling and by the text),
// exact ties (1234567890123.5 rounds to even at 13 digits), values that
// round up into the next power of ten, and texts too wide for the width.
TEST(NumberText, ScientificReadBackIsTheWrittenTextRead) {
    std::vector<double> values = {1234567890123.5, 1234567890122.5, -1234567890123.5, 0.125, 9.9999999999995,
                                  9.99999999999949e-5, 0.1, 1.0 / 3.0, 2.5e-7, 123456.5, 5e-324, 1e-30, 1e15, 1e22};
    std::srand(7);
    for (int i = 0; i < 20000; ++i) {
        const double mantissa = 1.0 + static_cast<double>(std::rand()) / RAND_MAX * 9.0;
        const double value = std::ldexp(mantissa, std::rand() % 130 - 80);
        values.push_back(i % 2 ? value : -value);
    }
    for (double v : values)
        for (int decimals : {0, 5, 12, 14, 16}) {
            char text[64];
            const int length = std::snprintf(text, sizeof text, "%.*e", decimals, v);
            const std::optional<double> read = scientificReadBack(v, decimals, 19);
            if (length > 19) {
                EXPECT_FALSE(read.has_value()) << text;
                continue;
            }
            ASSERT_TRUE(read.has_value()) << text;
            EXPECT_EQ(*read, std::strtod(text, nullptr)) << text;
        }
    EXPECT_FALSE(scientificReadBack(std::numeric_limits<double>::infinity(), 12, 19).has_value());
}

TEST(CsvLine, FieldsJoinedQuotedWhereNeededAndEnded) {
    EXPECT_EQ(csvLine({"name", "Albite,low", "say \"hi\"", "", " padded"}),
              "name,\"Albite,low\",\"say \"\"hi\"\"\",,\" padded\"\n");
    EXPECT_EQ(csvLine({"\"\"x"}), "\"\"\"\"\"x\"\n");  // quotes leading and side by side
    EXPECT_EQ(csvLine({}), "\n");
    EXPECT_EQ(csvLine({""}), "\n");
}

TEST(CsvNumber, EmptyForAValueThatIsNotFinite) {
    EXPECT_EQ(csvNumber(std::numeric_limits<double>::quiet_NaN()), "");
    EXPECT_EQ(csvNumber(-std::numeric_limits<double>::infinity()), "");
    EXPECT_EQ(csvNumber(0.1), "0.1");
}

// A cell holds the shortest text that reads back as the very double: fewer
// digits than 17 where they suffice, never a different value.
TEST(CsvNumber, ShortestTextThatReadsBackAsTheSameDouble) {
    const double values[] = {0.1 + 0.2, 1.0 / 3.0, -273.15, 6.02214076e23, std::ldexp(1.0, -1074),
                             0.0, -0.0, 1e-300, -8.2199999999999998, std::nextafter(1.0, 2.0),
                             std::numeric_limits<double>::max(), 2406.439e-6};
    for (double v : values) {
        const std::string text = csvNumber(v);
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), v) << text;
        EXPECT_LE(text.size(), exactText(v).size()) << text;
        // One digit fewer would be another number (or the same text again).
        if (text.find('e') == std::string::npos && text.size() > 3 && v != 0.0) {
            const std::string cut = text.substr(0, text.size() - 1);
            EXPECT_NE(std::strtod(cut.c_str(), nullptr), v) << text;
        }
    }
    EXPECT_EQ(csvNumber(-273.15), "-273.15");
    EXPECT_EQ(csvNumber(0.1 + 0.2), "0.30000000000000004");
}

}  // namespace
}  // namespace wq
