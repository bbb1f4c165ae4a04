#include "solver/joint_solve.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "input/db_numbers.hpp"
#include "input/run_input.hpp"
#include "linear/linear.hpp"
#include "linear/newton_system.hpp"
#include "solver/mass_action.hpp"
#include "solver/newton.hpp"
#include "solver/snapshot.hpp"
#include "solver/solver_state.hpp"
#include "text/number_text.hpp"

namespace wq {

namespace {

constexpr double LN10 = 2.302585092994046;

// Bounds of the unknowns. Components as in the iteration's step rules: no
// component above 10 mol/kg, H+ not below 1e-15 (pH 15), nothing below
// 1e-200. The mass of water within six orders of magnitude of a kilogram.
const double LN_MIN_MOLALITY = std::log(1e-200);
const double LN_MIN_HYDROGEN = std::log(1e-15);
const double LN_MAX_MOLALITY = std::log(10.0);
const double LN_MIN_KGW = std::log(1e-6);
const double LN_MAX_KGW = std::log(1e6);

// The iteration bounds secondary molalities at 10 mol/kg, which no solution
// reaches; held there, a species far above it in a poor starting state would
// dominate a balance that no derivative ties to the unknowns, and no step
// could be seen to reduce it. Here the bound is only a guard against
// overflow; below, the iteration's bound of 1e-200.
constexpr double MAX_LOG_MOLALITY_OF_TRIALS = 100.0;

// Trust region of a step, in the Euclidean norm of the changes of ln m: its
// first radius (ln 100: a component moves by two decades at most), its
// largest (four decades), and the smallest before the solve gives up; and
// the least ratio of the actual to the predicted decrease of the residual
// norm for a step to be taken, and the ratios below which the region shrinks
// and above which it may grow.
const double FIRST_RADIUS = std::log(100.0);
const double LARGEST_RADIUS = std::log(1e4);
constexpr double SMALLEST_RADIUS = 1e-10;
constexpr double ACCEPTED_RATIO = 1e-4;
constexpr double POOR_RATIO = 0.25;
constexpr double GOOD_RATIO = 0.75;

// Iteration budgets: of a plain solve (the water, or the easier problem); of
// each continuation step; of the whole continuation.
constexpr int PLAIN_ITERATIONS = 60;
constexpr int STEP_ITERATIONS = 25;
constexpr int CONTINUATION_ITERATIONS = 400;

// Continuation: the first step in t, and the shortest before it gives up.
constexpr double FIRST_CONTINUATION_STEP = 0.25;
constexpr double SHORTEST_CONTINUATION_STEP = 1.0 / 4096.0;

// The intermediate problems of the continuation are solved to this
// tolerance; only the last one, the water itself, to the run's.
constexpr double CONTINUATION_TOLERANCE = 1e-6;

// No tolerance below this: a balance of sums carries a rounding of about
// 1e-16 of its terms, and the activity coefficients are refreshed to it.
constexpr double FINEST_TOLERANCE = 1e-12;

bool pHFixed(const SolverState& prog) { return prog.conditions.pH != 0.0; }

int carbonateRow(const SolverState& prog) {
    return prog.conditions.alkalinity != 0.0 ? prog.map.position(db::CARBONATE) : 0;
}

// The alkalinity the water must carry, per kg of water: the given one in
// equivalents over the given kilograms (55.50825 / Mtot(2) kg per mole, as in
// the alkalinity row of the iteration).
double alkalinityPerKg(const SolverState& prog) {
    return prog.conditions.alkalinity * MOLES_WATER_PER_KG / prog.comp[WATER_SLOT].mtot;
}

// True when the total of component i is a sum of molalities with no negative
// coefficient, so that a total of 0 means the component is not there at all.
bool totalCannotBeBalanced(const SolverState& prog, int i) {
    for (int s = prog.comp.count + 1; s <= prog.sp.count; ++s) {
        const int t = firstTermNaming(prog.sp[s], i);
        if (t != 0 && prog.sp[s].coef[t] < 0.0) return false;
    }
    return true;
}

// ---- one evaluation ---------------------------------------------------------
//
// Every balance is written as two sums of positive terms that must be equal,
// P = N, and solved as ln P - ln N = 0. For a mass balance, P holds the free
// component and the species that count it with a positive coefficient (and
// minus a negative total), N those with a negative coefficient and the total;
// for electroneutrality P the cations (H+ with them) and N the anions; for
// the alkalinity P the species of positive and N those of negative factor,
// and the alkalinity asked. In logarithms a term that dominates its side is
// linear in the unknowns, so that Newton's method crosses decades in one step
// where the balance itself would crawl down by a factor e per step from a
// start far above the solution; and the residual is the relative
// difference of the two sides, which one tolerance measures for every row.

struct Sides {
    JointVector pos, neg;        // per component, mass balance (moles)
    JointVector kgwPos, kgwNeg;  // the same without the total: the terms proportional to kgw
    double cations = 0.0, anions = 0.0;
    double alkPos = 0.0, alkNeg = 0.0;
};

bool namedEarlier(const Species& s, int term) {
    for (int t = 1; t < term; ++t)
        if (s.comp[t] == s.comp[term]) return true;
    return false;
}

void addSigned(double v, double& pos, double& neg) { (v > 0.0 ? pos : neg) += std::fabs(v); }

void sumSides(const SolverState& prog, Sides& sides) {
    const SpeciesTable& sp = prog.sp;
    const int nc = prog.comp.count;
    const double kgw = prog.run.kgw;
    sides.cations = sp[HYDROGEN_SLOT].molality;
    sides.anions = 0.0;
    sides.alkPos = sides.alkNeg = 0.0;
    for (int k = 1; k <= nc; ++k) {
        sides.kgwPos[k] = kgw * (k == WATER_SLOT ? MOLES_WATER_PER_KG : sp[k].molality);
        sides.kgwNeg[k] = 0.0;
        if (k > WATER_SLOT) addSigned(sp[k].charge * sp[k].molality, sides.cations, sides.anions);
        addSigned(sp[k].alkFactor * sp[k].molality, sides.alkPos, sides.alkNeg);
    }
    for (int s = nc + 1; s <= sp.count; ++s) {
        const Species& species = sp[s];
        const double m = species.molality;
        for (int t = 1; t <= species.itot; ++t)
            if (!namedEarlier(species, t))
                addSigned(kgw * species.coef[t] * m, sides.kgwPos[species.comp[t]], sides.kgwNeg[species.comp[t]]);
        addSigned(species.charge * m, sides.cations, sides.anions);
        addSigned(species.alkFactor * m, sides.alkPos, sides.alkNeg);
    }
    for (int k = 1; k <= nc; ++k) {
        const double total = prog.comp[k].mtot;
        sides.pos[k] = sides.kgwPos[k] + std::max(0.0, -total);
        sides.neg[k] = sides.kgwNeg[k] + std::max(0.0, total);
    }
    const double asked = alkalinityPerKg(prog);
    sides.alkPos += std::max(0.0, -asked);
    sides.alkNeg += std::max(0.0, asked);
}

double log10Activity(const Species& s) { return std::log10(s.gamma * s.molality); }

double saturationResidual(const SolverState& prog, int i) {
    const Component& c = prog.comp[i];
    const MineralEntry& mineral = prog.minerals[c.forcedMineral];
    double logQ = 0.0;
    for (int k = 1; k <= mineral.itot; ++k) logQ += mineral.coef[k] * log10Activity(prog.sp[mineral.comp[k]]);
    return logQ - mineral.logK - prog.forced[c.forcedEntry].target;
}

int rowOf(const JointSystem& sys, JointRow kind) {
    for (int i = 1; i <= sys.order; ++i)
        if (sys.row[i] == kind) return i;
    return 0;
}

// ---- the Newton solve -------------------------------------------------------

double lowerBound(int i) {
    return i == WATER_SLOT ? LN_MIN_KGW : i == HYDROGEN_SLOT ? LN_MIN_HYDROGEN : LN_MIN_MOLALITY;
}
double upperBound(int i) { return i == WATER_SLOT ? LN_MAX_KGW : LN_MAX_MOLALITY; }

// The totals that are results rather than data, as the speciation now holds
// them: the iteration's own rule for a fixed pH, activity or alkalinity, the
// total held for the rows of electroneutrality, saturation and pinned ones.
void updateResultTotals(SolverState& prog, const JointSystem& sys) {
    if (hasFixedTotals(prog.input, prog.conditions)) recomputeFixedTotals(prog);
    for (int i = 1; i <= sys.order; ++i) {
        const JointRow row = sys.row[i];
        if (row == JointRow::electroneutrality || row == JointRow::saturation || row == JointRow::pinned)
            prog.comp[i].mtot = heldTotal(prog, i);
    }
}

// After an accepted step: the result totals, then the activity coefficients
// (kept when some molality is beyond the activity model, as in the
// iteration).
void refreshAfterStep(SolverState& prog, const JointSystem& sys) {
    updateResultTotals(prog, sys);
    if (!refreshActivities(prog)) refreshGammas(prog);
}

double norm2(const JointVector& f, int n) {
    double sum = 0.0;
    for (int i = 1; i <= n; ++i) sum += f[i] * f[i];
    return sum;
}

double largest(const JointVector& f, int n) {
    double m = 0.0;
    for (int i = 1; i <= n; ++i) m = std::max(m, std::fabs(f[i]));
    return m;
}

// The Euclidean length, free of overflow for any finite vector (a nearly
// singular Jacobian gives Newton steps of 1e150 and more).
double length(const NewtonVector& x, int n) {
    double largestEntry = 0.0;
    for (int i = 1; i <= n; ++i) largestEntry = std::max(largestEntry, std::fabs(x[i]));
    if (!(largestEntry > 0.0) || !std::isfinite(largestEntry)) return largestEntry;
    double sum = 0.0;
    for (int i = 1; i <= n; ++i) sum += (x[i] / largestEntry) * (x[i] / largestEntry);
    return largestEntry * std::sqrt(sum);
}

double dot(const NewtonVector& a, const NewtonVector& b, int n) {
    double sum = 0.0;
    for (int i = 1; i <= n; ++i) sum += a[i] * b[i];
    return sum;
}

// y = J x, with the Jacobian that stays in newton.a (factorLU factors a copy).
void timesJacobian(const NewtonSystem& newton, const NewtonVector& x, NewtonVector& y) {
    const int n = newton.order;
    for (int i = 1; i <= n; ++i) y[i] = 0.0;
    for (int j = 1; j <= n; ++j)
        for (int i = 1; i <= n; ++i) y[i] += newton.a(i, j) * x[j];
}

// The two directions of a step at the current point: Newton's, from
// J dN = -f (not finite when J is singular), and the Cauchy point, the
// minimum of the linear model |f + J d|^2 / 2 along steepest descent,
// dC = -t g with g = J^T f and t = |g|^2 / |J g|^2.
struct Directions {
    NewtonVector newton, cauchy;
    bool newtonFinite = false;
};

void directions(SolverState& prog, const JointSystem& sys, const JointVector& f, Directions& dir) {
    const int n = sys.order;
    NewtonSystem& newton = prog.newton;
    jointJacobian(prog, sys, newton);
    NewtonVector g, jg;
    for (int j = 1; j <= n; ++j) {
        g[j] = 0.0;
        for (int i = 1; i <= n; ++i) g[j] += newton.a(i, j) * f[i];
    }
    timesJacobian(newton, g, jg);
    const double jgjg = dot(jg, jg, n);
    const double t = jgjg > 0.0 ? dot(g, g, n) / jgjg : 0.0;
    for (int j = 1; j <= n; ++j) dir.cauchy[j] = -t * g[j];
    factorLU(newton, n);
    dir.newtonFinite = newton.pivot[n] != 0;
    if (!dir.newtonFinite) return;
    for (int i = 1; i <= n; ++i) dir.newton[i] = -f[i];
    substituteLU(newton, dir.newton);
    dir.newtonFinite = std::isfinite(length(dir.newton, n));
}

// Powell's dogleg within the radius: the Newton step when it fits; else the
// point where the path from the Cauchy point towards it leaves the region;
// steepest descent cut at the radius when even the Cauchy point lies outside
// (Powell 1970, "A hybrid method for nonlinear equations", in Rabinowitz
// (ed.), Numerical Methods for Nonlinear Algebraic Equations; Nocedal &
// Wright, "Numerical Optimization", 2006, section 4.1).
void dogleg(const Directions& dir, double radius, int n, NewtonVector& d) {
    if (dir.newtonFinite && length(dir.newton, n) <= radius) {
        d = dir.newton;
        return;
    }
    const double cauchyLength = length(dir.cauchy, n);
    if (!dir.newtonFinite || cauchyLength >= radius) {
        const double scale = cauchyLength > 0.0 ? radius / cauchyLength : 0.0;
        for (int i = 1; i <= n; ++i) d[i] = scale * dir.cauchy[i];
        return;
    }
    // |dC + s e| = radius along the unit vector e of dN - dC; |dC| < radius,
    // so the root s is positive (and short of dN, which lies outside).
    NewtonVector e;
    for (int i = 1; i <= n; ++i) e[i] = dir.newton[i] - dir.cauchy[i];
    const double legLength = length(e, n);
    for (int i = 1; i <= n; ++i) e[i] /= legLength;
    const double p = dot(dir.cauchy, e, n);
    const double q = cauchyLength * cauchyLength - radius * radius;
    const double s = -p + std::sqrt(p * p - q);
    for (int i = 1; i <= n; ++i) d[i] = dir.cauchy[i] + s * e[i];
}

// |f + J d|^2 / 2: the residual norm the linear model predicts after d.
double predictedPhi(const NewtonSystem& newton, const JointVector& f, const NewtonVector& d) {
    NewtonVector jd;
    timesJacobian(newton, d, jd);
    double sum = 0.0;
    for (int i = 1; i <= newton.order; ++i) sum += (f[i] + jd[i]) * (f[i] + jd[i]);
    return 0.5 * sum;
}

// Newton's method within a trust region, from u, on the equations of sys.
// True when every residual is within `tolerance`; u then holds the solution
// and the state is set to it. Counts its iterations (Jacobians) into `used`.
//
// Far from the solution one species can dominate two balances at once (an
// iron hydroxide complex of a poor start both the iron balance and the
// alkalinity); the Jacobian is then nearly singular and its Newton step an
// enormous move along the one direction it barely sees. A line search along
// that step can only shorten it; the dogleg turns towards steepest descent
// instead, which reduces the large residuals. Near the solution the Newton
// step fits the region and converges quadratically.
bool newtonSolve(SolverState& prog, JointSystem& sys, JointVector& u, double tolerance, int budget, int& used) {
    const int n = sys.order;
    JointVector f, trialF, trial;
    NewtonVector d;
    Directions dir;
    double radius = FIRST_RADIUS;
    for (int k = 0;; ++k) {
        setJointUnknowns(prog, sys, u);
        jointResiduals(prog, sys, f);
        const double phi = 0.5 * norm2(f, n);
        if (!std::isfinite(phi)) return false;
        if (largest(f, n) <= tolerance) return true;
        if (k == budget) return false;
        ++used;
        directions(prog, sys, f, dir);
        for (bool accepted = false; !accepted;) {
            if (!(radius >= SMALLEST_RADIUS)) return false;
            dogleg(dir, radius, n, d);
            const double stepLength = length(d, n);
            const double predicted = phi - predictedPhi(prog.newton, f, d);
            for (int i = 1; i <= n; ++i) trial[i] = std::clamp(u[i] + d[i], lowerBound(i), upperBound(i));
            setJointUnknowns(prog, sys, trial);
            jointResiduals(prog, sys, trialF);
            const double actual = phi - 0.5 * norm2(trialF, n);
            const double ratio = std::isfinite(actual) && predicted > 0.0 ? actual / predicted : -1.0;
            // A step that fails shrinks the region below its own length,
            // so that the next one differs; one that the model predicted
            // well lets it grow.
            if (ratio < POOR_RATIO)
                radius = POOR_RATIO * std::min(radius, stepLength);
            else if (ratio > GOOD_RATIO && stepLength >= 0.99 * radius)
                radius = std::min(2.0 * radius, LARGEST_RADIUS);
            accepted = ratio > ACCEPTED_RATIO;
        }
        u = trial;
        refreshAfterStep(prog, sys);
    }
}

double tolerance(const SolverState& prog) { return std::max(prog.input.convergence, FINEST_TOLERANCE); }

// Starts sys from the state as it stands: pinned rows at their values, the
// result totals and activity coefficients made consistent with the start.
void startFrom(SolverState& prog, JointSystem& sys, JointVector& u) {
    jointUnknowns(prog, u);
    for (int i = 1; i <= sys.order; ++i) {
        const bool held = sys.row[i] == JointRow::pinned || sys.row[i] == JointRow::absent;
        u[i] = held ? sys.pinnedAt[i] : std::clamp(u[i], lowerBound(i), upperBound(i));
    }
    setJointUnknowns(prog, sys, u);
    refreshAfterStep(prog, sys);
}

// The rows whose totals are results, which the easier problem holds still.
bool heldAtFirst(JointRow row) {
    return row == JointRow::electroneutrality || row == JointRow::alkalinity || row == JointRow::saturation;
}

// The continuation from the easier problem to the water as sys states it.
// True when it reaches the water; u and the state are then its solution.
bool continueFromEasier(SolverState& prog, const SpeciationSnapshot& start, const JointSystem& sys,
                        JointVector& u, int& used) {
    restore(prog, start);
    JointSystem easier = sys;
    jointUnknowns(prog, u);
    bool anyHeld = false;
    for (int i = 1; i <= sys.order; ++i) {
        if (!heldAtFirst(sys.row[i])) continue;
        easier.row[i] = JointRow::pinned;
        easier.pinnedAt[i] = std::clamp(u[i], lowerBound(i), upperBound(i));
        anyHeld = true;
    }
    if (!anyHeld) return false;
    startFrom(prog, easier, u);
    if (!newtonSolve(prog, easier, u, CONTINUATION_TOLERANCE, PLAIN_ITERATIONS, used)) return false;

    // F(u0): the residuals of the water at the easier problem's solution;
    // the path solves F(u) - (1 - t) F(u0) = 0 from t = 0 to t = 1.
    JointSystem path = sys;
    JointVector f0;
    setJointUnknowns(prog, path, u);
    jointResiduals(prog, path, f0);

    SpeciationSnapshot reached;  // the state at the last t reached
    capture(prog, reached);
    JointVector uReached = u;
    double t = 0.0;
    double dt = FIRST_CONTINUATION_STEP;
    while (t < 1.0) {
        const double next = std::min(1.0, t + dt);
        for (int i = 1; i <= sys.order; ++i) path.shift[i] = sys.shift[i] + (1.0 - next) * f0[i];
        u = uReached;
        const double wanted = next == 1.0 ? tolerance(prog) : CONTINUATION_TOLERANCE;
        if (newtonSolve(prog, path, u, wanted, STEP_ITERATIONS, used)) {
            t = next;
            uReached = u;
            capture(prog, reached);
            dt = std::min(2.0 * dt, 1.0);
            continue;
        }
        restore(prog, reached);
        dt /= 4.0;
        if (dt < SHORTEST_CONTINUATION_STEP || used >= CONTINUATION_ITERATIONS) return false;
    }
    u = uReached;
    return true;
}

// The water of sys from the run's starting state: the plain solve, then the
// continuation. The state is the solution when it returns true.
bool solveWater(SolverState& prog, const SpeciationSnapshot& start, JointSystem& sys, int& used) {
    JointVector u;
    restore(prog, start);
    startFrom(prog, sys, u);
    if (newtonSolve(prog, sys, u, tolerance(prog), PLAIN_ITERATIONS, used)) return true;
    return continueFromEasier(prog, start, sys, u, used);
}

// Totals and activities of the solution, as the iteration leaves them. The
// charge imbalance of the run (which the listing reports as the adjustment
// made) is the one the balance removed: that of the starting state.
void finish(SolverState& prog, const JointSystem& sys, double startImbalance) {
    updateResultTotals(prog, sys);
    refreshActivities(prog);
    prog.run.chargeImbalance = rowOf(sys, JointRow::electroneutrality) != 0 ? startImbalance : 0.0;
}

// ---- infeasibility ----------------------------------------------------------

std::string scientific(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3e", v);
    return text;
}

// At most `decimals` decimals, trailing zeros dropped: 200, 25.5.
std::string plain(double v, int decimals) {
    std::string s = fixedText(v, decimals);
    if (s.find('.') == std::string::npos) return s;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s;
}

std::string nameOf(const SolverState& prog, int i) { return std::string(prog.sp[i].name.trimmed()); }

// True when every species of the carbonate component (and the component
// itself) carries an alkalinity of 0 or more: carbonate then adds to the
// alkalinity and never takes from it.
bool carbonateOnlyAdds(const SolverState& prog, int carbonate) {
    if (prog.sp[carbonate].alkFactor < 0.0) return false;
    for (int s = prog.comp.count + 1; s <= prog.sp.count; ++s)
        if (firstTermNaming(prog.sp[s], carbonate) != 0 && prog.sp[s].alkFactor < 0.0) return false;
    return true;
}

double carriedAlkalinity(const SolverState& prog) {
    double sum = 0.0;
    for (int s = 1; s <= prog.sp.count; ++s) sum += prog.sp[s].alkFactor * prog.sp[s].molality;
    return sum;
}

// Alkalinity: the water with no carbonate at all (its molality held at
// 1e-200) and every other condition as given. The species that are left
// carry an alkalinity A0; carbonate can only add to it, so an alkalinity below
// A0 has no carbonate total.
std::string probeAlkalinity(SolverState& prog, const SpeciationSnapshot& start, const JointSystem& sys, int a,
                            int& used) {
    if (!carbonateOnlyAdds(prog, a)) return {};
    JointSystem noCarbonate = sys;
    noCarbonate.row[a] = JointRow::pinned;
    noCarbonate.pinnedAt[a] = LN_MIN_MOLALITY;
    if (!solveWater(prog, start, noCarbonate, used)) return {};
    const double carried = carriedAlkalinity(prog);
    const double asked = alkalinityPerKg(prog);
    if (!(carried > asked)) return {};
    const double pH = -std::log10(prog.sp[HYDROGEN_SLOT].gamma * prog.sp[HYDROGEN_SLOT].molality);
    return "alkalinity " + scientific(asked) + " eq/kgw is below the " + scientific(carried) +
           " eq/kgw carried by non-carbonate species at " + plain(prog.conditions.temperature, 2) + " C and pH " +
           fixedText(pH, 2) + ": no carbonate total can meet it";
}

// The total of the balancing ion e that makes the water of the current state
// neutral, with the totals of the other components as they stand: every
// reaction conserves charge, so each mole of the ion changes the charge of
// the water by z(e), whatever species it forms.
double neededTotal(const SolverState& prog, int e) { return -chargeImbalance(prog) / prog.sp[e].charge; }

// Charge balance: the water with none of the balancing ion (its molality held
// at 1e-200). When the ion must then be added with a negative total, no water
// holding it can be neutral. A forced mineral is named as the cause when the
// water with that component at its given total instead would take a
// positive one.
std::string probeBalance(SolverState& prog, const SpeciationSnapshot& start, const JointSystem& sys, int e,
                         int& used) {
    JointSystem noIon = sys;
    noIon.row[e] = JointRow::pinned;
    noIon.pinnedAt[e] = LN_MIN_MOLALITY;
    if (!solveWater(prog, start, noIon, used)) return {};
    const double needed = neededTotal(prog, e);
    if (!(needed < 0.0)) return {};
    const std::string ion = nameOf(prog, e);
    const std::string balance =
        "balancing on " + ion + " needs a negative " + ion + " total (" + scientific(needed) + " mol)";
    JointVector held;
    for (int q = 1; q <= sys.order; ++q) held[q] = heldTotal(prog, q);
    for (int q = 1; q <= sys.order; ++q) {
        if (sys.row[q] != JointRow::saturation || !(start.comp[q].mtot > 0.0)) continue;
        JointSystem given = noIon;
        given.row[q] = JointRow::massBalance;
        if (!solveWater(prog, start, given, used) || neededTotal(prog, e) < 0.0) continue;
        const ForcedSaturation& entry = prog.forced[prog.comp[q].forcedEntry];
        return "holding " + std::string(entry.mineral.trimmed()) + " at log Q/K " + fixedText(entry.target, 3) +
               " puts " + scientific(held[q]) + " mol of " + nameOf(prog, q) + " in the water, so " + balance;
    }
    return balance;
}

std::string probeInfeasibility(SolverState& prog, const SpeciationSnapshot& start, const JointSystem& sys,
                               int& used) {
    if (const int a = rowOf(sys, JointRow::alkalinity); a != 0) {
        std::string why = probeAlkalinity(prog, start, sys, a, used);
        if (!why.empty()) return why;
    }
    // The H+ total is a proton balance, of either sign: it has none to fail.
    if (const int e = rowOf(sys, JointRow::electroneutrality); e != 0 && e != HYDROGEN_SLOT) return probeBalance(prog, start, sys, e, used);
    return {};
}

}  // namespace

JointSystem jointSystem(const SolverState& prog) {
    JointSystem sys;
    const int nc = prog.comp.count;
    sys.order = nc;
    const int icm = prog.input.fixedActivityPosition;
    const int icarb = carbonateRow(prog);
    const int icb = balancesCharge(prog.input, prog.conditions, prog.forced) ? prog.input.chargeBalancePosition : 0;
    for (int i = 1; i <= nc; ++i) {
        JointRow row = JointRow::massBalance;
        if (i == HYDROGEN_SLOT && pHFixed(prog))
            row = JointRow::fixedPH;
        else if (i == icm)
            row = JointRow::fixedActivity;
        else if (i == icarb)
            row = JointRow::alkalinity;
        else if (prog.comp[i].forcedMineral != 0)
            row = JointRow::saturation;
        else if (i == icb)
            row = JointRow::electroneutrality;
        else if (i > WATER_SLOT && prog.comp[i].mtot == 0.0 && totalCannotBeBalanced(prog, i))
            row = JointRow::absent;
        sys.row[i] = row;
        sys.pinnedAt[i] = row == JointRow::absent ? LN_MIN_MOLALITY : 0.0;
    }
    return sys;
}

void jointUnknowns(const SolverState& prog, JointVector& u) {
    for (int i = 1; i <= prog.comp.count; ++i) u[i] = std::log(i == WATER_SLOT ? prog.run.kgw : prog.sp[i].molality);
}

void setJointUnknowns(SolverState& prog, JointSystem& sys, const JointVector& u) {
    SpeciesTable& sp = prog.sp;
    const int nc = prog.comp.count;
    for (int i = 1; i <= nc; ++i) {
        if (i == WATER_SLOT)
            prog.run.kgw = std::exp(u[i]);
        else
            sp[i].molality = std::exp(u[i]);
    }
    sp[WATER_SLOT].molality = 1.0;
    for (int s = nc + 1; s <= sp.count; ++s) {
        const double x = massActionLogMolality(sp, sp[s]);
        const double bounded = std::clamp(x, MIN_SECONDARY_LOG_MOLALITY, MAX_LOG_MOLALITY_OF_TRIALS);
        sys.bounded[s] = bounded != x;
        sp[s].molality = std::pow(10.0, bounded);
    }
}

void jointResiduals(const SolverState& prog, const JointSystem& sys, JointVector& f) {
    const SpeciesTable& sp = prog.sp;
    Sides sides;
    sumSides(prog, sides);
    for (int i = 1; i <= sys.order; ++i) {
        double r = 0.0;
        switch (sys.row[i]) {
            case JointRow::massBalance: r = std::log(sides.pos[i]) - std::log(sides.neg[i]); break;
            case JointRow::electroneutrality: r = std::log(sides.cations) - std::log(sides.anions); break;
            case JointRow::alkalinity: r = std::log(sides.alkPos) - std::log(sides.alkNeg); break;
            case JointRow::saturation: r = saturationResidual(prog, i); break;
            case JointRow::fixedPH: r = log10Activity(sp[HYDROGEN_SLOT]) + prog.conditions.pH; break;
            case JointRow::fixedActivity: r = log10Activity(sp[i]) - std::log10(prog.input.fixedActivity); break;
            case JointRow::absent:
            case JointRow::pinned: r = std::log(i == WATER_SLOT ? prog.run.kgw : sp[i].molality) - sys.pinnedAt[i]; break;
        }
        f[i] = r - sys.shift[i];
    }
}

void jointJacobian(const SolverState& prog, const JointSystem& sys, NewtonSystem& newton) {
    const SpeciesTable& sp = prog.sp;
    const int n = sys.order;
    newton.order = n;
    for (int j = 1; j <= n; ++j)
        for (int i = 1; i <= n; ++i) newton.a(i, j) = 0.0;
    Sides sides;
    sumSides(prog, sides);
    const int e = rowOf(sys, JointRow::electroneutrality);
    const int a = rowOf(sys, JointRow::alkalinity);
    const double kgw = prog.run.kgw;
    // d(ln P - ln N) / du_j for a term v of the balance whose own derivative
    // is dv: dv / P when v counts on the positive side; on the other |v|
    // counts in N, and -d|v| / N = dv / N.
    auto perSide = [](double v, double dv, double pos, double neg) { return v > 0.0 ? dv / pos : dv / neg; };
    auto massBalance = [&](int i) { return sys.row[i] == JointRow::massBalance; };

    // Components: d m(i) / d ln m(i) = m(i); the water row's free term
    // kgw 55.50825 and every kgw term of a mass balance in the column of ln kgw.
    for (int i = 1; i <= n; ++i) {
        if (massBalance(i))
            newton.a(i, WATER_SLOT) = sides.kgwPos[i] / sides.pos[i] - sides.kgwNeg[i] / sides.neg[i];
        if (i == WATER_SLOT) continue;
        const double m = sp[i].molality;
        if (massBalance(i)) newton.a(i, i) += kgw * m / sides.pos[i];
        const double z = i == HYDROGEN_SLOT ? 1.0 : sp[i].charge;
        if (e != 0 && z != 0.0) newton.a(e, i) += perSide(z, z * m, sides.cations, sides.anions);
        const double y = sp[i].alkFactor;
        if (a != 0 && y != 0.0) newton.a(a, i) += perSide(y, y * m, sides.alkPos, sides.alkNeg);
    }

    // Secondary species: d m_s / d ln m(c) = m_s times the coefficients of c
    // in the reaction of s (all its terms naming c); the activity of water and
    // the activity coefficients are held.
    for (int s = prog.comp.count + 1; s <= sp.count; ++s) {
        if (sys.bounded[s]) continue;
        const Species& species = sp[s];
        const double m = species.molality;
        for (int t = 1; t <= species.itot; ++t) {
            const int c = species.comp[t];
            if (c == WATER_SLOT) continue;
            const double dlnm = species.coef[t];
            for (int h = 1; h <= species.itot; ++h) {
                const int i = species.comp[h];
                if (!massBalance(i) || namedEarlier(species, h)) continue;
                const double v = kgw * species.coef[h] * m;
                newton.a(i, c) += perSide(v, v * dlnm, sides.pos[i], sides.neg[i]);
            }
            if (e != 0 && species.charge != 0.0)
                newton.a(e, c) += perSide(species.charge, species.charge * m * dlnm, sides.cations, sides.anions);
            if (a != 0 && species.alkFactor != 0.0)
                newton.a(a, c) += perSide(species.alkFactor, species.alkFactor * m * dlnm, sides.alkPos, sides.alkNeg);
        }
    }

    // The equations in log10 units: d log10(gamma m) / d ln m = 1 / ln 10.
    for (int i = 1; i <= n; ++i) {
        switch (sys.row[i]) {
            case JointRow::saturation: {
                const MineralEntry& mineral = prog.minerals[prog.comp[i].forcedMineral];
                for (int k = 1; k <= mineral.itot; ++k)
                    if (mineral.comp[k] != WATER_SLOT) newton.a(i, mineral.comp[k]) += mineral.coef[k] / LN10;
                break;
            }
            case JointRow::fixedPH:
            case JointRow::fixedActivity: newton.a(i, i) = 1.0 / LN10; break;
            case JointRow::absent:
            case JointRow::pinned: newton.a(i, i) = 1.0; break;
            default: break;
        }
    }
}

JointResult jointSolve(SolverState& prog) {
    JointResult result;
    JointSystem sys = jointSystem(prog);
    if (rowOf(sys, JointRow::fixedActivity) != 0 && !(prog.input.fixedActivity > 0.0)) return result;
    SpeciationSnapshot start;
    capture(prog, start);
    const double startImbalance = chargeImbalance(prog);
    result.solved = solveWater(prog, start, sys, result.iterations);
    if (result.solved) {
        finish(prog, sys, startImbalance);
        return result;
    }
    result.infeasibility = probeInfeasibility(prog, start, sys, result.iterations);
    return result;
}

}  // namespace wq
