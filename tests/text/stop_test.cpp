// The one place the endings of a piece of work are told apart.
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>

#include "text/stop.hpp"

namespace wq {
namespace {

Ending endingOf(const std::function<void()>& work) {
    try {
        work();
    } catch (...) {
        return endingInFlight();
    }
    ADD_FAILURE() << "the work did not throw";
    return {};
}

TEST(Ending, EachKindOfEndGivesItsStatusAndLine) {
    struct Case {
        std::function<void()> work;
        ExitStatus status;
        std::string reason;
    };
    const Case cases[] = {
        {[] { stop(ExitStatus::error, "WQCASE.DAT, line 7: cannot read the eight conditions"); }, ExitStatus::error,
         "WQCASE.DAT, line 7: cannot read the eight conditions"},
        {[] { stop(ExitStatus::declined, "declined"); }, ExitStatus::declined, "declined"},
        {[] { endProgram(); }, ExitStatus::normal, ""},
        {[] { throw InternalError{"table index 0 outside 1..70"}; }, ExitStatus::internal,
         "internal error: table index 0 outside 1..70"},
        {[] { throw std::bad_alloc(); }, ExitStatus::internal, "internal error: out of memory"},
    };
    for (const Case& c : cases) {
        const Ending e = endingOf(c.work);
        EXPECT_EQ(e.status, c.status) << c.reason;
        EXPECT_EQ(e.reason, c.reason);
    }
}

TEST(Ending, AnyOtherExceptionIsThrownOn) {
    EXPECT_THROW(endingOf([] { throw std::runtime_error("not ours"); }), std::runtime_error);
}

}  // namespace
}  // namespace wq
