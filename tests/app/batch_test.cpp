// The batch and the results records, end to end: the built program runs in a
// fresh folder on the bundled database, as a user would run it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "support/folder.hpp"
#include "support/program_run.hpp"
#include "text/layout.hpp"

namespace wq {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testing::slurp;

const fs::path SOURCE = WQSPEC_SOURCE_DIR;
const fs::path DATABASE = SOURCE / "examples" / "LOGKDATA.KDB";

using testing::Command;

// A folder of its own for a test, with the seawater template and the database.
class Folder : public testing::SeawaterFolder {
public:
    explicit Folder(const std::string& tag) : testing::SeawaterFolder("batch-" + tag) {}
};

// Four waters in the units a table may use: seawater as published (mg/kg
// of solution), a dilution in mmol/kgw, a warm water whose pH is computed,
// and a fresh water in mg/L with its density.
const std::string WATERS =
    "name,T,pH,alkalinity [mg/kg as HCO3],Ca++ [mg/kg],Mg++ [mg/kg],Na+ [mg/kg],K+ [mg/kg],Cl- [mg/kg],"
    "SO4-- [mg/kg],\"SiO2,aq [mg/kg]\"\n"
    "seawater,25,8.22,141.682,412.3,1291.8,10768.0,399.1,19353.0,2712.0,4.28\n"
    "half sea,25,8.1,70.841,206.15,645.9,5384,199.55,9676.5,1356,2.14\n"
    "warm sea,60,7.9,141.682,412.3,1291.8,10768.0,399.1,19353.0,2712.0,4.28\n";

const std::string FRESH =
    "name,T,pH,density [kg/L],alkalinity [mg/L as CaCO3],Ca++ [mg/L],Mg++ [mg/L],Na+ [mg/L],K+ [mg/L],"
    "Cl- [mg/L],SO4-- [mg/L],\"SiO2,aq [mg/L]\"\n"
    "river,22,7.4,0.9995,47.9,15,4.1,6.3,2.3,7.8,11.2,13.1\n";

std::string line(const Layout& layout, std::initializer_list<Value> values) {
    std::string text = layout.write(values);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

std::string name12(const std::string& name) { return (name + std::string(12, ' ')).substr(0, 12); }

// Every row of the species and totals tables, every mineral and gas row and
// the water block of the listing, rebuilt from the record with the listing's
// own layouts, must be in the listing as it stands.
void expectListingHoldsRecord(const std::string& listing, const json& r) {
    static const Layout species("(1X,I3,1X,A12,1X,E12.4,1X,F10.4,1X,E12.4,1X,F10.4,1X,E12.4,1X)");
    static const Layout total("(1X,I3,1X,A12,1X,E12.4,1X,E12.4,A2,1X,E13.6,1X,E12.4,1X,F10.6)");
    static const Layout mineral("(2X,A20,3(2X,F9.4))");
    static const Layout gas("(2X,A20,3(2X,F9.4),2X,G11.4)");
    static const Layout ionic("(/2X,'Ionic Strength = ',E12.7,6X,'Calculated Alkalinity = ',E12.7)");
    static const Layout osmotic("('  ','Stoichiometric Ionic Strength = ',E12.7,'   Osmotic Coef. =',F8.4)");
    const std::vector<std::string> all = lines(listing);
    const auto has = [&](const std::string& l) { return std::find(all.begin(), all.end(), l) != all.end(); };
    int checked = 0;
    for (const std::string& l : all) {
        if (l.size() < 18 || l[0] != ' ' || l[4] != ' ' || !std::isdigit(static_cast<unsigned char>(l[3]))) continue;
        const int position = std::stoi(l.substr(1, 3));
        std::string name = l.substr(5, 12);
        name.erase(name.find_last_not_of(' ') + 1);
        if (l.size() == 83 && r["totals"].contains(name)) {
            const json& t = r["totals"][name];
            const std::string flag = (t["flag"].get<std::string>() + "  ").substr(0, 2);
            EXPECT_EQ(l, line(total, {position, name12(name), t["free_molality"].get<double>(), t["moles"].get<double>(),
                                      flag, t["ppm"].get<double>(), t["molality"].get<double>(),
                                      t["alpha"].get<double>()}));
            ++checked;
        } else if (r["species"].contains(name) && l.size() == 79) {
            const json& s = r["species"][name];
            EXPECT_EQ(l, line(species, {position, name12(name), s["m"].get<double>(), s["log_m"].get<double>(),
                                        s["a"].get<double>(), s["log_a"].get<double>(), s["gamma"].get<double>()}));
            ++checked;
        }
    }
    EXPECT_GT(checked, 20);
    for (const auto& [name, m] : r["minerals"].items()) {
        std::string n20 = (name + std::string(20, ' ')).substr(0, 20);
        EXPECT_TRUE(has(line(mineral, {n20, m["log_K"].get<double>(), m["log_Q"].get<double>(), m["SI"].get<double>()})))
            << name;
    }
    for (const auto& [name, g] : r["gases"].items()) {
        std::string n20 = (name + std::string(20, ' ')).substr(0, 20);
        EXPECT_TRUE(has(line(gas, {n20, g["log_K"].get<double>(), g["log_Q"].get<double>(), g["log_f"].get<double>(),
                                   g["f"].get<double>()})))
            << name;
    }
    const std::string ionicLine = line(ionic, {r["I"].get<double>(), r["calculated_alkalinity"].get<double>()});
    EXPECT_NE(listing.find(ionicLine.substr(1)), std::string::npos) << ionicLine;
    EXPECT_TRUE(has(line(osmotic, {r["I_stoichiometric"].get<double>(), r["osmotic_coefficient"].get<double>()})));
}

// A water of a batch is the same calculation as its run input, written by
// --write-cases, run alone by the console program.
TEST(Batch, EveryRecordEqualsTheListingOfItsCaseRunAlone) {
    Folder folder("equal");
    folder.write("waters.csv", WATERS);
    folder.write("fresh.csv", FRESH);
    // Balanced on Cl-, as the console program balances a run input with a
    // pH or an alkalinity fixed.
    for (const char* table : {"waters.csv --balance Cl-", "fresh.csv --balance Cl-"}) {
        const Command solved = folder.run(std::string("batch ") + table + " --out records.json --jobs 2");
        ASSERT_EQ(solved.status, 0) << solved.err;
        const json records = json::parse(folder.read("records.json"));
        const Command cases = folder.run(std::string("batch ") + table + " --write-cases cases");
        ASSERT_EQ(cases.status, 0) << cases.err;
        for (const json& r : records) {
            ASSERT_EQ(r["status"], "converged");
            std::string dir = r["name"].get<std::string>();
            for (char& c : dir)
                if (c == ' ') c = '_';
            const std::string caseText = folder.read("cases/" + dir + "/WQCASE.DAT");
            const testing::ProgramRun alone = testing::runProgram(caseText, "", DATABASE, "batch-" + dir);
            ASSERT_EQ(alone.status, 0) << alone.errors;
            SCOPED_TRACE(dir);
            expectListingHoldsRecord(alone.listing, r);
        }
    }
}

// The twenty published and five derived waters of examples/batch: every one
// converges and its records are the blessed ones; balanced on Cl-, as the
// console program balances a run input with a pH or an alkalinity fixed,
// each equals its case run alone (computed as analysed, as the example runs,
// a water has no run input that says so).
TEST(Batch, ExampleTableGivesItsExpectedRecordsAndEachEqualsItsCaseRunAlone) {
    Folder folder("example");
    const fs::path example = SOURCE / "examples" / "batch";
    const std::string args = "batch '" + (example / "WATERS.csv").string() + "' --case '" +
                             (example / "WQCASE.DAT").string() + "' --db '" + DATABASE.string() + "'";
    const Command csv = folder.run(args + " --out out.csv");
    ASSERT_EQ(csv.status, 0) << csv.err;
    EXPECT_EQ(folder.read("out.csv"), slurp(example / "expected.csv"))
        << "re-bless with: build/release/wqspec " << args << " --out examples/batch/expected.csv";
    ASSERT_EQ(folder.run(args + " --balance Cl- --out records.json").status, 0);
    ASSERT_EQ(folder.run(args + " --balance Cl- --write-cases cases").status, 0);
    const json records = json::parse(folder.read("records.json"));
    ASSERT_EQ(records.size(), 25u);
    int alone = 0;
    for (const json& r : records) {
        const std::string name = r["name"].get<std::string>();
        SCOPED_TRACE(name);
        EXPECT_EQ(r["balanced_on"], "Cl-");
        ++alone;
        const testing::ProgramRun run =
            testing::runProgram(folder.read("cases/" + name + "/WQCASE.DAT"), "", DATABASE, "example-" + name);
        ASSERT_EQ(run.status, 0) << run.errors;
        expectListingHoldsRecord(run.listing, r);
    }
    EXPECT_EQ(alone, 25);
}

// CSV rows come in the table's order whatever thread solved them, and a
// spreadsheet or pandas reads the table as it stands.
TEST(Batch, CsvInTableOrderReadByPandas) {
    Folder folder("csv");
    std::string table = "name,T,pH,Na+ [mmol/kgw],Cl- [mmol/kgw]\n";
    for (int k = 1; k <= 12; ++k)
        table += "w" + std::to_string(k) + "," + std::to_string(15 + 5 * k) + ",7.5," + std::to_string(10 * k) + "," +
                 std::to_string(10 * k) + "\n";
    folder.write("waters.csv", table);
    const Command c = folder.run("batch waters.csv --jobs 3 --all");
    ASSERT_EQ(c.status, 0) << c.err;
    const std::vector<std::string> rows = lines(c.out);
    ASSERT_EQ(rows.size(), 13u);
    for (int k = 1; k <= 12; ++k) EXPECT_EQ(rows[k].substr(0, rows[k].find(',')), "w" + std::to_string(k));
    folder.write("out.csv", c.out);
    const Command pandas = folder.run(
        "--version && /usr/bin/python3 -c \"import pandas; d = pandas.read_csv('out.csv'); "
        "assert d.shape[0] == 12, d.shape; assert list(d['status'].unique()) == ['converged']; "
        "assert abs(d['T [C]'][3] - 35) < 1e-12; assert d['SI(Halite)'].notna().all(); "
        "assert d['log_m(Na+)'].notna().all(); print(d.shape[1])\"");
    EXPECT_EQ(pandas.status, 0) << pandas.err;
}

// The records do not depend on how many threads computed them: CSV and JSON
// are byte for byte the same on 1, 2 and 4 threads (run under ThreadSanitizer
// by tools/tsan.sh, this is also the batch's race test).
TEST(Batch, TheRecordsAreTheSameOnAnyNumberOfThreads) {
    Folder folder("threads");
    std::string table = "name,T,pH,Na+ [mmol/kgw],Cl- [mmol/kgw],Ca++ [mmol/kgw]\n";
    for (int k = 0; k < 40; ++k)
        table += "w" + std::to_string(k) + "," + std::to_string(20 + 7 * k) + "," + (k % 3 ? "7.5" : "") + "," +
                 std::to_string(5 + k) + "," + std::to_string(5 + 3 * k) + ",1\n";
    table += "bad,warm,7,1,1,1\n";
    folder.write("waters.csv", table);
    for (const char* out : {"out.csv", "out.json"}) {
        std::string first;
        for (const char* jobs : {"1", "2", "4"}) {
            const Command run = folder.run(std::string("batch waters.csv --out ") + out + " --jobs " + jobs);
            EXPECT_EQ(run.status, 1) << run.err;  // the row "bad" fails
            const std::string records = folder.read(out);
            if (first.empty()) first = records;
            EXPECT_EQ(records, first) << out << " on " << jobs << " threads";
        }
    }
}

TEST(Batch, FailuresStayInTheirRowsAndSetTheStatus) {
    Folder folder("fail");
    folder.write("waters.csv",
                 "name,T,pH,Na+ [mmol/kgw],Cl- [mmol/kgw]\n"
                 "good,25,7.5,10,10\n"
                 "text,warm,7.5,10,10\n"
                 "too hot,400,7.5,10,10\n"
                 "negative,25,7.5,-1,10\n"
                 "also good,30,7.5,10,10\n");
    const Command c = folder.run("batch waters.csv --out out.json --jobs 2");
    EXPECT_EQ(c.status, 1) << c.err;
    const json r = json::parse(folder.read("out.json"));
    ASSERT_EQ(r.size(), 5u);
    EXPECT_EQ(r[0]["status"], "converged");
    EXPECT_EQ(r[1]["status"], "row on line 3, column \"T\": \"warm\" is not a number");
    EXPECT_EQ(r[2]["status"], "saturation run outside 20 to 374 C");
    EXPECT_EQ(r[3]["status"], "row on line 5, column \"Na+ [mmol/kgw]\": a negative amount");
    EXPECT_EQ(r[4]["status"], "converged");
}

// The status says how a water was found: by the iteration, or by the joint
// solve where the iteration ran out of loops (the loops column keeps the
// iteration's); a water with no solution says why, and the batch fails.
TEST(Batch, TheStatusSaysHowAWaterWasFoundOrWhyItHasNoSolution) {
    Folder folder("limit");
    std::string templ = folder.read("WQCASE.DAT");
    templ.replace(templ.find(" 0 1 0 0 100 3"), 14, " 0 1 0 0   2 3");
    folder.write("WQCASE.DAT", templ);
    const std::string sea = WATERS.substr(WATERS.find('\n') + 1, WATERS.find("half sea") - WATERS.find('\n') - 1);
    folder.write("waters.csv", WATERS.substr(0, WATERS.find('\n') + 1) + sea + "hot " + sea.substr(0, 9) + "200,7.5" +
                                   sea.substr(sea.find(",8.22,") + 5));
    const std::string args = " --case WQCASE.DAT --balance Cl- --all";
    const Command c = folder.run("batch waters.csv" + args);
    EXPECT_EQ(c.status, 1);
    EXPECT_NE(c.out.find("\nseawater,converged by the joint solve,2,25,"), std::string::npos) << c.out;
    EXPECT_NE(c.out.find("\nhot seawater,no solution: alkalinity "), std::string::npos) << c.out;
    EXPECT_EQ(folder.run("batch waters.csv --out out.json" + args).status, 1);
    const json r = json::parse(folder.read("out.json"));
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0]["loops"], 2);
    EXPECT_GT(r[0]["joint_loops"], 0);
    EXPECT_EQ(r[1]["status"].get<std::string>().rfind("no solution: alkalinity ", 0), 0u);
}

// Faults that keep a batch from starting: one line on the error stream,
// status 2, no output file.
TEST(Batch, FaultsThatKeepTheBatchFromStarting) {
    Folder folder("start");
    folder.write("no-components.dat",
                 "t\nt\nx\nx\n 1e-9 7 0 0 25 0 1e-10 1\nx\nx\nx\n 0 0 0 0 50 0 0 0 0 0 0\nx\nx\n    0\n");
    const struct {
        std::string table, args, message;
    } cases[] = {
        {"", "", "wqspec: waters.csv: the table is empty\n"},
        {"T,Na+ [mg/L]\n25,1\n", "", "wqspec: waters.csv: the table has no \"name\" column\n"},
        {"name,Na+ [mg/L]\nw,1\n", "", "wqspec: waters.csv: the table has no \"T\" column\n"},
        {"name,T,Nq+ [mg/L]\nw,25,1\n", "--strict",
         "wqspec: waters.csv: column \"Nq+ [mg/L]\": \"Nq+\" is not a component species of the database, nor a "
         "short name (Ca, SO4, ...; wqspec batch --list-columns), nor one of name, T, P, pH, density, CO2(g), Eh, pe, O2(g), redox, alkalinity, conductance\n"},
        {"name,T\nw,25\n", "--case no-components.dat", "wqspec: the template no-components.dat "},
        {"name,T\nw,25\n", "--case missing.dat", "wqspec: cannot open the template missing.dat: No such file or directory\n"},
        {"name,T\nw,25\n", "--out out.txt", "wqspec: --out out.txt: the name must end in .csv or .json\n"},
    };
    for (const auto& c : cases) {
        folder.write("waters.csv", c.table);
        const Command run = folder.run("batch waters.csv " + c.args);
        EXPECT_EQ(run.status, 2) << c.args << c.table;
        // A template the reader refuses is reported with the reader's own words.
        if (c.message.back() == '\n')
            EXPECT_EQ(run.err, c.message);
        else
            EXPECT_EQ(run.err.rfind(c.message, 0), 0u) << run.err;
        EXPECT_EQ(run.out, "");
    }
    const Command usage = folder.run("batch");
    EXPECT_EQ(usage.status, 2);
    EXPECT_EQ(usage.err, "wqspec: the table of waters is missing: wqspec batch WATERS.csv\n");
}

// The console program with --results keeps its listing and writes one
// record per run of the dialogue.
TEST(Results, OneRecordPerRunOfTheDialogue) {
    Folder folder("results");
    const Command one = folder.run("--results run.json");
    ASSERT_EQ(one.status, 0) << one.err;
    const json run = json::parse(folder.read("run.json"));
    ASSERT_EQ(run.size(), 1u);
    EXPECT_EQ(run[0]["pH"].get<double>(), 8.22);
    expectListingHoldsRecord(folder.read("WQLIST.DAT"), run[0]);

    folder.write("answers", "Y\n50\nN\n\n\n");
    const Command two = folder.run("--results runs.json", "answers");
    ASSERT_EQ(two.status, 0) << two.err;
    const json runs = json::parse(folder.read("runs.json"));
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0], run[0]);
    EXPECT_EQ(runs[1]["T"], 50.0);
    EXPECT_NE(runs[1]["pH"].get<double>(), 8.22);  // later runs compute the pH
    const std::string listing = folder.read("WQLIST.DAT");

    const Command plain = folder.run("", "answers");
    EXPECT_EQ(folder.read("WQLIST.DAT"), listing);  // the records change nothing of the listing
    EXPECT_EQ(plain.out, two.out);
}

}  // namespace
}  // namespace wq
