#include "activity/pitzer.hpp"

#include <algorithm>
#include <cmath>

#include "input/tables.hpp"
#include "text/failure.hpp"
#include "text/stop.hpp"

namespace wq {
namespace {

// Pitzer's b = 1.2 kg^0.5 mol^-0.5, the same for all electrolytes (Pitzer
// 1973; HMW eq. 4).
constexpr double PITZER_B = 1.2;

// alpha1, alpha2 of the B functions (kg^0.5 mol^-0.5): 2-2 electrolytes 1.4
// and 12 (Pitzer & Mayorga 1974, J. Solution Chem. 3, 539-546; HMW), every
// other electrolyte 2 and, where the data give it a beta(2), 12. The data set
// does not state alpha2 for the few other electrolytes with a beta(2)
// (CaCl2, Ca(OH)2, NaHCO3): 12 reproduces the measured gamma+- of CaCl2 of
// the tests within 1.6 % to 5 m, 50 within 2.3 %, 0 not at all.
constexpr double ALPHA1_DEFAULT = 2.0;
constexpr double ALPHA1_TWO_TWO = 1.4;
constexpr double ALPHA2 = 12.0;

// Molar mass of water, kg/mol: the inverse of the program's moles of water
// per kilogram.
constexpr double WATER_KG_PER_MOL = 1.0 / MOLES_WATER_PER_KG;

// ------------------------------------------------------------ B functions

// g(x) = 2 [1 - (1 + x) e^-x] / x^2 (HMW eq. 6); for small x from its series
// 1 - 2x/3 + x^2/4 - x^3/15 + ..., 2 sum_{k>=2} (-1)^k (k-1) x^(k-2) / k!.
constexpr double G_SERIES_BELOW = 0.01;
double gFunction(double x) {
    if (x >= G_SERIES_BELOW) return 2.0 * (1.0 - (1.0 + x) * std::exp(-x)) / (x * x);
    double sum = 0.0;
    double power = 1.0;  // x^(k-2)
    double factorial = 2.0;
    double sign = 1.0;  // (-1)^k
    for (int k = 2; k <= 8; ++k) {
        if (k > 2) {
            power *= x;
            factorial *= k;
        }
        sum += sign * (k - 1) * power / factorial;
        sign = -sign;
    }
    return 2.0 * sum;
}

}  // namespace

double aPhiFromDebyeHuckelA(double debyeA) { return debyeA * std::log(10.0) / 3.0; }

void PitzerModel::Coefficients::at(double tKelvin) { value = pitzerTemperatureFunction(a, tKelvin); }

PitzerModel::PitzerModel(const PitzerParameters& parameters, std::span<const PitzerSolute> solutes) {
    for (const PitzerSolute& s : solutes) {
        if (indexOf(s.name) >= 0) throw InternalError{"PitzerModel: the solute " + s.name + " is listed twice"};
        name_.push_back(s.name);
        charge_.push_back(s.charge);
    }
    for (const PitzerTerm& t : parameters.terms) {
        std::array<int, 3> idx{-1, -1, -1};
        bool present = true;
        for (int k = 0; k < t.speciesCount; ++k) {
            idx[static_cast<std::size_t>(k)] = indexOf(t.species[static_cast<std::size_t>(k)]);
            present = present && idx[static_cast<std::size_t>(k)] >= 0;
        }
        if (!present) continue;
        switch (t.kind) {
            case PitzerKind::beta0:
            case PitzerKind::beta1:
            case PitzerKind::beta2:
            case PitzerKind::cPhi:
            case PitzerKind::alphas: addSaltTerm(parameters, t, idx[0], idx[1]); break;
            case PitzerKind::theta: addMixingTerm(parameters, t, idx[0], idx[1]); break;
            case PitzerKind::lambda: addLambdaTerm(parameters, t, idx[0], idx[1]); break;
            case PitzerKind::zeta:
            case PitzerKind::psi: addTripleTerm(parameters, t, idx); break;
        }
    }
    addUnlikeChargePairs();
    eThetaNow_.resize(chargePairs_.size());
    setConditions(PITZER_REFERENCE_KELVIN, 1.0, 0.0);
}

int PitzerModel::indexOf(const std::string& name) const {
    for (std::size_t i = 0; i < name_.size(); ++i)
        if (name_[i] == name) return static_cast<int>(i);
    return -1;
}

PitzerModel::SaltPair& PitzerModel::saltPair(int cation, int anion) {
    for (SaltPair& s : salts_)
        if (s.cation == cation && s.anion == anion) return s;
    SaltPair s;
    s.cation = cation;
    s.anion = anion;
    if (std::fabs(charge_[static_cast<std::size_t>(cation)]) == 2.0 &&
        std::fabs(charge_[static_cast<std::size_t>(anion)]) == 2.0)
        s.alpha1 = ALPHA1_TWO_TWO;
    else
        s.alpha1 = ALPHA1_DEFAULT;
    s.alpha2 = ALPHA2;
    salts_.push_back(s);
    return salts_.back();
}

PitzerModel::MixingPair& PitzerModel::mixingPair(int i, int j) {
    for (MixingPair& m : mixing_)
        if ((m.i == i && m.j == j) || (m.i == j && m.j == i)) return m;
    MixingPair m;
    m.i = i;
    m.j = j;
    const double zi = std::fabs(charge_[static_cast<std::size_t>(i)]);
    const double zj = std::fabs(charge_[static_cast<std::size_t>(j)]);
    if (zi != zj) {
        // One E-theta per pair of charges, whatever ions carry them.
        const auto same = [&](const ChargePair& c) {
            return (c.zi == zi && c.zj == zj) || (c.zi == zj && c.zj == zi);
        };
        const auto found = std::find_if(chargePairs_.begin(), chargePairs_.end(), same);
        m.chargePair = static_cast<int>(found - chargePairs_.begin());
        if (found == chargePairs_.end()) chargePairs_.push_back({zi, zj});
    }
    mixing_.push_back(m);
    return mixing_.back();
}

void PitzerModel::addSaltTerm(const PitzerParameters& p, const PitzerTerm& t, int a, int b) {
    const double za = charge_[static_cast<std::size_t>(a)], zb = charge_[static_cast<std::size_t>(b)];
    if (!(za * zb < 0.0))
        fileFailure(p.fileName, t.line, std::string(pitzerKindName(t.kind)) + " " + t.species[0] + " " + t.species[1] +
                                            ": needs a cation and an anion");
    SaltPair& s = za > 0.0 ? saltPair(a, b) : saltPair(b, a);
    switch (t.kind) {
        case PitzerKind::beta0: s.beta0.a = t.coefficients; break;
        case PitzerKind::beta1: s.beta1.a = t.coefficients; break;
        case PitzerKind::beta2: s.beta2.a = t.coefficients; break;
        case PitzerKind::cPhi: s.cPhi.a = t.coefficients; break;
        default:
            s.alpha1 = t.coefficients[0];
            s.alpha2 = t.coefficients[1];
            break;
    }
}

void PitzerModel::addMixingTerm(const PitzerParameters& p, const PitzerTerm& t, int a, int b) {
    const double za = charge_[static_cast<std::size_t>(a)], zb = charge_[static_cast<std::size_t>(b)];
    if (!(za * zb > 0.0))
        fileFailure(p.fileName, t.line, "THETA " + t.species[0] + " " + t.species[1] + ": needs two ions of one sign");
    mixingPair(a, b).theta.a = t.coefficients;
}

void PitzerModel::addLambdaTerm(const PitzerParameters& p, const PitzerTerm& t, int a, int b) {
    const bool aNeutral = charge_[static_cast<std::size_t>(a)] == 0.0;
    const bool bNeutral = charge_[static_cast<std::size_t>(b)] == 0.0;
    if (!aNeutral && !bNeutral)
        fileFailure(p.fileName, t.line,
                    "LAMBDA " + t.species[0] + " " + t.species[1] + ": needs a neutral species");
    NeutralPair n;
    n.n = aNeutral ? a : b;
    n.other = aNeutral ? b : a;
    n.c.a = t.coefficients;
    lambda_.push_back(n);
}

void PitzerModel::addTripleTerm(const PitzerParameters& p, const PitzerTerm& t, const std::array<int, 3>& idx) {
    int neutral = 0, positive = 0, negative = 0;
    for (const int i : idx) {
        const double z = charge_[static_cast<std::size_t>(i)];
        neutral += z == 0.0;
        positive += z > 0.0;
        negative += z < 0.0;
    }
    const std::string what = std::string(pitzerKindName(t.kind)) + " " + t.species[0] + " " + t.species[1] + " " +
                             t.species[2];
    Triple tr;
    tr.c.a = t.coefficients;
    const auto sign = [&](int i) { return charge_[static_cast<std::size_t>(i)]; };
    if (t.kind == PitzerKind::zeta) {
        if (neutral != 1 || positive != 1 || negative != 1)
            fileFailure(p.fileName, t.line, what + ": needs a neutral species, a cation and an anion");
        for (const int i : idx) {
            if (sign(i) == 0.0) tr.i = i;
            if (sign(i) > 0.0) tr.j = i;
            if (sign(i) < 0.0) tr.k = i;
        }
        zeta_.push_back(tr);
        return;
    }
    if (neutral != 0 || !((positive == 2 && negative == 1) || (positive == 1 && negative == 2)))
        fileFailure(p.fileName, t.line, what + ": needs two ions of one sign and one of the other");
    const bool twoCations = positive == 2;
    int filled = 0;
    for (const int i : idx) {
        if ((sign(i) > 0.0) == twoCations) {
            (filled++ == 0 ? tr.i : tr.j) = i;
        } else {
            tr.k = i;
        }
    }
    psi_.push_back(tr);
}

void PitzerModel::addUnlikeChargePairs() {
    const int n = soluteCount();
    for (int i = 0; i < n; ++i) {
        for (int j = i + 1; j < n; ++j) {
            const double zi = charge_[static_cast<std::size_t>(i)], zj = charge_[static_cast<std::size_t>(j)];
            if (zi * zj > 0.0 && zi != zj) mixingPair(i, j);
        }
    }
}

void PitzerModel::setConditions(double tKelvin, double /*pressureBar*/, double debyeA) {
    tKelvin_ = tKelvin;
    aPhi_ = aPhiFromDebyeHuckelA(debyeA);
    for (SaltPair& s : salts_) {
        s.beta0.at(tKelvin);
        s.beta1.at(tKelvin);
        s.beta2.at(tKelvin);
        s.cPhi.at(tKelvin);
        const double zz = std::fabs(charge_[static_cast<std::size_t>(s.cation)] * charge_[static_cast<std::size_t>(s.anion)]);
        s.cMX = s.cPhi.value / (2.0 * std::sqrt(zz));  // HMW eq. 8
    }
    for (MixingPair& m : mixing_) m.theta.at(tKelvin);
    for (Triple& t : psi_) t.c.at(tKelvin);
    for (Triple& t : zeta_) t.c.at(tKelvin);
    for (NeutralPair& l : lambda_) l.c.at(tKelvin);
}

PitzerWater PitzerModel::evaluate(std::span<const double> molality, std::span<double> lnGamma) {
    const std::size_t n = charge_.size();
    if (molality.size() != n || lnGamma.size() != n)
        throw InternalError{"PitzerModel::evaluate: " + std::to_string(n) + " solutes, " +
                            std::to_string(molality.size()) + " molalities, " + std::to_string(lnGamma.size()) +
                            " values"};
    double sumM = 0.0, ionic = 0.0, zSum = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        lnGamma[i] = 0.0;
        const double m = molality[i], z = charge_[i];
        sumM += m;
        ionic += m * z * z;
        zSum += m * std::fabs(z);
    }
    PitzerWater w;
    w.ionicStrength = 0.5 * ionic;
    if (sumM == 0.0) return w;

    const double I = w.ionicStrength;
    double phiSum = 0.0;  // HMW eq. 2: sum of the bracket without its Debye-Hueckel term
    double phiDebyeHuckel = 0.0;
    if (I > 0.0) {
        const double sqrtI = std::sqrt(I);
        const double bs = 1.0 + PITZER_B * sqrtI;
        // HMW eq. 3: the Debye-Hueckel part of F, then the derivative terms.
        double f = -aPhi_ * (sqrtI / bs + 2.0 / PITZER_B * std::log(bs));
        phiDebyeHuckel = -aPhi_ * I * sqrtI / bs;
        double sumMMC = 0.0;  // sum_c sum_a m_c m_a C_ca
        for (const SaltPair& s : salts_) {
            const double mc = molality[static_cast<std::size_t>(s.cation)];
            const double ma = molality[static_cast<std::size_t>(s.anion)];
            const double x1 = s.alpha1 * sqrtI, x2 = s.alpha2 * sqrtI;
            const double e1 = std::exp(-x1), e2 = std::exp(-x2);
            const double g1 = gFunction(x1), g2 = gFunction(x2);
            // HMW eqs. 5-7: B, B' and B-phi; g'(x) = e^-x - g(x).
            const double b = s.beta0.value + s.beta1.value * g1 + s.beta2.value * g2;
            const double bPrime = (s.beta1.value * (e1 - g1) + s.beta2.value * (e2 - g2)) / I;
            const double bPhi = s.beta0.value + s.beta1.value * e1 + s.beta2.value * e2;
            const double term = 2.0 * b + zSum * s.cMX;
            lnGamma[static_cast<std::size_t>(s.cation)] += ma * term;
            lnGamma[static_cast<std::size_t>(s.anion)] += mc * term;
            f += mc * ma * bPrime;
            sumMMC += mc * ma * s.cMX;
            phiSum += mc * ma * (bPhi + zSum * s.cMX);
        }
        for (std::size_t c = 0; c < chargePairs_.size(); ++c)
            eThetaNow_[c] = eTheta(chargePairs_[c].zi, chargePairs_[c].zj, I, aPhi_);
        for (const MixingPair& m : mixing_) {
            const std::size_t i = static_cast<std::size_t>(m.i), j = static_cast<std::size_t>(m.j);
            // Phi = theta + E-theta, Phi' = E-theta', Phi-phi = Phi + I Phi'
            // (HMW eqs. 9; Pitzer 1975).
            const ETheta e = m.chargePair >= 0 ? eThetaNow_[static_cast<std::size_t>(m.chargePair)] : ETheta{};
            const double phi = m.theta.value + e.value;
            lnGamma[i] += 2.0 * molality[j] * phi;
            lnGamma[j] += 2.0 * molality[i] * phi;
            f += molality[i] * molality[j] * e.derivative;
            phiSum += molality[i] * molality[j] * (phi + I * e.derivative);
        }
        for (const Triple& t : psi_) {
            const std::size_t i = static_cast<std::size_t>(t.i), j = static_cast<std::size_t>(t.j),
                              k = static_cast<std::size_t>(t.k);
            const double psi = t.c.value;
            lnGamma[i] += molality[j] * molality[k] * psi;
            lnGamma[j] += molality[i] * molality[k] * psi;
            lnGamma[k] += molality[i] * molality[j] * psi;
            phiSum += molality[i] * molality[j] * molality[k] * psi;
        }
        for (std::size_t i = 0; i < n; ++i) {
            const double z = charge_[i];
            if (z != 0.0) lnGamma[i] += z * z * f + std::fabs(z) * sumMMC;
        }
    }
    // Neutral species (Pitzer 1991; Felmy & Weare 1986): the excess Gibbs
    // energy holds sum_i sum_j lambda_ij m_i m_j over ordered pairs and
    // sum_n sum_c sum_a zeta_nca m_n m_c m_a.
    for (const NeutralPair& l : lambda_) {
        const std::size_t a = static_cast<std::size_t>(l.n), b = static_cast<std::size_t>(l.other);
        const double lambda = l.c.value;
        if (a == b) {
            lnGamma[a] += 2.0 * molality[a] * lambda;
            phiSum += 0.5 * molality[a] * molality[a] * lambda;
        } else {
            lnGamma[a] += 2.0 * molality[b] * lambda;
            lnGamma[b] += 2.0 * molality[a] * lambda;
            phiSum += molality[a] * molality[b] * lambda;
        }
    }
    for (const Triple& t : zeta_) {
        const std::size_t i = static_cast<std::size_t>(t.i), j = static_cast<std::size_t>(t.j),
                          k = static_cast<std::size_t>(t.k);
        const double zeta = t.c.value;
        lnGamma[i] += molality[j] * molality[k] * zeta;
        lnGamma[j] += molality[i] * molality[k] * zeta;
        lnGamma[k] += molality[i] * molality[j] * zeta;
        phiSum += molality[i] * molality[j] * molality[k] * zeta;
    }
    // HMW eq. 2, and ln a_w = -phi M_w sum m.
    w.osmotic = 1.0 + 2.0 * (phiDebyeHuckel + phiSum) / sumM;
    w.lnWaterActivity = -w.osmotic * WATER_KG_PER_MOL * sumM;
    return w;
}

}  // namespace wq
