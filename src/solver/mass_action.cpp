#include "solver/mass_action.hpp"

#include <algorithm>
#include <array>
#include <cmath>

namespace wq {

namespace {

// log10 m_s by the relation, with log10(m_c gamma_c) of each term's component
// from `logActivityOf`.
template <class LogActivity>
double logMolalityOf(const Species& s, const LogActivity& logActivityOf) {
    double x = -s.logK - std::log10(s.gamma);
    for (int j = 1; j <= s.itot; ++j) x += s.coef[j] * logActivityOf(s.comp[j]);
    return x;
}

double logActivity(const Species& c) { return std::log10(c.molality * c.gamma); }

}  // namespace

double massActionLogMolality(const SpeciesTable& sp, const Species& s) {
    return logMolalityOf(s, [&](int c) { return logActivity(sp[c]); });
}

int firstTermNaming(const Species& s, int component) {
    for (int j = 1; j <= s.itot; ++j)
        if (s.comp[j] == component) return j;
    return 0;
}

void massActionUpdate(SpeciesTable& sp, int nc) {
    // The log activity of each component once for every species that names
    // it (the very doubles the relation would work out term by term).
    std::array<double, MAX_COMPONENTS + 1> componentLog{};
    const int components = std::clamp(nc, 0, MAX_COMPONENTS);
    for (int c = 1; c <= components; ++c) componentLog[static_cast<std::size_t>(c)] = logActivity(sp[c]);
    const auto logActivityOf = [&](int c) {
        return c >= 1 && c <= components ? componentLog[static_cast<std::size_t>(c)] : logActivity(sp[c]);
    };
    for (int s = nc + 1; s <= sp.count; ++s) {
        double x = logMolalityOf(sp[s], logActivityOf);
        x = std::min(x, MAX_SECONDARY_LOG_MOLALITY);
        x = std::max(x, MIN_SECONDARY_LOG_MOLALITY);
        sp[s].molality = std::pow(10.0, x);
    }
}

}  // namespace wq
