#include "app/react.hpp"

#include <atomic>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/front_end.hpp"
#include "app/model_setup.hpp"
#include "app/program.hpp"
#include "app/run_sequence.hpp"
#include "input/reaction_path.hpp"
#include "input/run_input.hpp"
#include "report/reaction_table.hpp"
#include "run/chain_logk.hpp"
#include "run/next_run.hpp"
#include "run/reaction_path.hpp"
#include "text/channels.hpp"
#include "text/csv.hpp"
#include "text/staged_file.hpp"
#include "text/stop.hpp"
#include "text/textfile.hpp"

namespace wq {

namespace {

// A path file is a few dozen lines; this bounds what is read of a wrong one.
constexpr std::size_t MAX_PATH_FILE_BYTES = std::size_t{1} << 20;

// The water of `casePath` read into `q` with the path's model options; the
// start's must ask for the minerals, whose states the path follows.
void loadWater(QuietProgram& q, const std::string& casePath, const ReactOptions& o, bool isStart) {
    Program& p = *q;
    p.caseFile = loadInput(casePath, MAX_RUN_INPUT_BYTES, "the run input");
    loadModel(p, o.model);
    readRunInputOf(p, casePath, [](Program& read) { readCase(read); },
                   isStart ? "a reaction path follows minerals" : "");
    takeModelChoices(p, o.model);
}

// The run of a water at its own conditions; why it failed, or empty.
std::string runFirst(Program& p, const RunHooks& hooks, std::optional<Results>& r) {
    try {
        r = computeRun(p, hooks);
        return r->converged ? std::string() : runStatus(*r);
    } catch (...) {
        return utf8FromLatin1(endingInFlight().reason);
    }
}

// The totals per kg of water of the other water of a mix step, each a
// component of the starting water's run.
std::vector<double> otherWater(const ReactionPath& path, const PathStep& s, const Program& start, const ReactOptions& o) {
    QuietProgram q;
    loadWater(q, s.mix.withPath, o, false);
    std::optional<Results> r;
    const std::string why = runFirst(*q, {}, r);
    if (!why.empty()) throw CannotStart{s.mix.withPath + ": the run of the water to mix failed: " + why};
    prepareNextRun(*q);
    std::vector<double> totals = totalsPerKgByNumber(*q);
    for (int n = 1; n < static_cast<int>(totals.size()); ++n)
        if (totals[static_cast<std::size_t>(n)] != 0.0 && start.map.position(n) == 0)
            throw CannotStart{path.file + " line " + std::to_string(s.line) + ": " + s.mix.with + " holds component " +
                              std::to_string(n) + " of the database, which the starting water's run has not"};
    return totals;
}

// A path stopped from outside between two records (the package's Ctrl-C).
struct Interrupted {};

bool endsWith(const std::string& s, const std::string& end) {
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

ReactionPath readPathFile(const std::string& file) {
    const TextFile content = loadInput(file, MAX_PATH_FILE_BYTES, "the reaction path");
    return readPathText(std::string(content.text()), file);
}

ReactionPath readPathText(const std::string& text, const std::string& file) {
    try {
        return readReactionPath(text, file);
    } catch (const Stop& stopped) {
        throw CannotStart{stopped.reason};
    }
}

void loadPathStart(QuietProgram& q, const ReactionPath& path, const ReactOptions& o) {
    loadWater(q, path.startPath, o, true);
    if (q->forced.count > 0)
        throw CannotStart{path.startPath + " holds phases at saturation by forced-saturation records; a reaction "
                          "path starts from a water of totals alone (an equilibrate step holds phases)"};
}

ReactionRun computeReaction(QuietProgram& q, const ReactionPath& path, const ReactOptions& o, Sink& console,
                            const std::atomic<bool>& stop) {
    ReactionRun run;
    const ChainLogK logK(*q, everyComponent());
    const ListingHooks listing(*q);
    std::optional<Results> start;
    run.startFailure = runFirst(*q, listing.hooks(), start);
    if (!run.startFailure.empty()) {
        run.status = FrontEndExit::someFailed;
        return run;
    }
    try {
        checkPathNames(*q, path);
    } catch (const Stop& stopped) {
        throw CannotStart{stopped.reason};
    }
    ReactionInputs steps;
    for (const PathStep& s : path.steps)
        steps.mixTotals.push_back(s.kind == StepKind::mix ? otherWater(path, s, *q, o) : std::vector<double>{});
    steps.onRecord = [&console, &stop](const ReactionRecord& rec) {
        writeReactionRecord(rec, console);
        if (stop) throw Interrupted{};
    };
    run.result.file = path.file;
    run.result.title1 = std::string(q->input.title1.trimmed());
    run.result.title2 = std::string(q->input.title2.trimmed());
    try {
        runReactionPath(*q, listing.hooks(), path, *start, steps, run.result);
    } catch (const Interrupted&) {
        run.interrupted = true;
    }
    run.status = run.result.failed() || run.interrupted ? FrontEndExit::someFailed : FrontEndExit::allConverged;
    return run;
}

int runReact(const ReactOptions& given) {
    return runFrontEnd([&] {
        ReactOptions o = given;
        if (o.model.databasePath.empty()) o.model.databasePath = defaultDatabaseFor(o.model.activity);
        const bool json = endsWith(o.outPath, ".json");
        if (!json && !endsWith(o.outPath, ".csv")) throw CannotStart{"--out must name a .csv or a .json file"};
        const ReactionPath path = readPathFile(o.pathFile);
        Sink console(stdout, false, "standard output");
        QuietProgram q;
        loadPathStart(q, path, o);
        std::vector<CommandInput> inputs = runInputFiles(path.startPath, o.model.databasePath, q->activityModel.get());
        inputs.push_back({"the reaction path", o.pathFile});
        refuseInputAsOutput("--out", o.outPath, inputs);
        StagedFile out;
        std::string why;
        if (!out.open(o.outPath, why)) throw CannotStart{"cannot create " + o.outPath + ": " + why};
        out.removeOnInterrupt();
        const std::atomic<bool> never{false};
        const ReactionRun run = computeReaction(q, path, o, console, never);
        if (!run.startFailure.empty()) {
            std::fprintf(stderr, "wqspec: the run of the starting water failed: %s\n", run.startFailure.c_str());
            return FrontEndExit::someFailed;
        }
        const ReactionResult& result = run.result;
        return commitTable(out, json ? reactionJson(result) : reactionCsv(result), o.outPath, console, run.status);
    });
}

}  // namespace wq
