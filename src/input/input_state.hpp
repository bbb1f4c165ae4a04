// What the readers fill: the files, the run input, the run's conditions and
// the speciation tables. The solver's and the program's state build on it.
#pragma once

#include "grid/grid.hpp"
#include "input/database_file.hpp"
#include "input/run_input.hpp"
#include "input/tables.hpp"
#include "text/channels.hpp"
#include "text/textfile.hpp"

namespace wq {

struct InputState {
    Channels io;
    TextFile caseFile;   // WQCASE.DAT
    DatabaseFile database;  // LOGKDATA.KDB
    RunInput input;      // as read; never changed
    RunConditions conditions;
    ComponentTable comp;
    ComponentMap map;
    SpeciesTable sp;
    ForcedSaturationList forced;
    MineralTable minerals;
    GridLocation grid;
    ActivityTables activityTables;  // the database's activity-model tables at T and P
};

}  // namespace wq
