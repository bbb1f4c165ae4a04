// The rows of the joint solve's system as values: the equation each
// component's row holds, the mass action of a logReaction row, and the
// system's bookkeeping (joint_system.hpp builds and evaluates it).
#pragma once

#include <array>

#include "input/tables.hpp"
#include "text/table.hpp"

namespace wq {

using JointVector = Table<double, MAX_COMPONENTS>;

// The equation in the row of a component.
enum class JointRow {
    massBalance,        // also the water row
    absent,             // a total of 0 that no species can balance: m held at 1e-200, total kept 0
    electroneutrality,
    fixedPH,
    fixedActivity,
    alkalinity,
    saturation,
    pinned,             // ln m held at a value: continuation and the probes for infeasibility
    logReaction,        // sum_k c_k log10 a(comp_k) = constant: a redox couple's mass action, a fixed pe or O2,aq
};

// The equation of a logReaction row, on run positions.
struct LogReaction {
    int terms = 0;
    std::array<double, MAX_TERMS + 1> coef{};
    std::array<int, MAX_TERMS + 1> comp{};
    double constant = 0.0;
};

struct JointSystem {
    int order = 0;
    Table<JointRow, MAX_COMPONENTS> row;
    JointVector pinnedAt;                // ln m of a pinned or absent row
    JointVector shift;                   // subtracted from the unscaled residual (continuation)
    // The mass-balance row in which the terms of component k count: k's own,
    // or, for the oxidized member of a coupled redox pair, the reduced
    // member's (the balance of the element).
    Table<int, MAX_COMPONENTS> countsIn;
    Table<LogReaction, MAX_COMPONENTS> reaction;  // of a logReaction row
    double lnHighestMolality = 0.0;  // ln of the activity model's highest component molality
};

}  // namespace wq
