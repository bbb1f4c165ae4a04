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
#include <vector>

#include "grid/grid.hpp"
#include "input/parsed_database.hpp"
#include "input/db_numbers.hpp"

namespace wq {
namespace {

const std::string DATABASE = std::string(WQSPEC_SOURCE_DIR) + "/examples/LOGKDATA.KDB";

std::shared_ptr<const ParsedDatabase> bundled() {
    static const std::shared_ptr<const ParsedDatabase> db = [] {
        TextImage::ReadResult read = TextImage::read(DATABASE);
        if (!read.image) throw std::runtime_error(read.error);
        return parseDatabase("LOGKDATA.KDB", read.image);
    }();
    return db;
}

LogKConditions onTheCurve(double t) { return LogKConditions::at(t, saturationPressure(t), false, GridLocation{}); }

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

// The same doubles, bit for bit (an absent value included).
bool sameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
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
