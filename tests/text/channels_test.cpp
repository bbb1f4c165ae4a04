#include "text/channels.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "text/stop.hpp"

namespace wq {
namespace {

// The reason of the STOP that f ends in; "" when it does not stop.
template <class F>
std::string stopReason(F f) {
    try {
        f();
    } catch (const Stop& s) {
        EXPECT_EQ(s.status, ExitStatus::error);
        return s.reason;
    }
    return "";
}

// A full device: the first write that reaches it stops the program, naming
// the file, and the stop is reported once: the close that follows has
// nothing new to say.
TEST(Sink, AFailedWriteStopsOnceNamingTheFile) {
    Sink sink;
    ASSERT_TRUE(sink.open("/dev/full"));
    const std::string line(100, 'x');
    std::string reason = stopReason([&] {
        for (int k = 0; k < 1000; ++k) sink.put(line);  // more than any stdio buffer
    });
    EXPECT_EQ(reason, "cannot write /dev/full: No space left on device");
    EXPECT_EQ(stopReason([&] { sink.put(line); }), "");  // taken no more, stops no more
    EXPECT_EQ(sink.close(), "");
}

// A failure that only the final flush finds is given back by close.
TEST(Sink, CloseReportsAFailureFoundOnlyThen) {
    Sink sink;
    ASSERT_TRUE(sink.open("/dev/full"));
    sink.put("one short line\n");
    EXPECT_EQ(sink.close(), "cannot write /dev/full: No space left on device");
}

TEST(Sink, FlushStopsOnAFailure) {
    Sink sink;
    ASSERT_TRUE(sink.open("/dev/full"));
    sink.put("one short line\n");
    EXPECT_EQ(stopReason([&] { sink.flush(); }), "cannot write /dev/full: No space left on device");
}

// Answers are read after the question is flushed; a failed flush stops the
// program before it waits for an answer.
TEST(Console, FlushesItsSinksBeforeReading) {
    std::FILE* in = std::fopen("/dev/null", "rb");
    ASSERT_NE(in, nullptr);
    Sink full;
    ASSERT_TRUE(full.open("/dev/full"));
    Console console(in, {&full});
    full.put("Continue?\n");
    EXPECT_EQ(stopReason([&] { console.answer(); }), "cannot write /dev/full: No space left on device");
    std::fclose(in);
}

TEST(Console, AnEndlessLineStops) {
    std::FILE* in = std::fopen("/dev/zero", "rb");
    ASSERT_NE(in, nullptr);
    Console console(in);
    EXPECT_EQ(stopReason([&] { console.line(); }), "a console answer is longer than 65536 characters");
    std::fclose(in);
}

TEST(Console, RealsAndWhatIsNotOne) {
    struct Case {
        const char* typed;
        bool bad;
        double value;
    };
    const Case cases[] = {
        {"\n  25.5\n", false, 25.5},
        {"1.5D2\n", false, 150.0},
        {"abc\n", true, 0.0},
        {", 25\n", true, 0.0},  // a null value
        {"25,\n", false, 25.0},
    };
    for (const Case& c : cases) {
        const std::string path = ::testing::TempDir() + "wqspec-console-answers";
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs(c.typed, f);
        std::fclose(f);
        std::FILE* in = std::fopen(path.c_str(), "rb");
        Console console(in);
        bool bad = false;
        std::optional<double> value = console.real(bad);
        EXPECT_EQ(bad, c.bad) << c.typed;
        EXPECT_EQ(value.has_value(), !c.bad) << c.typed;
        if (value) {
            EXPECT_EQ(*value, c.value) << c.typed;
        }
        std::fclose(in);
        std::remove(path.c_str());
    }
}

}  // namespace
}  // namespace wq
