#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "text/name_list.hpp"

namespace wq {
namespace {

const std::set<std::string> KNOWN = {"Quartz", "Albite", "Albite,low", "Calcite", "N2,aq", "Clinochlore,14A"};

TEST(NameList, CommasInsideNamesAreJoinedBackLongestFirst) {
    struct Case {
        const char* list;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"Quartz", {"Quartz"}},
        {"Quartz,Calcite", {"Quartz", "Calcite"}},
        {"Albite,low,Calcite", {"Albite,low", "Calcite"}},
        {"Albite,Calcite", {"Albite", "Calcite"}},
        {"N2,aq", {"N2,aq"}},
        {"Clinochlore,14A,N2,aq,Quartz", {"Clinochlore,14A", "N2,aq", "Quartz"}},
        {" Quartz , Calcite ", {"Quartz", "Calcite"}},
        {"Calcite,Quartz,Calcite", {"Calcite", "Quartz"}},
    };
    for (const Case& c : cases) {
        std::string unknown;
        const auto names = knownNames(c.list, KNOWN, unknown);
        ASSERT_TRUE(names) << c.list << ": " << unknown;
        EXPECT_EQ(*names, c.names) << c.list;
    }
}

TEST(NameList, APieceThatStartsNoNameIsTold) {
    struct Case {
        const char* list;
        const char* unknown;
    };
    const Case cases[] = {
        {"Quartz,Gypsum", "Gypsum"},
        {"low,Quartz", "low"},
        {"Quartz,,Calcite", ""},
        {"", ""},
        {"quartz", "quartz"},
    };
    for (const Case& c : cases) {
        std::string unknown = "unset";
        EXPECT_FALSE(knownNames(c.list, KNOWN, unknown)) << c.list;
        EXPECT_EQ(unknown, c.unknown) << c.list;
    }
}

}  // namespace
}  // namespace wq
