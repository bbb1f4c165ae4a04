// The program's main routine: opens the files, reads the run input and runs
// the water through the run sequence until the user ends the program.
#pragma once

#include <string>

#include "app/run_choices.hpp"
#include "activity/activity_model.hpp"

namespace wq {

struct ProgramOptions {
    std::string resultsPath;  // --results: a JSON array of one record per run; empty: none
    RunChoiceText choices;      // --redox, --decouple, --suppress
    // --activity: the activity model by its name in the registry. Another
    // model than the default reads its data beside LOGKDATA.KDB (PITZER.DAT)
    // and the listing says at its head which model computed it; with the
    // default the program is the console program it has always been.
    std::string activity = std::string(DEFAULT_ACTIVITY_MODEL);
    // --ph-scale: the pH scale of the model's single-ion activity
    // coefficients (the Pitzer model's; B-dot has no convention to choose).
    std::string phScale = std::string(DEFAULT_PH_SCALE);
    std::string databasePath = "LOGKDATA.KDB";  // --db
};

// Returns the process exit status.
int runProgram(const ProgramOptions& options = {});

}  // namespace wq
