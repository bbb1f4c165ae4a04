// Reports of failures that have no message of their own in the program's
// texts (a missing file, an unreadable line): one clear line naming what
// failed, the file and the line, on the error stream; then STOP.
#pragma once

#include <string_view>

namespace wq {

class TextFile;

[[noreturn]] void fileFailure(const TextFile& file, std::string_view what);
[[noreturn]] void openFailure(std::string_view what);

}  // namespace wq
