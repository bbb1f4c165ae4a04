// The small hand-made water of the report tests.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "support/test_program.hpp"

namespace wq::testwater {

using testing::TestProgram;

// Positions in the base water.
constexpr int H_ION = 1;
constexpr int WATER = 2;
constexpr int SODIUM = 3;
constexpr int CHLORIDE = 4;
constexpr int BICARBONATE = 5;

// Components of a small sodium chloride water at 25 C, 1 kg of water,
// without secondary species.
inline std::unique_ptr<TestProgram> baseComponents() {
    auto p = testing::newProgram();
    p->input.title1.assign("Test water one");
    p->input.title2.assign("Second title line");
    p->input.printThreshold = 1e-10;
    p->input.loopLimit = 40;
    p->conditions.temperature = 25.0;
    p->conditions.pressure = 1.013;
    p->run.loops = 7;
    p->run.kgw = 1.0;
    p->addComponent(1, "H+", 1, 2e-7, 1e-7, 0.9, 1.0);
    p->addComponent(2, "H2O", 0, 55.5, 1.0, 0.99, 18.0);
    p->addComponent(13, "Na+", 1, 0.1, 0.08, 0.78, 23.0);
    p->addComponent(3, "Cl-", -1, 0.1, 0.1, 0.77, 35.0);
    p->sp[p->addComponent(5, "HCO3-", -1, 0.002, 0.001, 0.8, 61.0)].alkFactor = 1.0;
    p->input.chargeBalancePosition = CHLORIDE;
    p->conditions.chargeBalanceStartTotal = 0.1;
    p->activity.ionicStrength = 0.1;
    p->activity.stoichIonicStrength = 0.1;
    p->activity.osmotic = 0.93;
    return p;
}

// The base water with its secondary species: OH- (6), NaCl,aq below the print
// threshold (7), O2,aq below it too (8), CO3-- (9).
inline std::unique_ptr<TestProgram> baseWater() {
    auto p = baseComponents();
    p->sp[p->addSecondary("OH-", -1, 0.0, {}, 1.2e-7, 0.77)].alkFactor = 1.0;
    p->addSecondary("NaCl,aq", 0, 0.0, {}, 2e-12, 1.0);
    p->addSecondary("O2,aq", 0, 0.0, {}, 1e-15, 1.0);
    p->sp[p->addSecondary("CO3--", -2, 0.0, {}, 1e-5, 0.4)].alkFactor = 2.0;
    return p;
}

inline std::string padded(std::string_view text, std::size_t width) {
    std::string s(text);
    s.resize(width, ' ');
    return s;
}

}  // namespace wq::testwater
