// The published waters of examples/redox: every figure a README quotes from
// the records is what its command gives now, to the digits quoted, and what
// the committed records hold. The command is read from the README itself (the
// line whose --out names the records), run from the top of the repository as
// a user would, its --out sent to a temporary file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "support/program_run.hpp"
#include "text/csv.hpp"

namespace fs = std::filesystem;
using wq::testing::slurp;

namespace {

const fs::path kRoot = WQSPEC_SOURCE_DIR;
const std::string kProgram = "build/release/wqspec ";

struct Quote {
    const char* example;  // folder under examples/redox
    const char* records;  // the records file the README's command writes
    const char* water;    // the row's name
    const char* column;
    const char* figure;   // as the README prints it
};

// The line of the README that runs `build/release/wqspec ... --out PATH`.
std::string commandFor(const std::string& readme, const std::string& outPath) {
    std::istringstream in(readme);
    for (std::string line; std::getline(in, line);) {
        const std::size_t start = line.find(kProgram);
        if (start != std::string::npos && line.find("--out " + outPath) != std::string::npos)
            return line.substr(start);
    }
    return {};
}

// The cell of the named water and column in a CSV text of records; "" when absent.
std::string cellOf(const std::string& records, const std::string& water, const std::string& column) {
    wq::CsvReader reader(records);
    std::string error;
    std::vector<std::string> header;
    while (auto record = reader.next(error)) {
        if (header.empty()) {
            header = record->fields;
            continue;
        }
        if (record->fields.empty() || record->fields[0] != water) continue;
        for (std::size_t i = 0; i < header.size() && i < record->fields.size(); ++i)
            if (header[i] == column) return record->fields[i];
    }
    return {};
}

// The records the README's command writes, run once per records file.
const std::string& freshRecords(const std::string& example, const std::string& records) {
    static std::map<std::string, std::string> runs;
    const std::string outPath = "examples/redox/" + example + "/" + records;
    auto found = runs.find(outPath);
    if (found != runs.end()) return found->second;
    std::string command = commandFor(slurp(kRoot / "examples" / "redox" / example / "README.md"), outPath);
    EXPECT_FALSE(command.empty()) << "the README of " << example << " has no command writing " << outPath;
    const fs::path out =
        fs::temp_directory_path() / ("wqspec-redox-" + example + "-" + std::to_string(::getpid()) + "-" + records);
    if (!command.empty()) {
        command.replace(0, kProgram.size(), std::string("'") + WQSPEC_EXE + "' ");
        command.replace(command.find("--out " + outPath), 6 + outPath.size(), "--out '" + out.string() + "'");
        const std::string shell = "cd '" + kRoot.string() + "' && " + command + " > /dev/null";
        EXPECT_EQ(std::system(shell.c_str()), 0) << shell;
    }
    runs[outPath] = slurp(out);
    fs::remove(out);
    return runs[outPath];
}

// Within half a unit of the figure's last digit.
void expectRoundsTo(const std::string& cell, const std::string& figure, const std::string& where) {
    ASSERT_FALSE(cell.empty()) << where << ": no such cell";
    const std::size_t point = figure.find('.');
    const int decimals = point == std::string::npos ? 0 : static_cast<int>(figure.size() - point - 1);
    EXPECT_NEAR(std::stod(cell), std::stod(figure), 0.5 * std::pow(10.0, -decimals) + 1e-12) << where;
}

class RedoxExample : public ::testing::TestWithParam<Quote> {};

TEST_P(RedoxExample, QuotedFigureIsWhatItsCommandGives) {
    const Quote& q = GetParam();
    const fs::path dir = kRoot / "examples" / "redox" / q.example;
    const std::string where = std::string(q.example) + "/" + q.records + ": " + q.water + ", " + q.column;
    EXPECT_NE(slurp(dir / "README.md").find(q.figure), std::string::npos) << where << ": the README lost " << q.figure;
    expectRoundsTo(cellOf(freshRecords(q.example, q.records), q.water, q.column), q.figure, where + " (run now)");
    expectRoundsTo(cellOf(slurp(dir / q.records), q.water, q.column), q.figure, where + " (committed)");
}

const Quote kQuotes[] = {
    // The Fe couple as analysed against the measured 0.622 V, and the minerals.
    {"hornet", "iron-as-analysed.csv", "Hornet Effluent", "Eh(Fe++/Fe+++) [V]", "0.699"},
    {"hornet", "iron-as-analysed.csv", "Hornet Effluent", "analysis imbalance [%]", "-28.5"},
    {"hornet", "iron-as-analysed.csv", "Hornet Effluent", "SI(Jarosite)", "1.36"},
    {"hornet", "iron-as-analysed.csv", "Hornet Effluent", "SI(Goethite)", "-0.17"},
    {"hornet", "iron-as-analysed.csv", "Hornet Effluent", "SI(Fe(OH)3)", "-5.28"},
    {"hornet", "iron-as-analysed.csv", "Hornet Effluent", "SI(Hematite)", "0.62"},
    {"hornet", "iron-as-analysed.csv", "Hornet Effluent", "SI(Gypsum)", "-0.32"},
    {"hornet", "iron-at-measured-eh.csv", "Hornet Effluent", "SI(Jarosite)", "-2.22"},
    {"hornet", "iron-at-measured-eh.csv", "Hornet Effluent", "SI(Goethite)", "-1.36"},
    {"hornet", "iron-at-measured-eh.csv", "Hornet Effluent", "SI(Fe(OH)3)", "-6.47"},
    {"hornet", "iron-at-measured-eh.csv", "Hornet Effluent", "SI(Hematite)", "-1.76"},
    // Each couple beside the measured 504 mV.
    {"morro-do-ferro", "iron-as-analysed.csv", "Morro do Ferro by its dissolved O2", "Eh [V]", "0.861"},
    {"morro-do-ferro", "iron-as-analysed.csv", "Morro do Ferro by its dissolved O2", "Eh(Fe++/Fe+++) [V]", "0.307"},
    {"morro-do-ferro", "iron-as-analysed.csv", "Morro do Ferro at its measured Eh", "Eh(Fe++/Fe+++) [V]", "0.307"},
    {"morro-do-ferro", "iron-as-analysed.csv", "Morro do Ferro by its dissolved O2", "SI(Goethite)", "4.78"},
    {"morro-do-ferro", "iron-as-analysed.csv", "Morro do Ferro by its dissolved O2", "SI(Siderite)", "-3.75"},
    {"morro-do-ferro", "iron-coupled.csv", "Morro do Ferro by its dissolved O2", "SI(Goethite)", "6.19"},
    {"morro-do-ferro", "iron-coupled.csv", "Morro do Ferro by its dissolved O2", "SI(Siderite)", "-11.80"},
    {"morro-do-ferro", "iron-coupled.csv", "Morro do Ferro at its measured Eh", "SI(Goethite)", "6.18"},
    {"morro-do-ferro", "iron-coupled.csv", "Morro do Ferro at its measured Eh", "SI(Siderite)", "-5.71"},
    // Oxic by its dissolved oxygen, anoxic by its sulfide.
    {"oxic-anoxic", "j13-records.csv", "J-13 as analysed", "Eh [V]", "0.778"},
    {"oxic-anoxic", "j13-records.csv", "J-13 as analysed", "SI(Siderite)", "-1.67"},
    {"oxic-anoxic", "j13-records.csv", "J-13 by its dissolved O2", "SI(Goethite)", "5.30"},
    {"oxic-anoxic", "j13-records.csv", "J-13 by its dissolved O2", "SI(Siderite)", "-11.66"},
    {"oxic-anoxic", "j13-records.csv", "J-13 by its dissolved O2", "SI(Pyrite)", "-243.3"},
    {"oxic-anoxic", "mysse-records.csv", "Mysse as analysed", "Eh [V]", "-0.220"},
    {"oxic-anoxic", "mysse-records.csv", "Mysse as analysed", "SI(Pyrite)", "6.27"},
    {"oxic-anoxic", "mysse-records.csv", "Mysse as analysed", "SI(Siderite)", "-2.13"},
    {"oxic-anoxic", "mysse-records.csv", "Mysse by its HS-/SO4-- couple", "Eh(HS-/SO4--) [V]", "-0.215"},
    {"oxic-anoxic", "mysse-records.csv", "Mysse by its HS-/SO4-- couple", "SI(Pyrite)", "6.27"},
    {"oxic-anoxic", "mysse-records.csv", "Mysse by its HS-/SO4-- couple", "SI(Goethite)", "-2.48"},
    // Nitrogen and iron redistributed by the oxygen, or kept as analysed.
    {"river", "coupled.csv", "River water (Nordstrom et al. 1979)", "Eh(NH4+/NO3-) [V]", "0.773"},
    {"river", "coupled.csv", "River water (Nordstrom et al. 1979)", "log_m(NH4+)", "-69.8"},
    {"river", "coupled.csv", "River water (Nordstrom et al. 1979)", "log_m(NO3-)", "-4.65"},
    {"river", "coupled.csv", "River water (Nordstrom et al. 1979)", "SI(Siderite)", "-12.84"},
    {"river", "coupled.csv", "River water (Nordstrom et al. 1979)", "SI(Goethite)", "5.66"},
    {"river", "fe-n-decoupled.csv", "River water (Nordstrom et al. 1979)", "Eh(NH4+/NO3-) [V]", "0.318"},
    {"river", "fe-n-decoupled.csv", "River water (Nordstrom et al. 1979)", "Eh(Fe++/Fe+++) [V]", "0.087"},
    {"river", "fe-n-decoupled.csv", "River water (Nordstrom et al. 1979)", "log_m(NH4+)", "-5.11"},
    {"river", "fe-n-decoupled.csv", "River water (Nordstrom et al. 1979)", "log_m(NO3-)", "-4.84"},
    {"river", "fe-n-decoupled.csv", "River water (Nordstrom et al. 1979)", "SI(Siderite)", "-1.96"},
    {"river", "fe-n-decoupled.csv", "River water (Nordstrom et al. 1979)", "SI(Goethite)", "4.31"},
};

INSTANTIATE_TEST_SUITE_P(Published, RedoxExample, ::testing::ValuesIn(kQuotes));

}  // namespace
