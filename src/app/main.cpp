// The command line. Without arguments the program is the console program it
// has always been: it reads WQCASE.DAT and LOGKDATA.KDB in the current folder
// (an installed program with no LOGKDATA.KDB there reads the installed one)
// and talks on the console. Options and subcommands stand beside it.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>

#include "app/batch.hpp"
#include "app/driver.hpp"
#include "app/front_end.hpp"
#include "app/sweep.hpp"
#include "report/records.hpp"
#include "wqspec_version.hpp"

namespace {

// Status of a command line that cannot be understood.
constexpr int USAGE_ERROR = 2;

// The batch's --write-cases: given or not, and an empty folder name is a
// mistake the batch refuses (not a batch to standard output).
CLI::Option* addBatch(CLI::App& app, wq::BatchOptions& batch) {
    CLI::App* cmd = app.add_subcommand("batch", "Compute every water of a table (CSV, one water per row)");
    cmd->add_option("WATERS", batch.watersPath, "Table of waters: name, T, P, pH, alkalinity and totals with units")
        ->required();
    cmd->add_option("--case", batch.casePath, "Template run input: options, components, starting values")
        ->capture_default_str();
    cmd->add_option("--db", batch.databasePath, "Database")->capture_default_str();
    cmd->add_option("--out", batch.outPath,
                    "Results file, " + wq::recordExtensions() + " (default: CSV on standard output)");
    // Checked by the batch, which says in one line what is wrong with it.
    cmd->add_option("--jobs", batch.jobs, "Worker threads (default: the number of cores; at most 4 per core)");
    return cmd->add_option("--write-cases", batch.writeCasesDir,
                           "Write one ready WQCASE.DAT per water in DIR/<name>/ and compute nothing");
}

void addSweep(CLI::App& app, wq::SweepOptions& sweep) {
    CLI::App* cmd = app.add_subcommand("sweep", "Compute the water over a range of temperatures and estimate the "
                                                "reservoir temperature from its minerals");
    cmd->add_option("--from", sweep.from, "First temperature, C")->capture_default_str();
    cmd->add_option("--to", sweep.to, "Last temperature, C")->capture_default_str();
    cmd->add_option("--step", sweep.step, "Step, C")->capture_default_str();
    cmd->add_option("--minerals", sweep.minerals, "Minerals of the estimate, NAME,NAME,... (default: the common "
                                                  "reservoir minerals the water can form)");
    cmd->add_option("--out", sweep.outPath, "The sweep table (CSV)")->capture_default_str();
    cmd->add_option("--case", sweep.casePath, "Run input")->capture_default_str();
    cmd->add_option("--db", sweep.databasePath, "Database")->capture_default_str();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc <= 1) {
        wq::ProgramOptions program;
        program.databasePath = wq::databaseToRead(program.databasePath);
        return wq::runProgram(program);
    }
    CLI::App app{"wqspec: equilibrium speciation, saturation indices and geothermometry of natural waters.\n"
                 "Without arguments: the console program on WQCASE.DAT and LOGKDATA.KDB in this folder.",
                 "wqspec"};
    app.set_version_flag("--version", std::string("wqspec ") + WQSPEC_VERSION);
    wq::ProgramOptions program;
    app.add_option("--results", program.resultsPath,
                   "Also write one JSON record per run of the dialogue to this file");
    app.add_option("--db", program.databasePath,
                   "Database (default: LOGKDATA.KDB in this folder, else the one installed with the program)")
        ->capture_default_str();
    wq::BatchOptions batch;
    const CLI::Option* writeCases = addBatch(app, batch);
    wq::SweepOptions sweep;
    addSweep(app, sweep);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int status = app.exit(e);
        return status == 0 ? 0 : USAGE_ERROR;
    }
    if (app.got_subcommand("batch")) {
        batch.writeCases = writeCases->count() > 0;
        batch.databasePath = wq::databaseToRead(batch.databasePath);
        return wq::runBatch(batch);
    }
    if (app.got_subcommand("sweep")) {
        sweep.databasePath = wq::databaseToRead(sweep.databasePath);
        return wq::runSweep(sweep);
    }
    program.databasePath = wq::databaseToRead(program.databasePath);
    return wq::runProgram(program);
}
