#include "solver/joint_system.hpp"

#include <algorithm>
#include <cmath>

#include "activity/activity_model.hpp"
#include "input/run_input.hpp"
#include "linear/newton_system.hpp"
#include "solver/mass_action.hpp"
#include "solver/redox_run.hpp"
#include "solver/solver_state.hpp"
#include "solver/totals.hpp"

namespace wq {

const double LN_MIN_MOLALITY = std::log(1e-200);

namespace {

constexpr double LN10 = 2.302585092994046;

// The other bounds of the unknowns (joint_system.hpp).
const double LN_MIN_HYDROGEN = std::log(1e-15);
const double LN_MIN_KGW = std::log(1e-6);
const double LN_MAX_KGW = std::log(1e6);

// The iteration bounds secondary molalities at 10 mol/kg, which no solution
// reaches; held there, a species far above it in a poor starting state would
// dominate a balance that no derivative ties to the unknowns, and no step
// could be seen to reduce it. Here the bound is only a guard against
// overflow; below, the iteration's bound of 1e-200.
constexpr double MAX_LOG_MOLALITY_OF_TRIALS = 100.0;

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

void sumSides(const SolverState& prog, const JointSystem& sys, Sides& sides) {
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
    // The oxidized member of a coupled pair counts in its element's balance.
    for (int k = 1; k <= nc; ++k) {
        const int r = sys.countsIn[k];
        if (r == k) continue;
        sides.pos[r] += sides.pos[k];
        sides.neg[r] += sides.neg[k];
        sides.kgwPos[r] += sides.kgwPos[k];
        sides.kgwNeg[r] += sides.kgwNeg[k];
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

double logReactionResidual(const SolverState& prog, const LogReaction& r) {
    double sum = -r.constant;
    for (int k = 0; k < r.terms; ++k) {
        const auto t = static_cast<std::size_t>(k);
        sum += r.coef[t] * log10Activity(prog.sp[r.comp[t]]);
    }
    return sum;
}

}  // namespace

double alkalinityPerKg(const SolverState& prog) {
    return prog.conditions.alkalinity * MOLES_WATER_PER_KG / prog.comp[WATER_SLOT].mtot;
}

int rowOf(const JointSystem& sys, JointRow kind) {
    for (int i = 1; i <= sys.order; ++i)
        if (sys.row[i] == kind) return i;
    return 0;
}

double lowerBound(int i) {
    return i == WATER_SLOT ? LN_MIN_KGW : i == HYDROGEN_SLOT ? LN_MIN_HYDROGEN : LN_MIN_MOLALITY;
}
double upperBound(const JointSystem& sys, int i) { return i == WATER_SLOT ? LN_MAX_KGW : sys.lnHighestMolality; }

void updateResultTotals(SolverState& prog, const JointSystem& sys) {
    if (hasFixedTotals(prog.input, prog.conditions)) recomputeFixedTotals(prog);
    for (int i = 1; i <= sys.order; ++i) {
        const JointRow row = sys.row[i];
        // The oxidized member of a coupled pair keeps its total given: it
        // counts in its element's balance (splitElementTotals).
        const bool ownRow = sys.countsIn[i] == i;
        if (row == JointRow::electroneutrality || row == JointRow::saturation || row == JointRow::pinned ||
            (row == JointRow::logReaction && ownRow))
            prog.comp[i].mtot = heldTotal(prog, i);
    }
}

void splitElementTotals(SolverState& prog, const JointSystem& sys) {
    for (int i = 1; i <= sys.order; ++i) {
        if (sys.countsIn[i] == i) continue;
        prog.comp[i].mtot = heldTotal(prog, i);
        prog.comp[sys.countsIn[i]].mtot = heldTotal(prog, sys.countsIn[i]);
    }
}

JointSystem jointSystem(const SolverState& prog) {
    JointSystem sys;
    const int nc = prog.comp.count;
    sys.order = nc;
    sys.lnHighestMolality = std::log(prog.activityModel->highestComponentMolality());
    const int icm = prog.input.fixedActivityPosition;
    const int icarb = alkalinityComponent(prog);
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
        sys.countsIn[i] = i;
    }
    if (prog.redox.active) applyRedoxRows(prog, sys);
    return sys;
}

void jointUnknowns(const SolverState& prog, JointVector& u) {
    for (int i = 1; i <= prog.comp.count; ++i) u[i] = std::log(i == WATER_SLOT ? prog.run.kgw : prog.sp[i].molality);
}

void setJointUnknowns(SolverState& prog, const JointVector& u) {
    SpeciesTable& sp = prog.sp;
    GrowingTable<char>& bounds = prog.storage.boundedSpecies;
    bounds.growTo(sp.count);
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
        bounds[s] = bounded != x;
        sp[s].molality = std::pow(10.0, bounded);
    }
}

void jointResiduals(const SolverState& prog, const JointSystem& sys, JointVector& f) {
    const SpeciesTable& sp = prog.sp;
    Sides sides;
    sumSides(prog, sys, sides);
    for (int i = 1; i <= sys.order; ++i) {
        double r = 0.0;
        switch (sys.row[i]) {
            case JointRow::massBalance: r = std::log(sides.pos[i]) - std::log(sides.neg[i]); break;
            case JointRow::electroneutrality: r = std::log(sides.cations) - std::log(sides.anions); break;
            case JointRow::alkalinity: r = std::log(sides.alkPos) - std::log(sides.alkNeg); break;
            case JointRow::saturation: r = saturationResidual(prog, i); break;
            case JointRow::fixedPH: r = log10Activity(sp[HYDROGEN_SLOT]) + prog.conditions.pH; break;
            case JointRow::fixedActivity: r = log10Activity(sp[i]) - std::log10(prog.input.fixedActivity); break;
            case JointRow::logReaction: r = logReactionResidual(prog, sys.reaction[i]); break;
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
    sumSides(prog, sys, sides);
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
        const int balance = sys.countsIn[i];
        if (massBalance(balance)) newton.a(balance, i) += kgw * m / sides.pos[balance];
        const double z = i == HYDROGEN_SLOT ? 1.0 : sp[i].charge;
        if (e != 0 && z != 0.0) newton.a(e, i) += perSide(z, z * m, sides.cations, sides.anions);
        const double y = sp[i].alkFactor;
        if (a != 0 && y != 0.0) newton.a(a, i) += perSide(y, y * m, sides.alkPos, sides.alkNeg);
    }

    // Secondary species: d m_s / d ln m(c) = m_s times the coefficients of c
    // in the reaction of s (all its terms naming c); the activity of water and
    // the activity coefficients are held.
    for (int s = prog.comp.count + 1; s <= sp.count; ++s) {
        if (prog.storage.boundedSpecies[s]) continue;
        const Species& species = sp[s];
        const double m = species.molality;
        for (int t = 1; t <= species.itot; ++t) {
            const int c = species.comp[t];
            if (c == WATER_SLOT) continue;
            const double dlnm = species.coef[t];
            for (int h = 1; h <= species.itot; ++h) {
                const int i = sys.countsIn[species.comp[h]];
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
            case JointRow::logReaction: {
                const LogReaction& r = sys.reaction[i];
                for (int k = 0; k < r.terms; ++k) {
                    const auto t = static_cast<std::size_t>(k);
                    if (r.comp[t] != WATER_SLOT) newton.a(i, r.comp[t]) += r.coef[t] / LN10;
                }
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

}  // namespace wq
