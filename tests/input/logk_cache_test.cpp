// The database's values per temperature and pressure: worked out once, kept
// for the most recent conditions up to a bound, asked for only by runs whose
// components the cache covers.
#include "input/logk_cache.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "grid/grid.hpp"
#include "input/parsed_database.hpp"
#include "input/db_numbers.hpp"

namespace wq {
namespace {

// The bundled data as they stood with both full and short tables (the
// bundled database now has full tables only): the cache must serve both.
const std::string DATABASE = std::string(WQSPEC_SOURCE_DIR) + "/tests/data/frozen-bundled.kdb";

std::shared_ptr<const ParsedDatabase> bundled() {
    static const std::shared_ptr<const ParsedDatabase> db = [] {
        TextImage::ReadResult read = TextImage::read(DATABASE);
        if (!read.image) throw std::runtime_error(read.error);
        return parseDatabase("LOGKDATA.KDB", read.image);
    }();
    return db;
}

LogKConditions onTheCurve(double t) { return LogKConditions::at(t, saturationPressure(t), false, GridLocation{}); }

// The same doubles, bit for bit (an absent value included).
bool sameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}


// The components of a sodium chloride water.
std::vector<bool> saltWater() {
    std::vector<bool> c(MAX_COMPONENTS + 1, false);
    for (int n : {db::HYDROGEN_ION, db::WATER, db::CHLORIDE, db::SODIUM}) c[static_cast<std::size_t>(n)] = true;
    return c;
}

TEST(LogKCache, TheSameConditionsGiveTheSameValuesOnceWorkedOut) {
    LogKCache cache(bundled(), saltWater(), 4);
    const auto first = cache.at(onTheCurve(25.0));
    EXPECT_EQ(cache.at(onTheCurve(25.0)), first);  // the very object: not worked out again
    EXPECT_NE(cache.at(onTheCurve(25.000000000000004)), first);  // the next double is other conditions
    EXPECT_EQ(cache.size(), 2u);
    EXPECT_EQ(first->database, bundled().get());
}

TEST(LogKCache, KeepsTheMostRecentlyUsedUpToItsBound) {
    LogKCache cache(bundled(), saltWater(), 2);
    const auto at25 = cache.at(onTheCurve(25.0));
    const auto at50 = cache.at(onTheCurve(50.0));
    EXPECT_EQ(cache.at(onTheCurve(25.0)), at25);  // 25 is now the most recent
    cache.at(onTheCurve(75.0));                     // 50 goes
    EXPECT_EQ(cache.size(), 2u);
    EXPECT_EQ(cache.at(onTheCurve(25.0)), at25);
    EXPECT_NE(cache.at(onTheCurve(50.0)), at50);  // worked out again
    EXPECT_EQ(cache.size(), 2u);
}

// Only the entries whose reactions the components can form are worked out,
// and those are the values the interpolator gives for the entry's table.
TEST(LogKCache, WorksOutExactlyTheEntriesItsComponentsForm) {
    const ParsedDatabase& db = *bundled();
    ASSERT_TRUE(db.aqueous);
    const auto selection = std::make_shared<const LogKSelection>(selectEntries(db, saltWater()));
    const auto values = logKValuesAt(db, onTheCurve(60.0), selection);
    TableInterpolator tables(*db.image, db.aqueous->groups, onTheCurve(60.0));
    int known = 0;
    bool sawNaCl = false;
    for (std::size_t k = 0; k < db.aqueous->records.size(); ++k) {
        const AqueousRecord& r = db.aqueous->records[k];
        bool formed = !r.isEnd() && r.fault == AqueousRecord::Fault::none;
        for (long long j = 0; formed && j < r.itot; ++j) {
            const int n = r.number[static_cast<std::size_t>(j)];
            formed = n == db::HYDROGEN_ION || n == db::WATER || n == db::CHLORIDE || n == db::SODIUM;
        }
        EXPECT_EQ(values->aqueousLogK(k) != nullptr, formed) << r.name.view();
        if (!formed) continue;
        ++known;
        sawNaCl |= r.name.equals("NaCl,aq");
        const double direct = tables.value(r.table);
        const double cached = *values->aqueousLogK(k);
        EXPECT_TRUE(cached == direct || (std::isnan(direct) && std::isnan(cached))) << r.name.view();
    }
    EXPECT_TRUE(sawNaCl);
    EXPECT_GT(known, 3);
    EXPECT_LT(known, static_cast<int>(db.aqueous->records.size()) / 4);
}

LogKConditions onTheGrid(double t, double p) {
    GridLocation grid;
    locateOnGrid(p, t, grid);
    return LogKConditions::at(t, p, true, grid);
}

// Every value of every entry any component can form, full tables and short
// ones, aqueous species and minerals, on the saturation curve (from the
// nodes read once) and on the grid (interpolated from the text): bit for
// bit what the interpolator gives for the run.
TEST(LogKCache, EveryValueIsTheInterpolatorsOnTheCurveAndOnTheGrid) {
    const ParsedDatabase& db = *bundled();
    ASSERT_TRUE(db.aqueous);
    const auto selection =
        std::make_shared<const LogKSelection>(selectEntries(db, std::vector<bool>(MAX_COMPONENTS + 1, true)));
    // Temperatures about every node of the curve (0.01, 25, ..., 350 C), and
    // grid blocks below, within and above the curve's range.
    std::vector<LogKConditions> conditions;
    for (double t : {20.0, 25.0, 37.7, 60.0, 99.99, 112.5, 137.0, 150.0, 162.5, 190.0, 212.0, 237.0, 255.5, 290.0,
                     310.0, 337.0, 350.0, 374.0})
        conditions.push_back(onTheCurve(t));
    for (auto [t, p] : {std::pair{5.0, 1.013}, {300.0, 500.0}, {450.0, 2000.0}}) conditions.push_back(onTheGrid(t, p));
    int full = 0, shortOnes = 0;
    for (const LogKConditions& at : conditions) {
        SCOPED_TRACE(at.temperature);
        const auto values = logKValuesAt(db, at, selection);
        const ActivityTables read = activityTablesAt(db, at);
        const ActivityTables& kept = values->activityTables;
        EXPECT_TRUE(sameBits({kept.debyeA, kept.debyeB, kept.bEta, kept.bNaCl},
                             {read.debyeA, read.debyeB, read.bEta, read.bNaCl}));
        TableInterpolator species(*db.image, db.aqueous->groups, at);
        for (std::size_t k : selection->aqueous) {
            const TableText& table = db.aqueous->records[k].table;
            const double direct = species.value(table);
            ASSERT_NE(values->aqueousLogK(k), nullptr);
            EXPECT_TRUE(sameBits({*values->aqueousLogK(k)}, {direct})) << db.aqueous->records[k].name.view();
            (table.full ? full : shortOnes) += 1;
        }
        TableInterpolator minerals(*db.image, db.aqueous->minerals.groups, at);
        for (std::size_t k : selection->minerals) {
            const TableText& table = db.aqueous->minerals.entries[k].table;
            const double direct = minerals.value(table);
            ASSERT_NE(values->mineralLogK(k), nullptr);
            EXPECT_TRUE(sameBits({*values->mineralLogK(k)}, {direct})) << db.aqueous->minerals.entries[k].name.view();
            (table.full ? full : shortOnes) += 1;
        }
    }
    EXPECT_GT(full, 1000);
    EXPECT_GT(shortOnes, 10);
}

TEST(LogKCache, ServesOnlyRunsWhoseComponentsItCovers) {
    LogKCache cache(bundled(), saltWater());
    ComponentMap map;
    const int salt[] = {db::HYDROGEN_ION, db::WATER, db::CHLORIDE, db::SODIUM};
    for (int k = 1; k <= 4; ++k) map.numberAt[k] = salt[k - 1];
    EXPECT_TRUE(cache.serves(map, 4));
    EXPECT_TRUE(cache.serves(map, 3));
    map.numberAt[5] = db::SULFATE;
    EXPECT_FALSE(cache.serves(map, 5));
}

// Worker threads ask at once for conditions that come and go (a bound of two
// for four temperatures: values are dropped while others hold them): each
// gets the values of the conditions it asked for, as worked out alone. Run
// under ThreadSanitizer by tools/tsan.sh.
TEST(LogKCache, ThreadsAskingAtOnceGetTheValuesOfTheirConditions) {
    const double temperatures[] = {25.0, 50.0, 75.0, 100.0};
    const auto selection = std::make_shared<const LogKSelection>(selectEntries(*bundled(), saltWater()));
    std::vector<std::shared_ptr<const LogKValues>> alone;
    for (double t : temperatures) alone.push_back(logKValuesAt(*bundled(), onTheCurve(t), selection));
    LogKCache cache(bundled(), saltWater(), 2);
    constexpr int THREADS = 4, ROUNDS = 50;
    std::vector<int> wrong(THREADS, 0);
    std::vector<std::thread> threads;
    for (int k = 0; k < THREADS; ++k)
        threads.emplace_back([&, k] {
            for (int round = 0; round < ROUNDS; ++round) {
                const std::size_t i = static_cast<std::size_t>((round + k) % 4);
                const auto values = cache.at(onTheCurve(temperatures[i]));
                const bool same = values->at == alone[i]->at && sameBits(values->aqueous, alone[i]->aqueous) &&
                                  sameBits(values->minerals, alone[i]->minerals) &&
                                  values->activityTables.debyeA == alone[i]->activityTables.debyeA &&
                                  values->activityTables.bEta == alone[i]->activityTables.bEta;
                if (!same) ++wrong[static_cast<std::size_t>(k)];
            }
        });
    for (std::thread& t : threads) t.join();
    for (int k = 0; k < THREADS; ++k) EXPECT_EQ(wrong[static_cast<std::size_t>(k)], 0) << "thread " << k;
    EXPECT_LE(cache.size(), 2u);
}

}  // namespace
}  // namespace wq
