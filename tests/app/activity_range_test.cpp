// The activity models at the edges of what they describe, through the
// batch's table of waters: B-dot computed at every molality a front end
// reaches; Pitzer parameters no water obeys giving no solution, and values
// beyond the data flagged; Pitzer for cold waters (an extended run at
// 1.013 bar), halite and gypsum solubility at 5-15 C against a calculation
// by hand from the same data.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app/front_end.hpp"
#include "app/table_of_waters.hpp"
#include "grid/grid.hpp"
#include "input/logk_cache.hpp"
#include "input/pitzer_parameters.hpp"
#include "input/tables.hpp"
#include "support/folder.hpp"
#include "support/program_run.hpp"

namespace wq {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const fs::path SOURCE = WQSPEC_SOURCE_DIR;
const fs::path PITZER_DATABASE = SOURCE / "examples" / "pitzer" / "LOGKDATA.KDB";
const std::atomic<bool> NEVER{false};

// The JSON records of a table run as `wqspec batch --activity <activity>
// --db <database>` runs it, with the table's own default options.
std::vector<json> records(const std::vector<std::string>& columns, const std::vector<std::vector<std::string>>& rows,
                          const std::string& activity, const fs::path& database) {
    BatchOptions o;
    o.model.activity = activity;
    o.model.databasePath = database.string();
    o.jobs = "2";
    TableRunOptions run;
    run.json = true;
    const TableOutcome out = runTableOfWaters({columns, rows}, o, run, NEVER);
    std::vector<json> found;
    for (const WaterOutcome& w : out.waters) found.push_back(json::parse(w.json));
    return found;
}

std::string number(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.12g", v);
    return text;
}

TEST(ActivityRange, TheFrontEndsComputeBdotAtEveryMolality) {
    // Above 7 mol/kg the console program's iteration keeps the coefficients
    // of the loop before, and a water that starts there kept those of an
    // ideal solution: I 0, a(H2O) 1, every gamma 1, no note. A front end
    // computes it, and notes it beyond the model's range.
    struct Case {
        const char *cation, *anion;
        double m, t;
    };
    const Case cases[] = {{"Na+", "NO3-", 8, 25}, {"Li+", "Cl-", 12, 25}, {"K+", "NO3-", 8, 80}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cation);
        const std::vector<json> r =
            records({"name", "T [C]", "pH", std::string(c.cation) + " [mol/kgw]", std::string(c.anion) + " [mol/kgw]"},
                    {{"salt", number(c.t), "7", number(c.m), number(c.m)}}, "b-dot", SOURCE / "examples" / "LOGKDATA.KDB");
        ASSERT_EQ(r.size(), 1u);
        const json& w = r[0];
        EXPECT_EQ(w.at("status"), "converged");
        EXPECT_NEAR(w.at("I_stoichiometric").get<double>(), c.m, 1e-6 * c.m);
        // Ion pairs (LiCl,aq) take some of the salt out of I.
        EXPECT_GT(w.at("I").get<double>(), 0.6 * c.m);
        EXPECT_LE(w.at("I").get<double>(), c.m * (1.0 + 1e-6));
        EXPECT_GT(w.at("a_H2O").get<double>(), 0.0);
        EXPECT_LE(w.at("a_H2O").get<double>(), 1.0);
        for (const auto& [name, species] : w.at("species").items())
            EXPECT_TRUE(species.at("gamma").is_number() && species.at("gamma").get<double>() > 0.0) << name;
        EXPECT_NE(w.at("species").at(c.cation).at("gamma").get<double>(), 1.0);
        EXPECT_NE(w.at("notes").get<std::string>().find("beyond the range of the B-dot model"), std::string::npos)
            << w.at("notes");
    }
}

// A folder holding the Pitzer database and its PITZER.DAT with the line
// that starts with `start` replaced by `line` ("": left out).
struct OwnPitzerData {
    testing::Folder folder;
    OwnPitzerData(const std::string& tag, const std::string& start, const std::string& line) : folder(tag) {
        folder.copy(PITZER_DATABASE, "LOGKDATA.KDB");
        std::string text = testing::slurp(PITZER_DATABASE.parent_path() / "PITZER.DAT");
        const std::size_t at = text.find("\n" + start);
        EXPECT_NE(at, std::string::npos) << start;
        text.replace(at + 1, text.find('\n', at + 1) - at, line.empty() ? "" : line + "\n");
        folder.write("PITZER.DAT", text);
    }
    fs::path database() const { return folder.path() / "LOGKDATA.KDB"; }
};

TEST(ActivityRange, PitzerDataNoWaterObeysAreRefusedAndValuesBeyondTheDataFlagged) {
    // beta(0) of NaCl is 0.075 kg/mol at 25 C. At 10 kg/mol a NaCl brine of
    // 3 mol/kg had gamma(Na+) 5e25 and halite SI +50.8; at 1000 the
    // coefficients overflowed and a(H2O) was 1e-141: both "converged".
    for (const char* b0 : {"10", "1000"}) {
        const OwnPitzerData data(std::string("pitzer-b0-") + b0, "B0      Cl-          Na+", std::string("B0 Cl- Na+ ") + b0);
        const std::vector<json> r = records({"name", "T [C]", "pH", "Na+ [mol/kgw]", "Cl- [mol/kgw]"},
                                            {{"brine", "25", "7", "3", "3"}}, "pitzer", data.database());
        ASSERT_EQ(r.size(), 1u);
        EXPECT_EQ(r[0].at("status").get<std::string>().rfind("no solution: the Pitzer model gives ", 0), 0u)
            << b0 << ": " << r[0].at("status");
    }
    // Beyond the data but a water all the same: computed, and flagged.
    const std::vector<json> r = records({"name", "T [C]", "Na+ [mol/kgw]", "HCO3- [mol/kgw]"},
                                        {{"nahco3", "200", "12", "12"}}, "pitzer", PITZER_DATABASE);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_GT(r[0].at("a_H2O").get<double>(), 1.0);
    EXPECT_EQ(r[0].at("status").get<std::string>().rfind("converged; doubtful: osmotic coefficient -0.", 0), 0u)
        << r[0].at("status");
}

// ---- cold waters -----------------------------------------------------------

// ln gamma+- and ln a(H2O) of a single salt M X, |zM| = |zX| = z, of
// molality m: Pitzer (1991, Activity Coefficients in Electrolyte Solutions,
// 2nd ed., ch. 3, eqs. for a single electrolyte), b = 1.2, alpha1 2 (1.4
// for 2-2 salts) and alpha2 12, the parameters at the temperature.
struct SingleSalt {
    double z, beta0, beta1, beta2, cPhi, aPhi;
    void at(double m, double& lnGamma, double& lnWater) const {
        const double alpha1 = z == 2.0 ? 1.4 : 2.0, alpha2 = 12.0, b = 1.2;
        const double i = 0.5 * m * 2.0 * z * z, r = std::sqrt(i);
        const auto gammaPart = [&](double beta, double alpha) {
            const double x = alpha * r;
            return 2.0 * beta / (x * x) * (1.0 - (1.0 + x - 0.5 * x * x) * std::exp(-x));
        };
        const double fGamma = -aPhi * (r / (1.0 + b * r) + 2.0 / b * std::log(1.0 + b * r));
        const double bGamma = 2.0 * beta0 + gammaPart(beta1, alpha1) + gammaPart(beta2, alpha2);
        lnGamma = z * z * fGamma + m * bGamma + m * m * 1.5 * cPhi;
        const double bPhi = beta0 + beta1 * std::exp(-alpha1 * r) + beta2 * std::exp(-alpha2 * r);
        const double phi = 1.0 - z * z * aPhi * r / (1.0 + b * r) + m * bPhi + m * m * cPhi;
        lnWater = -phi * 2.0 * m / MOLES_WATER_PER_KG;
    }
};

// The parameter of `kind` of the pair at tKelvin in the shipped PITZER.DAT.
double parameter(const PitzerParameters& p, PitzerKind kind, const std::string& a, const std::string& b, double tKelvin) {
    for (const PitzerTerm& t : p.terms)
        if (t.kind == kind && ((t.species[0] == a && t.species[1] == b) || (t.species[0] == b && t.species[1] == a)))
            return pitzerTemperatureFunction(t.coefficients, tKelvin);
    return 0.0;
}

struct Mineral {
    const char *name, *cation, *anion;
    double z, waters;  // charge of the ions, H2O of the formula
};

// The molality of the salt at which the mineral is saturated, by bisection
// in ln m on SI(m) increasing, to 1e-5 of m from a factor of 2.
template <class SI>
double saturating(SI si, double lo, double hi) {
    for (int k = 0; k < 16; ++k) {
        const double mid = std::sqrt(lo * hi);
        (si(mid) > 0.0 ? hi : lo) = mid;
    }
    return std::sqrt(lo * hi);
}

TEST(ActivityRange, PitzerColdWatersAgreeWithTheSameDataByHand) {
    // Below 20 C a table's water is an extended run at 1.013 bar, which the
    // Pitzer model refused whatever its pressure. The molality of halite and
    // of gypsum saturation in pure water at 5, 10 and 15 C, found by
    // bisection on waters of the batch, within 1 % of the same by hand: the
    // single-salt equations above with the parameters of PITZER.DAT, A-phi
    // = A ln 10 / 3 from the database's A and the database's log K at the
    // water's temperature (as the batch reports it).
    const Mineral minerals[] = {{"Halite", "Na+", "Cl-", 1.0, 0.0}, {"Gypsum", "Ca++", "SO4--", 2.0, 2.0}};
    const PitzerParameters data = loadPitzerParameters((PITZER_DATABASE.parent_path() / "PITZER.DAT").string());
    const auto database = databaseSnapshot(PITZER_DATABASE.string());
    for (const double t : {5.0, 10.0, 15.0}) {
        for (const Mineral& mineral : minerals) {
            SCOPED_TRACE(std::string(mineral.name) + " at " + number(t) + " C");
            double logK = NAN;
            const auto batchSI = [&](double m) {
                const std::vector<json> r =
                    records({"name", "T [C]", "pH", std::string(mineral.cation) + " [mol/kgw]",
                             std::string(mineral.anion) + " [mol/kgw]"},
                            {{"w", number(t), "7", number(m), number(m)}}, "pitzer", PITZER_DATABASE);
                EXPECT_EQ(r.at(0).at("status"), "converged");
                EXPECT_EQ(r[0].at("P").get<double>(), 1.013);
                logK = r[0].at("minerals").at(mineral.name).at("log_K").get<double>();
                return r[0].at("minerals").at(mineral.name).at("SI").get<double>();
            };
            const double lo = mineral.z == 1.0 ? 4.0 : 0.005, hi = mineral.z == 1.0 ? 8.0 : 0.05;
            const double byBatch = saturating(batchSI, lo, hi);

            const double tK = t + 273.15;
            GridLocation grid;
            locateOnGrid(1.013, t, grid);
            const double aPhi = activityTablesAt(*database, LogKConditions::at(t, 1.013, true, grid)).debyeA *
                                std::log(10.0) / 3.0;
            const SingleSalt salt{mineral.z,
                                  parameter(data, PitzerKind::beta0, mineral.cation, mineral.anion, tK),
                                  parameter(data, PitzerKind::beta1, mineral.cation, mineral.anion, tK),
                                  parameter(data, PitzerKind::beta2, mineral.cation, mineral.anion, tK),
                                  parameter(data, PitzerKind::cPhi, mineral.cation, mineral.anion, tK), aPhi};
            const auto handSI = [&](double m) {
                double lnGamma = 0.0, lnWater = 0.0;
                salt.at(m, lnGamma, lnWater);
                return (2.0 * (std::log(m) + lnGamma) + mineral.waters * lnWater) / std::log(10.0) - logK;
            };
            const double byHand = saturating(handSI, lo, hi);
            EXPECT_NEAR(byBatch / byHand, 1.0, 0.01) << byBatch << " and " << byHand << " mol/kg";
        }
    }
}

}  // namespace
}  // namespace wq
