// Failures that have no message of their own in the program's texts (a
// missing file, an unreadable line): a STOP whose reason names what failed,
// the file and the line.
#pragma once

#include <string_view>

namespace wq {

class TextFile;

// Reason "<file>, line <n>: <what>", n being the line last read.
[[noreturn]] void fileFailure(const TextFile& file, std::string_view what);
// The same for line `line` of the file named `fileName`.
[[noreturn]] void fileFailure(std::string_view fileName, int line, std::string_view what);
[[noreturn]] void openFailure(std::string_view what);

}  // namespace wq
