// The pH scale of the Pitzer model's single-ion activity coefficients on
// the Pitzer database (examples/pitzer/): on the MacInnes scale gamma(Cl-)
// of a KCl solution is its mean activity coefficient, every ion moves by the
// same shift times its charge, so no electroneutral combination (a mineral's
// ion activity product) moves; data without the K+ Cl- parameters refuse it.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "activity/activity_model.hpp"
#include "support/folder.hpp"
#include "text/stop.hpp"

namespace wq {
namespace {

const std::string PITZER_DATABASE = std::string(WQSPEC_SOURCE_DIR) + "/examples/pitzer/LOGKDATA.KDB";
constexpr double DEBYE_A_25C = 0.51139;

struct Solute {
    const char* name;
    double charge, molality;
};

// ln gamma of every species after H+ and water (in the order given), and ln
// a(H2O) last, on `scale`, the species table holding H+ at 1e-6 mol/kg.
std::vector<double> lnGammas(PhScale scale, const std::vector<Solute>& solutes) {
    SpeciesTable sp;
    ComponentTable comp;
    ComponentMap map;
    comp.count = 2;
    sp.count = 2;
    sp.at.growTo(2 + static_cast<int>(solutes.size()));
    sp[HYDROGEN_SLOT].name.assign("H+");
    sp[HYDROGEN_SLOT].charge = 1.0;
    sp[HYDROGEN_SLOT].molality = 1e-6;
    sp[WATER_SLOT].name.assign("H2O");
    for (const Solute& s : solutes) {
        sp[++sp.count].name.assign(s.name);
        sp[sp.count].charge = s.charge;
        sp[sp.count].molality = s.molality;
    }
    std::unique_ptr<ActivityModel> model = makeActivityModel("pitzer", {PITZER_DATABASE, RefreshReach::modelLimit, scale});
    ActivityConditions at;
    at.tables.debyeA = DEBYE_A_25C;
    model->setUp(sp, at);
    ActivityValues values;
    model->refresh(sp, WaterComposition{comp, map, 1.0}, values);
    std::vector<double> out = {std::log(sp[HYDROGEN_SLOT].gamma)};
    for (int i = 3; i <= sp.count; ++i) out.push_back(std::log(sp[i].gamma));
    out.push_back(std::log(sp[WATER_SLOT].gamma));
    return out;
}

TEST(MacInnesScale, ChlorideOfAKClSolutionHasTheMeanActivityCoefficientOfKCl) {
    // The mean the model gives the solution on its own scale (the scale's
    // KCl reference is computed apart, from the same parameters), and the
    // measured one: Robinson & Stokes, Electrolyte Solutions (2nd ed.,
    // 1959), Appendix 8.10, KCl at 25 C.
    struct Case {
        double m, measured;
    };
    for (const Case c : {Case{0.1, 0.770}, Case{1.0, 0.604}, Case{4.0, 0.577}}) {
        const std::vector<Solute> kcl = {{"K+", 1.0, c.m}, {"Cl-", -1.0, c.m - 1e-6}};
        const std::vector<double> free = lnGammas(PhScale::free, kcl), mac = lnGammas(PhScale::macInnes, kcl);
        EXPECT_NEAR(mac[2], 0.5 * (free[1] + free[2]), 1e-6) << c.m;
        EXPECT_NEAR(std::exp(mac[2]), c.measured, 0.01 * c.measured) << c.m;
    }
}

TEST(MacInnesScale, EveryIonMovesByItsChargeAndNoNeutralCombination) {
    // The Dead Sea of Marcus (1977), mol/kg: the shift is a whole unit of ln.
    const std::vector<Solute> brine = {{"Na+", 1, 1.7519},   {"K+", 1, 0.1739},    {"Mg++", 2, 1.5552},
                                       {"Ca++", 2, 0.4274},  {"Cl-", -1, 5.8098},  {"Br-", -1, 0.0602},
                                       {"SO4--", -2, 0.0063}, {"HCO3-", -1, 0.0039}, {"CO2,aq", 0, 0.001}};
    // Without chloride the scale takes gamma(Cl-) of a trace of it.
    const std::vector<Solute> sulfate = {{"Na+", 1, 2.0}, {"SO4--", -2, 1.0}};
    for (const auto& water : {brine, sulfate}) {
        const std::vector<double> free = lnGammas(PhScale::free, water), mac = lnGammas(PhScale::macInnes, water);
        const double shift = mac[0] - free[0];  // H+, charge 1
        EXPECT_GT(std::fabs(shift), 0.05);
        for (std::size_t i = 0; i < water.size(); ++i)
            EXPECT_NEAR(mac[i + 1] - free[i + 1], water[i].charge * shift, 1e-12) << water[i].name;
        EXPECT_EQ(mac.back(), free.back());  // a(H2O)
    }
    // Gypsum, carnallite, calcite (on HCO3- and H+): ion activity products
    // with their water, the same on both scales.
    const std::vector<double> free = lnGammas(PhScale::free, brine), mac = lnGammas(PhScale::macInnes, brine);
    const auto gypsum = [](const std::vector<double>& g) { return g[4] + g[7] + 2 * g.back(); };
    const auto carnallite = [](const std::vector<double>& g) { return g[2] + g[3] + 3 * g[5] + 6 * g.back(); };
    const auto calcite = [](const std::vector<double>& g) { return g[4] + g[8] - g[0]; };
    EXPECT_NEAR(gypsum(mac), gypsum(free), 1e-12);
    EXPECT_NEAR(carnallite(mac), carnallite(free), 1e-12);
    EXPECT_NEAR(calcite(mac), calcite(free), 1e-12);
    // And gamma(Cl-) is that of Cl- in KCl alone at the brine's ionic strength.
    double ionicStrength = 0.5e-6;  // H+
    for (const Solute& s : brine) ionicStrength += 0.5 * s.molality * s.charge * s.charge;
    const std::vector<double> kcl =
        lnGammas(PhScale::free, {{"K+", 1.0, ionicStrength}, {"Cl-", -1.0, ionicStrength - 1e-6}});
    EXPECT_NEAR(mac[5], 0.5 * (kcl[1] + kcl[2]), 1e-6);
}

TEST(MacInnesScale, DataWithoutPotassiumChlorideCannotGiveIt) {
    testing::Folder folder("macinnes-no-kcl");
    folder.write("PITZER.DAT", "TEMPERATURE 0 200\nIONIC_STRENGTH 6\nB0 Na+ Cl- 0.0765\n");
    const std::string database = (folder.path() / "LOGKDATA.KDB").string();
    EXPECT_NE(makeActivityModel("pitzer", {database, RefreshReach::modelLimit, PhScale::free}), nullptr);
    std::string reason;
    try {
        makeActivityModel("pitzer", {database});
        ADD_FAILURE() << "no stop";
    } catch (const Stop& s) {
        reason = s.reason;
    }
    EXPECT_NE(reason.find("have no B0 of K+ Cl-, which the MacInnes pH scale needs"), std::string::npos) << reason;
}

}  // namespace
}  // namespace wq
