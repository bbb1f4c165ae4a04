// What the front ends that run waters without a console (batch, sweep)
// share: a Program that runs quietly, reading their input files within a
// bound, and the fault that keeps them from starting.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "app/program.hpp"
#include "text/staged_file.hpp"

namespace wq {

// A fault that keeps a front end from starting: a file missing or too large,
// a template the reader refuses, bad options. main reports it in one line.
struct CannotStart {
    std::string what;
};

// The exit status of a front end that runs waters without a console.
enum class FrontEndExit : int {
    allConverged = 0,  // every water (every temperature) converged
    someFailed = 1,    // some did not (its record or row says why), or the output is incomplete
    cannotStart = 2,   // bad options, a file missing or refused, a bad run input
    internal = 3,      // a fault of the program itself
};

// Runs a front end and gives its exit status. When it cannot start, or a
// fault or a STOP ends it, one line "wqspec: <why>" goes to the error stream
// and the status says which.
int runFrontEnd(const std::function<FrontEndExit()>& body);

// A Program whose console and files go nowhere and whose console input has
// ended (an extrapolation question is answered with its default, go on). A
// STOP's reason says why a run failed.
class QuietProgram {
public:
    QuietProgram();
    Program& operator*() { return *prog_; }
    Program* operator->() { return prog_.get(); }

private:
    std::unique_ptr<Program> prog_;
};

// A quiet Program that runs one water after another (a batch's worker): no
// Program is built and given back per water. Before each water the state is
// put back to what a new Program holds: every position of the species and
// mineral tables as a new one holds it, the Newton system cleared where the last
// water can have written, or whole when that water stopped halfway. The
// channels stay silent and the shared database's cache stays.
class WaterWorker {
public:
    // The program for the next water, in the state of a new one.
    Program& next();
    // The water last given ran to its end (its results were evaluated):
    // only the slots it filled need clearing.
    void ranToEnd() { wholeTables_ = false; }

private:
    QuietProgram program_;
    bool used_ = false;
    bool wholeTables_ = true;
    // Tables of new positions, as many as the program's: copied over its
    // tables whole, one block each (assigning T{} position by position was a
    // string move for each, slow to start: 3 % of a water's time).
    GrowingTable<Species> blankSpecies_;
    GrowingTable<MineralEntry> blankMinerals_;
};

// The files a front end on a run input reads: the run input, the database
// and the files of its activity model's data (PITZER.DAT), when made.
std::vector<CommandInput> runInputFiles(const std::string& casePath, const std::string& databasePath,
                                        const ActivityModel* model);

// CannotStart when an output (`option` names it: "--out") is one of the
// files the front end reads, however it is spelled.
void refuseInputAsOutput(const std::string& option, const std::string& out, std::span<const CommandInput> inputs);

// Writes a front end's whole table into its staged output and commits it,
// saying "Wrote PATH." on the console. When the write or the commit fails,
// one line on the error stream says why (an earlier file of that name is
// left as it was) and the front end has failed; else `status` stands.
FrontEndExit commitTable(StagedFile& out, const std::string& table, const std::string& path, Sink& console,
                         FrontEndExit status);

// The database of a run that names none but the default (`path` is
// LOGKDATA.KDB): the one in the working folder; when there is none, the
// database installed with the program (share/wqspec/LOGKDATA.KDB of its
// install prefix), said in one line on standard error. Any other path, or
// a program that is not installed, keeps `path`.
std::string databaseToRead(const std::string& path);

// A text file read whole, at most `limit` bytes of it; CannotStart naming
// `what` and the file otherwise (a file that is not a regular one included).
TextFile loadInput(const std::string& path, std::size_t limit, const std::string& what);

// The database as it is when the front end starts, read and parsed once: a
// batch and a sweep use this one content for every water and every
// temperature, whatever happens to the file meanwhile.
std::shared_ptr<const ParsedDatabase> databaseSnapshot(const std::string& path);

// The database a front end uses with the activity model `model` when --db is
// not given, its registry entry's defaultDatabase: the console program's
// LOGKDATA.KDB in the current folder (the installed one when the folder has
// none, databaseToRead; B-dot's), or a data set the program ships with,
// installed (<prefix>/share/wqspec/pitzer/LOGKDATA.KDB, found from the
// program's own folder) or in the clone the program was built from
// (examples/pitzer/LOGKDATA.KDB; Pitzer's). CannotStart when there is none.
std::string defaultDatabaseFor(const std::string& model);

// The activity model `name` on the data of the database at `databasePath`,
// on the pH scale named `phScale` (which a model without a convention to
// choose, B-dot, takes and ignores), made once when the front end starts;
// every water then takes a copy (ActivityModel::clone). CannotStart for a
// name the registry does not hold (the message lists those it does), a pH
// scale it does not know (unknownPhScale) or data that cannot be read.
std::unique_ptr<ActivityModel> frontEndActivityModel(const std::string& name, const std::string& databasePath,
                                                     const std::string& phScale);

}  // namespace wq
