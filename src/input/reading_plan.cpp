#include "input/reading_plan.hpp"

#include <algorithm>

namespace wq {

bool operator==(const ReadingKey& a, const ReadingKey& b) {
    const auto sameTable = [](const Table<int, MAX_COMPONENTS>& x, const Table<int, MAX_COMPONENTS>& y) {
        return std::equal(x.data(), x.data() + MAX_COMPONENTS, y.data());
    };
    return a.database == b.database && a.selection == b.selection && a.extended == b.extended &&
           a.componentCount == b.componentCount && a.chargeBalancePosition == b.chargeBalancePosition &&
           a.maxPositions == b.maxPositions && sameTable(a.positionOf, b.positionOf) &&
           sameTable(a.numberAt, b.numberAt) && a.suppressed == b.suppressed && a.decoupled == b.decoupled &&
           a.aqueousAbsent == b.aqueousAbsent && a.mineralAbsent == b.mineralAbsent;
}

}  // namespace wq
