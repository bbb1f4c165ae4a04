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
#include "run/evaporation_path.hpp"
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

// A mineral found to saturate within a step joins the minerals held this
// far (in ln F) past its saturation, where its log Q/K is above the
// threshold of joining.
constexpr double JOIN_MARGIN = 1e-3;

// The candidates that saturate for the first time on the path at this step
// (`firstLook`: before anything precipitated at it).
std::vector<std::string> newlySaturated(const EvaporationResult& path, const Results& firstLook,
                                        const std::vector<std::string>& candidates) {
    std::vector<std::string> found;
    for (const MineralRow& m : firstLook.minerals) {
        if (std::find(candidates.begin(), candidates.end(), m.name) == candidates.end()) continue;
        bool seen = false;
        for (const FirstSaturation& f : path.firstSaturations) seen |= f.mineral == m.name;
        if (!seen && m.saturationIndex >= 0.0) found.push_back(m.name);
    }
    return found;
}

// Should the path between two steps fail to run: each mineral at its log
// Q/K linear in ln F between the last row and this step.
void noteByInterpolation(EvaporationResult& path, const Results& firstLook, const std::vector<std::string>& minerals,
                         double factor) {
    const EvaporationStep& before = path.steps.back();
    for (const std::string& m : minerals) {
        const double si = saturationIndexOf(firstLook, m);
        const double siBefore = before.converged() ? saturationIndexOf(*before.results, m) : 0.0;
        double at = factor;
        if (siBefore < 0.0) {
            const double x0 = std::log(before.factor), x1 = std::log(factor);
            at = std::exp(x0 + (x1 - x0) * (-siBefore) / (si - siBefore));
        }
        path.firstSaturations.push_back({m, at});
    }
}

// The step to `factor` from the last row, the first saturations on the way
// noted so that they do not depend on the steps: the earliest mineral to
// saturate within the step is found by bisection, the path goes to just past
// it (where it joins the minerals held, which changes what saturates next)
// and takes the step again from there, until none saturates within it.
std::optional<Results> stepNotingSaturations(EvaporationPath& evaporation, EvaporationResult& path, double factor,
                                             const EvaporateOptions& o, const std::vector<std::string>& candidates,
                                             std::string& why) {
    double from = path.steps.back().factor;
    for (;;) {
        std::optional<Results> firstLook;
        std::optional<Results> r = evaporation.step(factor, o.precipitate, firstLook, why);
        if (!r) r = evaporation.approach(from, factor, o.precipitate, firstLook, why);
        if (!r) return r;
        double past = factor;
        while (past >= factor) {
            const std::vector<std::string> crossed = newlySaturated(path, *firstLook, candidates);
            if (crossed.empty()) return r;
            const std::optional<FirstSaturation> earliest = evaporation.earliestSaturation(crossed);
            if (!earliest) {
                noteByInterpolation(path, *firstLook, crossed, factor);
                return r;
            }
            path.firstSaturations.push_back(*earliest);
            past = std::exp(std::log(earliest->factor) + JOIN_MARGIN);
            if (past < factor && !evaporation.rewind()) past = factor;
        }
        std::optional<Results> ignored;
        std::string whyNot;
        if (evaporation.step(past, o.precipitate, ignored, whyNot)) from = past;
    }
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
        std::optional<Results> r = stepNotingSaturations(evaporation, path, factor, o, candidates, why);
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
