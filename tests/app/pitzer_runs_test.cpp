// The Pitzer model through the whole program: `wqspec batch --activity
// pitzer` on the Pitzer database (examples/pitzer/), solutions of single
// salts and gypsum, halite and bischofite saturation against measured
// values, each with its source; strong brines (chloride above 10 mol/kg)
// solved from the batch's start to the water their evaporation path reaches;
// the range of the data refused or flagged; the model named in the records
// and the sweep's table.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/csv_table.hpp"
#include "support/folder.hpp"
#include "support/program_run.hpp"

namespace wq {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const fs::path SOURCE = WQSPEC_SOURCE_DIR;
const fs::path PITZER_DATABASE = SOURCE / "examples" / "pitzer" / "LOGKDATA.KDB";

// A component line of a run input: number, name, total, starting molality
// and activity coefficient in their columns.
std::string componentLine(int number, const char* name, double total) {
    char line[120];
    std::snprintf(line, sizeof line, "%5d %-15s%16.10E   %16.10E   %16.10E\n", number, name, total,
                  total == 0.0 ? 1e-7 : total, 1.0);
    return line;
}

struct Component {
    int number;
    const char* name;
    double total;
};

// How a template runs: on the saturation curve (kind 0) or off it (1), the
// pH fixed (or computed, 0, from an H+ total of 0), the loop limit.
struct Settings {
    int kind = 0;
    double pH = 7.0;
    int loops = 300;
    int chargeBalance = 0;  // 1: the first run balances charge on the given species
    double temperature = 25.0;
};

// A template at 25 C with the given components after H+ and water (1 kg),
// minerals read, no charge balance (the given species only names the one a
// fixed pH would balance on).
std::string runInput(const std::vector<Component>& components, int balanceSpecies, const Settings& settings = {}) {
    char conditions[80];
    std::snprintf(conditions, sizeof conditions, " 1.0E-9  %.4f  0.0  0.0  %.1f  0.0  1.0E-10  1.0\n", settings.pH,
                  settings.temperature);
    std::string text =
        "Pitzer test water                                                               \n"
        "through the whole program                                                       \n"
        "Conv.factor  pH    Act.  Alk(eq/kg water)  T(C)  Damp  Print.thr.  P(bar)\n"
        "--------------------------------------------------------------------------\n";
    text += conditions;
    text +=
        "l/v-hiP Minerals Debug ChBal Loops ChBalSp FixActSp Geoth Refine ActOpt WatOpt\n"
        "--------------------------------------------------------------------------\n"
        "\n";
    char options[80];
    std::snprintf(options, sizeof options, " %d 1 0 %d %d %d 0 0 0 0 0\n", settings.kind, settings.chargeBalance,
                  settings.loops, balanceSpecies);
    text += options;
    text += "SAQ  species      Mtot (moles in the given kg of water)\n"
            "-----------------------------------------------------------------------------\n";
    text += componentLine(1, "H+", 0.0);
    text += componentLine(2, "H2O", 1.0);
    for (const Component& c : components) text += componentLine(c.number, c.name, c.total);
    return text + "    0\n";
}

// `wqspec batch` of a table (molal units) with the Pitzer model, JSON records.
struct Batch {
    testing::Folder folder;
    testing::Command command;
    json records;
    Batch(const std::string& tag, const std::string& caseText, const std::string& table,
          const std::string& extra = "--db '" + PITZER_DATABASE.string() + "'")
        : folder("pitzer-" + tag) {
        folder.write("WQCASE.DAT", caseText);
        folder.write("waters.csv", table);
        command = folder.run("batch waters.csv --case WQCASE.DAT --activity pitzer --out out.json --jobs 2 " + extra);
        if (folder.has("out.json")) records = json::parse(folder.read("out.json"));
    }
    const json& water(std::size_t i) const { return records.at(i); }
};

double gammaOf(const json& water, const char* species) { return water["species"][species]["gamma"].get<double>(); }

// gamma+- of a salt of nu+ cations and nu- anions from the record of its water.
double meanGamma(const json& water, const char* cation, double nuPlus, const char* anion, double nuMinus) {
    return std::exp((nuPlus * std::log(gammaOf(water, cation)) + nuMinus * std::log(gammaOf(water, anion))) /
                    (nuPlus + nuMinus));
}

struct Measured {
    double molality, value;
};

// One water per molality at pH 7 (the salt's own pH matters not here):
// `columns` the header after name, T and pH, `cells` the cells of a water
// of molality m.
std::string table(const std::string& columns, const std::vector<Measured>& rows,
                  const std::function<std::string(double)>& cells) {
    std::string t = "name,T [C],pH," + columns + "\n";
    for (const Measured& r : rows) t += std::to_string(r.molality) + ",25,7," + cells(r.molality) + "\n";
    return t;
}

std::string number(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.10g", v);
    return text;
}

// The water of `runInputText` concentrated by the program to `factor` in 12
// steps, nothing precipitated: the table of its path (no rows when the
// program failed, which the status check says).
testing::CsvTable evaporationPath(const std::string& name, const std::string& runInputText, double factor) {
    testing::Folder folder(name);
    folder.write("WQCASE.DAT", runInputText);
    const testing::Command c = folder.run("evaporate --activity pitzer --db '" + PITZER_DATABASE.string() +
                                          "' --no-precipitation --to " + number(factor) + " --steps 12 --out path.csv");
    EXPECT_EQ(c.status, 0) << c.err;
    return c.status == 0 ? testing::readCsvTable(folder.read("path.csv")) : testing::CsvTable{};
}

TEST(PitzerRuns, NaClMeanActivityAndOsmoticCoefficientsAgreeWithRobinsonAndStokes) {
    // Robinson & Stokes, Electrolyte Solutions (2nd ed., 1959; revised 1965),
    // Appendix 8.10, NaCl at 25 C: gamma+- (as in
    // ../shared/reference/mean_activity_coefficients_25C.csv) within 1 %,
    // and the osmotic coefficient within 3 %.
    const std::vector<Measured> gammas = {{0.1, 0.778}, {0.5, 0.681}, {1.0, 0.657}, {2.0, 0.668},
                                          {3.0, 0.714}, {4.0, 0.783}, {5.0, 0.874}, {6.0, 0.986}};
    const std::map<double, double> osmotic = {{0.1, 0.9324}, {0.5, 0.9209}, {1.0, 0.9355},
                                              {2.0, 0.9833}, {3.0, 1.0453}, {4.0, 1.1158}, {6.0, 1.2706}};
    Batch b("nacl", runInput({{3, "Cl-", 0.1}, {13, "Na+", 0.1}}, 3),
            table("Na+ [mol/kgw],Cl- [mol/kgw]", gammas, [](double m) { return number(m) + "," + number(m); }));
    ASSERT_EQ(b.command.status, 0) << b.command.err;
    ASSERT_EQ(b.records.size(), gammas.size());
    for (std::size_t i = 0; i < gammas.size(); ++i) {
        const json& w = b.water(i);
        EXPECT_EQ(w["activity_model"], "pitzer");
        EXPECT_EQ(w["status"], "converged");
        EXPECT_NEAR(meanGamma(w, "Na+", 1, "Cl-", 1), gammas[i].value, 0.01 * gammas[i].value) << gammas[i].molality;
        if (osmotic.count(gammas[i].molality)) {
            const double phi = osmotic.at(gammas[i].molality);
            EXPECT_NEAR(w["osmotic_coefficient"].get<double>(), phi, 0.03 * phi) << gammas[i].molality;
            // The activity of water the run used is the model's: ln a_w = -phi M_w sum m.
            EXPECT_NEAR(std::log(w["a_H2O"].get<double>()),
                        -w["osmotic_coefficient"].get<double>() * 2.0 * gammas[i].molality * 0.0180153, 1e-5);
        }
    }
}

TEST(PitzerRuns, CaCl2AndNa2SO4MeanActivityCoefficientsAgreeWithMeasuredValues) {
    // CaCl2 to 5 mol/kg within 3 % of Goldberg & Nuttall (J. Phys. Chem. Ref.
    // Data 7, 263, 1978) and Staples & Nuttall (6, 385, 1977), as tabulated
    // in the CRC Handbook (../shared/reference/mean_activity_coefficients_25C.csv).
    const std::vector<Measured> caCl2 = {{0.01, 0.727}, {0.1, 0.517}, {0.5, 0.444}, {1.0, 0.495}, {2.0, 0.784},
                                         {5.0, 5.907}};
    Batch c("cacl2", runInput({{3, "Cl-", 0.2}, {9, "Ca++", 0.1}}, 3),
            table("Ca++ [mol/kgw],Cl- [mol/kgw]", caCl2, [](double m) { return number(m) + "," + number(2 * m); }));
    ASSERT_EQ(c.command.status, 0) << c.command.err;
    for (std::size_t i = 0; i < caCl2.size(); ++i)
        EXPECT_NEAR(meanGamma(c.water(i), "Ca++", 1, "Cl-", 2), caCl2[i].value, 0.03 * caCl2[i].value)
            << caCl2[i].molality;

    // Na2SO4 to 2 mol/kg within 3 % of Robinson & Stokes (1959), Appendix 8.10.
    const std::vector<Measured> na2SO4 = {{0.1, 0.445}, {0.2, 0.365}, {0.5, 0.266}, {1.0, 0.201}, {2.0, 0.153}};
    Batch s("na2so4", runInput({{4, "SO4--", 0.1}, {13, "Na+", 0.2}}, 13),
            table("Na+ [mol/kgw],SO4-- [mol/kgw]", na2SO4, [](double m) { return number(2 * m) + "," + number(m); }));
    ASSERT_EQ(s.command.status, 0) << s.command.err;
    for (std::size_t i = 0; i < na2SO4.size(); ++i)
        EXPECT_NEAR(meanGamma(s.water(i), "Na+", 2, "SO4--", 1), na2SO4[i].value, 0.03 * na2SO4[i].value)
            << na2SO4[i].molality;
}

// Where log Q/K of `mineral` crosses 0 along the waters of a batch (their
// `x` increasing), by linear interpolation of log Q/K in ln x.
double crossing(const json& records, const std::vector<double>& x, const char* mineral) {
    for (std::size_t i = 1; i < x.size(); ++i) {
        const double a = records[i - 1]["minerals"][mineral]["SI"].get<double>();
        const double b = records[i]["minerals"][mineral]["SI"].get<double>();
        if (a < 0.0 && b >= 0.0) return std::exp(std::log(x[i - 1]) + (std::log(x[i]) - std::log(x[i - 1])) * -a / (b - a));
    }
    return NAN;
}

TEST(PitzerRuns, HaliteSolubilityAt25And100CWithinTwoPercentOfMeasured) {
    // Potter, Babcock & Brown (1977, J. Res. U.S. Geol. Surv. 5, 389-395):
    // halite solubility along the saturation curve, w = 26.218 + 0.0072 t +
    // 1.06e-4 t^2 weight per cent NaCl: 6.16 mol/kg at 25 C, 6.65 at 100 C.
    const auto measured = [](double t) {
        const double w = 26.218 + 0.0072 * t + 1.06e-4 * t * t;
        return w / (100.0 - w) * 1000.0 / 58.443;
    };
    std::vector<double> m;
    for (double x = 5.5; x <= 7.4; x += 0.1) m.push_back(x);
    for (double t : {25.0, 100.0}) {
        std::string t_ = number(t);
        std::string rows = "name,T [C],Na+ [mol/kgw],Cl- [mol/kgw]\n";
        for (double x : m) rows += number(x) + "," + t_ + "," + number(x) + "," + number(x) + "\n";
        Batch b("halite-" + t_, runInput({{3, "Cl-", 1.0}, {13, "Na+", 1.0}}, 3), rows);
        ASSERT_EQ(b.command.status, 0) << b.command.err;
        EXPECT_NEAR(crossing(b.records, m, "Halite"), measured(t), 0.02 * measured(t)) << t << " C";
    }
}

TEST(PitzerRuns, GypsumSolubilityInNaClSolutionsAt25CWithinFivePercentOfMarshallAndSlusher) {
    // Marshall & Slusher (1966, J. Phys. Chem. 70, 4015), 25 C, as
    // transcribed in PHREEQC's test data (examples/gypsum/measured.csv): gypsum
    // dissolves to 0.0151 mol CaSO4 per kg of water in pure water, rises to
    // 0.056 near 3-4 mol/kg NaCl and falls towards halite saturation. Each
    // measured NaCl molality gets a row of CaSO4 molalities; the solubility
    // is where the program's log Q/K of gypsum (with a(H2O) of the model)
    // crosses 0. examples/gypsum/README.md quotes the curve within 5 %.
    const testing::CsvTable measured = testing::readCsvTable(testing::slurp(SOURCE / "examples/gypsum/measured.csv"));
    std::vector<Measured> at25;
    for (std::size_t r = 0; r < measured.rows.size(); ++r)
        if (std::stod(measured.cell(r, "T_C")) == 25.0)
            at25.push_back({std::stod(measured.cell(r, "m_NaCl_mol_per_kgH2O")),
                            std::stod(measured.cell(r, "m_CaSO4_mol_per_kgH2O"))});
    ASSERT_EQ(at25.size(), 17u);
    std::vector<double> caSO4;
    for (double s = 0.010; s <= 0.0801; s *= 1.08) caSO4.push_back(s);
    std::string rows = "name,T [C],Na+ [mol/kgw],Cl- [mol/kgw],Ca++ [mol/kgw],SO4-- [mol/kgw]\n";
    for (const Measured& p : at25)
        for (double s : caSO4)
            rows += number(p.molality) + "/" + number(s) + ",25," + number(p.molality) + "," + number(p.molality) +
                    "," + number(s) + "," + number(s) + "\n";
    Batch b("gypsum", testing::slurp(SOURCE / "examples/gypsum/template.DAT"), rows);
    ASSERT_EQ(b.command.status, 0) << b.command.err;
    ASSERT_EQ(b.records.size(), at25.size() * caSO4.size());
    for (std::size_t k = 0; k < at25.size(); ++k) {
        json part = json::array();
        for (std::size_t i = 0; i < caSO4.size(); ++i) part.push_back(b.records[k * caSO4.size() + i]);
        EXPECT_NEAR(crossing(part, caSO4, "Gypsum"), at25[k].value, 0.05 * at25[k].value)
            << at25[k].molality << " mol/kg NaCl";
    }
}

TEST(PitzerRuns, MgCl2ConvergesPastBischofiteSaturationWhichLiesAtTheMeasuredSolubility) {
    // MgCl2 at 25 C from 0.5 mol/kg past the saturation of bischofite,
    // MgCl2.6H2O, each water from the batch's start (every ion at its total;
    // above 5 mol/kg its chloride is above 10). The solubility of MgCl2 at
    // 25 C, bischofite the stable solid, is 5.8-5.9 mol/kg in the
    // compilations (Linke & Seidell 1965, Solubilities of Inorganic and
    // Metal-Organic Compounds, 4th ed.; the CRC Handbook's table of aqueous
    // solubilities); Harvie, Moller & Weare (1984) fitted the log K of
    // bischofite in these data to such values. The window 5.85 +- 0.10 holds
    // them all. The water activity of the saturated solution is 0.3278
    // (+- 0.0016; Greenspan 1977, J. Res. Natl. Bur. Stand. 81A, 89-96, the
    // relative humidity over saturated MgCl2 at 25 C): within 4 %.
    std::vector<double> m;
    for (int k = 5; k <= 62; ++k) m.push_back(k / 10.0);
    std::string rows = "name,T [C],Mg++ [mol/kgw],Cl- [mol/kgw]\n";
    for (double x : m) rows += number(x) + ",25," + number(x) + "," + number(2 * x) + "\n";
    Batch b("bischofite", runInput({{3, "Cl-", 1.0}, {10, "Mg++", 0.5}}, 3), rows);
    ASSERT_EQ(b.command.status, 0) << b.command.err;
    ASSERT_EQ(b.records.size(), m.size());
    for (std::size_t i = 0; i < m.size(); ++i) EXPECT_EQ(b.water(i)["status"], "converged") << m[i];
    const double saturated = crossing(b.records, m, "Bischofite");
    EXPECT_NEAR(saturated, 5.85, 0.10);
    // a(H2O) at the crossing, between the waters on either side.
    std::size_t above = 1;
    while (above + 1 < m.size() && m[above] < saturated) ++above;
    const double a0 = b.water(above - 1)["a_H2O"].get<double>(), a1 = b.water(above)["a_H2O"].get<double>();
    const double aw = a0 + (a1 - a0) * (saturated - m[above - 1]) / (m[above] - m[above - 1]);
    EXPECT_NEAR(aw, 0.3278, 0.04 * 0.3278);
}

// The mol/kg of a water: `dilute` concentrated `factor` times, at t C.
std::string concentrated(const std::vector<Component>& dilute, double factor, double t = 25.0) {
    std::string header = "name,T [C]", row = "brine," + number(t);
    for (const Component& c : dilute) {
        header += "," + std::string(c.name) + " [mol/kgw]";
        row += "," + number(c.total * factor);
    }
    return header + "\n" + row + "\n";
}

TEST(PitzerRuns, StrongBrinesFromTheBatchsStartAreTheWatersTheirEvaporationReaches) {
    // One brine three ways: from the batch's start (every ion at its total);
    // by the joint solve alone from that start (a loop limit of 1 hands the
    // water over to it); and at the end of an evaporation path without
    // precipitation from a water `factor` times more dilute, each step
    // starting from the last (a continuation in concentration). The pH is
    // that of electroneutrality: the table leaves it blank, and the path's
    // first run balances charge on H+; the balance is linear in the totals,
    // so the concentrated totals the path conserves stay neutral.
    const double seawaterKg = 0.9649178358;  // examples/evaporation: moles of seawater in this much water
    const std::vector<Component> seawater = {
        {3, "Cl-", 0.54587764082 / seawaterKg},   {4, "SO4--", 0.02823159065 / seawaterKg},
        {9, "Ca++", 0.010287439493 / seawaterKg}, {10, "Mg++", 0.053149557704 / seawaterKg},
        {12, "K+", 0.010207604934 / seawaterKg},  {13, "Na+", 0.46838163011 / seawaterKg}};
    // The Dead Sea of examples/deadsea (its WQCASE.DAT's totals per kg of
    // water), at half its strength.
    const std::vector<Component> halfDeadSea = {{3, "Cl-", 6.856678009615 / 2},  {4, "SO4--", 4.616712161949e-3 / 2},
                                                {5, "HCO3-", 4.54186020e-3 / 2}, {8, "Br-", 7.312556566469e-2 / 2},
                                                {9, "Ca++", 0.4752742253015 / 2}, {10, "Mg++", 1.935550694023 / 2},
                                                {12, "K+", 0.2152340834895 / 2}, {13, "Na+", 1.914619411328 / 2}};
    const struct {
        const char* name;
        std::vector<Component> dilute;
        double factor;
        const char* mineral;  // whose log Q/K is compared
    } brines[] = {
        {"mgcl2", {{3, "Cl-", 1.0}, {10, "Mg++", 0.5}}, 12.0, "Bischofite"},  // 6 mol/kg
        {"cacl2", {{3, "Cl-", 1.0}, {9, "Ca++", 0.5}}, 14.0, "Portlandite"},  // 7 mol/kg
        {"mgso4", {{4, "SO4--", 0.25}, {10, "Mg++", 0.25}}, 12.0, "Epsomite"}, // 3 mol/kg
        {"deadsea", halfDeadSea, 3.0, "Halite"},                              // 1.5 times the lake
        {"seawater", seawater, 27.0, "Halite"},                               // I 19.5 mol/kg
    };
    for (const auto& brine : brines) {
        SCOPED_TRACE(brine.name);
        const std::string table = concentrated(brine.dilute, brine.factor);
        Batch cold(std::string("cold-") + brine.name, runInput(brine.dilute, 3, {.pH = 0.0}), table);
        Batch joint(std::string("joint-") + brine.name, runInput(brine.dilute, 3, {.pH = 0.0, .loops = 1}), table);
        const testing::CsvTable path = evaporationPath(std::string("path-") + brine.name,
                                                       runInput(brine.dilute, 1, {.pH = 0.0, .chargeBalance = 1}),
                                                       brine.factor);
        ASSERT_EQ(cold.records.size(), 1u) << cold.command.err;
        ASSERT_EQ(joint.records.size(), 1u) << joint.command.err;
        ASSERT_EQ(path.rows.size(), 13u);
        for (std::size_t i = 0; i < path.rows.size(); ++i)
            EXPECT_EQ(path.cell(i, "status").rfind("converged", 0), 0u) << path.cell(i, "status");
        const std::size_t end = path.rows.size() - 1;
        EXPECT_EQ(cold.water(0)["status"].get<std::string>().rfind("converged", 0), 0u) << cold.water(0)["status"];
        EXPECT_EQ(joint.water(0)["status"].get<std::string>().rfind("converged by the joint solve", 0), 0u)
            << joint.water(0)["status"];
        // The pH of an unbuffered brine is held by its H+ balance only to
        // the run's tolerance of 1e-9 mol, which the path's first run leaves
        // in the totals it then concentrates: in 7 mol/kg CaCl2, whose H+
        // is a few 1e-5 mol, 1e-3 in pH and twice that in the log Q/K of
        // portlandite; a few 1e-7 in the others.
        const double pHTolerance = std::string(brine.name) == "cacl2" ? 2e-3 : 1e-5;
        for (const json* w : {&cold.water(0), &joint.water(0)}) {
            EXPECT_NEAR((*w)["pH"].get<double>(), std::stod(path.cell(end, "pH")), pHTolerance);
            EXPECT_NEAR((*w)["a_H2O"].get<double>() / std::stod(path.cell(end, "a(H2O)")), 1.0, 1e-8);
            EXPECT_NEAR((*w)["I"].get<double>() / std::stod(path.cell(end, "I [mol/kgw]")), 1.0, 1e-8);
            EXPECT_NEAR((*w)["minerals"][brine.mineral]["SI"].get<double>(),
                        std::stod(path.cell(end, "SI(" + std::string(brine.mineral) + ")")), 2 * pHTolerance);
        }
    }
}

TEST(PitzerRuns, UnbufferedBrinesConvergeInTheIterationAtEveryStepOfTheirPath) {
    // The H+ of a brine without carbonate is a small difference of large
    // amounts. After the path's first run its H+ total is a few 1e-17 mol
    // beside 1e-6 mol of H+ and of OH-; a charge balance on H+ sums 30
    // equivalents of Ca++ and Cl-, whose molalities are themselves resolved
    // to 1e-15 mol/kg. A tolerance of 1e-9 of the total asks for more than
    // double precision resolves: the iteration used up its loops and the
    // joint solve took the water over (with electroneutrality to 1e-9 of
    // its cations, which in MgCl2 of 9 mol/kg at 100 C left 1e-8 mol of
    // charge beside 2e-7 mol of H+: m(H+) 5 % below m(OH-)). Each brine by
    // the iteration alone now, from the batch's start and at every step of
    // its evaporation path (each step from the last), and by the joint
    // solve alone: the three agree to 1e-8 in a(H2O) and I. At 100 C and
    // above the water holds only the salt's ions, H+, OH- and the one
    // hydrolysis species of the data, MgOH+, so it is neutral only with
    // m(H+) = m(OH-) + m(MgOH+).
    const struct {
        const char* name;
        double t;
        std::vector<Component> dilute;
        double factor;
        double meanGamma;  // gamma+- of the brine, measured (0: not known here)
    } brines[] = {
        // 5 mol/kg: gamma+- of the compilations behind
        // ../shared/reference/mean_activity_coefficients_25C.csv (Staples &
        // Nuttall 1977; Goldberg & Nuttall 1978; CRC Handbook), within 3 %.
        {"cacl2-25", 25.0, {{3, "Cl-", 1.0}, {9, "Ca++", 0.5}}, 10.0, 5.907},
        {"cacl2-150", 150.0, {{3, "Cl-", 1.0}, {9, "Ca++", 0.5}}, 19.0, 0.0},   // 9.5 mol/kg, I 28.5
        {"mgcl2-100", 100.0, {{3, "Cl-", 1.0}, {10, "Mg++", 0.5}}, 18.0, 0.0},  // 9 mol/kg, I 27
        {"mgcl2-200", 200.0, {{3, "Cl-", 1.0}, {10, "Mg++", 0.5}}, 16.0, 0.0},  // 8 mol/kg, I 24
    };
    for (const auto& brine : brines) {
        SCOPED_TRACE(brine.name);
        const std::string table = concentrated(brine.dilute, brine.factor, brine.t);
        const Settings settings{.pH = 0.0, .temperature = brine.t};
        Batch cold(std::string("iterated-") + brine.name, runInput(brine.dilute, 3, settings), table);
        Settings once = settings;
        once.loops = 1;
        Batch joint(std::string("joint-only-") + brine.name, runInput(brine.dilute, 3, once), table);
        Settings balanced = settings;
        balanced.chargeBalance = 1;
        const testing::CsvTable path =
            evaporationPath(std::string("iterated-path-") + brine.name, runInput(brine.dilute, 1, balanced), brine.factor);
        ASSERT_EQ(cold.records.size(), 1u) << cold.command.err;
        ASSERT_EQ(joint.records.size(), 1u) << joint.command.err;
        ASSERT_EQ(path.rows.size(), 13u);
        for (std::size_t i = 0; i < path.rows.size(); ++i) {
            const std::string status = path.cell(i, "status");
            EXPECT_EQ(status.rfind("converged", 0), 0u) << status;
            EXPECT_EQ(status.find("joint solve"), std::string::npos) << "step " << i << ": " << status;
        }
        const json& w = cold.water(0);
        EXPECT_EQ(w["status"].get<std::string>().rfind("converged", 0), 0u) << w["status"];
        EXPECT_EQ(w["joint_loops"], 0);
        EXPECT_LT(w["loops"].get<int>(), 300);
        EXPECT_EQ(joint.water(0)["status"].get<std::string>().rfind("converged by the joint solve", 0), 0u)
            << joint.water(0)["status"];
        const std::size_t end = path.rows.size() - 1;
        for (const json* other : {&joint.water(0)}) {
            EXPECT_NEAR((*other)["a_H2O"].get<double>() / w["a_H2O"].get<double>(), 1.0, 1e-8);
            EXPECT_NEAR((*other)["I"].get<double>() / w["I"].get<double>(), 1.0, 1e-8);
        }
        EXPECT_NEAR(std::stod(path.cell(end, "a(H2O)")) / w["a_H2O"].get<double>(), 1.0, 1e-8);
        EXPECT_NEAR(std::stod(path.cell(end, "I [mol/kgw]")) / w["I"].get<double>(), 1.0, 1e-8);
        if (brine.t >= 100.0) {
            // The proton balance of the salt alone: H+ = OH- + MgOH+ (the
            // data have no CaOH+).
            const json& species = w["species"];
            const bool magnesium = brine.dilute[1].number == 10;
            ASSERT_EQ(species.size(), magnesium ? 5u : 4u) << species.dump();
            const double mH = species["H+"]["m"].get<double>();
            double protonsTaken = species["OH-"]["m"].get<double>();
            if (magnesium) protonsTaken += species["MgOH+"]["m"].get<double>();
            EXPECT_NEAR(mH / protonsTaken, 1.0, 1e-5);
        }
        if (brine.meanGamma > 0.0) {
            const char* cation = brine.dilute[1].name;
            EXPECT_NEAR(meanGamma(w, cation, 1, "Cl-", 2), brine.meanGamma, 0.03 * brine.meanGamma);
        }
    }
}

TEST(PitzerRuns, WhatTheDataCannotDescribeIsRefusedAndWhatIsDoubtfulFlagged) {
    // 210 C is beyond the data's 0-200 C: refused, that water alone. A
    // Pitzer database of one's own (--db, its PITZER.DAT beside it), here the
    // bundled one stating a highest ionic strength of 5 mol/kg: a NaCl brine
    // of 6 mol/kg is computed and flagged.
    testing::Folder data("pitzer-own-data");
    data.copy(PITZER_DATABASE, "LOGKDATA.KDB");
    std::string parameters = testing::slurp(PITZER_DATABASE.parent_path() / "PITZER.DAT");
    const std::size_t at = parameters.find("IONIC_STRENGTH  20");
    ASSERT_NE(at, std::string::npos);
    parameters.replace(at, 18, "IONIC_STRENGTH  5");
    data.write("PITZER.DAT", parameters);
    Batch b("range", runInput({{3, "Cl-", 1.0}, {13, "Na+", 1.0}}, 3),
            "name,T [C],pH,Na+ [mol/kgw],Cl- [mol/kgw]\n"
            "hot,210,7,0.1,0.1\n"
            "strong,25,7,6,6\n"
            "fine,25,7,1,1\n",
            "--db '" + (data.path() / "LOGKDATA.KDB").string() + "'");
    EXPECT_EQ(b.command.status, 1) << b.command.err;
    ASSERT_EQ(b.records.size(), 3u) << b.command.err;
    EXPECT_EQ(b.water(0)["status"], "210.00 C is outside the 0 to 200 C of the Pitzer data (" +
                                        (data.path() / "PITZER.DAT").string() + ")");
    EXPECT_EQ(b.water(1)["status"],
              "converged; doubtful: ionic strength 6.00 mol/kg is above the 5 mol/kg the Pitzer data were fitted to");
    EXPECT_EQ(b.water(2)["status"], "converged");

    // A component the Pitzer database has no data for (F-, number 7): a
    // table cannot name it (its columns are the Pitzer database's
    // components), a run input of a sweep can. And an extended run above
    // the saturation pressure, which the data (no pressure terms) cannot
    // describe.
    testing::Folder f("pitzer-unused");
    f.write("WQCASE.DAT", runInput({{3, "Cl-", 0.1}, {7, "F-", 1e-4}, {13, "Na+", 0.1}}, 3));
    const testing::Command unused = f.run("sweep --activity pitzer --db '" + PITZER_DATABASE.string() +
                                          "' --from 25 --to 25 --step 10 --minerals Halite");
    EXPECT_EQ(unused.status, 1) << unused.err;
    EXPECT_NE(unused.err.find("has no data for component 7 (unused 7)"), std::string::npos) << unused.err;
    Batch e("extended", runInput({{3, "Cl-", 0.1}, {13, "Na+", 0.1}}, 3, {.kind = 1}),
            "name,T [C],P [bar],Na+ [mol/kgw]\nwater,25,500,0.1\n");
    ASSERT_EQ(e.records.size(), 1u) << e.command.err;
    EXPECT_EQ(e.water(0)["status"], "the Pitzer data have no pressure terms: they hold up to 1.013 bar at 25.00 C (the "
                                    "saturation pressure of water, 1.013 bar below 100 C), not at 500.00 bar");
}

TEST(PitzerRuns, TheModelItsDatabaseAndItsPhScaleAreChosenByAnOptionEach) {
    const std::string water = runInput({{3, "Cl-", 0.5}, {13, "Na+", 0.5}}, 3);
    const std::string rows = "name,T [C],Na+ [mol/kgw],Cl- [mol/kgw]\nsalt,25,0.5,0.5\n";
    // Without --db the Pitzer model runs on the Pitzer database of the
    // program: here the one of the clone it was built from (the folder holds
    // no database); without --ph-scale on the MacInnes scale.
    Batch chosen("default-db", water, rows, "");
    ASSERT_EQ(chosen.command.status, 0) << chosen.command.err;
    EXPECT_EQ(chosen.water(0)["activity_model"], "pitzer");
    EXPECT_EQ(chosen.water(0)["ph_scale"], "macinnes");
    // The free scale: other single ions at the given pH 7, the same mean.
    Batch free("free-scale", water, rows, "--ph-scale free");
    ASSERT_EQ(free.command.status, 0) << free.command.err;
    EXPECT_EQ(free.water(0)["ph_scale"], "free");
    EXPECT_GT(std::fabs(gammaOf(free.water(0), "H+") / gammaOf(chosen.water(0), "H+") - 1.0), 0.01);
    EXPECT_NEAR(meanGamma(free.water(0), "Na+", 1, "Cl-", 1), meanGamma(chosen.water(0), "Na+", 1, "Cl-", 1), 1e-12);

    // Without --activity: B-dot, and the CSV says so in its last fixed column.
    testing::Folder bdot("pitzer-bdot");
    bdot.write("WQCASE.DAT", water);
    bdot.write("waters.csv", rows);
    bdot.copy(SOURCE / "examples" / "LOGKDATA.KDB", "LOGKDATA.KDB");
    ASSERT_EQ(bdot.run("batch waters.csv --out out.csv").status, 0);
    const std::string csv = bdot.read("out.csv");
    EXPECT_NE(csv.find(",notes,activity model,"), std::string::npos);
    EXPECT_NE(csv.find(",b-dot,"), std::string::npos);

    // A model the registry does not hold, and a database with no PITZER.DAT
    // beside it, keep the batch from starting (status 2), in one line.
    const testing::Command unknown = bdot.run("batch waters.csv --activity davies --out x.csv");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err, "wqspec: --activity davies: no such activity model (there are: b-dot, pitzer)\n");
    // A pH scale there is not, with any model.
    const testing::Command noScale = bdot.run("batch waters.csv --ph-scale nbs --out x.csv");
    EXPECT_EQ(noScale.status, 2);
    EXPECT_EQ(noScale.err, "wqspec: --ph-scale nbs: no such pH scale (there are: macinnes, free)\n");
    const testing::Command noData = bdot.run("batch waters.csv --activity pitzer --db LOGKDATA.KDB --out x.csv");
    EXPECT_EQ(noData.status, 2);
    EXPECT_EQ(noData.err.rfind("wqspec: the pitzer activity model cannot read its data: cannot open PITZER.DAT: ", 0), 0u)
        << noData.err;
    EXPECT_FALSE(bdot.has("x.csv"));
}

TEST(PitzerRuns, ASweepNamesItsModelAndRefusesTemperaturesBeyondTheData) {
    testing::Folder folder("pitzer-sweep");
    folder.write("WQCASE.DAT", runInput({{3, "Cl-", 3.0}, {4, "SO4--", 0.02}, {9, "Ca++", 0.02}, {13, "Na+", 3.0}}, 3));
    const testing::Command c =
        folder.run("sweep --activity pitzer --ph-scale free --from 150 --to 250 --step 50 --minerals Gypsum,Halite");
    EXPECT_EQ(c.status, 1) << c.err;
    const std::string t = folder.read("sweep.csv");
    EXPECT_NE(t.find("\n# activity model: pitzer, pH scale free\n"), std::string::npos) << t;
    EXPECT_NE(t.find("\nsweep,converged,"), std::string::npos) << t;
    EXPECT_NE(t.find("\nsweep,250.00 C is outside the 0 to 200 C of the Pitzer data"), std::string::npos) << t;
}

}  // namespace
}  // namespace wq
