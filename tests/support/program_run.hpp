// Runs the built program as a user would: in a fresh directory holding the
// run input and a database, with the console answers on standard input.
#pragma once

#include <filesystem>
#include <string>

namespace wq::testing {

struct ProgramRun {
    int status = -1;  // exit status; -1 when the program could not be started
    std::string console, errors, listing, plot, skip;
    std::string extra;  // the output named by runProgramWith's extraOutput

    // One of the outputs by the name a user knows it by: "console", "errors",
    // "WQLIST.DAT", "WQGRAPH.DAT" or "Skip_Species.txt"; nullptr for another name.
    const std::string* output(const std::string& name) const;
};

std::string slurp(const std::filesystem::path& file);
// Writes `text` as the whole content of `file`.
void spit(const std::filesystem::path& file, const std::string& text);

// `tag` keeps the working directories of concurrent tests apart.
ProgramRun runProgram(const std::string& caseText, const std::string& answers,
                      const std::filesystem::path& database, const std::string& tag);

// The same with the database given as its text, the program's arguments
// (e.g. "sweep --from 100"), and one more output file read back into
// `extra` ("" when the program did not write it).
ProgramRun runProgramWith(const std::string& caseText, const std::string& answers, const std::string& database,
                          const std::string& tag, const std::string& args, const std::string& extraOutput = "");

}  // namespace wq::testing
