// A silent run that reads the database as an earlier one did takes that
// reading's plan: its tables are those a reading of its own gives, and a run
// that reads otherwise makes a plan of its own.
#include "input/reading_plan.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "input/db_numbers.hpp"
#include "input/logk_cache.hpp"
#include "input/parsed_database.hpp"
#include "run/compute_run.hpp"
#include "support/test_program.hpp"

namespace wq::testing {
namespace {

// Full and short tables (a one-value short table serves 10 to 35 C only).
std::shared_ptr<const ParsedDatabase> frozenBundled() {
    static const std::shared_ptr<const ParsedDatabase> db = [] {
        TextImage::ReadResult read = TextImage::read(std::string(WQSPEC_SOURCE_DIR) + "/tests/data/frozen-bundled.kdb");
        if (!read.image) throw std::runtime_error(read.error);
        return parseDatabase("LOGKDATA.KDB", read.image);
    }();
    return db;
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

template <class Entry>
void expectSameReaction(const Entry& a, const Entry& b) {
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.rangeCode, b.rangeCode);
    EXPECT_EQ(a.dataRange, b.dataRange);
    ASSERT_EQ(a.itot, b.itot) << a.name.view();
    for (int j = 1; j <= a.itot; ++j) {
        EXPECT_EQ(a.comp[j], b.comp[j]) << a.name.view();
        EXPECT_TRUE(sameBits(a.coef[j], b.coef[j])) << a.name.view();
    }
    EXPECT_TRUE(sameBits(a.logK, b.logK)) << a.name.view();
}

void expectSameTables(const Program& a, const Program& b) {
    ASSERT_EQ(a.sp.count, b.sp.count);
    EXPECT_EQ(a.sp.co2Position, b.sp.co2Position);
    for (int p = 1; p <= a.comp.count; ++p) {
        EXPECT_EQ(a.sp[p].name, b.sp[p].name);
        EXPECT_TRUE(sameBits(a.sp[p].charge, b.sp[p].charge) && sameBits(a.sp[p].formulaWeight, b.sp[p].formulaWeight));
    }
    for (int p = a.comp.count + 1; p <= a.sp.count; ++p) {
        const Species& s = a.sp[p];
        const Species& t = b.sp[p];
        expectSameReaction(s, t);
        EXPECT_TRUE(sameBits(s.charge, t.charge) && sameBits(s.size, t.size) && sameBits(s.alkFactor, t.alkFactor));
        EXPECT_TRUE(sameBits(s.redoxHS, t.redoxHS) && sameBits(s.redoxSO4, t.redoxSO4)) << s.name.view();
    }
    ASSERT_EQ(a.minerals.count, b.minerals.count);
    for (int m = 1; m <= a.minerals.count; ++m) {
        expectSameReaction(a.minerals[m], b.minerals[m]);
        EXPECT_EQ(a.minerals[m].suppression, b.minerals[m].suppression);
    }
    EXPECT_TRUE(sameBits(a.activityTables.debyeA, b.activityTables.debyeA));
}

struct Step {
    double temperature;
    std::vector<int> components;
    std::vector<std::string> suppressed;
    bool planTaken;  // the plan of the step before serves this one
};

const std::vector<int> SEAWATER = {db::HYDROGEN_ION, db::WATER,     db::CHLORIDE, db::SULFATE, db::CARBONATE,
                                   db::CALCIUM,      db::MAGNESIUM, db::SILICA,   db::POTASSIUM, db::SODIUM};

void readAt(Program& prog, LogKCache& cache, const Step& step) {
    static_cast<TestProgram&>(prog).useComponents(step.components);
    static_cast<TestProgram&>(prog).saturationRun(step.temperature);
    prog.choices.suppressed = step.suppressed;
    prog.conditions.mineralsSwitch = 1;
    prog.logKValues = cache.at(LogKConditions::at(prog.conditions.temperature, prog.conditions.pressure, false, prog.grid));
    const RunSection section = readSpecies(prog);
    readMinerals(prog, section);
}

TEST(ReadingPlan, ARunReadByThePlanHasTheTablesOfItsOwnReading) {
    std::vector<bool> every(MAX_COMPONENTS + 1, true);
    LogKCache cache(frozenBundled(), every);
    const Step steps[] = {
        {25.0, SEAWATER, {}, false},
        {31.7, SEAWATER, {}, true},             // other log K, the same entries
        {60.0, SEAWATER, {}, false},            // the one-value short tables no longer serve
        {74.2, SEAWATER, {}, true},
        {74.2, {1, 2, 3, 9, 13}, {}, false},    // fewer components
        {76.0, {1, 2, 3, 9, 13}, {}, true},     // the plan's mineral entries taken, then copied
        {78.0, {1, 2, 3, 9, 13}, {}, true},
        {74.2, {1, 2, 3, 9, 13}, {"Calcite"}, false},
        {20.5, SEAWATER, {}, false},
        {34.0, SEAWATER, {}, true},
        {30.0, SEAWATER, {}, true},
    };
    const auto planned = newProgram();
    planned->io.silence();
    planned->database = DatabaseFile::ofParsed(frozenBundled());
    for (const Step& step : steps) {
        SCOPED_TRACE(step.temperature);
        readAt(*planned, cache, step);
        EXPECT_EQ(planned->readingPlan.asked == planned->readingPlan.key, step.planTaken);
        const auto own = newProgram();
        own->io.silence();
        own->database = planned->database;
        readAt(*own, cache, step);
        expectSameTables(*planned, *own);
    }
}

// A run that says something (its skip list, its messages) reads every record.
TEST(ReadingPlan, ARunThatSpeaksMakesNoPlan) {
    std::vector<bool> every(MAX_COMPONENTS + 1, true);
    LogKCache cache(frozenBundled(), every);
    const auto speaking = newProgram(Channels::captured);
    speaking->database = DatabaseFile::ofParsed(frozenBundled());
    readAt(*speaking, cache, {25.0, SEAWATER, {}, false});
    EXPECT_FALSE(speaking->readingPlan.speciesReady);
    EXPECT_FALSE(speaking->readingPlan.mineralsReady);
}

}  // namespace
}  // namespace wq::testing
