// The state of one water's runs: the files and channels, what the run input
// says, what one run hands on to the next, and what every run rebuilds.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "activity/activity_model.hpp"
#include "grid/grid.hpp"
#include "input/database_file.hpp"
#include "input/logk_cache.hpp"
#include "input/reading_plan.hpp"
#include "input/run_input.hpp"
#include "input/tables.hpp"
#include "linear/newton_system.hpp"
#include "solver/mass_action.hpp"
#include "solver/redox_state.hpp"
#include "solver/speciation_snapshot.hpp"
#include "text/channels.hpp"
#include "text/textfile.hpp"

namespace wq {

// How an iteration ended before its convergence test or its loop limit: the
// charge-balance component could not absorb the imbalance, or a residual or
// Newton step was not a finite number.
struct IterationStop {
    enum class Kind { chargeImbalance, nonFiniteResidual, nonFiniteStep };
    Kind kind = Kind::chargeImbalance;
    int component = 0;  // the component whose equation or total failed
    int loop = 0;
};

// A stop of the iteration on its way out of the loop: whoever decides that
// the run ends tells its observer (SolveObserver::iterationStopped), which
// writes the message.
struct IterationStopped {
    IterationStop what;
};

// The joint solve of a run whose iteration ended without a solution.
struct JointSolveReport {
    bool ran = false;
    bool solved = false;
    int iterations = 0;             // Newton iterations of the joint solve, every stage
    bool iterationStopped = false;  // the iteration stopped (below); else it used up its loops
    IterationStop stop;
    std::string infeasibility;      // which condition cannot be met and by how much; empty if not known
};

struct RunState {
    double kgw = 1.0;             // mass of water (kg)
    int loops = 0;                // Newton loops used by the last run
    double chargeImbalance = 0.0; // last charge imbalance S of the charge balance
    bool chargeBalanceFrozen = false; // adjustment ended for the rest of the run
    double chargeBalanceThreshold = 0.0; // total below which the balance gives up
    int firstSecondary = 0;       // NC + 1
    JointSolveReport joint;       // of the last run
    // The solve goes on from a solution above the activity model's
    // highestRefreshedMolality with every loop refreshed (RefreshReach).
    bool refreshEveryMolality = false;
};

// What one run of a water hands on to the next: the conditions, the
// components with their totals, the species with their molalities and
// activity coefficients, the values of the activity model and the state of
// the iteration. The dialogue's resets start the next run from it; a chain
// of runs (the sweep) keeps a copy of it whole and starts again from that
// copy when a run fails, so a field added here is kept without anyone
// having to remember it.
struct CarriedState {
    RunConditions conditions;
    ComponentTable comp;
    ComponentMap map;
    SpeciesTable sp;
    ActivityValues activity;
    RunState run;
};

// Storage that the solve of every run fills afresh, kept in the program so
// that its per-species tables are allocated once and grow only for a run
// with more species than any before it: the states kept aside, the terms of
// the mass balances, the species held at a bound in the joint solve. Nothing
// in it passes from one run to the next.
struct SolveStorage {
    SpeciationSnapshot iterationStart, iterationEnd;  // the iteration, then the joint solve (solve.cpp)
    SpeciationSnapshot jointStart, continuationReached, probeStart;  // the joint solve (joint_solve.cpp)
    // The terms of each component in the run's species table, built once
    // when solveSpeciation begins: the iteration's mass-balance rows, the
    // warm start's and the judgement's held totals.
    ComponentTerms massBalanceTerms;
    GrowingTable<char> boundedSpecies;  // secondary species held at a bound of the mass-action relation (1)
    // A warm start (warm_start.hpp): the cold start kept aside, and what the
    // water was given, noted before the solve.
    SpeciationSnapshot coldStart;
    std::vector<double> givenQuantities;
    double givenKgw = 1.0, givenIonicTotal = 0.0;
    std::vector<double> settledGammas;  // the coefficients before a settling pass refreshed them
};

// CarriedState is a base, not a member, so that every phase names its tables
// as they are (prog.sp, prog.comp); copying the base copies the whole of it.
// A batch's worker puts every field back to its new state before each water
// (WaterWorker::next, src/app/front_end.cpp), but the solve's storage and the
// reading plan (which a water takes only when it reads as the plan's did): a
// field added here is put back there too.
struct SolverState : CarriedState {
    Channels io;
    RunChoices choices;     // the redox state and the names left out, from the front end
    TableLimits limits;     // how many species, minerals and gases the readers may take, from the front end
    TextFile caseFile;      // WQCASE.DAT
    DatabaseFile database;  // LOGKDATA.KDB
    RunInput input;         // as read; never changed
    ForcedSaturationList forced;
    // Rebuilt by every run.
    GridLocation grid;
    ActivityTables activityTables;  // the database's activity-model tables at T and P
    MineralTable minerals;
    RedoxRun redox;  // of a run with a redox state
    NewtonSystem newton;
    SolveStorage storage;
    // The database's values at the run's conditions, from a cache shared by
    // the programs of a batch (null: none; every run interpolates its own).
    LogKCache* logKCache = nullptr;
    std::shared_ptr<const LogKValues> logKValues;
    // The records the last silent run of this program kept, for the next one
    // that reads alike (reading_plan.hpp); kept from water to water.
    ReadingPlan readingPlan;
    // The activity model, built from the run's species at every set-up.
    std::unique_ptr<ActivityModel> activityModel = makeActivityModel(DEFAULT_ACTIVITY_MODEL);
};

}  // namespace wq
