// A Program for the front ends that run waters without a console: batch and
// sweep. Its console is kept in memory (so a STOP's message can be read back
// into a record), its files go nowhere, and its console input has ended (an
// extrapolation question is answered with its default, go on).
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "app/program.hpp"

namespace wq {

class QuietProgram {
public:
    QuietProgram();
    ~QuietProgram();
    QuietProgram(const QuietProgram&) = delete;
    QuietProgram& operator=(const QuietProgram&) = delete;

    Program& operator*() { return *prog_; }
    Program* operator->() { return prog_.get(); }

    // Bytes the console has received so far.
    std::size_t consoleSize();
    // What the console received from `from` on, as one line.
    std::string consoleLine(std::size_t from);

private:
    std::unique_ptr<Program> prog_;
    char* buffer_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace wq
