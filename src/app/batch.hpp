// Many waters in one process: every row of a table of analyses is one water,
// written as a run input from the template and solved on its own Program by
// one of N worker threads; the records are written in the table's order as
// they are done.
//
// Exit status: 0 every water converged; 1 at least one water failed (its
// record says why); 2 the batch could not start (a file missing, a bad
// template, a fault of the table itself); 3 an internal fault.
#pragma once

#include <string>

namespace wq {

struct BatchOptions {
    std::string watersPath;
    std::string casePath = "WQCASE.DAT";
    std::string databasePath = "LOGKDATA.KDB";
    std::string outPath;        // .csv or .json; empty: CSV on standard output
    int jobs = 0;               // 0: the number of cores
    std::string writeCasesDir;  // non-empty: write one run input per water there, solve nothing
};

int runBatch(const BatchOptions& options);

}  // namespace wq
