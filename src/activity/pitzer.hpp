// The Pitzer activity model: activity coefficients of ions and neutral
// species, the osmotic coefficient and the activity of water of a solution
// of any strength, from the specific interaction parameters of a Pitzer
// database.
//
// Equations: Pitzer (1973, J. Phys. Chem. 77, 268-277; 1991, Activity
// Coefficients in Electrolyte Solutions, 2nd ed., CRC Press, ch. 3), in the
// form of Harvie, Moller & Weare (1984, Geochim. Cosmochim. Acta 48, 723-751,
// eqs. 1-9, "HMW"), with the unsymmetrical mixing terms E-theta and E-theta'
// of Pitzer (1975, J. Solution Chem. 4, 249-265) and the neutral-species terms
// lambda and zeta (Pitzer 1991; Felmy & Weare 1986, Geochim. Cosmochim. Acta
// 50, 2771-2783). Activity coefficients are on the molality scale, individual
// ion values unscaled (the free scale; only their electroneutral combinations
// are measurable): pitzer_scale.hpp puts them on the MacInnes scale.
//
// Use: build the model once per list of solute species (the parameters are
// matched to the species by name, and those that name a species not in the
// list are left out); set the conditions once per temperature; evaluate at
// every Newton step. Evaluation allocates nothing; a model is used by one
// thread at a time.
#pragma once

#include <array>
#include <span>
#include <string>
#include <vector>

#include "activity/pitzer_mixing.hpp"
#include "input/pitzer_parameters.hpp"

namespace wq {

// A solute species of the solution: its name in the database and its charge.
// Water is not a solute and must not be in the list.
struct PitzerSolute {
    std::string name;
    double charge = 0.0;
};

// What an evaluation gives besides the activity coefficients.
struct PitzerWater {
    double ionicStrength = 0.0;       // I = 1/2 sum m z^2, mol/kg
    double osmotic = 1.0;             // osmotic coefficient phi
    double lnWaterActivity = 0.0;     // ln a_w = -phi M_w sum m
};

// Pitzer's A-phi from the Debye-Hueckel A of the B-dot equation (log10
// basis, kg^0.5 mol^-0.5) of the database: A-phi = A ln 10 / 3 (Pitzer 1991,
// ch. 3: A-gamma in natural logarithms is 3 A-phi).
double aPhiFromDebyeHuckelA(double debyeA);

class PitzerModel {
public:
    // Matches the parameters to the species. A parameter that does not fit
    // the charges of its species (B0 of two cations, PSI of three anions, a
    // LAMBDA without a neutral species, ...) stops the program with
    // "<parameter file>, line <n>: <what>". A name listed twice is a fault
    // of the caller (InternalError).
    PitzerModel(const PitzerParameters& parameters, std::span<const PitzerSolute> solutes);

    // The parameters at tKelvin. The data of a Pitzer database carry no
    // pressure terms: pressureBar enters only through debyeA, the
    // Debye-Hueckel A (log10 basis) of the database at the run's T and P.
    void setConditions(double tKelvin, double pressureBar, double debyeA);

    // ln gamma of every solute (same order as the list given at
    // construction) from their molalities (mol/kg, not negative), and the
    // osmotic coefficient and activity of water. Both spans hold one value
    // per solute (other sizes are a fault of the caller: InternalError).
    PitzerWater evaluate(std::span<const double> molality, std::span<double> lnGamma);

    int soluteCount() const { return static_cast<int>(charge_.size()); }
    double aPhi() const { return aPhi_; }

private:
    // Coefficients of a parameter and its value at the current temperature.
    struct Coefficients {
        std::array<double, PITZER_COEFFICIENTS> a{};
        double value = 0.0;
        void at(double tKelvin);
    };
    struct SaltPair {  // cation-anion: beta0, beta1, beta2, C-phi
        int cation = 0, anion = 0;
        Coefficients beta0, beta1, beta2, cPhi;
        double alpha1 = 2.0, alpha2 = 12.0;
        double cMX = 0.0;  // C = C-phi / (2 sqrt|zM zX|) at the current temperature
    };
    struct MixingPair {  // two ions of the same sign: theta and the E-terms
        int i = 0, j = 0;
        Coefficients theta;
        int chargePair = -1;  // E-theta: index in chargePairs_; -1: like charges
    };
    struct ChargePair {  // |charges| of two ions of the same sign
        double zi = 0.0, zj = 0.0;
    };
    struct Triple {  // psi (i, j same sign; k other) or zeta (i neutral, j cation, k anion)
        int i = 0, j = 0, k = 0;
        Coefficients c;
    };
    struct NeutralPair {  // lambda: n neutral; other an ion or a neutral (other == n: itself)
        int n = 0, other = 0;
        Coefficients c;
    };

    int indexOf(const std::string& name) const;
    void addSaltTerm(const PitzerParameters& p, const PitzerTerm& t, int a, int b);
    void addMixingTerm(const PitzerParameters& p, const PitzerTerm& t, int a, int b);
    void addLambdaTerm(const PitzerParameters& p, const PitzerTerm& t, int a, int b);
    void addTripleTerm(const PitzerParameters& p, const PitzerTerm& t, const std::array<int, 3>& idx);
    void addUnlikeChargePairs();
    SaltPair& saltPair(int cation, int anion);
    MixingPair& mixingPair(int i, int j);

    std::vector<std::string> name_;
    std::vector<double> charge_;
    std::vector<SaltPair> salts_;
    std::vector<MixingPair> mixing_;
    std::vector<Triple> psi_;
    std::vector<Triple> zeta_;
    std::vector<NeutralPair> lambda_;
    std::vector<ChargePair> chargePairs_;
    std::vector<ETheta> eThetaNow_;  // per charge pair, at the ionic strength being evaluated
    double aPhi_ = 0.0;
    double tKelvin_ = PITZER_REFERENCE_KELVIN;
};

}  // namespace wq
