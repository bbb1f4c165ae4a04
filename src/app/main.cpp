// The command line. Without arguments the program is the console program it
// has always been: it reads WQCASE.DAT and LOGKDATA.KDB in the current folder
// and talks on the console. Options and subcommands stand beside it.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>

#include "app/batch.hpp"
#include "app/driver.hpp"
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
    cmd->add_option("WATERS", batch.watersPath, "Table of waters: name, T, P, pH, alkalinity and totals with units");
    cmd->add_option("--case", batch.casePath,
                    "Template run input: options and starting values (default: the table alone, default options)");
    cmd->add_option("--balance", batch.balance,
                    "The charge balance: ION (a charged component of the table) adjusts its total, pH computes the "
                    "pH from electroneutrality, none computes the water as analysed")
        ->capture_default_str();
    cmd->add_option("--columns", batch.columns,
                    "CSV columns: names and patterns, e.g. 'pH,SI(*),log_m(CO3--)' (default: a compact set)");
    cmd->add_flag("--all", batch.allColumns, "Every CSV column: every species, mineral and gas");
    cmd->add_flag("--list-columns", batch.listColumns, "List the columns and units a table may have, and stop");
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
    if (argc <= 1) return wq::runProgram();
    CLI::App app{"wqspec: equilibrium speciation, saturation indices and geothermometry of natural waters.\n"
                 "Without arguments: the console program on WQCASE.DAT and LOGKDATA.KDB in this folder.",
                 "wqspec"};
    app.set_version_flag("--version", std::string("wqspec ") + WQSPEC_VERSION);
    wq::ProgramOptions program;
    app.add_option("--results", program.resultsPath,
                   "Also write one JSON record per run of the dialogue to this file");
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
        return wq::runBatch(batch);
    }
    if (app.got_subcommand("sweep")) return wq::runSweep(sweep);
    return wq::runProgram(program);
}
