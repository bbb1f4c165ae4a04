// The MacInnes convention for the single-ion activity coefficients of the
// Pitzer model (MacInnes 1919, J. Am. Chem. Soc. 41, 1086-1092): the
// coefficients the equations give (pitzer.hpp) are unscaled, only their
// electroneutral combinations being measurable; the convention fixes the
// scale by taking gamma(Cl-) in any solution to be the mean activity
// coefficient of KCl at the same ionic strength, on the argument that K+ and
// Cl- move and hydrate alike. Every ion is rescaled by the same factor to
// its charge,
//
//   ln gamma_i(MacInnes) = ln gamma_i + z_i (ln gamma_Cl - ln gamma+-KCl(I)),
//
// so every combination of zero net charge (a mean activity coefficient, the
// ion activity product of a mineral or of any reaction the database writes)
// is left as it was, and neutral species are untouched. gamma+-KCl(I) is that
// of a solution of KCl alone of ionic strength I (molality I) with the
// K+ Cl- parameters of the same data (beta(0), beta(1), C-phi) and the same
// A-phi: the model itself evaluated on that solution. A pH measured against
// NBS buffers in a brine is on this scale (Plummer et al. 1988, USGS WRI
// 88-4153), and the peers report it by default.
#pragma once

#include <array>
#include <span>

#include "activity/pitzer.hpp"

namespace wq {

class MacInnesScale {
public:
    // The KCl solution of the data. Data without a beta(0) of K+ Cl- cannot
    // give the scale: that stops the program, naming the parameter file.
    explicit MacInnesScale(const PitzerParameters& parameters);

    // As PitzerModel::setConditions.
    void setConditions(double tKelvin, double pressureBar, double debyeA);

    // ln gamma+- of KCl alone at ionic strength I (mol/kg, not negative).
    double lnMeanGammaKCl(double ionicStrength);

    // Rescales lnGamma (one value per solute, of the given charges) from
    // the model's own scale, chloride being the solute at index `chloride`
    // (at whatever molality, a trace one too), at ionic strength I.
    void apply(std::span<const double> charge, int chloride, double ionicStrength, std::span<double> lnGamma);

private:
    PitzerModel kcl_;
    std::array<double, 2> molality_{};
    std::array<double, 2> lnGamma_{};
};

}  // namespace wq
