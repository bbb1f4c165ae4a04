#include "support/test_program.hpp"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "grid/grid.hpp"

namespace wq::testing {

namespace {

// A new empty file of this process in the temporary directory.
std::string freshFile() {
    std::string name = (std::filesystem::temp_directory_path() / "wqspec-test-XXXXXX").string();
    const int fd = ::mkstemp(name.data());
    EXPECT_GE(fd, 0) << name;
    if (fd >= 0) ::close(fd);
    return name;
}

}  // namespace

Capture::Capture(Sink& sink) : sink_(sink), path_(freshFile()) { EXPECT_TRUE(sink_.open(path_)); }

Capture::~Capture() {
    sink_.close();
    std::remove(path_.c_str());
}

std::string Capture::text() {
    sink_.flush();
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

std::vector<std::string> Capture::lines() {
    std::vector<std::string> out;
    const std::string all = text();
    std::size_t start = 0;
    for (std::size_t end; (end = all.find('\n', start)) != std::string::npos; start = end + 1)
        out.push_back(all.substr(start, end - start));
    if (start < all.size()) out.push_back(all.substr(start));
    return out;
}

TestProgram::TestProgram(Channels channels) {
    if (channels == Channels::asBuilt) return;
    console_ = std::make_unique<Capture>(io.console);
    listing_ = std::make_unique<Capture>(io.listing);
    plot_ = std::make_unique<Capture>(io.plot);
    skip_ = std::make_unique<Capture>(io.skip);
}

std::string TestProgram::captured(const std::unique_ptr<Capture>& channel) {
    if (!channel) {
        ADD_FAILURE() << "the program's channels are not captured";
        return "";
    }
    return channel->text();
}

int TestProgram::addComponent(int number, std::string_view name, double charge, double mtot, double molality,
                              double gamma, double formulaWeight) {
    const int k = ++comp.count;
    sp.count = k;
    sp.at.growTo(k);
    Species& s = sp[k];
    s.name.assign(name);
    s.charge = charge;
    s.formulaWeight = formulaWeight;
    s.molality = molality;
    s.gamma = gamma;
    comp[k].dbNumber = number;
    comp[k].mtot = mtot;
    map.positionOf[number] = k;
    map.numberAt[k] = number;
    return k;
}

int TestProgram::addSecondary(std::string_view name, double charge, double logK,
                              std::initializer_list<RunTerm> reaction, double molality, double gamma) {
    const int i = ++sp.count;
    sp.at.growTo(i);
    Species& s = sp[i];
    s.name.assign(name);
    s.charge = charge;
    s.logK = logK;
    s.molality = molality;
    s.gamma = gamma;
    setReaction(s, reaction);
    return i;
}

int TestProgram::addMineral(std::string_view name, double logK, std::initializer_list<RunTerm> reaction) {
    const int i = ++minerals.count;
    minerals.at.growTo(i);
    MineralEntry& e = minerals[i];
    e.name.assign(name);
    e.suppression.assign("    ");
    e.logK = logK;
    setReaction(e, reaction);
    return i;
}

int TestProgram::addGas(std::string_view name, double logK, std::initializer_list<RunTerm> reaction) {
    const int i = addMineral(name, logK, reaction);
    minerals[i].suppression.assign("GAS ");
    return i;
}

void TestProgram::useComponents(const std::vector<int>& numbers, int chargeBalanceNumber) {
    map.positionOf.fill(0);
    map.numberAt.fill(0);
    int position = 0;
    for (int number : numbers) {
        ++position;
        comp[position].dbNumber = number;
        map.positionOf[number] = position;
        map.numberAt[position] = number;
        if (number == chargeBalanceNumber) input.chargeBalancePosition = position;
    }
    comp.count = position;
    sp.at.growTo(position);
}

void TestProgram::saturationRun(double t) {
    input.runKind = 0;
    conditions.temperature = t;
    conditions.pressure = saturationPressure(t);
}

void TestProgram::extendedRun(double t, double p) {
    input.runKind = 1;
    conditions.temperature = t;
    conditions.pressure = p;
    grid = GridLocation{};
    locateOnGrid(p, t, grid);
}

void TestProgram::load(const std::string& databaseText) {
    database = DatabaseFile::ofText("LOGKDATA.KDB", databaseText);
}

void ProgramTest::SetUp() {
    prog_ = newProgram(Channels::captured);
    prog_->useComponents({1, 2});
    prog_->saturationRun(25.0);
}

}  // namespace wq::testing
