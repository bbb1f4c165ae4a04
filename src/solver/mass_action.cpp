#include "solver/mass_action.hpp"

#include <algorithm>
#include <array>
#include <cmath>

namespace wq {

namespace {

// log10 m_s by the relation, with log10(m_c gamma_c) of each term's component
// from `logActivityOf`.
template <class LogActivity>
double logMolalityOf(const Species& s, double logGamma, const LogActivity& logActivityOf) {
    double x = -s.logK - logGamma;
    for (int j = 1; j <= s.itot; ++j) x += s.coef[j] * logActivityOf(s.comp[j]);
    return x;
}

double logActivity(const Species& c) { return std::log10(c.molality * c.gamma); }

}  // namespace

double massActionLogMolality(const SpeciesTable& sp, const Species& s) {
    return logMolalityOf(s, logGammaOf(s), [&](int c) { return logActivity(sp[c]); });
}

int firstTermNaming(const Species& s, int component) {
    for (int j = 1; j <= s.itot; ++j)
        if (s.comp[j] == component) return j;
    return 0;
}

void ComponentTerms::build(const SpeciesTable& sp, int nc) {
    nc_ = std::clamp(nc, 0, MAX_COMPONENTS);
    // The first term naming each of the run's components in each reaction,
    // in the order of the table: counted, then put in each component's run.
    const auto eachFirstTerm = [&](auto&& take) {
        for (int s = nc + 1; s <= sp.count; ++s) {
            const Species& species = sp[s];
            const int* comp = species.comp.data();  // terms 1..itot
            const int terms = std::clamp(species.itot, 0, MAX_TERMS);
            for (int j = 0; j < terms; ++j) {
                const int c = comp[j];
                if (c >= 1 && c <= nc_ && std::find(comp, comp + j, c) == comp + j) take(c, Term{s, j + 1});
            }
        }
    };
    std::array<int, MAX_COMPONENTS + 2> count{};
    eachFirstTerm([&](int c, const Term&) { ++count[static_cast<std::size_t>(c)]; });
    start_[1] = 0;
    for (int c = 1; c <= nc_; ++c)
        start_[static_cast<std::size_t>(c + 1)] = start_[static_cast<std::size_t>(c)] + count[static_cast<std::size_t>(c)];
    const auto used = static_cast<std::size_t>(start_[static_cast<std::size_t>(nc_ + 1)]);
    if (terms_.size() < used) terms_.resize(used);
    std::array<int, MAX_COMPONENTS + 2> next = start_;
    eachFirstTerm([&](int c, const Term& t) { terms_[static_cast<std::size_t>(next[static_cast<std::size_t>(c)]++)] = t; });
}

std::span<const ComponentTerms::Term> ComponentTerms::of(int component) const {
    if (component < 1 || component > nc_) return {};
    const auto first = static_cast<std::size_t>(start_[static_cast<std::size_t>(component)]);
    const auto last = static_cast<std::size_t>(start_[static_cast<std::size_t>(component + 1)]);
    return {terms_.data() + first, last - first};
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
    for (Species& species : sp.at.positions(nc + 1, sp.count)) {
        double x = logMolalityOf(species, rememberedLogGamma(species), logActivityOf);
        x = std::min(x, MAX_SECONDARY_LOG_MOLALITY);
        x = std::max(x, MIN_SECONDARY_LOG_MOLALITY);
        species.molality = rememberedMolalityOfLog(species, x);
    }
}

}  // namespace wq
