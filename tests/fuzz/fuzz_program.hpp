// A Program for one fuzz input: every output channel on /dev/null and the
// console input at its end, so that a read error's pause ends at once. A STOP
// is a normal outcome of a bad input; an InternalError or a crash is a
// finding.
#pragma once

#include <cstdio>
#include <memory>

#include "app/program.hpp"

namespace wq::fuzz {

inline std::unique_ptr<Program> quietProgram() {
    static std::FILE* const noAnswers = std::fopen("/dev/null", "rb");
    auto prog = std::make_unique<Program>();
    for (Sink* sink : {&prog->io.console, &prog->io.listing, &prog->io.plot, &prog->io.skip})
        sink->open("/dev/null");
    prog->io.input = Console(noAnswers);
    return prog;
}

}  // namespace wq::fuzz
