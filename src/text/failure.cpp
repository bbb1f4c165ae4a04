#include "text/failure.hpp"

#include <string>

#include "text/stop.hpp"
#include "text/textfile.hpp"

namespace wq {

void fileFailure(const TextFile& file, std::string_view what) {
    fileFailure(file.name(), file.lineNumber(), what);
}

void fileFailure(std::string_view fileName, int line, std::string_view what) {
    stop(ExitStatus::error, std::string(fileName) + ", line " + std::to_string(line) + ": " + std::string(what));
}

void openFailure(std::string_view what) { stop(ExitStatus::error, std::string(what)); }

}  // namespace wq
