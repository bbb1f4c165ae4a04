// A laboratory's export read as it is: its header words and units in any
// case, element units, cells below the detection limit, columns carried
// through, a measured conductance, the density of a row that mixes per kg
// and per litre, and every bad cell of a row told at once.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

#include "input/component_catalog.hpp"
#include "input/formula_mass.hpp"
#include "input/waters.hpp"

namespace wq {
namespace {

// Components as the bundled database numbers them, formula weights as it gives them.
ComponentCatalog labCatalog() {
    ComponentCatalog c;
    c.components = {{1, "H+", 1, 1.0079},         {2, "H2O", 0, 18.0153},     {3, "Cl-", -1, 35.453},
                    {4, "SO4--", -2, 96.0626},    {5, "HCO3-", -1, 61.0168},  {6, "HS-", -1, 33.0729},
                    {9, "Ca++", 2, 40.078},       {11, "SiO2,aq", 0, 60.0843}, {13, "Na+", 1, 22.9898},
                    {15, "Fe++", 2, 55.845},      {16, "Fe+++", 3, 55.845},   {21, "NH4+", 1, 18.0385},
                    {22, "NO3-", -1, 62.0049},    {23, "B(OH)3,aq", 0, 61.833}, {24, "HPO4--", -2, 95.9793},
                    {28, "H2AsO4-", -1, 140.9351}, {31, "O2,aq", 0, 31.9988}};
    return c;
}

WaterTable read(const std::string& text, const TableReading& reading = {}) {
    std::string error;
    std::optional<WaterTable> t = readWaterTable(text, labCatalog(), 1.0, error, reading);
    EXPECT_TRUE(t.has_value()) << error;
    return t ? *t : WaterTable{};
}

std::optional<double> moles(const WaterSample& w, int number) {
    for (const ComponentTotal& t : w.totals)
        if (t.number == number) return t.moles;
    return std::nullopt;
}

// Each header, as laboratories write it, counts its cell as the component
// and mass it names: per kg of water, so the cell is the molality.
TEST(LabTable, HeadersAndUnitsAsLaboratoriesWriteThem) {
    const struct {
        std::string header, cell;
        int number;
        double molality;
    } cases[] = {
        {"ca [mmol/kgw]", "1", 9, 1e-3},
        {"CALCIUM [MMOL/KGW]", "2", 9, 2e-3},
        {"Fe(III) [umol/kgw]", "3", 16, 3e-6},
        {"Fe2+ [mmol/kgw]", "1", 15, 1e-3},
        {"Fe II [mmol/kgw]", "1", 15, 1e-3},
        {"DO [mmol/kgw]", "0.25", 31, 2.5e-4},
        {"H2S [mmol/kgw]", "0.1", 6, 1e-4},
        {"sulfide [mmol/kgw]", "0.1", 6, 1e-4},
        {"NH4 [\u00B5mol/kgw]", "5", 21, 5e-6},
        {"hco3- [mmol/kgw]", "4", 5, 4e-3},  // a database name in another case
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.header);
        const WaterTable t = read("Sample,Temp [degC],\"" + c.header + "\"\nw,25," + c.cell + "\n");
        ASSERT_EQ(t.waters.size(), 1u);
        ASSERT_EQ(t.waters[0].error, "");
        EXPECT_NEAR(moles(t.waters[0], c.number).value_or(-1.0), c.molality, 1e-12 * c.molality);
        EXPECT_EQ(t.waters[0].name, "w");
    }
}

// A mass "as" an element or formula, or an element's short name, counts
// that element: 14.007 mg of nitrate-N is a millimole of nitrate.
TEST(LabTable, ElementUnitsCountTheElement) {
    const struct {
        std::string header;
        double grams;  // per millimole of the component
        int number;
    } cases[] = {
        {"NO3 [mg/L as N]", 14.007, 22},        {"NH4 [mg/l AS N]", 14.007, 21},
        {"PO4 [mg/L as P]", 30.973762, 24},     {"P [mg/L]", 30.973762, 24},
        {"PO4 [mg/L]", 94.969762, 24},          {"SiO2 [mg/L as Si]", 28.085, 11},
        {"SO4 [mg/L as S]", 32.06, 4},          {"Ca [mg/L as CaCO3]", 100.0869, 9},
        {"As [mg/L]", 74.921595, 28},           {"HCO3- [mg/L as HCO3]", 61.016, 5},
        {"B [mg/L]", 10.81, 23},                {"DIC [mg/L]", 12.011, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.header);
        const WaterTable t = read("name,T,\"" + c.header + "\"\nw,25," + std::to_string(c.grams) + "\n");
        ASSERT_EQ(t.waters.size(), 1u);
        ASSERT_EQ(t.waters[0].error, "");
        // Per litre of solution: the moles in the row's kilogram of water.
        EXPECT_NEAR(moles(t.waters[0], c.number).value_or(-1.0), 1e-3, 1e-9);
    }
    std::string why;
    EXPECT_FALSE(gramsPerMoleAs("N", "SO4--", -2, why).has_value());
    EXPECT_EQ(why, "SO4-- holds no N, so no mass of it counts it as N");
}

// A species named by its database name with a mass unit counts its own
// mass; where a laboratory reports the element, the table says so once.
TEST(LabTable, ASpeciesALaboratoryReadsAsItsElementIsNoted) {
    const WaterTable t = read("name,T,H2AsO4- [ug/L]\nw,25,74.92\n");
    ASSERT_EQ(t.notes.size(), 1u);
    EXPECT_NE(t.notes[0].find("counts the mass of H2AsO4- (140.9351 g/mol)"), std::string::npos) << t.notes[0];
    EXPECT_NEAR(*moles(t.waters[0], 28), 74.92e-6 / 140.9351, 1e-15);
}

// Cells below the detection limit in every spelling agencies export, under
// each --below-detection: left out and noted, 0, half the limit, the limit,
// or the row refused.
TEST(LabTable, CellsBelowTheDetectionLimit) {
    const std::string table = "name,T,Na [mmol/kgw],Cl [mmol/kgw],Ca [mmol/kgw]\nw,25,<0.2,< 0.2,ND\n";
    const struct {
        BelowDetection policy;
        std::optional<double> na, ca;  // mmol
        std::string notes, error;
    } cases[] = {
        {BelowDetection::omit, std::nullopt, std::nullopt,
         "below the detection limit, left out: Na [mmol/kgw] (<0.2), Cl [mmol/kgw] (< 0.2), Ca [mmol/kgw] (ND)", ""},
        {BelowDetection::zero, std::nullopt, std::nullopt,
         "below the detection limit, taken as 0 (absent): Na [mmol/kgw] (<0.2), Cl [mmol/kgw] (< 0.2), Ca [mmol/kgw] (ND)", ""},
        {BelowDetection::half, 0.1, std::nullopt,
         "below the detection limit, left out: Ca [mmol/kgw] (ND), no limit given; below the detection limit, "
         "taken as half the limit: Na [mmol/kgw] (<0.2), Cl [mmol/kgw] (< 0.2)",
         ""},
        {BelowDetection::limit, 0.2, std::nullopt, "", ""},
        {BelowDetection::fail, std::nullopt, std::nullopt, "",
         "row on line 2: 3 cells cannot be read: column \"Na [mmol/kgw]\": \"<0.2\" is below the detection limit "
         "(--below-detection fail); column \"Cl [mmol/kgw]\": \"< 0.2\" is below the detection limit "
         "(--below-detection fail); column \"Ca [mmol/kgw]\": \"ND\" is below the detection limit "
         "(--below-detection fail)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.policy));
        const WaterSample w = read(table, {c.policy, false, std::nullopt}).waters.at(0);
        EXPECT_EQ(w.error, c.error);
        if (!c.error.empty()) continue;
        if (!c.notes.empty()) {
            EXPECT_EQ(w.notes, c.notes);
        }
        const std::optional<double> na = moles(w, 13), ca = moles(w, 9);
        EXPECT_EQ(na.has_value(), c.na.has_value());
        if (na && c.na) {
            EXPECT_NEAR(*na, *c.na * 1e-3, 1e-15);
        }
        EXPECT_EQ(ca.has_value(), c.ca.has_value());
    }
    for (const char* cell : {"n.d.", "N.D.", "-", "<DL", "BDL", "bdl", "< dl"})
        EXPECT_FALSE(moles(read(std::string("name,T,Na [mmol/kgw]\nw,25,") + cell + "\n").waters.at(0), 13))
            << cell;
}

// Every bad cell of a row is named in its one error; a row with one keeps
// the message it always had.
TEST(LabTable, ARowTellsAllItsBadCellsAtOnce) {
    const WaterTable t = read(
        "name,T,pH,Na [mg/L],Cl [mg/L]\n"
        "two,25,7.o,\"12,5\",3\n"
        "one,25,7,x,3\n");
    EXPECT_EQ(t.waters[0].error,
              "row on line 2: 2 cells cannot be read: column \"pH\": \"7.o\" is not a number; column \"Na [mg/L]\": "
              "\"12,5\" is not a number");
    EXPECT_EQ(t.waters[1].error, "row on line 3, column \"Na [mg/L]\": \"x\" is not a number");

    // A row of many bad cells tells the first few and how many more.
    std::string header = "name,T", row = "many,25";
    for (const char* element : {"Na", "K", "Ca", "Mg", "Cl", "F", "Br", "Li", "Sr", "Ba"}) {
        header += std::string(",") + element + " [mg/L]";
        row += ",x";
    }
    const std::string many = read(header + "\n" + row + "\n").waters.at(0).error;
    EXPECT_EQ(many.rfind("row on line 2: 10 cells cannot be read: column \"Na [mg/L]\"", 0), 0u) << many;
    EXPECT_NE(many.find("column \"Li [mg/L]\": \"x\" is not a number; and 2 more"), std::string::npos) << many;
    EXPECT_EQ(many.find("Sr [mg/L]"), std::string::npos) << many;
}

// Columns that name nothing computed are carried through with the row's
// cells (a second name column and the conductance too); --strict refuses
// them; the conductance is read in uS/cm.
TEST(LabTable, ColumnsCarriedThroughAndTheMeasuredConductance) {
    const std::string text =
        "Site ID,name,T,EC [mS/cm],Lab ID,Na [mmol/kgw]\n"
        "well 3,w,25,1.25,\"L-1, dup\",1\n"
        "well 4,v,25,n.m.,L-2,1\n";
    const WaterTable t = read(text);
    EXPECT_EQ(t.carriedHeaders, (std::vector<std::string>{"Site ID", "EC [mS/cm]", "Lab ID"}));
    ASSERT_EQ(t.waters.size(), 2u);
    EXPECT_EQ(t.waters[0].name, "w");
    EXPECT_EQ(t.waters[0].carried, (std::vector<std::string>{"well 3", "1.25", "L-1, dup"}));
    EXPECT_DOUBLE_EQ(t.waters[0].measured_conductance_uScm.value_or(0.0), 1250.0);
    EXPECT_FALSE(t.waters[1].measured_conductance_uScm.has_value());
    EXPECT_EQ(t.waters[1].error, "");
    std::string error;
    EXPECT_FALSE(readWaterTable(text, labCatalog(), 1.0, error, {BelowDetection::omit, true, std::nullopt}));
    EXPECT_EQ(error, "columns \"Site ID\" and \"name\" give the same quantity");
}

// A row per kg and per litre of solution at once: 1 kg/L under a gram of
// solutes a litre, else its density cell or --density, else refused.
TEST(LabTable, ADensityLetsPerKgAndPerLitreMix) {
    const std::string head = "name,T,density [g/mL],Na [ppm],Cl [mg/L]\n";
    const WaterSample dilute = read(head + "w,25,,100,154\n").waters.at(0);
    EXPECT_EQ(dilute.error, "");
    EXPECT_NEAR(*dilute.kgWater, 1.0 - 0.254e-3, 1e-12);
    const WaterSample brackish = read(head + "b,25,,1000,1540\n").waters.at(0);
    EXPECT_EQ(brackish.error,
              "row on line 2: amounts per kg and per litre of solution in one row, with 2.54 g of solutes, need the "
              "density of the solution: give a density [g/mL] column or --density");
    const WaterSample given = read(head + "b,25,1.002,1000,1540\n").waters.at(0);
    EXPECT_NEAR(*given.kgWater, 1.002 - (1.002 * 1.0 + 1.54) * 1e-3, 1e-12);
    EXPECT_NEAR(*moles(given, 13), 1.002 / 22.9898, 1e-12);
    const WaterSample option = read(head + "b,25,,1000,1540\n", {BelowDetection::omit, false, 1.002}).waters.at(0);
    EXPECT_NEAR(*option.kgWater, *given.kgWater, 1e-15);
}

// A component the database lacks (a Pitzer data set without nitrate): a
// blank column is no fault, a value refuses that row alone.
TEST(LabTable, AComponentTheDatabaseLacksRefusesOnlyTheRowsThatGiveIt) {
    ComponentCatalog lacking = labCatalog();
    std::erase_if(lacking.components, [](const CatalogComponent& c) { return c.number == 22; });
    std::string error;
    const std::optional<WaterTable> t =
        readWaterTable("name,T,Na [mg/L],NO3 [mg/L],NO3- [mg/L]\nw,25,1,,\nv,25,1,4,<1\n", lacking, 1.0, error);
    ASSERT_TRUE(t) << error;
    EXPECT_EQ(t->waters[0].error, "");
    EXPECT_EQ(t->waters[1].error,
              "row on line 3, column \"NO3 [mg/L]\": the database has no component NO3- (nitrate, mass as NO3 ([mg/L "
              "as N] for nitrate-N)), so no water that holds it can be computed with it");
}

}  // namespace
}  // namespace wq
