// Warm starts: a water started from the converged speciation of a water like
// it rather than from the run input's first guesses. Waters of one table are
// usually alike (a survey, a monitoring series, variants of one analysis), so
// the solution of one, its component molalities scaled to the next water's
// totals, lies within a few Newton loops of the next one's. The solution is
// the one the cold start finds, to within the convergence tolerance: the start
// changes the path, not the equations.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "input/tables.hpp"

namespace wq {

struct SolverState;

// A warm start is given up, and the water solved from its cold start, when it
// has not converged within this many loops (a cold start of a seawater
// variant needs about 14).
constexpr int WARM_START_LOOPS = 8;

// The converged state of one water, as a start for the next.
struct WarmStart {
    double temperature = 0.0;
    std::vector<Name20> species;  // the run's species, by position
    // What each row of the solved water was given (a total, 10^-pH, an
    // alkalinity, a fixed activity), to scale its molality by.
    std::vector<double> given;
    std::vector<double> molality, gamma;  // every species, converged
    double kgw = 1.0;                     // the mass of water, given and solved
    double kgwGiven = 1.0;
    double ionicStrength = 0.0;
    double ionicTotal = 0.0;  // sum of z^2 times the charged components' totals, given
    // The kinds of rows (fixed pH, alkalinity, fixed activity, charge balance).
    std::array<int, 4> rows{};
};

// The last few converged waters of one run of waters (a chunk of a table), to
// start the next from the nearest by temperature and composition. What it
// holds depends only on the waters kept, in their order.
class WarmStarts {
public:
    static constexpr std::size_t KEPT = 4;
    void clear() { count_ = 0; }
    // The converged state of `prog`, its run just solved, replacing the oldest.
    void keep(const SolverState& prog);
    // The kept state nearest to the water set up in `prog` (its start noted:
    // noteStart) that fits its species and rows; null when none does.
    const WarmStart* nearest(const SolverState& prog) const;

private:
    std::array<WarmStart, KEPT> kept_;
    std::size_t count_ = 0, next_ = 0;
};

// The quantities of the water just set up that a warm start scales by, kept
// in its storage before the solve changes them (the charge balance moves a
// total), for WarmStarts::keep.
void noteStart(SolverState& prog);

// `prog`, set up, started from `warm` (which fits it: WarmStarts::nearest):
// every component molality scaled to the water's own quantities, every
// activity coefficient and the ionic strength from `warm`, the secondary
// species by mass action.
void startFrom(SolverState& prog, const WarmStart& warm);

}  // namespace wq
