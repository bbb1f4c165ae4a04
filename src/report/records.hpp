// Machine-readable records of runs: one record per water (or per run of the
// dialogue), as a CSV row or a JSON object.
//
// A record holds the water's name, its status ("converged", "converged by the
// joint solve", or why it could not be run, on one line), the loops used (of
// the iteration; a JSON record also those of the joint solve), T (deg C),
// P (bar), pH, the true and stoichiometric ionic strengths, the activity of
// water, the osmotic coefficient, Eh (V) and its couple, the Na-K-Ca
// temperature (deg C), the charge imbalance (eq/kg water and percent); per
// species log m, log a and gamma; per mineral log Q/K; per gas log f. A JSON
// record holds also the molality and activity of every species, the component
// totals (moles, ppm, total molality, free molality, alpha, flag) and log K
// and log Q of every mineral and gas: all that the listing shows. Numbers are
// written with 17 significant digits, so that they read back as the very
// values computed.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace wq {

struct Results;

// The status of the record of a run that returned its results: "converged";
// "converged by the joint solve"; for a run at its loop limit without a
// solution "no solution: <why>" when the reason is known, else
// "not converged: loop limit <L> reached".
std::string runStatus(const Results& results);

struct RecordHead {
    std::string name;
    std::string status;           // "converged", or the failure on one line
    double temperature = 0.0;     // as asked, for a water that failed
    double pressure = 0.0;
};

// The columns of a CSV table of records: fixed columns first, then
//   log_m(S), log_a(S), gamma(S)  for every species S (water left out),
//   SI(M)                         for every mineral M,
//   log_f(G)                      for every gas G.
// A quantity a water does not have (a failed run; a species its conditions
// leave out) is an empty cell.
struct RecordColumns {
    std::vector<std::string> species;
    std::vector<std::string> minerals;
    std::vector<std::string> gases;
};

std::string csvHeader(const RecordColumns& columns);
// `results` is null for a water that could not be run.
std::string csvRow(const RecordColumns& columns, const RecordHead& head, const Results* results);

// One JSON object, compact, on one line.
std::string jsonRecord(const RecordHead& head, const Results* results);

// A JSON array written one object at a time: "[" before the first, "," between
// them, "]" at close(); every object is flushed as it is written, so an
// interrupted run leaves its objects on disk (and close() ends the array).
class JsonArrayWriter {
public:
    explicit JsonArrayWriter(std::FILE* file) : file_(file) {}
    bool add(const std::string& object);
    bool close();

private:
    std::FILE* file_;
    bool first_ = true;
};

}  // namespace wq
