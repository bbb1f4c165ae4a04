// Many waters in one process: every row of a table of analyses is one water,
// written as a run input from the template and solved on its own Program by
// one of N worker threads; the records are written in the table's order as
// they are done.
//
// The output is written under a temporary name and takes its name when
// complete (StagedFile); an interrupted batch leaves its whole records in
// OUT.partial.csv (or .json) beside the untouched OUT.
//
// Exit status: 0 every water converged; 1 at least one water failed (its
// record says why), the output could not be written completely, or the
// batch was interrupted; 2 the batch could not start (a file missing, a bad
// template, a fault of the table itself, bad options); 3 an internal fault.
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
};

// The most worker threads per core: the waters are computed, never waited
// on, so more threads than cores only share them; a few per core cover a
// machine whose cores are counted low.
constexpr int MAX_JOBS_PER_CORE = 4;

int runBatch(const BatchOptions& options);

}  // namespace wq
