#include "input/logk_cache.hpp"

#include <algorithm>
#include <cmath>
#include <functional>

#include "grid/units.hpp"
#include "input/parsed_database.hpp"

namespace wq {

namespace {

// The activity-model tables (Helgeson, Kirkham and Flowers 1981) hold b_eta
// scaled by 1000, and the B-dot model uses it divided by 2.303 RT, with
// R ln 10 = 4.575673886150001 cal/(mol K); b_Na+Cl- is tabulated x 100.
constexpr double R_LN10 = 4.575673886150001;
constexpr double B_ETA_SCALE = 0.001;
constexpr double B_NACL_SCALE = 0.01;

template <std::size_t N>
bool usesOnly(const std::vector<bool>& components, const std::array<int, N>& number, long long terms) {
    const long long n = std::clamp<long long>(terms, 0, static_cast<long long>(N));
    for (long long j = 0; j < n; ++j) {
        const int k = number[static_cast<std::size_t>(j)];
        if (k < 1 || static_cast<std::size_t>(k) >= components.size() || !components[static_cast<std::size_t>(k)])
            return false;
    }
    return true;
}

// The four tables' values (A, B, b_eta, b_NaCl) at `at` in the model's units.
ActivityTables activityTablesOf(const std::array<double, 4>& value, const LogKConditions& at) {
    ActivityTables am;
    const double kelvin = at.temperature + KELVIN_OFFSET;
    am.debyeA = value[0];
    am.debyeB = value[1];
    am.bEta = value[2] * B_ETA_SCALE / (R_LN10 * kelvin);
    am.bNaCl = value[3] * B_NACL_SCALE;
    return am;
}

// The activity-model tables from their nodes where these serve `at`.
ActivityTables activityTablesAt(const ParsedDatabase& db, const LogKConditions& at, const LogKSelection& chosen,
                                const NodesInterpolator& nodes) {
    std::array<double, 4> value{};
    for (std::size_t k = 0; k < 4; ++k)
        if (!nodes.value(chosen.activityNodes[k], value[k])) return activityTablesAt(db, at);
    return activityTablesOf(value, at);
}

}  // namespace

ActivityTables activityTablesAt(const ParsedDatabase& db, const LogKConditions& at) {
    TableInterpolator tables(*db.image, db.headGroups, at);
    std::array<double, 4> value{};
    for (std::size_t k = 0; k < 4; ++k) value[k] = tables.value(db.head.activity[k]);
    return activityTablesOf(value, at);
}

LogKSelection selectEntries(const ParsedDatabase& db, const std::vector<bool>& components) {
    LogKSelection selection;
    if (db.head.failure == DatabaseHead::Failure::none)
        for (std::size_t k = 0; k < 4; ++k)
            selection.activityNodes[k] = tableNodes(*db.image, db.headGroups, db.head.activity[k]);
    if (!db.aqueous) return selection;
    const AqueousSection& aqueous = *db.aqueous;
    selection.aqueousSlot.assign(aqueous.records.size(), -1);
    for (std::size_t k = 0; k < aqueous.records.size(); ++k) {
        const AqueousRecord& r = aqueous.records[k];
        if (r.isEnd() || r.fault != AqueousRecord::Fault::none || !usesOnly(components, r.number, r.itot)) continue;
        selection.aqueousSlot[k] = static_cast<int>(selection.aqueous.size());
        selection.aqueous.push_back(k);
        selection.aqueousNodes.push_back(tableNodes(*db.image, aqueous.groups, r.table));
    }
    const MineralSection& section = aqueous.minerals;
    selection.mineralSlot.assign(section.entries.size(), -1);
    for (std::size_t k = 0; k < section.entries.size(); ++k) {
        const MineralText& m = section.entries[k];
        if (m.isEnd() || m.fault != MineralText::Fault::none || m.terms > MAX_TERMS ||
            m.table.status != TableRead::ok || !isKeptCode(m.suppression) || !usesOnly(components, m.number, m.terms))
            continue;
        selection.mineralSlot[k] = static_cast<int>(selection.minerals.size());
        selection.minerals.push_back(k);
        selection.mineralNodes.push_back(tableNodes(*db.image, section.groups, m.table));
    }
    return selection;
}

std::shared_ptr<const LogKValues> logKValuesAt(const ParsedDatabase& db, const LogKConditions& at,
                                               std::shared_ptr<const LogKSelection> selection) {
    auto values = std::make_shared<LogKValues>();
    values->database = &db;
    values->at = at;
    values->selection = std::move(selection);
    const LogKSelection& chosen = *values->selection;
    const NodesInterpolator nodes(at);
    if (db.head.failure == DatabaseHead::Failure::none)
        values->activityTables = activityTablesAt(db, at, chosen, nodes);
    if (!db.aqueous) return values;
    const AqueousSection& aqueous = *db.aqueous;
    TableInterpolator species(*db.image, aqueous.groups, at);
    values->aqueous.reserve(chosen.aqueous.size());
    for (std::size_t n = 0; n < chosen.aqueous.size(); ++n) {
        double logK = 0.0;
        if (!nodes.value(chosen.aqueousNodes[n], logK))
            logK = species.value(aqueous.records[chosen.aqueous[n]].table);
        values->aqueous.push_back(logK);
    }
    TableInterpolator minerals(*db.image, aqueous.minerals.groups, at);
    values->minerals.reserve(chosen.minerals.size());
    for (std::size_t n = 0; n < chosen.minerals.size(); ++n) {
        double logK = 0.0;
        if (!nodes.value(chosen.mineralNodes[n], logK))
            logK = minerals.value(aqueous.minerals.entries[chosen.minerals[n]].table);
        values->minerals.push_back(logK);
    }
    return values;
}

LogKCache::LogKCache(std::shared_ptr<const ParsedDatabase> db, std::vector<bool> components, std::size_t bound)
    : db_(std::move(db)),
      components_(std::move(components)),
      selection_(std::make_shared<const LogKSelection>(selectEntries(*db_, components_))),
      bound_(std::max<std::size_t>(bound, 1)) {}

std::size_t LogKCache::ConditionsHash::operator()(const LogKConditions& c) const {
    // + 0.0 turns -0.0 into 0.0, which compares equal to it.
    std::size_t h = std::hash<double>{}(c.temperature + 0.0);
    const auto mix = [&h](std::size_t v) { h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2); };
    mix(std::hash<double>{}(c.pressure + 0.0));
    mix(static_cast<std::size_t>(c.pressureIndex));
    mix(static_cast<std::size_t>(c.temperatureIndex));
    mix(c.extended ? 1 : 0);
    return h;
}

std::shared_ptr<const LogKValues> LogKCache::at(const LogKConditions& conditions) {
    if (!std::isfinite(conditions.temperature) || !std::isfinite(conditions.pressure))
        return logKValuesAt(*db_, conditions, selection_);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (const auto found = index_.find(conditions); found != index_.end()) {
            recent_.splice(recent_.begin(), recent_, found->second);
            return recent_.front();
        }
    }
    std::shared_ptr<const LogKValues> values = logKValuesAt(*db_, conditions, selection_);
    std::lock_guard<std::mutex> lock(mutex_);
    if (const auto found = index_.find(conditions); found != index_.end()) return *found->second;
    recent_.push_front(values);
    index_.emplace(conditions, recent_.begin());
    if (recent_.size() > bound_) {
        index_.erase(recent_.back()->at);
        recent_.pop_back();
    }
    return values;
}

bool LogKCache::serves(const ComponentMap& map, int componentCount) const {
    for (int position = 1; position <= componentCount; ++position) {
        const int number = map.numberAt[position];
        if (number < 1 || static_cast<std::size_t>(number) >= components_.size() ||
            !components_[static_cast<std::size_t>(number)])
            return false;
    }
    return true;
}

std::size_t LogKCache::size() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return recent_.size();
}

}  // namespace wq
