#include "input/waters.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "input/component_catalog.hpp"
#include "text/csv.hpp"

namespace wq {
namespace {

// The components of the examples: formula weights as the bundled database has them.
ComponentCatalog catalog() {
    ComponentCatalog c;
    c.components = {{1, "H+", 1, 1.0079},       {2, "H2O", 0, 18.0152},  {3, "Cl-", -1, 35.453},
                    {4, "SO4--", -2, 96.0616},  {5, "HCO3-", -1, 61.0171}, {9, "Ca++", 2, 40.08},
                    {11, "SiO2,aq", 0, 60.0843}, {13, "Na+", 1, 22.9898}};
    return c;
}

WaterTable table(const std::string& text, double templateKg = 1.0) {
    std::string error;
    std::optional<WaterTable> t = readWaterTable(text, catalog(), templateKg, error);
    EXPECT_TRUE(t.has_value()) << error;
    return t ? *t : WaterTable{};
}

// Read strictly: a column that names nothing computed is refused too.
std::string tableError(const std::string& text) {
    std::string error;
    EXPECT_FALSE(readWaterTable(text, catalog(), 1.0, error, {BelowDetection::omit, true, std::nullopt}).has_value())
        << text;
    return error;
}

double moles(const WaterSample& w, int number) {
    for (const ComponentTotal& t : w.totals)
        if (t.number == number) return t.moles;
    ADD_FAILURE() << "no total for component " << number;
    return 0.0;
}

TEST(Csv, QuotesCommasAndLineEnds) {
    CsvReader reader("a,\"b,c\",\"say \"\"hi\"\"\"\r\n\n\"two\nlines\",x\n");
    std::string error;
    std::optional<CsvRecord> first = reader.next(error);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->fields, (std::vector<std::string>{"a", "b,c", "say \"hi\""}));
    EXPECT_EQ(first->line, 1);
    std::optional<CsvRecord> second = reader.next(error);  // the blank line is passed over
    ASSERT_TRUE(second);
    EXPECT_EQ(second->fields, (std::vector<std::string>{"two\nlines", "x"}));
    EXPECT_EQ(second->line, 3);
    EXPECT_FALSE(reader.next(error));
    EXPECT_TRUE(error.empty());

    CsvReader open("a,\"never closed\n");
    EXPECT_FALSE(open.next(error));
    EXPECT_EQ(error, "a quoted field opened on line 1 is never closed");

    EXPECT_EQ(csvField("SiO2,aq"), "\"SiO2,aq\"");
    EXPECT_EQ(csvField("say \"x\""), "\"say \"\"x\"\"\"");
    EXPECT_EQ(csvField("plain"), "plain");

    EXPECT_EQ(utf8FromLatin1("Max extrapolation is 50 \xB0" "C."), "Max extrapolation is 50 \u00B0C.");
    EXPECT_EQ(utf8FromLatin1("already \u00B0C"), "already \u00B0C");
}

// Seawater as Nordstrom et al. (1979) give it, in mg/kg of solution: the mass
// of water is the kilogram less the dissolved solids, the alkalinity counted
// as HCO3; the example's run input holds the same numbers.
TEST(WaterTable, MilligramsPerKilogramOfSolution) {
    const WaterTable t = table(
        "name,T,pH,alkalinity [mg/kg as HCO3],Cl- [mg/kg],SO4-- [mg/kg],Ca++ [mg/kg],Na+ [mg/kg],\"SiO2,aq [mg/kg]\"\n"
        "sea,25,8.22,141.682,19353.0,2712.0,412.3,10768.0,4.28\n");
    ASSERT_EQ(t.waters.size(), 1u);
    const WaterSample& w = t.waters[0];
    EXPECT_EQ(w.name, "sea");
    EXPECT_EQ(*w.temperature, 25.0);
    EXPECT_EQ(*w.pH, 8.22);
    const double solids = 141.682 + 19353.0 + 2712.0 + 412.3 + 10768.0 + 4.28;
    EXPECT_DOUBLE_EQ(*w.kgWater, 1.0 - solids * 1e-6);
    EXPECT_DOUBLE_EQ(moles(w, 3), 19.353 / 35.453);
    EXPECT_DOUBLE_EQ(moles(w, 11), 4.28e-3 / 60.0843);
    EXPECT_DOUBLE_EQ(*w.alkalinity, 0.141682 / 61.0171 / *w.kgWater);
    EXPECT_EQ(t.componentNumbers, (std::vector<int>{5, 3, 4, 9, 13, 11}));  // the alkalinity's carbonate first
}

TEST(WaterTable, LitresWithDensityAndMolalUnits) {
    const WaterTable t = table(
        "name,T,P [bar],density [kg/L],alkalinity [mg/L as CaCO3],Ca++ [mg/L],Cl- [mg/L]\n"
        "well,12.5,,1.002,100.0869,40.08,35.453\n"
        "molal,30,200,,,,\n", 1.5);
    const WaterSample& well = t.waters[0];
    // 1 L weighs 1.002 kg; 0.1000869 g of alkalinity as CaCO3 is 2 mmol of
    // charge, counted as 0.1220342 g of HCO3.
    const double solids = 2e-3 * 61.0171 + 0.04008 + 0.035453;
    EXPECT_DOUBLE_EQ(*well.kgWater, 1.002 - solids * 1e-3);
    EXPECT_DOUBLE_EQ(moles(well, 9), 1e-3);
    EXPECT_DOUBLE_EQ(*well.alkalinity, 2e-3 / *well.kgWater);
    EXPECT_FALSE(well.pressure.has_value());  // blank: the template's

    const WaterSample& molal = t.waters[1];
    EXPECT_EQ(*molal.pressure, 200.0);
    EXPECT_FALSE(molal.kgWater.has_value());
    EXPECT_TRUE(molal.totals.empty());

    const WaterTable m = table(
        "name,T,Na+ [mmol/kgw],Cl- [mol/kgw],alkalinity [meq/kgw]\n"
        "a,25,10,0.01,2.5\n", 2.0);
    EXPECT_DOUBLE_EQ(moles(m.waters[0], 13), 0.02);  // 10 mmol/kg in the template's 2 kg
    EXPECT_DOUBLE_EQ(moles(m.waters[0], 3), 0.02);
    EXPECT_DOUBLE_EQ(*m.waters[0].alkalinity, 2.5e-3);
}

TEST(WaterTable, ABlankPHCellMeansComputedAndNoColumnMeansTheTemplates) {
    const WaterTable with = table("name,T,pH\nfixed,25,7.5\ncomputed,25,\n");
    EXPECT_EQ(*with.waters[0].pH, 7.5);
    EXPECT_EQ(*with.waters[1].pH, 0.0);
    const WaterTable without = table("name,T\nw,25\n");
    EXPECT_FALSE(without.waters[0].pH.has_value());
}

// Each unit of a laboratory report against a hand conversion, on a litre of
// density 1 (the mass of water is the litre less the solids) or a kilogram
// of water; short names of components; T in kelvin; each way of giving the
// carbonate alone.
TEST(WaterTable, UnitsAndShortNamesAgainstHandConversions) {
    const WaterTable t = table(
        "name,T [K],Ca [mmol/L],Na [meq/L],Cl [ug/L],SO4 [\u00B5g/L],SiO2 [ppm],alkalinity [meq/L]\n"
        "w,283.15,2,3,35453,96061.6,60.0843,4\n");
    const WaterSample& w = t.waters[0];
    EXPECT_NEAR(*w.temperature, 10.0, 1e-12);
    // ppm is mg/kg: per kg of solution and per litre in one row, under a
    // gram of solutes a litre, at 1 kg/L
    EXPECT_EQ(w.error, "");
    EXPECT_NEAR(moles(w, 11), 60.0843e-3 / 60.0843, 1e-15);
    const WaterTable l = table(
        "name,T [K],Ca [mmol/L],Na [meq/L],Cl [ug/L],SO4 [\u00B5g/L],alkalinity [meq/L]\n"
        "w,283.15,2,3,35453,96061.6,4\n");
    const WaterSample& v = l.waters[0];
    EXPECT_NEAR(*v.temperature, 10.0, 1e-12);
    const double grams = 2e-3 * 40.08 + 3e-3 * 22.9898 + 1e-3 * 35.453 + 1e-3 * 96.0616 + 4e-3 * 61.0171;
    EXPECT_DOUBLE_EQ(*v.kgWater, 1.0 - grams * 1e-3);
    EXPECT_DOUBLE_EQ(moles(v, 9), 2e-3);
    EXPECT_DOUBLE_EQ(moles(v, 13), 3e-3);  // 3 meq of a monovalent ion
    EXPECT_DOUBLE_EQ(moles(v, 3), 35453e-6 / 35.453);    // 35453 ug is 35.453 mg
    EXPECT_DOUBLE_EQ(moles(v, 4), 96061.6e-6 / 96.0616);
    EXPECT_DOUBLE_EQ(*v.alkalinity, 4e-3 / *v.kgWater);
    const WaterTable e = table("name,T,Ca [meq/L],SO4-- [meq/L]\nw,25,4,2\n");
    EXPECT_DOUBLE_EQ(moles(e.waters[0], 9), 2e-3);  // 4 meq of Ca++ are 2 mmol
    EXPECT_DOUBLE_EQ(moles(e.waters[0], 4), 1e-3);
    const WaterTable p = table("name,T,SiO2 [ppm],Ca [mg/kg]\nw,25,60.0843,40.08\n");
    EXPECT_DOUBLE_EQ(moles(p.waters[0], 11), 1e-3);
    EXPECT_DOUBLE_EQ(*p.waters[0].kgWater, 1.0 - (60.0843 + 40.08) * 1e-6);
    // the carbonate: a total (DIC as carbon), a CO2 fugacity, an alkalinity
    // as HCO3, each bringing the carbonate component
    const WaterTable dic = table("name,T,DIC [mg/L]\nw,25,12.011\n");
    EXPECT_DOUBLE_EQ(moles(dic.waters[0], 5), 1e-3);
    EXPECT_EQ(dic.componentNumbers, (std::vector<int>{5}));
    const WaterTable co2 = table("name,T,CO2(g) [log f]\nw,25,-3.42\nx,25,\n");
    EXPECT_EQ(*co2.waters[0].logFugacityCO2, -3.42);
    EXPECT_FALSE(co2.waters[1].logFugacityCO2.has_value());
    EXPECT_EQ(co2.componentNumbers, (std::vector<int>{5}));
    const WaterTable hco3 = table("name,T,alkalinity [mg/L as HCO3]\nw,25,61.0171\n");
    EXPECT_DOUBLE_EQ(*hco3.waters[0].alkalinity, 1e-3 / *hco3.waters[0].kgWater);
}

// Carbonate is said once in a row: the alkalinity, the carbonate total or a
// CO2 fugacity; a row giving two fails with both named, the others run. A
// CO2 fugacity beside an alkalinity or a total, with the pH blank, fixes
// the pH.
TEST(WaterTable, CarbonateIsGivenOnceInARow) {
    const WaterTable t = table(
        "name,T,pH,alkalinity [meq/L],HCO3- [mg/L],CO2(g) [log f]\n"
        "alkalinity,25,7,1,,\n"
        "total,25,7,,61.0171,\n"
        "gas,25,7,,,-3.4\n"
        "two,25,7,1,61.0171,\n"
        "gas and total,25,7,,1,-3.4\n"
        "gas sets the pH,25,,1,,-2.5\n");
    for (int k : {0, 1, 2, 5}) EXPECT_EQ(t.waters[k].error, "") << t.waters[k].name;
    for (int k : {0, 1, 2, 3, 4}) EXPECT_FALSE(t.waters[k].pHFromCO2) << t.waters[k].name;
    EXPECT_TRUE(t.waters[5].pHFromCO2);
    EXPECT_EQ(t.waters[3].error,
              "row on line 5: columns \"alkalinity [meq/L]\" and \"HCO3- [mg/L]\" both fix the carbonate; give one "
              "of them (alkalinity, total carbonate or CO2(g))");
    EXPECT_EQ(t.waters[4].error,
              "row on line 6: columns \"HCO3- [mg/L]\" and \"CO2(g) [log f]\" both fix the carbonate; give one of "
              "them (alkalinity, total carbonate or CO2(g)), or leave the pH blank to compute it from the CO2 "
              "fugacity");
    EXPECT_EQ(tableError("name,T,HCO3- [mg/L],DIC [mmol/L]\nw,25,1,1\n"),
              "columns \"HCO3- [mg/L]\" and \"DIC [mmol/L]\" give the same quantity");
}

// The analysis's own balance: cation and anion equivalents of the totals
// as given, the alkalinity as anions.
TEST(WaterTable, TheAnalysisIonBalance) {
    const WaterTable t = table("name,T,Ca [mmol/kgw],Na [mmol/kgw],Cl [mmol/kgw],alkalinity [meq/kgw]\nw,25,1,1,1.5,1\n");
    const IonBalance b = ionBalanceOf(t.waters[0], catalog(), 1.0);
    EXPECT_DOUBLE_EQ(b.cations, 3e-3);
    EXPECT_DOUBLE_EQ(b.anions, 2.5e-3);
}

// Faults of the table stop the batch with one message naming the column.
TEST(WaterTable, FaultsOfTheTable) {
    const struct {
        std::string text, message;
    } cases[] = {
        {"", "the table is empty"},
        {"name,T\n", "the table has a header but no water"},
        {"T,Na+ [mg/L]\n25,1\n", "the table has no \"name\" column"},
        {"name,Na+ [mg/L]\nw,1\n", "the table has no \"T\" column"},
        {"name,T,Xx+ [mg/L]\nw,25,1\n",
         "column \"Xx+ [mg/L]\": \"Xx+\" is not a component species of the database, nor a short name (Ca, SO4, "
         "...; wqspec batch --list-columns), nor one of name, T, P, pH, density, CO2(g), Eh, pe, O2(g), redox, alkalinity, conductance"},
        {"name,T,Na+ [ppt]\nw,25,1\n",
         "column \"Na+ [ppt]\": unknown unit [ppt] (use [mol/kgw], [mmol/kgw], [mg/kg], [ppm], [ppb], [mg/L], [ug/L], "
         "[\u00B5g/L], [mmol/L] or [meq/L], a mass unit \"as\" an element or formula ([mg/L as N], [mg/L as SiO2], "
         "[mg/L as CaCO3]))"},
        {"name,T,alkalinity [mg/L]\nw,25,1\n",
         "column \"alkalinity [mg/L]\": unknown alkalinity unit [mg/L] (use [eq/kgw], [meq/kgw], [meq/L], [mg/kg as "
         "HCO3], [mg/L as HCO3], [mg/kg as CaCO3] or [mg/L as CaCO3])"},
        {"name,T [F]\nw,25\n", "column \"T [F]\": unknown unit [F] of the temperature (use [C], [\u00B0C], [degC] or [K])"},
        {"name,T,SiO2 [meq/L]\nw,25,1\n",
         "column \"SiO2 [meq/L]\": meq/L of an uncharged species has no meaning (use mmol/L)"},
        {"name,T,Ca [mg/L],Ca++ [mmol/L]\nw,25,1,1\n",
         "columns \"Ca [mg/L]\" and \"Ca++ [mmol/L]\" give the same quantity"},
        {"name,T,Na+ [mg/L],Na+ [mmol/kgw]\nw,25,1,1\n",
         "columns \"Na+ [mg/L]\" and \"Na+ [mmol/kgw]\" give the same quantity"},
        {"name,T,T\nw,25,25\n", "columns \"T\" and \"T\" give the same quantity"},
        {"name,T,H2O [mg/L]\nw,25,1\n", "column \"H2O [mg/L]\": the mass of water follows from the units; give no H2O column"},
        {"name,T,H+ [mg/kg]\nw,25,1\n",
         "column \"H+ [mg/kg]\": the H+ total follows from the pH; give a pH column (a blank cell: the pH of "
         "electroneutrality)"},
        {"name,T\n\"w,25\n", "a quoted field opened on line 2 is never closed"},
    };
    for (const auto& c : cases) EXPECT_EQ(tableError(c.text), c.message) << c.text;
}

// The mistakes a table from a spreadsheet brings, each mended or told as a
// geochemist would want: a byte-order mark and Excel's "sep=," line are
// passed over; a comma at the end of the header, a unit of another quantity,
// a table separated by semicolons, a header cell of a hundred kilobytes are
// told in one short line that says what is accepted.
TEST(WaterTable, SpreadsheetMistakesOfTheHeader) {
    const std::string row = "w,25,1\n";
    const struct {
        std::string text;
        std::string message;  // empty: the table is read
    } cases[] = {
        {"\xEF\xBB\xBFname,T,Na+ [mg/L]\n" + row, ""},
        {"sep=,\nname,T,Na+ [mg/L]\n" + row, ""},
        {"sep=,\r\nname,T,Na+ [mg/L]\r\n" + row, ""},
        {"name,T [\u00B0C],Na+ [mg/L]\n" + row, ""},
        {"name,T,Na+ [mg/L],\nw,25,1,\n", "column 4 of the header has no name (a comma at the end of the header line?)"},
        {"name,,T\nw,1,25\n", "column 2 of the header has no name"},
        {"name,T [K],Na+ [mg/L]\nw,298.15,1\n", ""},  // kelvin
        // A degree sign in Latin-1, as an older spreadsheet saves it: the
        // table is read as Latin-1.
        {"name,T [\xB0" "C],Na+ [mg/L]\n" + row, ""},
        {"name,T [\xB0" "F],Na+ [mg/L]\n" + row,
         "column \"T [\u00B0F]\": unknown unit [\u00B0F] of the temperature (use [C], [\u00B0C], [degC] or [K]); "
         "the header is not UTF-8: byte 0xB0 in column 2 (a Latin-1 or Windows-1252 file?); save the table as UTF-8"},
        {std::string("name,T\0x,Na+ [mg/L]\n", 20) + row,
         "column 2 of the header holds a NUL byte: the file is no text table (UTF-16, or a binary file)"},
        {"name,T,Na+ [mg/L]\rw,25,1\r",
         "line 1 ends in a carriage return alone (the line ends of classic Mac OS): save the table with LF or CR LF "
         "line ends"},
        {"name,T,P [atm]\nw,25,1\n", "column \"P [atm]\": unknown unit [atm] of the pressure (use [bar])"},
        {"name,T,pH [-]\nw,25,7\n", ""},
        {"name,T,pH [mV]\nw,25,7\n", "column \"pH [mV]\": unknown unit [mV] of the pH (use no unit)"},
        {"name;T;Na+ [mg/L]\nw;25;1\n",
         "the header separates its cells by semicolons, not commas (a spreadsheet saved with a decimal comma?): "
         "save the table as CSV with commas between cells and points in numbers"},
        {"sep=;\nname;T\nw;25\n",
         "line 1, \"sep=;\", names a separator other than the comma: save the table as CSV with commas between cells"},
        {"name\tT\nw\t25\n",
         "the header separates its cells by tabs, not commas (a spreadsheet saved with a decimal comma?): save the "
         "table as CSV with commas between cells and points in numbers"},
        {"\xFF\xFEn\0a\0m\0e\0", "the table is UTF-16 text; save it as CSV in UTF-8"},
        {"name,T," + std::string(100000, 'X') + " [mg/L]\n" + row,
         "column \"" + std::string(77, 'X') + "...\": \"" + std::string(77, 'X') +
             "...\" is not a component species of the database, nor a short name (Ca, SO4, ...; wqspec batch "
             "--list-columns), nor one of name, T, P, pH, density, CO2(g), Eh, pe, O2(g), redox, alkalinity, conductance"},
        {"name,T\n,,\n , \n", "the table has a header but no water, only blank rows"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 60));
        std::string error;
        const std::optional<WaterTable> t =
            readWaterTable(c.text, catalog(), 1.0, error, {BelowDetection::omit, true, std::nullopt});
        EXPECT_EQ(error, c.message);
        if (c.message.empty()) {
            ASSERT_TRUE(t.has_value());
            ASSERT_EQ(t->waters.size(), 1u);
            EXPECT_EQ(t->waters[0].name, "w");
            EXPECT_EQ(t->waters[0].error, "");
            EXPECT_NEAR(*t->waters[0].temperature, 25.0, 1e-12);
        }
    }
}

// Rows a spreadsheet leaves: blank rows (",,,,") are no waters, passed over
// and counted; a row cut short is a fault of its own, never filled from the
// template; a name is one line; text that is not UTF-8 is carried through
// with replacement characters.
TEST(WaterTable, BlankShortAndOddRows) {
    const WaterTable t = table(
        "name,T,pH,Na+ [mmol/kgw]\n"
        "good,25,7,1\n"
        ",,,\n"
        "  , ,\t,\n"
        "cut short,25\n"
        "\"two\nlines\",25,7,1\n"
        "tab\there,25,7,1\n"
        "caf\xE9 \xB0" "C,25,7,1\n"
        "+-signs,25,+-7,1\n"
        "also good,30,,2\n");
    EXPECT_EQ(t.blankRows, (std::vector<int>{3, 4}));
    const struct {
        std::string name, error;
    } expected[] = {
        {"good", ""},
        {"cut short", "row on line 5 has 2 cells for 4 columns"},
        {"two\nlines", "row on line 6: the name holds a control character (a line end or a tab); a name is one line"},
        {"tab\there", "row on line 8: the name holds a control character (a line end or a tab); a name is one line"},
        {"caf\uFFFD \uFFFDC", ""},
        {"+-signs", "row on line 10, column \"pH\": \"+-7\" is not a number"},
        {"also good", ""},
    };
    ASSERT_EQ(t.waters.size(), std::size(expected));
    for (std::size_t i = 0; i < t.waters.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(t.waters[i].name, expected[i].name);
        EXPECT_EQ(t.waters[i].error, expected[i].error);
    }
    EXPECT_FALSE(t.waters[1].temperature.has_value()) << "a short row takes nothing from its cells";
    EXPECT_TRUE(t.waters[1].totals.empty());
}

// Well-formed UTF-8 only (RFC 3629); anything else is replaced piece by piece.
TEST(Utf8, OverlongFormsSurrogatesAndCodePointsAbove10FFFFAreNotUtf8) {
    const struct {
        std::string text;
        bool valid;
        std::string replaced;
    } cases[] = {
        {"plain", true, "plain"},
        {"\u00B0C \u20AC \U0001F30A", true, "\u00B0C \u20AC \U0001F30A"},
        {"\xF4\x8F\xBF\xBF", true, "\xF4\x8F\xBF\xBF"},            // U+10FFFF, the last
        {"\xC0\xAF", false, "\uFFFD\uFFFD"},                           // overlong '/'
        {"\xE0\x80\xAF", false, "\uFFFD\uFFFD\uFFFD"},                  // overlong, three bytes
        {"\xF0\x80\x80\xAF", false, "\uFFFD\uFFFD\uFFFD\uFFFD"},         // overlong, four bytes
        {"\xED\xA0\x80", false, "\uFFFD\uFFFD\uFFFD"},                  // a surrogate, U+D800
        {"\xF4\x90\x80\x80", false, "\uFFFD\uFFFD\uFFFD\uFFFD"},         // U+110000
        {"\xF5\x80\x80\x80", false, "\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"50 \xB0" "C", false, "50 \uFFFDC"},                          // Latin-1
        {"\xE2\x82", false, "\uFFFD"},                                 // cut short: one replacement
        {"\xE2\x82x", false, "\uFFFDx"},
        {"\xFF", false, "\uFFFD"},
        // Past and inside the runs of eight ASCII bytes read at once.
        {"log K of twelve species at 90 \xB0" "C", false, "log K of twelve species at 90 \uFFFDC"},
        {"0123456\xB0" "89abcdefgh \u00B0C", false, "0123456\uFFFD89abcdefgh \u00B0C"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(validUtf8(c.text), c.valid) << c.text;
        EXPECT_EQ(utf8Replacing(c.text), c.replaced) << c.text;
        EXPECT_TRUE(validUtf8(utf8Replacing(c.text))) << c.text;
    }
    EXPECT_EQ(shortened(std::string(100, 'a')), std::string(77, 'a') + "...");
    EXPECT_EQ(shortened(std::string(76, 'a') + "\u00B0\u00B0\u00B0"), std::string(76, 'a') + "...");
    EXPECT_EQ(shortened("short"), "short");
}

// Faults of one row go into that row; the others are read.
TEST(WaterTable, FaultsOfARowStayInTheRow) {
    const WaterTable t = table(
        "name,T,pH,Na+ [mg/kg],Ca++ [mg/L]\n"
        "text,abc,7,1,\n"
        "negative,25,7,-1,\n"
        "nan,25,nan,1,\n"
        "inf,25,7,inf,\n"
        "cells,25,7,1,,9\n"
        "mixed,25,7,1,1\n"
        "heavy,25,7,1000001,\n"
        "huge,25,7,1e309,\n"
        "zero pH,25,0,1,\n"
        ",25,7,1,\n"
        "good,25,7,1,\n");
    const std::string expected[] = {
        "row on line 2, column \"T\": \"abc\" is not a number",
        "row on line 3, column \"Na+ [mg/kg]\": a negative amount",
        "row on line 4, column \"pH\": \"nan\" is not a finite number",
        "row on line 5, column \"Na+ [mg/kg]\": \"inf\" is not a finite number",
        "row on line 6 has 6 cells for 5 columns",
        "",  // per kg and per litre, under a gram a litre: 1 kg/L
        "row on line 8: the dissolved solids weigh as much as the solution",
        "row on line 9, column \"Na+ [mg/kg]\": \"1e309\" is out of range: a number's magnitude is from 5e-324 to "
        "1.8e308, or 0",
        "row on line 10, column \"pH\": the pH must be positive (leave the cell blank to compute it)",
        "",
        "",
    };
    ASSERT_EQ(t.waters.size(), std::size(expected));
    for (std::size_t i = 0; i < t.waters.size(); ++i) EXPECT_EQ(t.waters[i].error, expected[i]) << i;
    EXPECT_EQ(t.waters[9].name, "line 11");  // a row without a name is named by its line
    EXPECT_EQ(t.waters[10].name, "good");
}

// The redox state of a row: one of four columns, each row its own; a blank
// cell gives none, and two states in one row fail that row.
TEST(WaterTable, RedoxColumnsGiveEachRowItsState) {
    const WaterTable t = table(
        "name,T,Na+ [mol/kgw],Eh [V],pe,O2(g) [log f],redox\n"
        "eh,25,0.01,0.35,,,\n"
        "pe,25,0.01,,-2.5,,\n"
        "fo2,25,0.01,,,-0.69,\n"
        "couple,25,0.01,,,,Fe++/Fe+++\n"
        "none,25,0.01,,,,none\n"
        "blank,25,0.01,,,,\n"
        "two,25,0.01,0.35,,,\"O2,aq\"\n"
        "word,25,0.01,,,,Eh=high\n");
    ASSERT_EQ(t.waters.size(), 8u);
    using Kind = RedoxState::Kind;
    const struct {
        Kind kind;
        double value;
        std::string couple;
    } expected[] = {{Kind::eh, 0.35, ""}, {Kind::pe, -2.5, ""}, {Kind::oxygenFugacity, -0.69, ""},
                    {Kind::couple, 0.0, "Fe++/Fe+++"}, {Kind::none, 0.0, ""}};
    for (std::size_t k = 0; k < std::size(expected); ++k) {
        const WaterSample& w = t.waters[k];
        EXPECT_EQ(w.error, "") << w.name;
        ASSERT_TRUE(w.redox.has_value()) << w.name;
        EXPECT_EQ(w.redox->kind, expected[k].kind) << w.name;
        EXPECT_EQ(w.redox->value, expected[k].value) << w.name;
        EXPECT_EQ(w.redox->couple, expected[k].couple) << w.name;
        EXPECT_EQ(moles(w, 13), 0.01) << w.name;  // the state is no component total
        EXPECT_EQ(w.totals.size(), 1u) << w.name;
    }
    EXPECT_FALSE(t.waters[5].redox.has_value());
    EXPECT_EQ(t.waters[6].error,
              "row on line 8, column \"redox\": a second redox state in one row (give one of Eh, pe, O2(g) and redox)");
    EXPECT_EQ(t.waters[7].error,
              "row on line 9, column \"redox\": redox state \"Eh=high\": \"high\" is not a number");
    EXPECT_NEAR(table("name,T,Eh [mV]\nx,25,350\n").waters.at(0).redox->value, 0.35, 1e-15);
    EXPECT_EQ(tableError("name,T,Eh [mv/cm]\nx,25,350\n"),
              "column \"Eh [mv/cm]\": unknown unit [mv/cm] of the Eh (use [V] or [mV])");
}

// The same table read from its file a block at a time, its waters handed on
// one by one (the batch's own table): the same waters, the same faults of
// rows, the same blank rows and component columns as the table read whole;
// and the same faults of the table.
TEST(WaterTable, ReadFromItsFileWaterByWaterAsWhole) {
    std::string text = "\xEF\xBB\xBFname,T,pH,Na+ [mg/kg],Cl- [mmol/kgw],alkalinity [meq/L],Eh [V]\n";
    for (int k = 0; k < 3000; ++k) {
        const std::string n = std::to_string(k);
        switch (k % 7) {
            case 0: text += "\"well " + n + ", deep\",25," + std::to_string(7.0 + k % 10 * 0.1) + ",1" + n + ",20,2,\n"; break;
            case 1: text += ",,,,,,\r\n"; break;  // blank
            case 2: text += "w" + n + ",3" + n + ",,100,abc,1,0.2\n"; break;  // a cell that is not a number
            case 3: text += "w" + n + ",60,7,,5,,-0.1\n"; break;
            case 4: text += "w" + n + ",25,7\n"; break;  // too few cells
            case 5: text += "\"a\nb\",25,7,1,1,1,\n"; break;  // a name of two lines
            default: text += "w" + n + "," + n + ".5,8,2.5e2,0.5,0.1,0.05\r\n"; break;
        }
    }
    std::string error;
    const std::optional<WaterTable> whole = readWaterTable(text, catalog(), 0.96, error);
    ASSERT_TRUE(whole.has_value()) << error;
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    std::fwrite(text.data(), 1, text.size(), file);
    std::rewind(file);
    CsvReader records(file, "the table");
    std::vector<WaterSample> waters;
    const std::optional<WaterTable> streamed = readWaterTable(
        records, catalog(), 0.96, [&](WaterSample&& w) { waters.push_back(std::move(w)); }, error);
    std::fclose(file);
    ASSERT_TRUE(streamed.has_value()) << error;
    EXPECT_TRUE(streamed->waters.empty());
    EXPECT_EQ(streamed->componentNumbers, whole->componentNumbers);
    EXPECT_EQ(streamed->blankRows, whole->blankRows);
    ASSERT_EQ(waters.size(), whole->waters.size());
    int faulty = 0;
    for (std::size_t k = 0; k < waters.size(); ++k) {
        const WaterSample& a = waters[k];
        const WaterSample& b = whole->waters[k];
        SCOPED_TRACE(b.line);
        EXPECT_EQ(a.name, b.name);
        EXPECT_EQ(a.line, b.line);
        EXPECT_EQ(a.error, b.error);
        EXPECT_EQ(a.temperature, b.temperature);
        EXPECT_EQ(a.pH, b.pH);
        EXPECT_EQ(a.alkalinity, b.alkalinity);
        EXPECT_EQ(a.kgWater, b.kgWater);
        EXPECT_EQ(a.redox.has_value(), b.redox.has_value());
        ASSERT_EQ(a.totals.size(), b.totals.size());
        for (std::size_t t = 0; t < a.totals.size(); ++t) {
            EXPECT_EQ(a.totals[t].number, b.totals[t].number);
            EXPECT_EQ(a.totals[t].moles, b.totals[t].moles);
        }
        faulty += !b.error.empty();
    }
    EXPECT_GT(faulty, 1000);
    EXPECT_GT(whole->blankRows.size(), 400u);
    // A fault of the table itself, found at its end.
    file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    const std::string unclosed = text + "x,\"25\n";
    std::fwrite(unclosed.data(), 1, unclosed.size(), file);
    std::rewind(file);
    CsvReader bad(file, "the table");
    std::string badError;
    EXPECT_FALSE(readWaterTable(bad, catalog(), 0.96, [](WaterSample&&) {}, badError).has_value());
    std::fclose(file);
    EXPECT_EQ(badError, tableError(unclosed));
}

// The batch's first pass counts the waters of a table, and reads them only
// where a column may give a redox state: the same count, blank rows and
// faults of the table as the reading, and the redox states of the rows.
TEST(WaterTable, CountedAsRead) {
    const std::string rows = "w1,25,7,0.1\n,,,\nw2,abc,7,0.2\nw3,30\n\"a\nb\",25,7,0.1\n";
    for (const std::string& head : {std::string("name,T,pH,Eh [V]\n"), std::string("name,T,pH,Na+ [mg/kg]\n")}) {
        for (const std::string& text : {head + rows, head + rows + "x,\"25\n"}) {
            SCOPED_TRACE(text);
            std::string readError, countError;
            const std::optional<WaterTable> read = readWaterTable(text, catalog(), 1.0, readError);
            CsvReader records(text);
            std::size_t waters = 0, redox = 0;
            const std::optional<WaterTable> counted = countWaterTable(
                records, catalog(), 1.0, [&](const WaterSample* w) { ++waters, redox += w && w->redox; }, countError);
            EXPECT_EQ(countError, readError);
            ASSERT_EQ(counted.has_value(), read.has_value());
            if (!read) continue;
            EXPECT_EQ(waters, read->waters.size());
            EXPECT_EQ(redox, std::count_if(read->waters.begin(), read->waters.end(),
                                           [](const WaterSample& w) { return w.redox.has_value(); }));
            EXPECT_EQ(counted->blankRows, read->blankRows);
        }
    }
}

}  // namespace
}  // namespace wq
