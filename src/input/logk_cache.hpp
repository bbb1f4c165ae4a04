// The log K values of the database at one temperature and pressure, worked
// out once and shared read-only by every run there.
//
// What a run takes from the database's tables depends only on its
// conditions (T, P and where they lie on the grid): the four activity-model
// tables and the log K of each entry its components keep. A table of waters
// whose rows share a temperature pays for these once; the values are those a
// run's own interpolation gives, bit for bit (the same routine on the same
// text), so a run that takes them computes exactly what it would have.
#pragma once

#include <array>
#include <cstddef>
#include <list>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "input/logk_table.hpp"
#include "input/tables.hpp"

namespace wq {

struct ParsedDatabase;

// The entries of a database whose reactions use only the components of a
// given set: their places in the usual aqueous section and in its mineral
// list, and back (-1 for an entry not selected), with the nodes of their
// tables read once (so that a water at another temperature on the saturation
// curve reads no text). Worked out once per set.
struct LogKSelection {
    std::vector<std::size_t> aqueous;  // record indices
    std::vector<std::size_t> minerals; // list indices
    std::vector<int> aqueousSlot;      // per record: its place in `aqueous`, or -1
    std::vector<int> mineralSlot;      // per list entry: its place in `minerals`, or -1
    std::vector<TableNodes> aqueousNodes;  // in the order of `aqueous`
    std::vector<TableNodes> mineralNodes;  // in the order of `minerals`
    std::array<TableNodes, 4> activityNodes;  // A, B, b_eta, b_NaCl, when the head was read
};

LogKSelection selectEntries(const ParsedDatabase& db, const std::vector<bool>& components);

// The values at one set of conditions of the selected entries.
struct LogKValues {
    const ParsedDatabase* database = nullptr;  // whose entries these are
    LogKConditions at;
    ActivityTables activityTables;
    std::shared_ptr<const LogKSelection> selection;
    std::vector<double> aqueous;   // in the order of selection->aqueous
    std::vector<double> minerals;  // in the order of selection->minerals

    // The log K of record k of the usual aqueous section (of list entry k),
    // when it was worked out.
    const double* aqueousLogK(std::size_t k) const { return pick(selection->aqueousSlot, aqueous, k); }
    const double* mineralLogK(std::size_t k) const { return pick(selection->mineralSlot, minerals, k); }

private:
    static const double* pick(const std::vector<int>& slot, const std::vector<double>& values, std::size_t k) {
        return k < slot.size() && slot[k] >= 0 ? &values[static_cast<std::size_t>(slot[k])] : nullptr;
    }
};

// The activity-model tables at the run's conditions (Helgeson, Kirkham &
// Flowers 1981 units, as the B-dot model takes them).
ActivityTables activityTablesAt(const ParsedDatabase& db, const LogKConditions& at);

// The values at `at` of the selected entries of `db` (selectEntries with the
// database numbers for which `components[number]` is true).
std::shared_ptr<const LogKValues> logKValuesAt(const ParsedDatabase& db, const LogKConditions& at,
                                               std::shared_ptr<const LogKSelection> selection);

// The values of the last conditions asked for, at most `bound` of them (the
// least recently used goes first); safe to share between threads. Two
// threads missing the same conditions at once both work them out, and the
// first one's values are kept. Conditions that are not finite numbers are
// worked out every time, never kept.
class LogKCache {
public:
    static constexpr std::size_t DEFAULT_BOUND = 256;
    LogKCache(std::shared_ptr<const ParsedDatabase> db, std::vector<bool> components,
              std::size_t bound = DEFAULT_BOUND);
    std::shared_ptr<const LogKValues> at(const LogKConditions& conditions);
    // Whether a run with these database numbers as components may take its
    // values here (each one is among the cache's components).
    bool serves(const ComponentMap& map, int componentCount) const;
    const ParsedDatabase& database() const { return *db_; }
    std::size_t size() const;

private:
    std::shared_ptr<const ParsedDatabase> db_;
    std::vector<bool> components_;
    std::shared_ptr<const LogKSelection> selection_;
    std::size_t bound_;
    // Conditions as a key: equal conditions (0.0 and -0.0 alike) hash alike.
    struct ConditionsHash {
        std::size_t operator()(const LogKConditions& c) const;
    };
    using Recent = std::list<std::shared_ptr<const LogKValues>>;
    mutable std::mutex mutex_;
    Recent recent_;  // most recent first
    std::unordered_map<LogKConditions, Recent::iterator, ConditionsHash> index_;  // of recent_
};

}  // namespace wq
