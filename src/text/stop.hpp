// The single way the program ends: STOP.
//
// A stop unwinds to main, which flushes and closes every file before the
// process exits, so every line written before the stop reaches its file.
// Every stop other than the normal end carries a reason, which main writes as
// one line "wqspec: <reason>" on the error stream: a script can tell why a run
// failed without reading the console.
#pragma once

#include <string>
#include <utility>

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
    std::string reason;  // empty for the normal end
};

// An error stop (or the declined extrapolation). The messages of the program's
// texts are written before it; `reason` is the short line for the error
// stream: what went wrong, and where when a file line is at fault.
[[noreturn]] inline void stop(ExitStatus status, std::string reason) { throw Stop{status, std::move(reason)}; }

// The normal end, chosen by the user in the dialogue.
[[noreturn]] inline void endProgram() { throw Stop{ExitStatus::normal, {}}; }

// A fault of the program itself (never of the user's input): reported by main.
struct InternalError {
    std::string what;
};

// How a piece of work that was cut short ended: the status and the line for
// the error stream (for an internal fault, "internal error: <what>").
struct Ending {
    ExitStatus status = ExitStatus::error;
    std::string reason;
};

// The one place the endings are told apart, for every front end. Called in
// a catch (...) handler: the ending the exception in flight stands for, a
// Stop as it is, an InternalError or an exhausted memory (std::bad_alloc)
// as an internal fault. Any other exception is thrown on.
Ending endingInFlight();

}  // namespace wq
