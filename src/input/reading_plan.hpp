// What a silent run's reading of the database kept, for the next run that
// reads alike.
//
// A batch's waters mostly read the database alike: the same components at
// the same places, nothing suppressed, and a temperature whose log K values
// are absent for the same entries. Such a reading keeps the same records in
// the same slots, and passes the same checks, whatever the temperature: the
// plan lists the records kept, and a run whose key is the plan's takes just
// these into its table (the same writes as the reading, with the log K of
// its own temperature) instead of going through every record and every
// rule again. The plan is kept only for runs that say nothing (no message,
// no skip list, no debug table), take their log K from a LogKCache, and read
// the usual sections of the database with no forced mineral.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "input/tables.hpp"

namespace wq {

struct LogKSelection;
struct ParsedDatabase;

// Everything the choice of records depends on. The database and the
// selection are held, so that no other content can take their addresses
// while a plan names them.
struct ReadingKey {
    std::shared_ptr<const ParsedDatabase> database;
    std::shared_ptr<const LogKSelection> selection;
    bool extended = false;
    int componentCount = 0;
    int chargeBalancePosition = 0;
    int maxPositions = 0;
    Table<int, MAX_COMPONENTS> positionOf;  // by database number
    Table<int, MAX_COMPONENTS> numberAt;    // positions 1..componentCount
    std::vector<std::string> suppressed;
    std::vector<std::pair<int, std::string>> decoupled;
    // Per entry of the selection: its log K absent at the run's conditions
    // (1) or not (0). Flags of a char each, compared as one block of memory:
    // a std::vector<bool> is compared and written bit by bit, every water.
    std::vector<char> aqueousAbsent;
    std::vector<char> mineralAbsent;
};

bool operator==(const ReadingKey& a, const ReadingKey& b);

struct ReadingPlan {
    ReadingKey key;
    ReadingKey asked;      // the key of the run reading now
    bool current = false;  // the run reading now has `key` (it took or is making this plan)
    // The aqueous records kept, in order (slots componentCount + 1 on), and
    // the end record; valid for `key` when `speciesReady`.
    std::vector<std::uint32_t> species;
    std::uint32_t speciesEnd = 0;
    bool speciesReady = false;
    // The entries of the mineral list kept (slots 1 on) and the blank one
    // that ends it; valid for `key` and `maxEntries` when `mineralsReady`.
    std::vector<std::uint32_t> minerals;
    std::uint32_t mineralsEnd = 0;
    int maxEntries = 0;
    bool mineralsReady = false;
    // Those entries as the reading takes them into their slots (slots 1 on,
    // then the blank one), components mapped, log K left to each run: made by
    // the first run that takes the plan, copied whole, one block, by the next;
    // cleared with `minerals`.
    std::vector<MineralEntry> mineralEntries;
};

}  // namespace wq
