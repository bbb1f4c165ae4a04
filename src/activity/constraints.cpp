#include "activity/constraints.hpp"

#include <algorithm>
#include <array>
#include <cmath>

namespace wq {

namespace {

void clearRow(NewtonSystem& newton, int r, int nc) {
    for (int k = 1; k <= nc; ++k) newton.a(r, k) = 0.0;
}

// log10 of the molality of secondary species s by the mass-action relation,
// unbounded: the alkalinity row takes the species as they follow from the
// current components, even where the iteration's update would clamp them.
// `componentLog` holds log10(gamma m) of components 1..nc, worked out once
// for every species of the row (the very doubles each term would give).
double unboundedLogMolality(const SpeciesTable& sp, const Species& s, int nc,
                            const std::array<double, MAX_COMPONENTS + 1>& componentLog) {
    double x = -logGammaOf(s) - s.logK;
    for (int j = 1; j <= s.itot; ++j) {
        const int c = s.comp[j];
        x += s.coef[j] * (c >= 1 && c <= nc ? componentLog[static_cast<std::size_t>(c)]
                                             : std::log10(sp[c].gamma * sp[c].molality));
    }
    return x;
}

}  // namespace

void fixedPHRow(NewtonSystem& newton, const SpeciesTable& sp, int nc, double pH) {
    const int h = HYDROGEN_SLOT;
    newton.f[h] = std::pow(10.0, -pH) - sp[h].gamma * sp[h].molality;
    clearRow(newton, h, nc);
    newton.a(h, h) = -sp[h].gamma;
}

void fixedActivityRow(NewtonSystem& newton, const SpeciesTable& sp, int nc, int r, double fixedActivity) {
    newton.f[r] = fixedActivity - sp[r].gamma * sp[r].molality;
    clearRow(newton, r, nc);
    newton.a(r, r) = -sp[r].gamma;
}

void alkalinityRow(NewtonSystem& newton, const SpeciesTable& sp, int nc, int r, const ComponentTable& comp,
            double alkalinity, double kgw) {
    double f = -alkalinity * kgw * MOLES_WATER_PER_KG / comp[WATER_SLOT].mtot;

    // Components: Y(k) kgw m(k); the derivative replaces the entry.
    for (int k = 1; k <= nc; ++k) {
        double y = sp[k].alkFactor;
        if (y == 0.0) continue;
        f += y * kgw * sp[k].molality;
        newton.a(r, k) = y * kgw;
    }

    // Secondary species: v = y(i) kgw m_i, and d v / d m(c) = v nu / m(c)
    // for each component c of the reaction.
    std::array<double, MAX_COMPONENTS + 1> componentLog{};
    const int components = std::clamp(nc, 0, MAX_COMPONENTS);
    for (int k = 1; k <= components; ++k) componentLog[static_cast<std::size_t>(k)] = std::log10(sp[k].gamma * sp[k].molality);
    for (const Species& s : sp.at.positions(nc + 1, sp.count)) {
        if (s.alkFactor == 0.0) continue;
        double v = s.alkFactor * kgw * molalityOfLog(s, unboundedLogMolality(sp, s, components, componentLog));
        for (int j = 1; j <= s.itot; ++j) {
            int c = s.comp[j];
            newton.a(r, c) += v * s.coef[j] / sp[c].molality;
        }
        f += v;
    }
    newton.f[r] = f;

    // Derivative with respect to the water mass, the alkalinity term held
    // fixed: sum Y(k) m(k) + sum y(i) m_i. Replaces whatever the species put
    // into the column of water.
    newton.a(r, WATER_SLOT) = f / kgw + MOLES_WATER_PER_KG * alkalinity / comp[WATER_SLOT].mtot;
}

}  // namespace wq
