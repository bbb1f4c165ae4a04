// The growing 1-based table: its positions are the ones it was given room
// for, growing keeps what they hold, and every other index is an internal
// error, never a read or write beside the storage.
#include "text/table.hpp"

#include <gtest/gtest.h>

#include <string>

#include "text/stop.hpp"

namespace wq {
namespace {

TEST(GrowingTable, HoldsThePositionsItWasGivenAndKeepsThemAsItGrows) {
    GrowingTable<double> t;
    EXPECT_THROW(t[1], InternalError);
    t.growTo(3);
    t[1] = 1.5;
    t[3] = 3.5;
    t.growTo(2);  // never a shrink
    EXPECT_EQ(t.size(), 3);
    t.growTo(1000);
    EXPECT_EQ(t[1], 1.5);
    EXPECT_EQ(t[3], 3.5);
    EXPECT_EQ(t[1000], 0.0);
    for (int outside : {0, -1, 1001}) EXPECT_THROW(t[outside], InternalError) << outside;
    t.fill(2.5);
    EXPECT_EQ(t.size(), 1000);
    EXPECT_EQ(t[1], 2.5);
    EXPECT_EQ(t[1000], 2.5);

    // A run of positions, checked at both ends.
    EXPECT_EQ(t.positions(3, 1000).size(), 998u);
    EXPECT_EQ(&t.positions(3, 1000).front(), &t[3]);
    EXPECT_TRUE(t.positions(5, 4).empty());
    EXPECT_THROW(t.positions(0, 3), InternalError);
    EXPECT_THROW(t.positions(2, 1001), InternalError);
}

// A name without its padding, and a name compared with a text padded to
// its width: at every length about the eight-blank steps, blanks inside.
TEST(FixedText, TrimmedAndEqualsAtEveryLength) {
    for (const std::string text : {"", " ", "Calcite", "Fe (OH)3", "Cristobalite,alp", "12345678 ", "Mn(OH)2(am)  x",
                                   "twenty characters ok", "        ", "a       b"}) {
        const Name20 name(text);
        const std::string padded = (text + std::string(20, ' ')).substr(0, 20);
        EXPECT_EQ(name.trimmed(), padded.substr(0, padded.find_last_not_of(' ') + 1)) << '"' << text << '"';
        EXPECT_TRUE(name.equals(text)) << '"' << text << '"';
        EXPECT_TRUE(name.equals(name.trimmed()));
        EXPECT_FALSE(name.equals(text + "x"));
        EXPECT_FALSE(name.equals(padded + " "));  // longer than the field
    }
    EXPECT_FALSE(Code4("GAS ").equals("GA"));
    EXPECT_TRUE(Code4("GAS ").equals("GAS"));
}

}  // namespace
}  // namespace wq
