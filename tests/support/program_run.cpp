#include "support/program_run.hpp"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace wq::testing {

std::string slurp(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void spit(const fs::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
}

const std::string* ProgramRun::output(const std::string& name) const {
    if (name == "console") return &console;
    if (name == "errors") return &errors;
    if (name == "WQLIST.DAT") return &listing;
    if (name == "WQGRAPH.DAT") return &plot;
    if (name == "Skip_Species.txt") return &skip;
    return nullptr;
}

ProgramRun runProgram(const std::string& caseText, const std::string& answers,
                      const fs::path& database, const std::string& tag) {
    return runProgramWith(caseText, answers, slurp(database), tag, "");
}

ProgramRun runProgramWith(const std::string& caseText, const std::string& answers, const std::string& database,
                          const std::string& tag, const std::string& args, const std::string& extraOutput) {
    const fs::path work =
        fs::temp_directory_path() / ("wqspec-run-" + tag + "-" + std::to_string(::getpid()));
    fs::remove_all(work);
    fs::create_directories(work);
    spit(work / "WQCASE.DAT", caseText);
    spit(work / "answers", answers);
    spit(work / "LOGKDATA.KDB", database);
    const std::string command = "cd '" + work.string() + "' && '" + WQSPEC_EXE + "' " + args +
                                " < answers > console 2> errors; echo $? > status";
    ProgramRun run;
    if (std::system(command.c_str()) == 0) {
        run.status = std::stoi(slurp(work / "status"));
        run.console = slurp(work / "console");
        run.errors = slurp(work / "errors");
        run.listing = slurp(work / "WQLIST.DAT");
        run.plot = slurp(work / "WQGRAPH.DAT");
        run.skip = slurp(work / "Skip_Species.txt");
        if (!extraOutput.empty()) run.extra = slurp(work / extraOutput);
    }
    fs::remove_all(work);
    return run;
}

}  // namespace wq::testing
