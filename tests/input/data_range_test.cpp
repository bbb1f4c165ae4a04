#include "input/data_range.hpp"

#include <gtest/gtest.h>

namespace wq {
namespace {

TEST(DataRange, TagIsReadFromTheCommentOrNotAtAll) {
    struct Case {
        const char* comment;
        bool given;
        double low, high;
    };
    const Case cases[] = {
        {"LLNL thermo.com.V8.R6 FeSO4, data 25 C; rule own", true, 25, 25},
        {"LLNL ZnSO4, data 0-200 C, van 't Hoff beyond", true, 0, 200},
        {"data 0.01-300 C", true, 0.01, 300},
        {"LLNL Gypsum, fit 0-300 C; rule own", false, 0, 0},  // no tag
        {"metadata 25 C", false, 0, 0},                       // not a word of its own
        {"data 300-0 C", false, 0, 0},                        // reversed
        {"data 25 Celsius", false, 0, 0},
        {"data -5 C", false, 0, 0},
        {"data 25C", false, 0, 0},
    };
    for (const Case& c : cases) {
        const DataRange r = dataRangeIn(c.comment);
        EXPECT_EQ(r.given, c.given) << c.comment;
        if (!c.given) continue;
        EXPECT_EQ(r.low, c.low) << c.comment;
        EXPECT_EQ(r.high, c.high) << c.comment;
    }
}

TEST(DataRange, UseBeyondTheDataIsOutsideTheRangeOrTheSpanOfOneTemperature) {
    const DataRange oneT = dataRangeIn("data 25 C");
    const DataRange fit = dataRangeIn("data 0-200 C");
    EXPECT_FALSE(usedBeyondData(oneT, 25.0 + SINGLE_TEMPERATURE_SPAN_C));
    EXPECT_TRUE(usedBeyondData(oneT, 25.0 + SINGLE_TEMPERATURE_SPAN_C + 0.1));
    EXPECT_TRUE(usedBeyondData(oneT, 12.0));
    EXPECT_FALSE(usedBeyondData(fit, 200.0));
    EXPECT_TRUE(usedBeyondData(fit, 200.5));
    EXPECT_FALSE(usedBeyondData(DataRange{}, 600.0));
    EXPECT_EQ(dataRangeText(fit), "0-200 C");
    EXPECT_EQ(dataRangeText(oneT), "25 C");
}

}  // namespace
}  // namespace wq
