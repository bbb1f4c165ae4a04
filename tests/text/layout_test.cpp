#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/layout.hpp"

namespace wq {
namespace {

std::string write(const char* layout, std::initializer_list<Value> values) {
    return Layout(layout).write(values);
}

TEST(Layout, EachItemTypeWritesItsField) {
    struct Case {
        const char* layout;
        std::vector<Value> values;
        const char* expected;
    };
    const Case cases[] = {
        {"(I2)", {150}, "**\n"},
        {"(I4)", {-5}, "  -5\n"},
        {"(I3)", {0}, "  0\n"},
        {"(F7.2)", {25.0}, "  25.00\n"},
        {"(F4.0)", {212.4}, "212.\n"},
        {"(F6.4)", {0.5}, "0.5000\n"},
        {"(F5.4)", {0.5}, ".5000\n"},
        {"(F6.4)", {-0.5}, "-.5000\n"},
        {"(F9.4)", {-1.0e-12}, "   0.0000\n"},  // no sign on a value that rounds to zero
        {"(F4.0)", {-0.2}, "  0.\n"},
        {"(F5.2)", {9.999}, "10.00\n"},       // rounding carries into a new digit
        {"(F4.2)", {9.999}, "****\n"},        // ... and then overflows the field
        {"(F10.6)", {double(999.99f)}, "999.989990\n"},
        {"(E12.4)", {0.0025}, "  0.2500E-02\n"},
        {"(E10.4)", {1.0e-200}, "0.1000-199\n"},
        {"(E11.4)", {1.0e150}, " 0.1000+151\n"},
        {"(E11.4)", {-2.5e-320}, "-0.2500-319\n"},
        {"(E11.4)", {9.99996}, " 0.1000E+02\n"},  // carry into the exponent
        {"(E11.4)", {0.0}, " 0.0000E+00\n"},
        {"(E10.4)", {-0.5}, "-.5000E+00\n"},     // no room for the leading 0
        {"(E8.4)", {-1.0e5}, "********\n"},
        {"(E12.7)", {0.123456789}, ".1234568E+00\n"},  // no room for the 0
        {"(A12)", {"ABCDEFGHIJKLMNOPQRST"}, "ABCDEFGHIJKL\n"},
        {"(A6,'|')", {"AB"}, "AB    |\n"},
        {"(A,'|')", {"free length"}, "free length|\n"},
        {"(3X,'x',1X,'y')", {}, "   x y\n"},
        {"('it''s')", {}, "it's\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Layout(c.layout).write(c.values), c.expected) << c.layout;
    }
}

TEST(Layout, GeneralFormSwitchesOnTheRoundedMagnitude) {
    struct Case {
        double value;
        const char* expected;
    };
    const Case cases[] = {
        {1.0, "  1.000    "},
        {0.1, " 0.1000    "},
        {0.09999, " 0.9999E-01"},
        {0.099996, " 0.1000    "},  // rounds up into the fixed range
        {9999.4, "  9999.    "},
        {9999.6, " 0.1000E+05"},    // rounds up out of it
        {-12.345, " -12.35    "},
        {1.0e-200, " 0.1000-199"},
        {0.0, " 0.0000E+00"},
    };
    for (const Case& c : cases) EXPECT_EQ(formatGeneral(c.value, 11, 4), c.expected) << c.value;
}

TEST(Layout, SlashesMakeEmptyLines) {
    EXPECT_EQ(write("(/2X,'A'/)", {}), "\n  A\n\n");
    EXPECT_EQ(write("('a'//'b')", {}), "a\n\nb\n");
    EXPECT_EQ(write("(/)", {}), "\n\n");
    EXPECT_EQ(write("(//5X,'T',I3/)", {7}), "\n\n     T  7\n\n");
}

TEST(Layout, WriteEndsAtTheNextValueItemOnceValuesAreUsedUp) {
    EXPECT_EQ(write("(2X,'a',I3,'b')", {1}), "  a  1b\n");
    EXPECT_EQ(write("(2X,I3,'x',I3,'y')", {1}), "    1x\n");
    EXPECT_EQ(write("(', ',10E11.4)", {}), ", \n");
}

TEST(Layout, ReversionRestartsAtTheLastTopLevelGroup) {
    std::vector<Value> values;
    for (int k = 1; k <= 25; ++k) values.push_back(double(k));
    std::string out = Layout("(2X,10E11.4)").write(values);
    std::string tenOnALine = "  ";
    for (int k = 1; k <= 10; ++k) tenOnALine += Layout("(E11.4)").write({double(k)}).substr(0, 11);
    ASSERT_EQ(out.substr(0, tenOnALine.size() + 1), tenOnALine + "\n");
    // three lines of 10, 10 and 5 values, each beginning with two blanks
    std::vector<std::string> lines;
    std::size_t start = 0, nl;
    while ((nl = out.find('\n', start)) != std::string::npos) {
        lines.push_back(out.substr(start, nl - start));
        start = nl + 1;
    }
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].size(), 2u + 110u);
    EXPECT_EQ(lines[1].size(), 2u + 110u);
    EXPECT_EQ(lines[2].size(), 2u + 55u);
    EXPECT_EQ(lines[2].substr(0, 13), "   0.2100E+02");

    EXPECT_EQ(write("(I2,2(F4.1))", {1, 1.0, 2.0, 3.0, 4.0}), " 1 1.0 2.0\n 3.0 4.0\n");
    std::vector<Value> names(12, Value("N"));
    std::string grid = Layout("(10(A2,1X))").write(names);
    EXPECT_EQ(grid, "N  N  N  N  N  N  N  N  N  N  \nN  N  \n");
}

TEST(Layout, GroupsAndRepeatCountsExpand) {
    EXPECT_EQ(write("(2F5.1)", {1.0, 2.0}), "  1.0  2.0\n");
    EXPECT_EQ(write("(2X,77('+'))", {}), "  " + std::string(77, '+') + "\n");
    EXPECT_EQ(write("(2(I2,'|'))", {1, 2}), " 1| 2|\n");
}

TEST(Layout, MalformedLayoutIsAProgramFault) {
    EXPECT_ANY_THROW(Layout("(I3"));
    EXPECT_ANY_THROW(Layout("(Q3)"));
    EXPECT_ANY_THROW(Layout("('abc)"));
    EXPECT_ANY_THROW(Layout("('x')").write({1}));  // values but no item to take them
}

}  // namespace
}  // namespace wq
