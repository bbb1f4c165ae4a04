#include "app/quiet_program.hpp"

#include <cstdio>
#include <cstdlib>
#include <new>

namespace wq {

QuietProgram::QuietProgram() : prog_(std::make_unique<Program>()) {
    std::FILE* f = ::open_memstream(&buffer_, &size_);
    if (!f) throw std::bad_alloc();
    prog_->io.console.attach(f, true);
    prog_->io.input = Console(nullptr);
}

QuietProgram::~QuietProgram() {
    prog_->io.console.close();
    std::free(buffer_);
}

std::size_t QuietProgram::consoleSize() {
    prog_->io.console.flush();
    return size_;
}

std::string QuietProgram::consoleLine(std::size_t from) {
    prog_->io.console.flush();
    std::string line;
    std::string word;
    for (std::size_t i = from; i < size_; ++i) {
        const char c = buffer_[i];
        if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
            if (!word.empty()) line += (line.empty() ? "" : " ") + word;
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) line += (line.empty() ? "" : " ") + word;
    return line;
}

}  // namespace wq
