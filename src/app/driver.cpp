#include "app/driver.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "grid/grid.hpp"
#include "input/run_input.hpp"
#include "text/failure.hpp"
#include "app/program.hpp"
#include "app/run_sequence.hpp"
#include "text/stop.hpp"

namespace wq {

namespace {

void openInput(TextFile& file, const char* name) {
    std::string why;
    if (!file.load(name, why)) openFailure("cannot open " + std::string(name) + ": " + why);
}

// The database is read at the start of every run, as it is then; here it only
// has to be there.
void checkDatabase(Program& prog, const char* name) {
    const int fd = ::open(name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) openFailure("cannot open " + std::string(name) + ": " + std::strerror(errno));
    ::close(fd);
    prog.database = DatabaseFile(name);
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
    openInput(prog.caseFile, "WQCASE.DAT");
    checkDatabase(prog, "LOGKDATA.KDB");
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
    readRunInput(prog);
    if (!prog.input.extendedRun()) prog.conditions.pressure = saturationPressure(prog.conditions.temperature);
    showFirstRun(prog);
}

void reportInternal(const std::string& what) {
    std::fflush(stdout);
    std::fputs(("wqspec: internal error: " + what + "\n").c_str(), stderr);
}

// The results file of --results, opened after the program's own files.
struct ResultsFile {
    std::FILE* file = nullptr;
    std::unique_ptr<JsonArrayWriter> writer;

    void open(Program& prog, const std::string& path) {
        if (path.empty()) return;
        file = std::fopen(path.c_str(), "wb");
        if (!file) openFailure("cannot create " + path + ": " + std::strerror(errno));
        writer = std::make_unique<JsonArrayWriter>(file);
        prog.records = writer.get();
    }
    bool close() {
        if (!file) return true;
        bool ok = writer->close();
        ok = std::fclose(file) == 0 && ok;
        file = nullptr;
        return ok;
    }
};

}  // namespace

int runProgram(const ProgramOptions& options) {
    // The program state is large (fixed-capacity tables), so it lives on the heap.
    auto prog = std::make_unique<Program>();
    ResultsFile results;
    ExitStatus status = ExitStatus::normal;
    try {
        openFiles(*prog);
        results.open(*prog, options.resultsPath);
        startProgram(*prog);
        runSequence(*prog);
    } catch (const Stop& s) {
        status = s.status;
    } catch (const InternalError& e) {
        reportInternal(e.what);
        status = ExitStatus::internal;
    } catch (const std::bad_alloc&) {
        reportInternal("out of memory");
        status = ExitStatus::internal;
    }
    bool written = prog->io.console.close() & prog->io.listing.close() & prog->io.plot.close() &
                   prog->io.skip.close() & results.close();
    if (!written) {
        std::fputs("wqspec: an output file could not be written completely\n", stderr);
        if (status == ExitStatus::normal) status = ExitStatus::error;
    }
    return static_cast<int>(status);
}

}  // namespace wq
