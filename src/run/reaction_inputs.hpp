// What a reaction path needs from its front end, apart from the path file.
#pragma once

#include <functional>
#include <vector>

#include "run/reaction_result.hpp"

namespace wq {

// What the path needs from its front end: the totals of the other water of
// each mix step, by database number (totalsPerKgByNumber; indexed by step,
// empty for a step that is no mix), and what to do with each record as it is
// made (may be null).
struct ReactionInputs {
    std::vector<std::vector<double>> mixTotals;
    std::function<void(const ReactionRecord&)> onRecord;
};

}  // namespace wq
