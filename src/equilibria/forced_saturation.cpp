#include "equilibria/forced_saturation.hpp"

#include <cmath>

namespace wq {

namespace {

// d log10(x) / dx = log10(e) / x.
constexpr double LOG10_E = 0.4342944819032518;

bool namesComponent(const MineralEntry& mineral, int component) {
    for (int k = 1; k <= mineral.itot; ++k)
        if (mineral.comp[k] == component) return true;
    return false;
}

}  // namespace

int missingForcedMineral(const ForcedSaturationList& forced, const ComponentTable& comp) {
    for (int e = 1; e <= forced.count; ++e)
        if (comp[forced[e].component].forcedMineral == 0) return e;
    return 0;
}

bool saturationRow(NewtonSystem& newton, int row, const MineralEntry& mineral, double target,
                   const SpeciesTable& sp) {
    if (!namesComponent(mineral, row)) return false;

    double logQ = 0.0;
    for (int k = 1; k <= mineral.itot; ++k) {
        const Species& c = sp[mineral.comp[k]];
        logQ += mineral.coef[k] * std::log10(c.gamma * c.molality);
    }
    newton.f[row] = logQ - mineral.logK - target;

    // A component named in two terms keeps the later term's derivative.
    for (int k = 1; k <= mineral.itot; ++k) {
        int c = mineral.comp[k];
        newton.a(row, c) = mineral.coef[k] * LOG10_E / sp[c].molality;
    }
    return true;
}

}  // namespace wq
