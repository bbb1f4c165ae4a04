// The command line. Without arguments the program is the console program it
// has always been: it reads WQCASE.DAT and LOGKDATA.KDB in the current folder
// (an installed program with no LOGKDATA.KDB there reads the installed one)
// and talks on the console. Options and subcommands stand beside it.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>

#include "activity/activity_model.hpp"
#include "app/batch.hpp"
#include "app/driver.hpp"
#include "app/evaporate.hpp"
#include "app/front_end.hpp"
#include "app/run_choices.hpp"
#include "app/sweep.hpp"
#include "report/records.hpp"
#include "wqspec_version.hpp"

namespace {

// Status of a command line that cannot be understood.
constexpr int USAGE_ERROR = 2;

// --redox, --decouple and --suppress: the same three on the console program,
// the batch and the sweep.
void addRunChoices(CLI::App* app, wq::RunChoiceText& choices) {
    app->add_option("--redox", choices.redox,
                    "Redox state of the water: Eh=V, pe=X, logfO2=X, O2,aq (its dissolved oxygen), a couple "
                    "REDUCED/OXIDIZED such as Fe++/Fe+++, or none (default)");
    app->add_option("--decouple", choices.decouple,
                    "Elements whose redox pair stays independent of the redox state: N,C,S,Fe,As");
    app->add_option("--suppress", choices.suppress, "Species, minerals and gases left out of every run, NAME,NAME,...");
}

// The pH scale of the activity model's single-ion activity coefficients.
void addPhScale(CLI::App* cmd, std::string& phScale) {
    cmd->add_option("--ph-scale", phScale,
                    "pH scale of the Pitzer model's single-ion activities: macinnes (gamma(Cl-) = gamma+-(KCl), "
                    "the scale of a pH measured against NBS buffers) or free (unscaled); no effect with b-dot")
        ->capture_default_str();
}

// The activity model and the database, which defaults to the model's own.
void addActivity(CLI::App* cmd, std::string& activity, std::string& phScale, std::string& database) {
    cmd->add_option("--activity", activity, "Activity model: " + wq::activityModelChoices())
        ->capture_default_str();
    addPhScale(cmd, phScale);
    cmd->add_option("--db", database,
                    "Database (default: LOGKDATA.KDB; with --activity pitzer the Pitzer database of the program)");
}

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
    addActivity(cmd, batch.activity, batch.phScale, batch.databasePath);
    cmd->add_option("--columns", batch.columns,
                    "CSV columns: names and patterns, e.g. 'pH,SI(*),log_m(CO3--)' (default: a compact set)");
    cmd->add_flag("--all", batch.allColumns, "Every CSV column: every species, mineral and gas");
    cmd->add_flag("--list-columns", batch.listColumns, "List the columns and units a table may have, and stop");
    cmd->add_flag("--list-species", batch.listSpecies,
                  "List the database's aqueous species with their charges, count them and its minerals and gases, "
                  "and stop");
    cmd->add_option("--out", batch.outPath,
                    "Results file, " + wq::recordExtensions() + " (default: CSV on standard output)");
    // Checked by the batch, which says in one line what is wrong with it.
    addRunChoices(cmd, batch.choices);
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
    addActivity(cmd, sweep.activity, sweep.phScale, sweep.databasePath);
    addRunChoices(cmd, sweep.choices);
    cmd->add_option("--balance", sweep.balance,
                    "The charge balance: ION (a charged component of the run input) adjusts its total, pH computes "
                    "the pH from electroneutrality, none computes the water as analysed (default: the run input's)");
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
    addActivity(cmd, evaporate.activity, evaporate.phScale, evaporate.databasePath);
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
    addRunChoices(&app, program.choices);
    app.add_option("--activity", program.activity,
                   "Activity model of the console program: " + wq::activityModelChoices())
        ->capture_default_str();
    addPhScale(&app, program.phScale);
    app.add_option("--db", program.databasePath,
                   "Database (default: LOGKDATA.KDB in this folder, else the one installed with the program)")
        ->capture_default_str();
    wq::BatchOptions batch;
    const CLI::Option* writeCases = addBatch(app, batch);
    wq::SweepOptions sweep;
    addSweep(app, sweep);
    wq::EvaporateOptions evaporate;
    addEvaporate(app, evaporate);
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
    program.databasePath = wq::databaseToRead(program.databasePath);
    return wq::runProgram(program);
}
