// A water built by hand for the tests of the Newton iteration: the program,
// its captured channels and the solve's lines on them.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "app/program.hpp"
#include "report/solver_listing.hpp"
#include "support/test_program.hpp"

namespace wq::handwater {

using testing::Channels;
using testing::newProgram;
using testing::TestProgram;

inline constexpr double WATER_MOLES = 55.50825119018555;

// A water built by hand: H+ and H2O, then the components and secondary
// species a test names. Ideal solution (activity option 3: gamcal computes
// only the ionic strength, the activity of water stays 1).
struct Water {
    std::unique_ptr<TestProgram> prog = newProgram(Channels::captured);
    TestProgram& p = *prog;
    SolverListing out{p.io};  // the solve's lines on the program's channels

    Water() {
        p.input.convergence = 1e-10;
        p.input.loopLimit = 100;
        p.input.activityOption = ActivityOption::ideal;
        p.input.waterOption = WaterOption::unity;
        p.conditions.temperature = 25.0;
        p.conditions.pressure = 1.0;
        p.addComponent(1, "H+", 1.0, 1e-7, 1e-7);
        p.addComponent(2, "H2O", 0.0, 1.0, 1.0);
    }

    void chargeBalanceOn(int position) {
        p.input.chargeBalancePosition = position;
        p.conditions.chargeBalanceStartTotal = p.comp[position].mtot;
    }

    double m(int i) const { return p.sp[i].molality; }
};

inline int count(const std::string& text, std::string_view what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

}  // namespace wq::handwater
