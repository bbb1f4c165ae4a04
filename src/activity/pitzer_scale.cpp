#include "activity/pitzer_scale.hpp"

#include <algorithm>
#include <string>

#include "text/stop.hpp"

namespace wq {

namespace {

constexpr const char* POTASSIUM = "K+";
constexpr const char* CHLORIDE = "Cl-";

bool isKClBeta0(const PitzerTerm& t) {
    if (t.kind != PitzerKind::beta0 || t.speciesCount != 2) return false;
    return (t.species[0] == POTASSIUM && t.species[1] == CHLORIDE) ||
           (t.species[0] == CHLORIDE && t.species[1] == POTASSIUM);
}

const PitzerParameters& withKCl(const PitzerParameters& parameters) {
    if (std::none_of(parameters.terms.begin(), parameters.terms.end(), isKClBeta0))
        stop(ExitStatus::error, "the Pitzer data " + parameters.fileName +
                                    " have no B0 of K+ Cl-, which the MacInnes pH scale needs (--ph-scale free "
                                    "does without it)");
    return parameters;
}

}  // namespace

MacInnesScale::MacInnesScale(const PitzerParameters& parameters)
    : kcl_(withKCl(parameters), std::array<PitzerSolute, 2>{{{POTASSIUM, 1.0}, {CHLORIDE, -1.0}}}) {}

void MacInnesScale::setConditions(double tKelvin, double pressureBar, double debyeA) {
    kcl_.setConditions(tKelvin, pressureBar, debyeA);
}

double MacInnesScale::lnMeanGammaKCl(double ionicStrength) {
    molality_ = {ionicStrength, ionicStrength};
    kcl_.evaluate(molality_, lnGamma_);
    return 0.5 * (lnGamma_[0] + lnGamma_[1]);
}

void MacInnesScale::apply(std::span<const double> charge, int chloride, double ionicStrength,
                          std::span<double> lnGamma) {
    if (charge.size() != lnGamma.size() || chloride < 0 || static_cast<std::size_t>(chloride) >= lnGamma.size())
        throw InternalError{"MacInnesScale::apply: " + std::to_string(charge.size()) + " charges, " +
                            std::to_string(lnGamma.size()) + " values, chloride at " + std::to_string(chloride)};
    const double shift = lnGamma[static_cast<std::size_t>(chloride)] - lnMeanGammaKCl(ionicStrength);
    for (std::size_t i = 0; i < lnGamma.size(); ++i) lnGamma[i] += charge[i] * shift;
}

}  // namespace wq
