// The options of each front end as its command line (or the Python
// package) gives them: the batch's, the sweep's and the evaporation path's,
// each with the options they share (ModelOptions). Values only: the front
// ends read them (batch.hpp, sweep.hpp, evaporate.hpp), and the rooms that
// do their work take them from here.
#pragma once

#include <string>

#include "app/model_options.hpp"

namespace wq {

struct BatchOptions {
    std::string watersPath;
    std::string casePath;       // the template; empty: the table alone, with the default options
    ModelOptions model;         // the database, the activity model, the redox choices, the charge balance
    std::string outPath;        // .csv or .json (any case); empty: CSV on standard output
    std::string jobs;           // worker threads as given; empty: the number of cores
    bool writeCases = false;    // write one run input per water in writeCasesDir, solve nothing
    std::string writeCasesDir;
    std::string columns;        // the CSV columns, names and patterns; empty: the compact set
    bool allColumns = false;    // every column
    bool listColumns = false;   // print the columns a table may have, compute nothing
    bool listSpecies = false;   // print the database's aqueous species and counts, compute nothing
    bool coldStart = false;     // every water from the run input's start, none from a water solved before it
    // How the table is read (input/table_reading.hpp): what a cell below the
    // detection limit becomes, whether a column nothing computes refuses
    // the table, the density (kg/L, as given; empty: none) of a row without one.
    std::string belowDetection = "omit";
    bool strict = false;
    std::string density;
};

// The most worker threads per core: the waters are computed, never waited
// on, so more threads than cores only share them; a few per core cover a
// machine whose cores are counted low.
constexpr int MAX_JOBS_PER_CORE = 4;

struct SweepOptions {
    double from = 25.0;  // deg C
    double to = 350.0;
    double step = 5.0;
    std::string minerals;  // NAME,NAME,...; empty: DEFAULT_RESERVOIR_MINERALS the water can form
    std::string outPath = "sweep.csv";
    std::string casePath = "WQCASE.DAT";
    ModelOptions model;  // the database, the activity model, the redox choices, the charge balance
    // The reservoir fluid reconstructed from the analysis (none of them: the
    // sweep computes the analysis as sampled only). Each number is a value
    // or LO:HI, bounds within which the reconstruction seeks it.
    std::string steamLoss;   // fraction of the reservoir liquid lost as steam
    std::string dilution;    // fraction of the sample that is water added to the reservoir fluid
    std::string addCO2;      // CO2 the steam took, mol per kg of reservoir water
    std::string co2Steam;    // or the CO2/steam ratio of the steam, mol/mol (or N mmol/kg of steam)
    std::string h2sSteam;    // the H2S/steam ratio of the steam, likewise
    // The discharge's own measurements: its enthalpy (kJ/kg) and where the
    // sampled water was separated from the steam, by pressure (bar) or
    // temperature (C); they give the steam loss by the steam tables.
    std::string enthalpy;
    std::string separationPressure, separationTemperature;
    std::string fixAl;       // the mineral that fixes Al+++ at every temperature
    bool reconstruct = false;  // seek the steam loss and the CO2 within default bounds unless given
};

struct EvaporateOptions {
    double to = 100.0;  // the last concentration factor
    int steps = 100;    // equal steps of ln F from 1 to `to`
    bool precipitate = true;
    bool fractional = false;  // what precipitates leaves the brine at its step
    std::string minerals;  // NAME,NAME,...: the minerals that may precipitate; empty: every mineral of the run
    std::string outPath = "evaporation.csv";
    std::string casePath = "WQCASE.DAT";
    ModelOptions model;  // the database, the activity model, the redox choices, the charge balance
};

struct ReactOptions {
    std::string pathFile;  // the reaction path (TOML)
    std::string outPath = "reaction.csv";  // .csv or .json
    ModelOptions model;
};

}  // namespace wq
