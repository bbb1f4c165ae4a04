// libFuzzer target: the run-input reader on any text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_program.hpp"
#include "app/run_sequence.hpp"
#include "input/run_input.hpp"
#include "text/stop.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto prog = wq::fuzz::quietProgram();
    prog->caseFile = wq::TextFile("WQCASE.DAT", std::string(reinterpret_cast<const char*>(data), size));
    try {
        wq::readCase(*prog);
    } catch (const wq::Stop&) {
        // a refused input: the normal end of a bad one
    }
    return 0;
}
