#include "report/column_selection.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace wq {
namespace {

TEST(ColumnSelection, Patterns) {
    struct Case {
        const char* pattern;
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        {"SI(*)", "SI(Calcite)", true},
        {"SI(*)", "SI(Albite,low)", true},
        {"SI(*)", "SI()", true},
        {"SI(*)", "log_f(CO2(g))", false},
        {"SI(*)", "xSI(Calcite)", false},
        {"SI(*)", "SI(Calcite)x", false},
        {"log_m(*)", "log_m(CO3--)", true},
        {"log_m(*)", "log_a(CO3--)", false},
        {"*imbalance*", "charge imbalance [%]", true},
        {"*imbalance*", "analysis imbalance [eq/kgw]", true},
        {"*(Ca*)", "log_m(CaCO3,aq)", true},
        {"*(Ca*)", "SI(Calcite)", true},
        {"*(Ca*)", "SI(Aragonite)", false},
        {"pH", "pH", true},
        {"pH", "pH ", false},
        {"pH", "ph", false},
        {"*", "", true},
        {"", "", true},
        {"", "a", false},
        {"a*b*c", "abbbc", true},
        {"a*b*c", "acb", false},
        {"**", "anything", true},
        {"log_f(*(g))", "log_f(CO2(g))", true},
    };
    for (const Case& c : cases) EXPECT_EQ(matchesPattern(c.pattern, c.name), c.matches) << c.pattern << " " << c.name;
}

TEST(ColumnSelection, AListKeepsCommasInsideParentheses) {
    using V = std::vector<std::string>;
    EXPECT_EQ(splitColumnList("name,SI(*),log_m(CO3--)"), (V{"name", "SI(*)", "log_m(CO3--)"}));
    EXPECT_EQ(splitColumnList(" SI(Albite,low) , log_m(SiO2,aq),pH "), (V{"SI(Albite,low)", "log_m(SiO2,aq)", "pH"}));
    EXPECT_EQ(splitColumnList("I,,pH,"), (V{"I", "pH"}));
    EXPECT_EQ(splitColumnList(""), V{});
    // an unbalanced closing parenthesis does not swallow the rest
    EXPECT_EQ(splitColumnList("a),b"), (V{"a)", "b"}));
}

TEST(ColumnSelection, OrderOfThePatternsEachOnceAndTheUnmatched) {
    const std::vector<std::string> columns = {"name", "status", "T [C]", "pH", "SI(Calcite)", "SI(Gypsum)",
                                              "log_m(Ca++)", "log_f(CO2(g))"};
    std::vector<std::string> unmatched;
    const std::vector<std::size_t> chosen =
        selectColumns(columns, {"name", "SI(*)", "pH", "SI(Gypsum)", "log_m(Mg++)", "x*"}, unmatched);
    EXPECT_EQ(chosen, (std::vector<std::size_t>{0, 4, 5, 3}));
    EXPECT_EQ(unmatched, (std::vector<std::string>{"log_m(Mg++)", "x*"}));
}

}  // namespace
}  // namespace wq
