#include "app/driver.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "grid/grid.hpp"
#include "input/run_input.hpp"
#include "text/failure.hpp"
#include "app/program.hpp"
#include "app/run_sequence.hpp"
#include "text/stop.hpp"

namespace wq {

namespace {

// A run input is a few kilobytes; anything near this bound is not one (a
// device or a pipe that never ends, a wrong file), and is not read until
// memory runs out.
constexpr std::size_t MAX_RUN_INPUT_BYTES = std::size_t{1} << 20;

void openInput(TextFile& file, const char* name, std::size_t maxBytes = SIZE_MAX) {
    errno = 0;
    if (file.load(name, maxBytes)) return;
    if (errno == EFBIG)
        openFailure(std::string(name) + " is larger than " + std::to_string(maxBytes) +
                    " bytes, far more than it can hold: not read");
    std::string why = errno ? std::strerror(errno) : "cannot be read";
    openFailure("cannot open " + std::string(name) + ": " + why);
}

void openOutput(Sink& sink, const char* name) {
    errno = 0;
    if (!sink.open(name)) {
        std::string why = errno ? std::strerror(errno) : "cannot be written";
        openFailure("cannot create " + std::string(name) + ": " + why);
    }
}

// The five files, in the order the program has always opened them.
void openFiles(Program& prog) {
    openInput(prog.caseFile, "WQCASE.DAT", MAX_RUN_INPUT_BYTES);
    openInput(prog.database, "LOGKDATA.KDB");
    openOutput(prog.io.listing, "WQLIST.DAT");
    openOutput(prog.io.plot, "WQGRAPH.DAT");
    openOutput(prog.io.skip, "Skip_Species.txt");
}

void showFirstRun(Program& prog) {
    static const Layout summary(
        "(//5X,'FIRST RUN STARTS.....'//8X,'ORIGINAL TEMPERATURE: ',F7.2,' DEGREES C.'"
        "/8X,'ORIGINAL PRESSURE:    ',F7.2,' BAR'/8X,'ORIGINAL PH:          ',F7.2///)");
    prog.io.console.write(summary, {prog.conditions.temperature, prog.conditions.pressure, prog.conditions.pH});
}

void startProgram(Program& prog) {
    openFiles(prog);
    readRunInput(prog);
    if (!prog.input.extendedRun()) prog.conditions.pressure = saturationPressure(prog.conditions.temperature);
    showFirstRun(prog);
}

// A standard stream that was closed when the program started would be
// reused by the next file opened, and the console would then be written into
// the listing. A closed one is given /dev/null instead: for standard output
// read-only, so that every console write fails and is reported, never lost in
// silence.
void guardStandardStreams() {
    const struct {
        int fd;
        int mode;
    } streams[] = {{STDIN_FILENO, O_RDONLY}, {STDOUT_FILENO, O_RDONLY}, {STDERR_FILENO, O_WRONLY}};
    for (const auto& s : streams) {
        if (::fcntl(s.fd, F_GETFD) != -1 || errno != EBADF) continue;
        const int fd = ::open("/dev/null", s.mode);
        if (fd >= 0 && fd != s.fd) {
            ::dup2(fd, s.fd);
            ::close(fd);
        }
    }
}

void report(const std::string& reason) { std::fputs(("wqspec: " + reason + "\n").c_str(), stderr); }

// Closes the four outputs, the console first so that on a terminal the error
// lines follow it. Gives the write failures found only now.
std::vector<std::string> closeOutputs(Channels& io) {
    std::vector<std::string> failures;
    for (Sink* sink : {&io.console, &io.listing, &io.plot, &io.skip}) {
        std::string failure = sink->close();
        if (!failure.empty()) failures.push_back(std::move(failure));
    }
    return failures;
}

}  // namespace

int runProgram() {
    guardStandardStreams();
    // The program state is large (fixed-capacity tables), so it lives on the heap.
    auto prog = std::make_unique<Program>();
    ExitStatus status = ExitStatus::normal;
    std::string reason;
    try {
        startProgram(*prog);
        runSequence(*prog);
    } catch (const Stop& s) {
        status = s.status;
        reason = s.reason;
    } catch (const InternalError& e) {
        status = ExitStatus::internal;
        reason = "internal error: " + e.what;
    } catch (const std::bad_alloc&) {
        status = ExitStatus::internal;
        reason = "internal error: out of memory";
    }
    const std::vector<std::string> failures = closeOutputs(prog->io);
    if (!reason.empty()) report(reason);
    for (const std::string& failure : failures) report(failure);
    if (!failures.empty() && status == ExitStatus::normal) status = ExitStatus::error;
    return static_cast<int>(status);
}

}  // namespace wq
