#include "text/failure.hpp"

#include <cstdio>
#include <string>

#include "text/stop.hpp"
#include "text/textfile.hpp"

namespace wq {

void fileFailure(const TextFile& file, std::string_view what) {
    fileFailure(file.name(), file.lineNumber(), what);
}

void fileFailure(std::string_view fileName, int line, std::string_view what) {
    std::fflush(stdout);
    std::string text = "wqspec: " + std::string(fileName) + ", line " + std::to_string(line) + ": " +
                       std::string(what) + "\n";
    std::fputs(text.c_str(), stderr);
    stop(ExitStatus::error);
}

void openFailure(std::string_view what) {
    std::fflush(stdout);
    std::string line = "wqspec: " + std::string(what) + "\n";
    std::fputs(line.c_str(), stderr);
    stop(ExitStatus::error);
}

}  // namespace wq
