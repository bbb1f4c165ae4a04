#include "app/driver.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "grid/grid.hpp"
#include "input/parsed_database.hpp"
#include "input/run_input.hpp"
#include "text/failure.hpp"
#include "text/staged_file.hpp"
#include "app/program.hpp"
#include "app/run_sequence.hpp"
#include "text/stop.hpp"

namespace wq {

namespace {

// The console program reads at most 600 species positions (599 species and
// the end record, which takes one too) and 500 mineral and gas slots, as it
// always has: a database that holds more stops its run with the listing's
// message. The other front ends take every species, mineral and gas.
constexpr TableLimits CONSOLE_LIMITS{600, 500};

void openInput(TextFile& file, const char* name, std::size_t limit) {
    std::string why;
    if (!file.load(name, why, limit, TextImage::Kinds::any)) openFailure("cannot open " + std::string(name) + ": " + why);
}

// The database is read at the start of every run, as it is then; here it only
// has to be there, and be a regular file (a FIFO would make the first run
// wait for a writer forever).
void checkDatabase(Program& prog, const std::string& name) {
    std::string why;
    if (!openableRegularFile(name, why)) openFailure("cannot open " + name + ": " + why);
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
void openFiles(Program& prog, const std::string& database) {
    openInput(prog.caseFile, "WQCASE.DAT", MAX_RUN_INPUT_BYTES);
    checkDatabase(prog, database);
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
    readCase(prog);
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

// The results file of --results, opened after the program's own files. It
// is written under a temporary name and takes its name when the program
// ends in order (at the end of the dialogue or at an error stop, as the
// listing is complete then); a program killed by an interrupt, or a file
// that cannot be written whole, leaves an earlier file of that name as it
// was. It may not be one of the program's files.
struct ResultsFile {
    StagedFile staged;
    std::unique_ptr<RecordWriter> writer;

    void open(Program& prog, const std::string& path) {
        if (path.empty()) return;
        std::vector<std::string> own = {"WQCASE.DAT", prog.database.path(), "WQLIST.DAT", "WQGRAPH.DAT",
                                        "Skip_Species.txt"};
        for (const std::string& data : prog.activityModel->dataFiles()) own.push_back(data);
        for (const std::string& file : own)
            if (sameFile(path, file)) openFailure("--results " + path + " is " + file + "; the records go elsewhere");
        std::string why;
        if (!staged.open(path, why)) openFailure("cannot create " + path + ": " + why);
        staged.removeOnInterrupt();
        // A JSON array whatever the name.
        writer = std::make_unique<RecordWriter>(staged.file(), *recordFormatOf(".json"));
        prog.records = writer.get();
    }
    // The reason it could not be completed; empty when it was (or none was asked).
    std::string close() {
        if (!writer) return {};
        std::string why;
        if (!writer->close()) {
            why = errno ? std::strerror(errno) : "the write failed";
            staged.abandon();
        } else if (staged.commit(why)) {
            return {};
        }
        return "cannot write " + staged.path() + ": " + why;
    }
};

// The options of the redox state and the names left out, checked against
// the database as it is now.
void takeRunChoices(Program& prog, const RunChoiceText& text) {
    if (!text.any()) return;
    refreshDatabase(prog);
    std::string why;
    std::optional<RunChoices> choices = runChoicesOf(text, prog.database.parsed(), why);
    if (!choices) stop(ExitStatus::error, why);
    prog.choices = std::move(*choices);
}

// A model other than the default, chosen with --activity, and the line at
// the head of the listing that names it and, for a model with one, its pH
// scale. The scale's name is checked whatever the model.
void chooseActivityModel(Program& prog, const std::string& name, const std::string& phScale) {
    const std::optional<PhScale> scale = phScaleNamed(phScale);
    if (!scale) openFailure(unknownPhScale(phScale));
    if (name == DEFAULT_ACTIVITY_MODEL) return;
    prog.activityModel = makeActivityModel(name, {prog.database.path(), RefreshReach::modelLimit, *scale});
    if (!prog.activityModel) openFailure("--activity " + name + ": no such activity model");
    const std::string_view scaleName = prog.activityModel->phScale();
    const std::string onScale = scaleName.empty() ? "" : ", pH scale " + std::string(scaleName);
    prog.io.listing.put("\n  Activity model: " + name + onScale + " (its data beside " + prog.database.path() + ")\n");
}

}  // namespace

int runProgram(const ProgramOptions& options) {
    guardStandardStreams();
    // The program state is large (fixed-capacity tables), so it lives on the heap.
    auto prog = std::make_unique<Program>();
    prog->limits = CONSOLE_LIMITS;
    ResultsFile results;
    ExitStatus status = ExitStatus::normal;
    std::string reason;
    try {
        openFiles(*prog, options.model.databasePath);
        chooseActivityModel(*prog, options.model.activity, options.model.phScale);
        results.open(*prog, options.resultsPath);
        startProgram(*prog);
        takeRunChoices(*prog, options.model.choices);
        runSequence(*prog);
    } catch (...) {
        Ending ending = endingInFlight();
        status = ending.status;
        reason = std::move(ending.reason);
    }
    std::vector<std::string> failures = closeOutputs(prog->io);
    if (std::string failure = results.close(); !failure.empty()) failures.push_back(failure);
    if (!reason.empty()) report(reason);
    for (const std::string& failure : failures) report(failure);
    if (!failures.empty() && status == ExitStatus::normal) status = ExitStatus::error;
    return static_cast<int>(status);
}

}  // namespace wq
