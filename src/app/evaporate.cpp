#include "app/evaporate.hpp"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/front_end.hpp"
#include "app/model_setup.hpp"
#include "app/program.hpp"
#include "app/run_sequence.hpp"
#include "run/chain_logk.hpp"
#include "run/evaporation_path.hpp"
#include "run/evaporation_sequence.hpp"
#include "app/sweep_minerals.hpp"
#include "input/run_input.hpp"
#include "report/evaporation_table.hpp"
#include "report/records.hpp"
#include "text/channels.hpp"
#include "text/csv.hpp"
#include "text/number_text.hpp"
#include "text/staged_file.hpp"
#include "text/stop.hpp"
#include "text/textfile.hpp"

namespace wq {

namespace {

constexpr int MAX_STEPS = 10000;


}  // namespace

void checkEvaporateOptions(const EvaporateOptions& o) {
    if (!std::isfinite(o.to) || o.to <= 1.0)
        throw CannotStart{"--to must be a concentration factor above 1 (it is " + exactText(o.to) + ")"};
    if (o.steps < 1 || o.steps > MAX_STEPS)
        throw CannotStart{"--steps must be from 1 to " + std::to_string(MAX_STEPS) + " (it is " + std::to_string(o.steps) + ")"};
    if (o.fractional && !o.precipitate)
        throw CannotStart{"--fractional and --no-precipitation exclude each other: a fractional path precipitates"};
}

void readEvaporationCase(Program& p, const std::string& name, const std::function<void(Program&)>& read) {
    readRunInputOf(p, name, read, "an evaporation path follows minerals");
}

namespace {

void loadProgram(QuietProgram& q, const EvaporateOptions& o) {
    Program& p = *q;
    p.caseFile = loadInput(o.casePath, MAX_RUN_INPUT_BYTES, "the run input");
    loadModel(p, o.model);
    readEvaporationCase(p, o.casePath, [](Program& read) { readCase(read); });
    takeModelChoices(p, o.model);
}

EvaporationStep stepRow(double factor, std::optional<Results> r, const std::string& why) {
    EvaporationStep s;
    s.factor = factor;
    s.status = r ? runStatus(*r) : why;
    s.results = std::move(r);
    return s;
}

std::vector<std::string> candidateMinerals(const Program& p, const Results& first, const EvaporateOptions& o) {
    const std::vector<std::string> known = mineralNames(first);
    return o.minerals.empty() ? known : namedMinerals(p, o.minerals, known);
}

FrontEndExit runPath(Program& p, EvaporationResult& path, const EvaporateOptions& o, Sink& console,
                     const std::atomic<bool>& stop) {
    const ListingHooks listing(p);
    std::optional<Results> first;
    std::string why;
    try {
        first = computeRun(p, listing.hooks());
        if (!first->converged) why = runStatus(*first);
    } catch (...) {
        why = utf8FromLatin1(endingInFlight().reason);
    }
    const bool started = first && first->converged;
    // --minerals is checked against the starting water's minerals before
    // any step is shown: a mistyped name stops the path before it begins.
    const std::vector<std::string> candidates = started ? candidateMinerals(p, *first, o) : std::vector<std::string>{};
    path.steps.push_back(stepRow(1.0, started ? first : std::nullopt, why));
    writeEvaporationStep(path.steps.back(), console);
    if (!started) return FrontEndExit::someFailed;
    for (const std::string& m : newlySaturated(path, *first, candidates)) path.firstSaturations.push_back({m, 1.0});
    EvaporationPath evaporation(p, listing.hooks(), candidates, o.fractional);
    bool anyFailed = false;
    for (int k = 1; k <= o.steps && !stop; ++k) {
        const double factor = k == o.steps ? o.to : std::exp(std::log(o.to) * k / o.steps);
        std::optional<Results> r = stepNotingSaturations(evaporation, path, factor, o.precipitate, candidates, why);
        path.steps.push_back(stepRow(factor, r, why));
        if (r) {
            path.steps.back().saturated = evaporation.heldMinerals();
            path.steps.back().precipitated = evaporation.amounts();
        }
        writeEvaporationStep(path.steps.back(), console);
        if (!r) {
            anyFailed = true;
            break;  // the steps beyond start from a water the path could not reach
        }
    }
    path.notes = evaporation.notes();
    return anyFailed ? FrontEndExit::someFailed : FrontEndExit::allConverged;
}

}  // namespace

EvaporationRun computeEvaporation(Program& p, const EvaporateOptions& o, Sink& console, const std::atomic<bool>& stop) {
    const ChainLogK logK(p, componentsOfRun(p));
    EvaporationRun run;
    EvaporationResult& path = run.path;
    path.title1 = std::string(p.input.title1.trimmed());
    path.title2 = std::string(p.input.title2.trimmed());
    path.kind = !o.precipitate ? EvaporationKind::supersaturation
                : o.fractional  ? EvaporationKind::fractional
                                : EvaporationKind::equilibrium;
    path.startingWater = p.comp[WATER_SLOT].mtot;
    path.temperature = p.input.temperature;
    path.to = o.to;
    path.stepCount = o.steps;
    run.status = runPath(p, path, o, console, stop);
    return run;
}

int runEvaporate(const EvaporateOptions& given) {
    return runFrontEnd([&] {
        EvaporateOptions o = given;
        checkEvaporateOptions(o);
        if (o.model.databasePath.empty()) o.model.databasePath = defaultDatabaseFor(o.model.activity);
        Sink console(stdout, false, "standard output");
        QuietProgram q;
        loadProgram(q, o);
        refuseInputAsOutput("--out", o.outPath, runInputFiles(o.casePath, o.model.databasePath, q->activityModel.get()));
        StagedFile out;
        std::string why;
        if (!out.open(o.outPath, why)) throw CannotStart{"cannot create " + o.outPath + ": " + why};
        out.removeOnInterrupt();
        // Ctrl-C ends the program; the table is written only when whole.
        static const std::atomic<bool> never{false};
        const EvaporationRun run = computeEvaporation(*q, o, console, never);
        const EvaporationResult& path = run.path;
        if (!path.steps.front().converged()) {
            std::fprintf(stderr, "wqspec: the run of the starting water failed: %s\n", path.steps.front().status.c_str());
            return run.status;
        }
        writeEvaporationSummary(path, console);
        return commitTable(out, evaporationTable(path), o.outPath, console, run.status);
    });
}

}  // namespace wq
