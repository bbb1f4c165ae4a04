// The growing 1-based table: its positions are the ones it was given room
// for, growing keeps what they hold, and every other index is an internal
// error, never a read or write beside the storage.
#include "text/table.hpp"

#include <gtest/gtest.h>

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
    t.clear();
    EXPECT_EQ(t.size(), 0);
    t.growTo(1);
    EXPECT_EQ(t[1], 0.0);  // a new position, not the old value

    GrowingTable<bool> flags;  // a table of bools, each its own
    flags.growTo(2);
    flags[2] = true;
    bool& first = flags[1];
    first = true;
    EXPECT_TRUE(flags[1] && flags[2]);
}

}  // namespace
}  // namespace wq
