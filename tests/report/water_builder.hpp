// Small hand-made waters for the report tests, and a way to read back what a
// sink wrote.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/program.hpp"

namespace wq::testwater {

// Adds a component; components come before every secondary species.
inline int addComponent(Program& p, int dbNumber, std::string_view name, double charge, double formulaWeight,
                        double molality, double gamma, double mtot) {
    const int k = ++p.comp.count;
    p.sp.count = k;
    Species& s = p.sp[k];
    s.name.assign(name);
    s.charge = charge;
    s.formulaWeight = formulaWeight;
    s.molality = molality;
    s.gamma = gamma;
    p.comp[k].dbNumber = dbNumber;
    p.comp[k].mtot = mtot;
    p.map.positionOf[dbNumber] = k;
    p.map.numberAt[k] = dbNumber;
    return k;
}

inline int addSecondary(Program& p, std::string_view name, double charge, double molality, double gamma,
                        double logK = 0.0) {
    const int i = ++p.sp.count;
    Species& s = p.sp[i];
    s.name.assign(name);
    s.charge = charge;
    s.molality = molality;
    s.gamma = gamma;
    s.logK = logK;
    return i;
}

// Positions in the base water.
constexpr int H_ION = 1;
constexpr int WATER = 2;
constexpr int SODIUM = 3;
constexpr int CHLORIDE = 4;
constexpr int BICARBONATE = 5;

// Components of a small sodium chloride water at 25 C, 1 kg of water,
// without secondary species.
inline std::unique_ptr<Program> baseComponents() {
    auto p = std::make_unique<Program>();
    p->input.title1.assign("Test water one");
    p->input.title2.assign("Second title line");
    p->input.printThreshold = 1e-10;
    p->input.loopLimit = 40;
    p->conditions.temperature = 25.0;
    p->conditions.pressure = 1.013;
    p->run.loops = 7;
    p->run.kgw = 1.0;
    addComponent(*p, 1, "H+", 1, 1.0, 1e-7, 0.9, 2e-7);
    addComponent(*p, 2, "H2O", 0, 18.0, 1.0, 0.99, 55.5);
    addComponent(*p, 13, "Na+", 1, 23.0, 0.08, 0.78, 0.1);
    addComponent(*p, 3, "Cl-", -1, 35.0, 0.1, 0.77, 0.1);
    const int hco3 = addComponent(*p, 5, "HCO3-", -1, 61.0, 0.001, 0.8, 0.002);
    p->sp[hco3].alkFactor = 1.0;
    p->input.chargeBalancePosition = CHLORIDE;
    p->input.chargeBalancePosition = CHLORIDE;
    p->conditions.chargeBalanceStartTotal = 0.1;
    p->activity.ionicStrength = 0.1;
    p->activity.stoichIonicStrength = 0.1;
    p->activity.osmotic = 0.93;
    return p;
}

// The base water with its secondary species: OH- (6), NaCl,aq below the print
// threshold (7), O2,aq below it too (8), CO3-- (9).
inline std::unique_ptr<Program> baseWater() {
    auto p = baseComponents();
    p->sp[addSecondary(*p, "OH-", -1, 1.2e-7, 0.77)].alkFactor = 1.0;
    addSecondary(*p, "NaCl,aq", 0, 2e-12, 1.0);
    addSecondary(*p, "O2,aq", 0, 1e-15, 1.0);
    p->sp[addSecondary(*p, "CO3--", -2, 1e-5, 0.4)].alkFactor = 2.0;
    return p;
}

inline std::string padded(std::string_view text, std::size_t width) {
    std::string s(text);
    s.resize(width, ' ');
    return s;
}

// Opens a sink on a fresh temporary file; text() closes it and reads it back.
class Capture {
public:
    explicit Capture(Sink& sink) : sink_(sink), path_(freshPath(this)) { EXPECT_TRUE(sink_.open(path_.string())); }
    ~Capture() {
        sink_.close();
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    std::string text() {
        sink_.close();
        std::ifstream in(path_, std::ios::binary);
        std::ostringstream all;
        all << in.rdbuf();
        return all.str();
    }
    // The lines written, without their line ends.
    std::vector<std::string> lines() {
        std::vector<std::string> out;
        std::string all = text();
        std::size_t start = 0;
        for (std::size_t end; (end = all.find('\n', start)) != std::string::npos; start = end + 1)
            out.push_back(all.substr(start, end - start));
        if (start < all.size()) out.push_back(all.substr(start));
        return out;
    }

private:
    // Unique per process, test and capture object.
    static std::filesystem::path freshPath(const void* self) {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = "wqspec_report_" + std::to_string(::getpid()) + "_" +
                           std::to_string(reinterpret_cast<std::uintptr_t>(self)) + "_" +
                           (info ? info->name() : "none") + ".txt";
        for (char& c : name)
            if (c == '/') c = '_';
        return std::filesystem::temp_directory_path() / name;
    }

    Sink& sink_;
    std::filesystem::path path_;
};

}  // namespace wq::testwater
