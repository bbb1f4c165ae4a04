#include "app/water_feed.hpp"

#include <algorithm>
#include <utility>

#include "text/textfile.hpp"

namespace wq {

WaterFeed::WaterFeed(const BatchInputs& s) : s_(s), held_(s.streamedTable.empty() && !s.streamedText) {
    std::string why;
    if (s.streamedText) {
        records_.emplace(*s.streamedText);
        reader_.emplace(*records_, s.catalog, s.tableKgWater, why, s.reading);
        return;
    }
    if (held_) return;
    FileIdentity now;
    file_ = openRegularFile(s.streamedTable, MAX_FILE_BYTES, why, now);
    if (!file_) {
        unreadable_ = "cannot open the table of waters " + s.streamedTable + " again: " + why;
        return;
    }
    if (!(now == s.streamedIdentity)) {
        unreadable_ = "the table of waters " + s.streamedTable + " changed while the batch ran";
        return;
    }
    records_.emplace(file_, s.streamedTable, now);
    reader_.emplace(*records_, s.catalog, s.tableKgWater, why, s.reading);
    if (!reader_->ready()) unreadable_ = s.streamedTable + ": " + why;
}

WaterFeed::~WaterFeed() {
    if (file_) std::fclose(file_);
}

std::size_t waterChunkOf(std::size_t waters) {
    return std::clamp(waters / WATER_CHUNK, WATER_CHUNK, LONGEST_WATER_CHUNK);
}

bool WaterFeed::take(WaterChunk& chunk) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (next_ >= s_.waterCount) return false;
    chunk.first = next_;
    chunk.waters.resize(std::min(waterChunkOf(s_.waterCount), s_.waterCount - next_));
    std::size_t index = 0;
    for (WaterSample& water : chunk.waters) takeLocked(index, water);
    return true;
}

void WaterFeed::takeLocked(std::size_t& index, WaterSample& water) {
    index = next_++;
    if (held_) {
        water = s_.table.waters[index];
        return;
    }
    std::string error;
    std::optional<WaterSample> read = unreadable_.empty() ? reader_->next(error) : std::nullopt;
    if (read) {
        water = std::move(*read);
        return;
    }
    // The file no longer holds the waters read through before the batch
    // began: the waters it cannot give fail with the reason.
    if (unreadable_.empty())
        unreadable_ = error.empty() ? "the table of waters " + s_.streamedTable + " changed while the batch ran"
                                    : s_.streamedTable + ": " + error;
    water = WaterSample{};
    water.name = "water " + std::to_string(index + 1);
    water.error = unreadable_;
}

}  // namespace wq
