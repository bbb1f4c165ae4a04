// The waters of a batch in the table's order, as its workers take them:
// from the table held whole, or read from its text or its file again one by
// one (BatchInputs::streamedText, streamedTable).
#pragma once

#include <cstddef>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>

#include "app/batch_inputs.hpp"
#include "input/waters.hpp"
#include "text/csv.hpp"

namespace wq {

class WaterFeed {
public:
    explicit WaterFeed(const BatchInputs& s);
    ~WaterFeed();
    WaterFeed(const WaterFeed&) = delete;
    WaterFeed& operator=(const WaterFeed&) = delete;

    // The next water and its place in the table; false when every water was
    // taken. Safe to call from several threads.
    bool take(std::size_t& index, WaterSample& water);

private:
    const BatchInputs& s_;
    const bool held_;  // table.waters holds every water
    std::mutex mutex_;
    std::size_t next_ = 0;
    std::FILE* file_ = nullptr;
    std::optional<CsvReader> records_;
    std::optional<WaterTableReader> reader_;
    std::string unreadable_;  // why the file cannot give the waters again
};

}  // namespace wq
