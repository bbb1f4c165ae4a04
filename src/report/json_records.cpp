// The JSON array of records: one compact object per run, on one line
// (registered as ".json").
#include <nlohmann/json.hpp>

#include "input/tables.hpp"
#include "report/record_fields.hpp"
#include "report/records.hpp"

namespace wq {

namespace {

// Compact, on one line. Text that is not UTF-8 (a name in Latin-1) is
// written with replacement characters, never an abort; non-finite numbers
// have no JSON form and are written as null.
std::string dumped(const nlohmann::json& j) { return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace); }

// Only a run with a redox state has the key: a record without one is the
// record it always was.
nlohmann::json redoxJson(const RedoxReport& redox) {
    using nlohmann::json;
    json couples = json::object();
    for (const RedoxCoupleRow& c : redox.couples)
        couples[c.name] = {{"Eh", c.eh}, {"pe", c.pe}, {"log_a_O2", c.logOxygen}, {"coupled", c.coupled}};
    return {{"state", redox.state},         {"pe", redox.pe},
            {"Eh", redox.eh},               {"log_a_O2", redox.logOxygen},
            {"decoupled", redox.decoupled}, {"couples", std::move(couples)}};
}

// A field's value: a whole number as an integer, NaN as null (as the
// writer writes every non-finite number).
nlohmann::json jsonOf(const RecordCell& cell) {
    switch (cell.kind) {
        case RecordCell::Kind::text:
            return cell.text;
        case RecordCell::Kind::whole:
            return static_cast<long long>(cell.number);
        case RecordCell::Kind::number:
            break;
    }
    return cell.number;
}

// The table's columns carried through, by their headers: only a table that
// has them gives the key, so a record without them is the record it was.
void carriedJson(const RecordColumns& columns, const RecordHead& head, nlohmann::json& j) {
    if (columns.carried.empty()) return;
    nlohmann::json carried = nlohmann::json::object();
    for (std::size_t k = 0; k < columns.carried.size(); ++k)
        carried[columns.carried[k]] = k < head.carried.size() ? head.carried[k] : std::string();
    j["carried"] = std::move(carried);
}

// The fields, the table's carried columns, then the redox state, the pH
// scale and the tables of the species, totals, minerals and gases. The keys
// are written sorted, whatever the order they are set in.
std::string jsonRecord(const RecordColumns& columns, const RecordHead& head, const Results* r) {
    using nlohmann::json;
    json j;
    for (const RecordField& field : recordFields()) {
        if (!field.key) continue;
        const std::optional<RecordCell> cell = field.read(head, r);
        if (cell) j[field.key] = jsonOf(*cell);
    }
    carriedJson(columns, head, j);
    if (!r) return dumped(j);
    if (r->redox.given) j["redox"] = redoxJson(r->redox);
    j["ph_scale"] = r->phScale.empty() ? json(nullptr) : json(r->phScale);
    json species = json::object();
    for (const SpeciesRow& s : r->species) {
        if (s.position == WATER_SLOT) continue;
        species[s.name] = {{"m", s.molality},          {"log_m", s.logMolality()}, {"a", s.activity},
                                    {"log_a", s.logActivity()}, {"gamma", s.gamma}};
    }
    j["species"] = std::move(species);
    json totals = json::object();
    for (const ComponentRow& c : r->components)
        totals[c.name] = {{"moles", c.moles},       {"ppm", c.ppm},     {"molality", c.totalMolality},
                                   {"free_molality", c.molality}, {"alpha", c.alpha}, {"flag", c.flag}};
    j["totals"] = std::move(totals);
    json minerals = json::object();
    for (const MineralRow& m : r->minerals)
        minerals[m.name] = {{"log_K", m.logK}, {"log_Q", m.logQ}, {"SI", m.saturationIndex}};
    j["minerals"] = std::move(minerals);
    json gases = json::object();
    for (const GasRow& g : r->gases)
        gases[g.name] = {{"log_K", g.logK}, {"log_Q", g.logQ}, {"log_f", g.logFugacity}, {"f", g.fugacity}};
    j["gases"] = std::move(gases);
    return dumped(j);
}

class JsonRecords final : public RecordFormat {
public:
    bool fixesColumns() const override { return false; }
    std::string opening(const RecordColumns&) const override { return {}; }
    std::string record(const RecordColumns& columns, const RecordHead& head, const Results* results) const override {
        return jsonRecord(columns, head, results);
    }
    std::string separator(bool first) const override { return first ? "[\n" : ",\n"; }
    std::string closing(bool any) const override { return any ? "\n]\n" : "[]\n"; }
};

}  // namespace

const RecordFormat& jsonRecords() {
    static const JsonRecords format;
    return format;
}

}  // namespace wq
