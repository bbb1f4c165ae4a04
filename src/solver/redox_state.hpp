// The redox state of a run as values: what a front end asks of every run
// (the redox state, the elements kept decoupled, the names left out) and the
// pairs of components the run distributes by it (redox_run.hpp sets them up).
#pragma once

#include <string>
#include <vector>

#include "input/redox_couples.hpp"
#include "input/redox_options.hpp"

namespace wq {

// What a front end asks of every run besides the run input: the redox state
// and the elements kept decoupled from it, and the names left out.
struct RunChoices {
    RedoxOptions redox;
    std::vector<std::string> suppressed;  // species, minerals and gases, as the database names them
};

// A couple whose two members are components of the run.
struct RedoxPair {
    RedoxCouple couple;
    int oxidized = 0;  // run positions
    int reduced = 0;
    bool coupled = false;  // distributed by the redox state (not the state's own couple, not decoupled)
};

// The redox state of the current run, rebuilt by every run.
struct RedoxRun {
    bool active = false;
    RedoxState state;
    std::vector<std::string> decoupled;
    int oxygen = 0;  // run position of O2,aq
    RedoxCouple electron;
    std::vector<RedoxPair> pairs;
    int statePair = -1;           // index in pairs of a couple state
    double oxygenGasLogK = 0.0;   // O2(g) = O2,aq, for a log fO2
};

}  // namespace wq
