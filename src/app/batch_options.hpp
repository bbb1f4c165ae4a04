// What the batch's command line chooses, and how each water of a table is
// computed and recorded beyond what its row says: the charge balance
// (--balance) and the pH a row leaves blank, the analysis's own ion balance,
// the notes on the activity model's range, the CSV columns (--columns,
// --all), the threads (--jobs) and an output that may not be an input.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "app/command_options.hpp"
#include "input/case_writer.hpp"
#include "input/table_reading.hpp"
#include "report/records.hpp"
#include "text/staged_file.hpp"

namespace wq {

class ActivityModel;
struct ComponentCatalog;
struct WaterSample;

// --balance: 0 none, 1 (H+) the pH, else the number of a charged component
// among `tableComponents` (by its name or short name); CannotStart for any
// other (`missing` and the name say a component the water lacks).
int balanceNumber(const ComponentCatalog& catalog, const std::vector<int>& tableComponents,
                  const std::string& balance, const std::string& missing = "the table has no column of ");

// The charge balance of one water under --balance `balance`; `error` says
// why the row cannot be computed so (a blank pH with --balance ION, ...).
CaseChoices choicesFor(const ComponentCatalog& catalog, int balance, const WaterSample& w, std::string& error);

// The analysis's own imbalance, eq/kg water and percent, into `head`.
void analysisBalanceOf(const ComponentCatalog& catalog, double templateKgWater, const WaterSample& w,
                       RecordHead& head);

// What a record notes about a water beyond the activity model's range.
std::string modelNotes(const Results& r);

// The positions of the CSV columns written: every one with --all, those
// --columns matches, else the compact set.
std::vector<std::size_t> selectedColumns(const RecordColumns& columns, const BatchOptions& o);

// How the table is read: --below-detection, --strict and --density, each
// checked (CannotStart for a value they cannot take).
TableReading tableReadingOf(const BatchOptions& o);

// The files a batch reads: the table, the template, the database and, once
// the activity model is made, the files of its data (PITZER.DAT).
std::vector<CommandInput> batchInputFiles(const BatchOptions& o, const ActivityModel* model = nullptr);
// The worker threads asked for (`--jobs` as given): a whole number from 1,
// at most MAX_JOBS_PER_CORE per core; the number of cores when not asked.
// `note` says so when more were asked than are taken.
int askedJobs(const std::string& asked, std::string& note);
// No more threads than waters.
int workerCount(int jobs, std::size_t waters);

}  // namespace wq
