#include "input/table_units.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

#include "input/component_aliases.hpp"

namespace wq {
namespace {

// Formula weights (g/mol) for the hand conversions below.
constexpr double CALCIUM = 40.078;
constexpr double CHLORIDE = 35.453;
constexpr double SULFATE = 96.0626;
constexpr double BICARBONATE = 61.0168;

// Each unit against a conversion done by hand: the moles per basis unit of
// a cell, and the basis.
TEST(TableUnits, ComponentUnitsAgainstHandConversions) {
    struct Case {
        const char* unit;
        double value, gramsPerMole, charge;
        double moles;
        AmountBasis basis;
    };
    const Case cases[] = {
        {"mol/kgw", 0.01, CALCIUM, 2, 0.01, AmountBasis::kgWater},
        {"mmol/kgw", 2.5, CALCIUM, 2, 2.5e-3, AmountBasis::kgWater},
        // 40.078 mg of calcium is one millimole
        {"mg/kg", 40.078, CALCIUM, 2, 1e-3, AmountBasis::kgSolution},
        {"ppm", 40.078, CALCIUM, 2, 1e-3, AmountBasis::kgSolution},
        {"mg/L", 354.53, CHLORIDE, -1, 1e-2, AmountBasis::litreSolution},
        // 96 062.6 micrograms of sulfate is one millimole
        {"ug/L", 96062.6, SULFATE, -2, 1e-3, AmountBasis::litreSolution},
        {"\u00B5g/L", 96062.6, SULFATE, -2, 1e-3, AmountBasis::litreSolution},
        {"\u03BCg/L", 96062.6, SULFATE, -2, 1e-3, AmountBasis::litreSolution},
        {"mmol/L", 3.0, CALCIUM, 2, 3e-3, AmountBasis::litreSolution},
        // meq per charge: 4 meq/L of Ca++ is 2 mmol/L, of Cl- 4 mmol/L,
        // of SO4-- 2 mmol/L
        {"meq/L", 4.0, CALCIUM, 2, 2e-3, AmountBasis::litreSolution},
        {"meq/L", 4.0, CHLORIDE, -1, 4e-3, AmountBasis::litreSolution},
        {"meq/L", 4.0, SULFATE, -2, 2e-3, AmountBasis::litreSolution},
    };
    for (const Case& c : cases) {
        const std::optional<AmountUnit> unit = componentUnit(c.unit);
        ASSERT_TRUE(unit.has_value()) << c.unit;
        EXPECT_EQ(unit->basis, c.basis) << c.unit;
        const std::optional<double> moles = componentMoles(*unit, c.value, c.gramsPerMole, c.charge);
        ASSERT_TRUE(moles.has_value()) << c.unit;
        EXPECT_NEAR(*moles, c.moles, 1e-12 * c.moles) << c.unit << " " << c.value;
    }
}

TEST(TableUnits, AUnitThatCannotCountTheComponent) {
    // no mass per mole for a mass unit; equivalents of an uncharged species
    EXPECT_FALSE(componentMoles(*componentUnit("mg/L"), 1.0, 0.0, 1.0).has_value());
    EXPECT_FALSE(componentMoles(*componentUnit("meq/L"), 1.0, 60.08, 0.0).has_value());
    EXPECT_TRUE(componentMoles(*componentUnit("mmol/L"), 1.0, 0.0, 0.0).has_value());
}

TEST(TableUnits, UnknownUnitsAreRefusedAndTheListNamesTheKnownOnes) {
    // mmol/kg says not whether per kg of water or of solution.
    for (const char* unit : {"", "mmol/kg", "meq/kgw", "mg/m3", "ppt"})
        EXPECT_FALSE(componentUnit(unit).has_value()) << unit;
    // Any case and spacing, as laboratories write them.
    for (const char* unit : {"mg/l", "MG/L", "mg / L", "mol/L", "ppb", "ug/kg", "g/L", "\u00B5g/l"})
        EXPECT_TRUE(componentUnit(unit).has_value()) << unit;
    const std::string names(componentUnitNames());
    for (const char* unit : {"mol/kgw", "mmol/kgw", "mg/kg", "ppm", "mg/L", "ug/L", "mmol/L", "meq/L"})
        EXPECT_NE(names.find(std::string("[") + unit + "]"), std::string::npos) << unit;
}

TEST(TableUnits, AlkalinityAgainstHandConversions) {
    struct Case {
        const char* unit;
        double value;
        double equivalents;
        AmountBasis basis;
    };
    const Case cases[] = {
        {"eq/kgw", 0.0024, 0.0024, AmountBasis::kgWater},
        {"meq/kgw", 2.4, 0.0024, AmountBasis::kgWater},
        {"meq/L", 2.4, 0.0024, AmountBasis::litreSolution},
        // 61.0168 mg as HCO3 is one milliequivalent
        {"mg/kg as HCO3", 122.0336, 0.002, AmountBasis::kgSolution},
        {"mg/L as HCO3", 122.0336, 0.002, AmountBasis::litreSolution},
        // 100 mg as CaCO3 is two milliequivalents (CaCO3 takes two protons)
        {"mg/kg as CaCO3", 100.0869, 0.002, AmountBasis::kgSolution},
        {"mg/L as CaCO3", 100.0869, 0.002, AmountBasis::litreSolution},
    };
    for (const Case& c : cases) {
        const std::optional<AlkalinityUnit> unit = alkalinityUnit(c.unit);
        ASSERT_TRUE(unit.has_value()) << c.unit;
        EXPECT_EQ(unit->basis, c.basis) << c.unit;
        EXPECT_NEAR(alkalinityEquivalents(*unit, c.value, BICARBONATE), c.equivalents, 1e-15) << c.unit;
        // the dissolved solids count the alkalinity as HCO3
        EXPECT_NEAR(alkalinityGramsAsHco3(*unit, c.value, BICARBONATE), c.equivalents * BICARBONATE, 1e-14) << c.unit;
    }
    for (const char* unit : {"mg/L", "mg/L as HCO3-", "mmol/L", "mg/L as CO3"})
        EXPECT_FALSE(alkalinityUnit(unit).has_value()) << unit;
    EXPECT_EQ(alkalinityUnit("ppm as CaCO3")->basis, AmountBasis::kgSolution);
}

TEST(TableUnits, Temperature) {
    EXPECT_EQ(temperatureOffset(""), 0.0);
    EXPECT_EQ(temperatureOffset("C"), 0.0);
    EXPECT_EQ(temperatureOffset("\u00B0C"), 0.0);
    EXPECT_EQ(temperatureOffset("degC"), 0.0);
    // 283.15 K is 10 C
    EXPECT_NEAR(283.15 + *temperatureOffset("K"), 10.0, 1e-12);
    for (const char* unit : {"F", "\u00B0F", "R"}) EXPECT_FALSE(temperatureOffset(unit).has_value()) << unit;
    for (const char* unit : {"k", "Kelvin"}) EXPECT_NEAR(283.15 + *temperatureOffset(unit), 10.0, 1e-12) << unit;
}

TEST(ComponentAliases, TheCommonComponentsAndTheirMassBasis) {
    struct Case {
        const char* alias;
        const char* component;
        const char* massAs;  // "": the component's own formula weight
    };
    const Case cases[] = {
        {"Ca", "Ca++", ""},     {"Mg", "Mg++", ""},         {"Na", "Na+", ""},     {"K", "K+", ""},
        {"Cl", "Cl-", ""},      {"SO4", "SO4--", ""},       {"SiO2", "SiO2,aq", ""}, {"F", "F-", ""},
        {"Fe", "Fe++", ""},     {"Mn", "Mn++", ""},         {"Al", "Al+++", ""},   {"B", "B(OH)3,aq", "B"},
        {"NO3", "NO3-", ""},    {"Sr", "Sr++", ""},         {"Ba", "Ba++", ""},    {"Li", "Li+", ""},
        {"DIC", "HCO3-", "C"},  {"C(4)", "HCO3-", ""},      {"ca", "Ca++", ""},    {"Fe(III)", "Fe+++", ""},
        {"DO", "O2,aq", ""},    {"H2S", "HS-", ""},         {"As", "H2AsO4-", "As"}, {"PO4", "HPO4--", "PO4"},
        {"NO2", "", ""},
    };
    for (const Case& c : cases) {
        const ComponentAlias* a = componentAlias(c.alias);
        ASSERT_NE(a, nullptr) << c.alias;
        EXPECT_EQ(a->component, c.component) << c.alias;
        EXPECT_EQ(a->massAs, c.massAs) << c.alias;
        EXPECT_FALSE(a->meaning.empty()) << c.alias;
    }
    // A laboratory's "HCO3" is its alkalinity as HCO3, not a total: no alias.
    for (const char* name : {"HCO3", "Ca++", "Fe3", "CO3"}) EXPECT_EQ(componentAlias(name), nullptr) << name;
    // No two short names are one in another case.
    std::set<std::string> seen;
    for (const ComponentAlias& a : componentAliases()) {
        std::string folded(a.alias);
        for (char& ch : folded) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        EXPECT_TRUE(seen.insert(folded).second) << a.alias;
    }
    // Iron is said to be iron(II).
    EXPECT_NE(std::string(componentAlias("Fe")->meaning).find("iron(II)"), std::string::npos);
}

}  // namespace
}  // namespace wq
