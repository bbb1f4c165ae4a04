#include <gtest/gtest.h>

#include "run/layout.hpp"

namespace wq {
namespace {

TEST(Layout, Smoke) { EXPECT_EQ(Layout("(/2X,'A'/)").write({}), "\n  A\n\n"); }

}  // namespace
}  // namespace wq
