#include "input/redox_couples.hpp"

#include <cmath>
#include <limits>
#include <string_view>

#include "input/parsed_database.hpp"
#include "text/fields.hpp"

namespace wq {

double RedoxCouple::coefficientOf(int n) const {
    double sum = 0.0;
    for (int j = 0; j < itot; ++j)
        if (number[static_cast<std::size_t>(j)] == n) sum += coef[static_cast<std::size_t>(j)];
    return sum;
}

std::vector<RedoxCouple> couplesAt(const ParsedDatabase& db, const LogKConditions& at) {
    std::vector<RedoxCouple> out;
    if (!db.couples.present || !db.couples.fault.empty()) return out;
    TableInterpolator tables(*db.image, db.couples.groups, at);
    for (const CoupleText& t : db.couples.entries) {
        RedoxCouple c;
        c.name = std::string(t.name.trimmed());
        c.element = t.element;
        c.oxidized = t.oxidized;
        c.reduced = t.reduced;
        c.itot = t.itot;
        c.coef = t.coef;
        c.number = t.number;
        c.logK = tables.value(t.table);
        out.push_back(c);
    }
    return out;
}

double mineralLogKAt(const ParsedDatabase& db, std::string_view name, const LogKConditions& at) {
    if (!db.aqueous || !db.aqueous->complete) return std::numeric_limits<double>::quiet_NaN();
    const MineralSection& minerals = db.aqueous->minerals;
    TableInterpolator tables(*db.image, minerals.groups, at);
    for (const MineralText& m : minerals.entries)
        if (m.fault == MineralText::Fault::none && !m.isEnd() && m.name.equals(name) &&
            m.table.status == TableRead::ok)
            return tables.value(m.table);
    return std::numeric_limits<double>::quiet_NaN();
}

}  // namespace wq
