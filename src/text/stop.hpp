// The single way the program ends: STOP.
//
// A stop unwinds to main, which flushes and closes every file before the
// process exits, so every line written before the stop reaches its file.
#pragma once

#include <string>

namespace wq {

// Exit statuses a script can tell apart.
enum class ExitStatus : int {
    normal = 0,        // the user ended the program in the re-run dialogue
    error = 1,         // an error stop: bad input, bad data, failed run
    declined = 2,      // the user declined to go on with extrapolated data
    internal = 3,      // a fault of the program itself
};

struct Stop {
    ExitStatus status;
};

[[noreturn]] inline void stop(ExitStatus status = ExitStatus::error) { throw Stop{status}; }

// A fault of the program itself (never of the user's input): reported by main.
struct InternalError {
    std::string what;
};

}  // namespace wq
