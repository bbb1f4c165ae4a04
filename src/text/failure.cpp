#include "text/failure.hpp"

#include <string>

#include "text/stop.hpp"
#include "text/textfile.hpp"

namespace wq {

void fileFailure(const TextFile& file, std::string_view what) {
    stop(ExitStatus::error,
         file.name() + ", line " + std::to_string(file.lineNumber()) + ": " + std::string(what));
}

void openFailure(std::string_view what) { stop(ExitStatus::error, std::string(what)); }

}  // namespace wq
