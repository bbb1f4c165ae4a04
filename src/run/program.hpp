// All program-wide state, in one aggregate created by main and passed by
// reference to the phase routines. A test builds its own Program.
#pragma once

#include "grid/grid.hpp"
#include "input/run_input.hpp"
#include "run/channels.hpp"
#include "run/textfile.hpp"
#include "solver/tables.hpp"

namespace wq {

// Values of the current run that several phases share.
struct RunState {
    double kgw = 1.0;             // mass of water (kg)
    int loops = 0;                // Newton loops used by the last run
    double chargeImbalance = 0.0; // last charge imbalance S of the charge balance
    bool chargeBalanceFrozen = false; // adjustment ended for the rest of the run
    double chargeBalanceThreshold = 0.0; // total below which the balance gives up
    int co2Position = 0;          // species position of "CO2,aq" (0: none)
    int firstSecondary = 0;       // NC + 1
    // Derived after convergence, for the listing.
    int ehKind = 0;               // 0 none, 1 sulfide-sulfate, 2 oxygen
    double eh = 0.0;              // volts
    double sourceTemperature = 0.0; // Na-K-Ca temperature (deg C)
};

struct Program {
    Channels io;
    TextFile caseFile;   // WQCASE.DAT
    TextFile database;   // LOGKDATA.KDB
    RunInput input;
    ComponentTable comp;
    ComponentMap map;
    SpeciesTable sp;
    ForcedSaturationList forced;
    NewtonSystem newton;
    MineralTable minerals;
    ActivityModel activity;
    RunState run;
    GridLocation grid;
};

}  // namespace wq
