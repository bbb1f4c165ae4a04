// The command line. Without arguments the program is the console program it
// has always been: it reads WQCASE.DAT and LOGKDATA.KDB in the current folder
// (an installed program with no LOGKDATA.KDB there reads the installed one)
// and talks on the console. Options and subcommands stand beside it.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>

#include "activity/activity_model.hpp"
#include "app/batch.hpp"
#include "app/driver.hpp"
#include "app/evaporate.hpp"
#include "app/react.hpp"
#include "app/front_end.hpp"
#include "app/model_options.hpp"
#include "app/sweep.hpp"
#include "report/records.hpp"
#include "wqspec_version.hpp"

namespace {

// Status of a command line that cannot be understood.
constexpr int USAGE_ERROR = 2;

// The console program's database: --db, else LOGKDATA.KDB in this folder or
// the installed one, whatever the activity model.
std::string consoleDatabase(const std::string& given) {
    return given.empty() ? wq::defaultDatabaseFor(std::string(wq::DEFAULT_ACTIVITY_MODEL)) : wq::databaseToRead(given);
}

// The options every front end shares, from their one table, with the words
// of the table, but those in `leftOut` (which a front end does not take, or
// says in words of its own).
void addModelOptions(CLI::App* cmd, wq::ModelOptions& model, std::initializer_list<std::string_view> leftOut = {}) {
    for (const wq::ModelOptionEntry& entry : wq::modelOptionTable()) {
        if (std::find(leftOut.begin(), leftOut.end(), entry.flag) != leftOut.end()) continue;
        CLI::Option* option = cmd->add_option(std::string(entry.flag), entry.field(model), wq::modelOptionHelp(entry));
        if (entry.showDefault) option->capture_default_str();
    }
}

// The batch's --write-cases: given or not, and an empty folder name is a
// mistake the batch refuses (not a batch to standard output).
CLI::Option* addBatch(CLI::App& app, wq::BatchOptions& batch) {
    CLI::App* cmd = app.add_subcommand("batch", "Compute every water of a table (CSV, one water per row)");
    cmd->add_option("WATERS", batch.watersPath, "Table of waters: name, T, P, pH, alkalinity and totals with units");
    cmd->add_option("--case", batch.casePath,
                    "Template run input: options and starting values (default: the table alone, default options)");
    // Checked by the batch, which says in one line what is wrong with them.
    addModelOptions(cmd, batch.model);
    cmd->add_option("--columns", batch.columns,
                    "CSV columns: names and patterns, e.g. 'pH,SI(*),log_m(CO3--)' (default: a compact set)");
    cmd->add_flag("--all", batch.allColumns, "Every CSV column: every species, mineral and gas");
    cmd->add_flag("--cold-start", batch.coldStart,
                  "Start every water from the template's first guesses, not from the waters solved before it");
    cmd->add_flag("--list-columns", batch.listColumns, "List the columns and units a table may have, and stop");
    cmd->add_flag("--list-species", batch.listSpecies,
                  "List the database's aqueous species with their charges, count them and its minerals and gases, "
                  "and stop");
    cmd->add_option("--out", batch.outPath,
                    "Results file, " + wq::recordExtensions() + " (default: CSV on standard output)");
    cmd->add_option("--jobs", batch.jobs, "Worker threads (default: the number of cores; at most 4 per core)");
    cmd->add_option("--below-detection", batch.belowDetection,
                    "A cell below the detection limit (<0.01, ND, n.d., -, <DL, BDL): omit (the component left out "
                    "of that water, said in notes; default), zero, half (half the limit), limit, or fail (the row "
                    "refused)");
    cmd->add_flag("--strict", batch.strict,
                  "Refuse a column that names nothing computed (by default it is carried through to the records)");
    cmd->add_option("--density", batch.density,
                    "Density of the solution (kg/L, g/mL) of a row without a density column, for amounts per litre "
                    "and for rows that mix per kg and per litre (default 1 kg/L; for a mixed row only under 1 g/L "
                    "of solutes)");
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
    addModelOptions(cmd, sweep.model);
    cmd->add_option("--steam-loss", sweep.steamLoss,
                    "Reconstruction: fraction of the reservoir liquid lost as steam, Y or LO:HI to seek it");
    cmd->add_option("--dilution", sweep.dilution,
                    "Reconstruction: fraction of the sample that is diluting water, X or LO:HI");
    cmd->add_option("--add-co2", sweep.addCO2, "Reconstruction: CO2 the steam took, mol/kgw, M or LO:HI");
    cmd->add_option("--co2-steam", sweep.co2Steam,
                    "Reconstruction: CO2/steam ratio of the steam lost, mol/mol (R or LO:HI) or mmol/kg of steam "
                    "(Rmmol/kg)");
    cmd->add_option("--h2s-steam", sweep.h2sSteam,
                    "Reconstruction: H2S/steam ratio of the steam lost, mol/mol or mmol/kg, as --co2-steam");
    cmd->add_option("--enthalpy", sweep.enthalpy,
                    "Reconstruction: the discharge enthalpy, kJ/kg (H or LO:HI): the steam loss by IAPWS-IF97");
    cmd->add_option("--separation-pressure", sweep.separationPressure,
                    "Reconstruction: the pressure at which the sampled water left the steam, bar (with --enthalpy)");
    cmd->add_option("--separation-temperature", sweep.separationTemperature,
                    "Reconstruction: or its temperature, C (with --enthalpy)");
    cmd->add_option("--fix-al", sweep.fixAl, "Reconstruction: Al+++ fixed by this mineral at every temperature");
    cmd->add_flag("--reconstruct", sweep.reconstruct,
                  "Reconstruct the reservoir fluid: seek the steam loss (0:0.5) and the CO2 added (0:0.1 mol/kgw) "
                  "unless given");
}

void addEvaporate(CLI::App& app, wq::EvaporateOptions& evaporate) {
    CLI::App* cmd = app.add_subcommand("evaporate", "Concentrate the water step by step by taking water away, with "
                                                    "every mineral's saturation index on the way");
    cmd->add_option("--to", evaporate.to, "The last concentration factor (starting mass of water over the mass left)")
        ->capture_default_str();
    cmd->add_option("--steps", evaporate.steps, "Steps from 1 to --to, equal in the logarithm of the factor")
        ->capture_default_str();
    cmd->add_flag("!--no-precipitation", evaporate.precipitate,
                  "Only concentrate the water (a supersaturation path); by default every mineral that reaches "
                  "saturation precipitates");
    cmd->add_flag("--fractional", evaporate.fractional,
                  "A fractional path: what precipitates at a step leaves the brine and cannot dissolve again "
                  "(by default it stays in contact)");
    cmd->add_option("--minerals", evaporate.minerals,
                    "The minerals that may precipitate, NAME,NAME,... (default: every mineral of the run)");
    cmd->add_option("--out", evaporate.outPath, "The path's table (CSV)")->capture_default_str();
    cmd->add_option("--case", evaporate.casePath, "Run input")->capture_default_str();
    addModelOptions(cmd, evaporate.model);
}

void addReact(CLI::App& app, wq::ReactOptions& react) {
    CLI::App* cmd = app.add_subcommand("react", "Take the water along a reaction path (mix, add, equilibrate with "
                                                "minerals and gases, heat or cool), step by step");
    cmd->add_option("PATH", react.pathFile, "The reaction path file (TOML; docs/reaction-paths.md)")->required();
    cmd->add_option("--out", react.outPath, "The path's table (.csv or .json)")->capture_default_str();
    addModelOptions(cmd, react.model);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc <= 1) {
        wq::ProgramOptions program;
        program.model.databasePath = consoleDatabase(program.model.databasePath);
        return wq::runProgram(program);
    }
    CLI::App app{"wqspec: equilibrium speciation, saturation indices and geothermometry of natural waters.\n"
                 "Without arguments: the console program on WQCASE.DAT and LOGKDATA.KDB in this folder.",
                 "wqspec"};
    app.set_version_flag("--version", std::string("wqspec ") + WQSPEC_VERSION);
    wq::ProgramOptions program;
    app.add_option("--results", program.resultsPath,
                   "Also write one JSON record per run of the dialogue to this file");
    // The console program's database is LOGKDATA.KDB whatever the model,
    // and the run input says its charge balance.
    addModelOptions(&app, program.model, {"--db", "--activity", "--balance"});
    app.add_option("--activity", program.model.activity,
                   "Activity model of the console program: " + wq::activityModelChoices())
        ->capture_default_str();
    app.add_option("--db", program.model.databasePath,
                   "Database (default: LOGKDATA.KDB in this folder, else the one installed with the program)");
    wq::BatchOptions batch;
    const CLI::Option* writeCases = addBatch(app, batch);
    wq::SweepOptions sweep;
    addSweep(app, sweep);
    wq::EvaporateOptions evaporate;
    addEvaporate(app, evaporate);
    wq::ReactOptions react;
    addReact(app, react);
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
    if (app.got_subcommand("evaporate")) return wq::runEvaporate(evaporate);
    if (app.got_subcommand("react")) return wq::runReact(react);
    program.model.databasePath = consoleDatabase(program.model.databasePath);
    return wq::runProgram(program);
}
