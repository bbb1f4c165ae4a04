// Reports of failures that have no message of their own in the program's
// texts (a missing file, an unreadable line): one clear line naming what
// failed, the file and the line, on the error stream; then STOP.
#pragma once

#include <string_view>

namespace wq {

class TextFile;

[[noreturn]] void fileFailure(const TextFile& file, std::string_view what);
// The same for line `line` of the file named `fileName`.
[[noreturn]] void fileFailure(std::string_view fileName, int line, std::string_view what);
[[noreturn]] void openFailure(std::string_view what);

}  // namespace wq
