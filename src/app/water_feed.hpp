// The waters of a batch in the table's order, as its workers take them:
// from the table held whole, or read from its text or its file again one by
// one (BatchInputs::streamedText, streamedTable).
#pragma once

#include <cstddef>
#include <cstdio>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/batch_inputs.hpp"
#include "input/waters.hpp"
#include "text/csv.hpp"

namespace wq {

// The waters of a table in fixed chunks, in the table's order: a worker
// takes a chunk whole and solves its waters one after the other, each from
// the converged waters of the chunk before it (warm_start.hpp), so that how
// a water starts depends on the table alone, never on which worker solved
// what before it. A chunk's first water starts cold, at twice a warm
// water's cost: a long table is cut into a thirty-second of itself up to
// 256 waters, a short one (1,024 waters or fewer) into 32s, so that two or
// more workers still share it.
constexpr std::size_t WATER_CHUNK = 32;
constexpr std::size_t LONGEST_WATER_CHUNK = 256;
std::size_t waterChunkOf(std::size_t waters);

// The waters of one chunk: the place of the first in the table, then each.
struct WaterChunk {
    std::size_t first = 0;
    std::vector<WaterSample> waters;
};

class WaterFeed {
public:
    explicit WaterFeed(const BatchInputs& s);
    ~WaterFeed();
    WaterFeed(const WaterFeed&) = delete;
    WaterFeed& operator=(const WaterFeed&) = delete;

    // The next chunk of waters, waterChunkOf(the table's waters) of them (the
    // last may have fewer); false when every water was taken. Safe to call
    // from several threads.
    bool take(WaterChunk& chunk);

private:
    const BatchInputs& s_;
    const bool held_;  // table.waters holds every water
    std::mutex mutex_;
    std::size_t next_ = 0;
    std::FILE* file_ = nullptr;
    std::optional<CsvReader> records_;
    std::optional<WaterTableReader> reader_;
    std::string unreadable_;  // why the file cannot give the waters again

    // The next water and its place in the table, the lock held.
    void takeLocked(std::size_t& index, WaterSample& water);
};

// The records done and not yet handed on, from the next one to hand on: a
// window, not a slot per water (a million waters would hold a hundred
// megabytes of empty slots).
template <class Record>
class DoneWindow {
public:
    bool has(std::size_t i) const { return i >= first_ && i - first_ < slots_.size() && slots_[i - first_]; }
    void put(std::size_t i, Record&& solved) {
        if (i < first_) return;
        if (i - first_ >= slots_.size()) slots_.resize(i - first_ + 1);
        slots_[i - first_] = std::move(solved);
    }
    // The record of the first water, which has(first()) holds; on to the next.
    Record takeFirst() {
        Record solved = std::move(*slots_.front());
        slots_.pop_front();
        ++first_;
        return solved;
    }

private:
    std::size_t first_ = 0;
    std::deque<std::optional<Record>> slots_;
};

}  // namespace wq
