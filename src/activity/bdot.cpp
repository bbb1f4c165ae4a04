#include "activity/bdot.hpp"

#include <algorithm>
#include <cmath>

#include "activity/neutral.hpp"
#include "input/db_numbers.hpp"

namespace wq {
namespace {

// Neutral species whose database size exceeds this value stand for dissolved
// gases of the CO2 kind and may take the CO2 activity coefficient.
constexpr double CO2_LIKE_MIN_SIZE = 9.98;

// Ion size used when the database gives none (angstrom).
constexpr double DEFAULT_ION_SIZE = 4.0;

// HKF81: the effective size of ion j in a NaCl medium adds the electrostatic
// radius of the counter-ion, r_e(Cl-) = 1.81 A for a cation and r_e(Na+) =
// 1.91 A for an anion, per unit charge.
constexpr double GAMMA_CATION = 1.81;
constexpr double GAMMA_ANION = 1.91;

// Conventional Born coefficient of the ion, omega = eta z^2 / r_e with
// eta = 1.66027e5 A cal/mol (Helgeson, Kirkham & Flowers 1981).
constexpr double BORN_ETA = 166027.0;

// HKF81: b-dot falls by 0.19 kg/mol per unit of charge above one.
constexpr double BDOT_PER_EXTRA_CHARGE = 0.19;

// Factor of the mole-fraction to molality conversion term
// Lambda = -log10(1 + 0.0180528 sum m) of the B-dot equation.
constexpr double LAMBDA_FACTOR = 0.0180528;

// ln 10 and the molar mass of water (g/mol), held in single precision.
constexpr double LN10_SINGLE = double(2.302585f);
constexpr double WATER_MOLAR_MASS_SINGLE = double(18.0153f);

// Database numbers of the components of the osmotic model.

// Osmotic coefficients of single salts after Lietzke & Stoughton: phi = 1 -
// |z+ z-| G F + beta I + gamma I^2, with beta and gamma each c0 + c1/T +
// c2 ln T (T in K). Single-precision values.
struct SaltTerm {
    double c0, c1, c2;
    double at(double tK) const { return c0 + c1 / tK + c2 * std::log(tK); }
};
struct Salt {
    SaltTerm linear;     // coefficient of I
    SaltTerm quadratic;  // coefficient of I^2
    double chargeFactor; // |z+ z-|
};
// 1: the 2:2 sulfate of the divalent cation; 2: its 2:1 chloride; 3: NaCl.
constexpr Salt SALTS[3] = {
    {{double(-14.5582f), double(795.248f), double(2.07668f)},
     {double(2.94534f), double(-156.753f), double(-0.423531f)},
     4.0},
    {{double(-0.17875f), double(64.9074f), double(0.00881813f)},
     {double(0.317576f), double(-17.4918f), double(-0.0447522f)},
     2.0},
    {{double(6.78376f), double(-357.476f), double(-0.975765f)},
     {double(-0.657028f), double(38.5245f), double(0.093631f)},
     1.0},
};

// Number of ions in the formula of each salt.
constexpr double SALT_IONS[3] = {2.0, 3.0, 2.0};

// Effective ion size a = 2 (r + Gamma |z|) / (|z| + 1) (HKF81).
double effectiveSize(double size, double charge) {
    const double gammaCounterIon = charge < 0.0 ? GAMMA_ANION : GAMMA_CATION;
    const double absZ = std::fabs(charge);
    return 2.0 * (size + gammaCounterIon * absZ) / (absZ + 1.0);
}

// Extended Debye-Hueckel (B-dot) equation, Helgeson (1969) and HKF81:
// log10 gamma = Lambda - A z^2 sqrt(I) / (1 + B a sqrt(I)) + bdot I.
double bdotGamma(const ActivityTables& tables, double ionicStrength, double charge, double size, double bdot,
                 double lambda) {
    const double sqrtI = std::sqrt(ionicStrength);
    const double z2 = charge * charge;
    const double logGamma =
        lambda - tables.debyeA * z2 * sqrtI / (1.0 + tables.debyeB * size * sqrtI) + bdot * ionicStrength;
    return std::pow(10.0, logGamma);
}

double totalMolality(const WaterComposition& water, int dbNumber) {
    const int k = water.map.position(dbNumber);
    return k == 0 ? 0.0 : water.comp[k].mtot / water.kgw;
}

// Lietzke & Stoughton mixture of three salts (molalities mS) at ionic
// strength I: the ion-weighted mean of the single-salt osmotic coefficients;
// 0 when the mixture holds no salt.
double osmoticCoefficient(const double (&mS)[3], double tK, double debyeA, double ionicStrength,
                          double ions) {
    if (ions == 0.0) return 0.0;
    // Debye-Hueckel part of phi for B a = 1.5: with X = 1 + 1.5 sqrt(I),
    // |z+ z-| (ln 10 A / (1.5^3 I)) (X - 2 ln X - 1/X).
    const double i = ionicStrength;
    const double x = 1.0 + 1.5 * std::sqrt(i);
    const double f = x - 2.0 * std::log(x) - 1.0 / x;
    const double g = LN10_SINGLE * debyeA / (3.375 * i);
    double weighted = 0.0;
    for (int s = 0; s < 3; ++s) {
        const Salt& salt = SALTS[s];
        const double phiSalt =
            1.0 - salt.chargeFactor * g * f + salt.linear.at(tK) * i + salt.quadratic.at(tK) * (i * i);
        weighted += SALT_IONS[s] * mS[s] * phiSalt;
    }
    return weighted / ions;
}

// The ions of each charge, size and b-dot, which the equation gives one
// coefficient: a seawater has some forty ions in a dozen groups.
void groupIons(const SpeciesTable& sp, BdotParameters& p) {
    p.ions.clear();
    p.ionGroup.growTo(sp.count);
    for (int i = 1; i <= sp.count; ++i) {
        const Species& s = sp[i];
        p.ionGroup[i] = -1;
        if (s.charge == 0.0) continue;
        const BdotParameters::IonGroup ion{s.charge, s.size, p.bdot[i]};
        const auto same = [&](const BdotParameters::IonGroup& g) {
            return g.charge == ion.charge && g.size == ion.size && g.bdot == ion.bdot;
        };
        const auto found = std::find_if(p.ions.begin(), p.ions.end(), same);
        p.ionGroup[i] = static_cast<int>(found - p.ions.begin());
        if (found == p.ions.end()) p.ions.push_back(ion);
    }
}

}  // namespace

void bdotIonParameters(SpeciesTable& sp, BdotParameters& p) {
    p.bdot.growTo(sp.count);
    p.co2Like.growTo(sp.count);
    p.co2LikeCount = 0;
    for (int i = 1; i <= sp.count; ++i) {
        Species& s = sp[i];
        if (s.charge == 0.0 && s.size > CO2_LIKE_MIN_SIZE) {
            p.co2Like[++p.co2LikeCount] = i;
            continue;
        }
        if (s.size == 0.0) s.size = DEFAULT_ION_SIZE;
        const double omega = BORN_ETA * s.charge * s.charge / s.size;
        s.size = effectiveSize(s.size, s.charge);
        // HKF81 b-dot of the ion in NaCl solution: b(Na+Cl-) less 0.19 per
        // extra charge, plus the Born term b_eta omega. H+ takes the Born
        // term alone.
        const double born = p.at.tables.bEta * omega;
        p.bdot[i] = i == HYDROGEN_SLOT
                        ? born
                        : p.at.tables.bNaCl - BDOT_PER_EXTRA_CHARGE * (std::fabs(s.charge) - 1.0) + born;
    }
    groupIons(sp, p);
}

void bdotActivityCoefficients(SpeciesTable& sp, BdotParameters& p, ActivityValues& values) {
    double ionic = 0.0;
    double sumMolality = 0.0;  // water's molality of 1 included
    for (const Species& s : sp.at.positions(1, sp.count)) {
        ionic += s.molality * (s.charge * s.charge);
        sumMolality += s.molality;
    }
    values.ionicStrength = 0.5 * ionic;
    const ActivityOption option = p.at.activityOption;
    if (option == ActivityOption::ideal) return;

    double neutralGamma = 1.0;
    if (option != ActivityOption::neutralOne) {
        const int iCO2 = sp.co2Position;
        const double mCO2 = iCO2 > 0 ? sp[iCO2].molality : 0.0;
        p.gammaCO2 = co2ActivityCoefficient(p.at.tKelvin, p.at.pressureBar, values.stoichIonicStrength, mCO2);
        if (option == ActivityOption::neutralCO2) neutralGamma = p.gammaCO2;
    }

    const double lambda = -std::log10(1.0 + LAMBDA_FACTOR * sumMolality);
    p.groupGamma.resize(p.ions.size());
    for (std::size_t k = 0; k < p.ions.size(); ++k)
        p.groupGamma[k] = bdotGamma(p.at.tables, values.ionicStrength, p.ions[k].charge, p.ions[k].size,
                                    p.ions[k].bdot, lambda);
    for (int i = 1; i <= sp.count; ++i) {
        Species& s = sp[i];
        if (s.charge == 0.0) {
            s.gamma = neutralGamma;
            continue;
        }
        // The group's coefficient, the very double of the ion's own equation
        // (an ion changed since its grouping is worked out alone).
        const int k = i <= p.ionGroup.size() ? p.ionGroup[i] : -1;
        const bool grouped = k >= 0 && static_cast<std::size_t>(k) < p.ions.size() &&
                             p.ions[static_cast<std::size_t>(k)].charge == s.charge &&
                             p.ions[static_cast<std::size_t>(k)].size == s.size &&
                             p.ions[static_cast<std::size_t>(k)].bdot == p.bdot[i];
        s.gamma = grouped ? p.groupGamma[static_cast<std::size_t>(k)]
                          : bdotGamma(p.at.tables, values.ionicStrength, s.charge, s.size, p.bdot[i], lambda);
    }
    // The entry of water holds the activity of water, set by the water model.
    sp[WATER_SLOT].gamma = 1.0;

    if (option == ActivityOption::co2ForListed) {
        for (int n = 1; n <= p.co2LikeCount; ++n) sp[p.co2Like[n]].gamma = p.gammaCO2;
    }
}

void lietzkeStoughtonWater(const WaterComposition& water, SpeciesTable& sp, const BdotParameters& p,
                           ActivityValues& values) {
    values.osmotic = 0.0;
    values.stoichIonicStrength = stoichiometricIonicStrength(water, sp);
    if (p.at.activityOption == ActivityOption::ideal) return;
    if (p.at.waterOption == WaterOption::unity) {
        sp[WATER_SLOT].gamma = 1.0;
        return;
    }

    const double tK = p.at.tKelvin;
    if (tK >= MIXED_FLUID_MIN_KELVIN) {
        const int iCO2 = sp.co2Position;
        const double mCO2 = iCO2 > 0 ? sp[iCO2].molality : 0.0;
        sp[WATER_SLOT].gamma = waterActivityHighT(tK, p.at.pressureBar, values.stoichIonicStrength, mCO2);
        return;
    }

    // Salt molalities: sulfate pairs with the divalent cation first, the rest
    // of the cation takes chloride as a 2:1 salt, the remaining chloride is
    // NaCl. mS3 is taken before mS2 is clamped at 0, so a sulfate excess over
    // the cation adds twice the shortfall to the NaCl. Where the chloride is
    // less than twice the cation left over (a Ca-Mg-HCO3 water with little
    // chloride) the remaining chloride is negative: no NaCl, never a negative
    // molality of it, whose negative count of ions would make ln aw positive
    // (a(H2O) > 1) and the ion-weighted osmotic coefficient meaningless.
    const ComponentMap& map = water.map;
    double mS[3];
    mS[0] = totalMolality(water, db::SULFATE);
    mS[1] = map.position(db::DIVALENT_CATION) != 0 ? totalMolality(water, db::DIVALENT_CATION) - mS[0] : 0.0;
    mS[2] = map.position(db::CHLORIDE) != 0 ? totalMolality(water, db::CHLORIDE) - 2.0 * mS[1] : 0.0;
    mS[1] = std::max(mS[1], 0.0);
    mS[2] = std::max(mS[2], 0.0);

    const double ions = SALT_IONS[0] * mS[0] + SALT_IONS[1] * mS[1] + SALT_IONS[2] * mS[2];
    values.osmotic = osmoticCoefficient(mS, tK, p.at.tables.debyeA, values.stoichIonicStrength, ions);
    // ln aw = -phi M_w sum(nu m) / 1000.
    sp[WATER_SLOT].gamma = std::exp(-values.osmotic * WATER_MOLAR_MASS_SINGLE * ions * 0.001);
}

namespace {

// The B-dot model behind the interface: its parameters rebuilt at every run.
class BdotModel final : public ActivityModel {
public:
    explicit BdotModel(RefreshReach reach) : reach_(reach) {}
    void setUp(SpeciesTable& sp, const ActivityConditions& at) override {
        parameters_.at = at;
        bdotIonParameters(sp, parameters_);
    }
    void refresh(SpeciesTable& sp, const WaterComposition& water, ActivityValues& values) override {
        bdotActivityCoefficients(sp, parameters_, values);
        lietzkeStoughtonWater(water, sp, parameters_, values);
        values.unusable = unusableActivities(sp, "B-dot");
    }
    // The B-dot equation has no basis beyond a few mol/kg. Computed above
    // them all the same (RefreshReach::everyMolality), it gives finite
    // coefficients and water activities: I and the coefficients of the water
    // as it is, its range noted by the front ends (I above 1 mol/kg).
    double highestRefreshedMolality() const override { return 7.0; }
    RefreshReach reach() const override { return reach_; }
    // A component above 10 mol/kg is outside any water the equation
    // describes.
    double highestComponentMolality() const override { return 10.0; }
    // The tolerances as given, with which every B-dot result has been
    // computed. An unbuffered water meets the rounding they leave out as a
    // brine does (the H+ total of a CaCl2 water concentrated step by step);
    // the joint solve then solves it.
    double balanceResolution() const override { return 0.0; }
    std::unique_ptr<ActivityModel> clone() const override { return std::make_unique<BdotModel>(reach_); }
    std::string_view name() const override { return "b-dot"; }

private:
    RefreshReach reach_;
    BdotParameters parameters_;
};

}  // namespace

std::unique_ptr<ActivityModel> makeBdotModel(const ActivityModelSource& source) {
    return std::make_unique<BdotModel>(source.reach);
}

}  // namespace wq
