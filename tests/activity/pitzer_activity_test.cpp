// The activity models behind their interface: the registry, and the Pitzer
// model built from a run's species table on the Pitzer database
// (examples/pitzer/), against measured values of NaCl solutions at 25 C.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "activity/activity_model.hpp"
#include "text/stop.hpp"

namespace wq {
namespace {

const std::string PITZER_DATABASE = std::string(WQSPEC_SOURCE_DIR) + "/examples/pitzer/LOGKDATA.KDB";

// Debye-Hueckel A (log10 basis) of the bundled database at 25 C and 1 bar,
// as the database reader gives it to the model.
constexpr double DEBYE_A_25C = 0.51139;

TEST(ActivityModels, EachModelIsRegisteredOnceByName) {
    std::vector<std::string> names;
    for (const ActivityModelEntry& entry : activityModels()) names.emplace_back(entry.name);
    EXPECT_EQ(names, (std::vector<std::string>{"b-dot", "pitzer"}));
    EXPECT_EQ(DEFAULT_ACTIVITY_MODEL, "b-dot");
    EXPECT_NE(makeActivityModel(DEFAULT_ACTIVITY_MODEL), nullptr);
    EXPECT_EQ(makeActivityModel("Pitzer"), nullptr);  // names are exact
    EXPECT_EQ(makeActivityModel("davies"), nullptr);
}

TEST(ActivityModels, APitzerModelWithoutItsParameterFileStops) {
    std::string reason;
    try {
        makeActivityModel("pitzer", {"/nonexistent/folder/LOGKDATA.KDB"});
        ADD_FAILURE() << "no stop";
    } catch (const Stop& s) {
        reason = s.reason;
    }
    EXPECT_EQ(reason.rfind("cannot open /nonexistent/folder/PITZER.DAT: ", 0), 0u) << reason;
}

// A NaCl solution of m mol/kg at 25 C, as a run's tables hold it: H+, water,
// Na+ and Cl- the components (1 kg of water), OH- a secondary species.
struct NaClWater {
    SpeciesTable sp;
    ComponentTable comp;
    ComponentMap map;
    std::unique_ptr<ActivityModel> model = makeActivityModel("pitzer", {PITZER_DATABASE});
    ActivityValues values;

    explicit NaClWater(double m, ActivityOption option = ActivityOption::co2ForListed,
                       WaterOption water = WaterOption::fromModel) {
        add("H+", 1.0, 1e-7, 1);
        add("H2O", 0.0, 1.0, 2);
        add("Na+", 1.0, m, 13);
        add("Cl-", -1.0, m, 3);
        sp.at.growTo(++sp.count);
        sp[sp.count].name.assign("OH-");
        sp[sp.count].charge = -1.0;
        sp[sp.count].molality = 1e-7;
        for (int i = 1; i <= sp.count; ++i) sp[i].gamma = 0.5;  // what the model must replace
        ActivityConditions at;
        at.tKelvin = 298.15;
        at.pressureBar = 1.0;
        at.tables.debyeA = DEBYE_A_25C;
        at.activityOption = option;
        at.waterOption = water;
        model->setUp(sp, at);
        model->refresh(sp, WaterComposition{comp, map, 1.0}, values);
    }
    void add(const char* name, double charge, double molality, int number) {
        const int k = ++comp.count;
        sp.count = k;
        sp.at.growTo(k);
        sp[k].name.assign(name);
        sp[k].charge = charge;
        sp[k].molality = molality;
        comp[k].dbNumber = number;
        comp[k].mtot = number == 2 ? 55.50825 : molality;
        map.positionOf[number] = k;
        map.numberAt[k] = number;
    }
    double meanGamma() const { return std::sqrt(sp[3].gamma * sp[4].gamma); }
};

TEST(PitzerActivity, NaClSolutionsAgreeWithRobinsonAndStokes) {
    // Robinson & Stokes, Electrolyte Solutions (2nd ed., 1959), Appendix
    // 8.10: gamma+- and the osmotic coefficient of NaCl at 25 C.
    struct Case {
        double m, meanGamma, osmotic;
    };
    const Case cases[] = {{0.1, 0.778, 0.9324}, {1.0, 0.657, 0.9355}, {3.0, 0.714, 1.0453}, {6.0, 0.986, 1.2706}};
    for (const Case& c : cases) {
        NaClWater w(c.m);
        EXPECT_NEAR(w.meanGamma(), c.meanGamma, 0.01 * c.meanGamma) << c.m;
        EXPECT_NEAR(w.values.osmotic, c.osmotic, 0.03 * c.osmotic) << c.m;
        // ln a_w = -phi M_w sum m, M_w = 1 / 55.50825 kg/mol (H+ and OH- at
        // 1e-7 mol/kg each among the solutes).
        const double solutes = 2.0 * c.m + 2e-7;
        EXPECT_NEAR(std::log(w.sp[WATER_SLOT].gamma), -w.values.osmotic * solutes / MOLES_WATER_PER_KG, 1e-12) << c.m;
        EXPECT_NEAR(w.values.ionicStrength, c.m + 1e-7, 1e-12) << c.m;
        EXPECT_NEAR(w.values.stoichIonicStrength, c.m, 1e-12) << c.m;
        // Every solute has its coefficient, H+ and OH- included.
        EXPECT_NE(w.sp[HYDROGEN_SLOT].gamma, 0.5) << c.m;
        EXPECT_NE(w.sp[5].gamma, 0.5) << c.m;
    }
}

TEST(PitzerActivity, TheRunInputsOptionsForAnIdealSolutionAndForWaterHold) {
    NaClWater ideal(1.0, ActivityOption::ideal);
    for (int i = 1; i <= ideal.sp.count; ++i) EXPECT_EQ(ideal.sp[i].gamma, 0.5) << i;
    EXPECT_NEAR(ideal.values.ionicStrength, 1.0, 1e-6);

    NaClWater unitWater(1.0, ActivityOption::co2ForListed, WaterOption::unity);
    EXPECT_EQ(unitWater.sp[WATER_SLOT].gamma, 1.0);
    EXPECT_NEAR(unitWater.meanGamma(), 0.657, 0.01 * 0.657);
}

TEST(PitzerActivity, AnotherRunRebuildsTheModelFromItsSpecies) {
    // The species a run keeps change with its temperature: a second set-up
    // on a table without Cl- must not keep the solutes of the first.
    NaClWater w(1.0);
    const double withChloride = w.sp[3].gamma;
    w.sp.count = 3;  // H+, water, Na+ only
    ActivityConditions at;
    at.tKelvin = 298.15;
    at.tables.debyeA = DEBYE_A_25C;
    w.model->setUp(w.sp, at);
    w.model->refresh(w.sp, WaterComposition{w.comp, w.map, 1.0}, w.values);
    EXPECT_NEAR(w.values.ionicStrength, 0.5 * (1.0 + 1e-7), 1e-12);
    EXPECT_NE(w.sp[3].gamma, withChloride);
}

TEST(ActivityModels, ValuesNoWaterCanHaveAreNamedWithTheirSpecies) {
    // Fifteen decades of 1 either way (USABLE_ACTIVITY_LIMIT); the first
    // value beyond them in slot order is named.
    struct Case {
        double gammaNa, waterActivity;
        const char* why;
    };
    const Case cases[] = {
        {1e14, 1e-14, ""},
        {NAN, 1.0, "the Pitzer model gives a non-finite activity coefficient for Na+"},
        {INFINITY, 1.0, "the Pitzer model gives a non-finite activity coefficient for Na+"},
        {5.1e25, 1.0, "the Pitzer model gives an activity coefficient of 5.1E+25 for Na+, beyond any water's (1E-15 to 1E+15)"},
        {0.0, 1.0, "the Pitzer model gives an activity coefficient of 0.0E+00 for Na+, beyond any water's (1E-15 to 1E+15)"},
        {NAN, 1e-141, "the Pitzer model gives an activity of water of 1.0E-141, beyond any water's (1E-15 to 1E+15)"},
    };
    NaClWater w(1.0);
    for (const Case& c : cases) {
        w.sp[3].gamma = c.gammaNa;
        w.sp[WATER_SLOT].gamma = c.waterActivity;
        EXPECT_EQ(unusableActivities(w.sp, "Pitzer"), c.why) << c.gammaNa;
    }
}

TEST(PitzerActivity, AnExtendedRunIsTakenUpToTheSaturationPressure) {
    // The data hold along the saturation curve (1 atm below 100 C): a cold
    // water at 1.013 bar, or a run at the saturation pressure, is theirs; a
    // higher pressure is refused.
    struct Case {
        double t, p;
        const char* why;
    };
    const Case cases[] = {
        {5.0, 1.013, ""},
        {15.0, 1.01325, ""},
        {150.0, 4.758, ""},
        {25.0, 500.0,
         "the Pitzer data have no pressure terms: they hold up to 1.013 bar at 25.00 C (the saturation pressure of "
         "water, 1.013 bar below 100 C), not at 500.00 bar"},
        {150.0, 10.0,
         "the Pitzer data have no pressure terms: they hold up to 4.758 bar at 150.00 C (the saturation pressure of "
         "water, 1.013 bar below 100 C), not at 10.00 bar"},
    };
    NaClWater w(1.0);
    for (const Case& c : cases) {
        ActivityConditions at;
        at.tKelvin = c.t + 273.15;
        at.pressureBar = c.p;
        at.tables.debyeA = DEBYE_A_25C;
        at.extendedRun = true;
        std::string why;
        try {
            w.model->setUp(w.sp, at);
        } catch (const Stop& s) {
            why = s.reason;
        }
        EXPECT_EQ(why, c.why) << c.t << " C, " << c.p << " bar";
    }
}

}  // namespace
}  // namespace wq
