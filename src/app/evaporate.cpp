#include "app/evaporate.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/front_end.hpp"
#include "app/program.hpp"
#include "app/run_sequence.hpp"
#include "app/evaporation_path.hpp"
#include "app/sweep_minerals.hpp"
#include "input/database_file.hpp"
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


void checkOptions(const EvaporateOptions& o) {
    if (!std::isfinite(o.to) || o.to <= 1.0)
        throw CannotStart{"--to must be a concentration factor above 1 (it is " + exactText(o.to) + ")"};
    if (o.steps < 1 || o.steps > MAX_STEPS)
        throw CannotStart{"--steps must be from 1 to " + std::to_string(MAX_STEPS) + " (it is " + std::to_string(o.steps) + ")"};
}

void loadProgram(QuietProgram& q, const EvaporateOptions& o) {
    Program& p = *q;
    p.caseFile = loadInput(o.casePath, MAX_RUN_INPUT_BYTES, "the run input");
    p.database = DatabaseFile::ofParsed(databaseSnapshot(o.databasePath));
    p.activityModel = frontEndActivityModel(o.activity, o.databasePath);
    try {
        readCase(p);
    } catch (const Stop& stopped) {
        throw CannotStart{o.casePath + " cannot be read: " + stopped.reason};
    }
    if (p.input.mineralsSwitch == 0)
        throw CannotStart{o.casePath + " does not ask for minerals (option 2 is 0); an evaporation path follows minerals"};
}

EvaporationStep stepRow(double factor, std::optional<Results> r, const std::string& why) {
    EvaporationStep s;
    s.factor = factor;
    s.status = r ? runStatus(*r) : why;
    s.results = std::move(r);
    return s;
}

// Where a mineral first saturates: between the last step at which it was
// undersaturated and the first at which it was not (before anything
// precipitated at that step), by its log Q/K linear in ln F.
void noteFirstSaturations(EvaporationResult& path, const std::optional<Results>& firstLook,
                          const std::vector<std::string>& candidates) {
    const std::vector<EvaporationStep>& steps = path.steps;
    const EvaporationStep& now = steps.back();
    for (const MineralRow& m : firstLook->minerals) {
        if (std::find(candidates.begin(), candidates.end(), m.name) == candidates.end()) continue;
        bool seen = false;
        for (const FirstSaturation& f : path.firstSaturations) seen |= f.mineral == m.name;
        if (seen || m.saturationIndex < 0.0) continue;
        double factor = now.factor;
        if (steps.size() >= 2 && steps[steps.size() - 2].converged()) {
            const EvaporationStep& before = steps[steps.size() - 2];
            const double siBefore = saturationIndexOf(*before.results, m.name);
            if (siBefore < 0.0) {
                const double x0 = std::log(before.factor), x1 = std::log(now.factor);
                factor = std::exp(x0 + (x1 - x0) * (-siBefore) / (m.saturationIndex - siBefore));
            }
        }
        path.firstSaturations.push_back({m.name, factor});
    }
}

std::vector<std::string> candidateMinerals(const Program& p, const Results& first, const EvaporateOptions& o) {
    const std::vector<std::string> known = mineralNames(first);
    return o.minerals.empty() ? known : namedMinerals(p, o.minerals, known);
}

FrontEndExit runPath(Program& p, EvaporationResult& path, const EvaporateOptions& o, Sink& console) {
    std::optional<Results> first;
    std::string why;
    try {
        first = computeRun(p);
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
    noteFirstSaturations(path, first, candidates);
    EvaporationPath evaporation(p, candidates);
    bool anyFailed = false;
    for (int k = 1; k <= o.steps; ++k) {
        const double factor = k == o.steps ? o.to : std::exp(std::log(o.to) * k / o.steps);
        std::optional<Results> firstLook;
        std::optional<Results> r = evaporation.step(factor, o.precipitate, firstLook, why);
        if (!r) r = evaporation.approach(path.steps.back().factor, factor, o.precipitate, firstLook, why);
        path.steps.push_back(stepRow(factor, r, why));
        if (r) {
            path.steps.back().assemblage = evaporation.amounts();
            noteFirstSaturations(path, firstLook, candidates);
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

int runEvaporate(const EvaporateOptions& given) {
    return runFrontEnd([&] {
        EvaporateOptions o = given;
        checkOptions(o);
        if (o.databasePath.empty()) o.databasePath = defaultDatabaseFor(o.activity);
        Sink console(stdout, false, "standard output");
        QuietProgram q;
        loadProgram(q, o);
        refuseInputAsOutput("--out", o.outPath, runInputFiles(o.casePath, o.databasePath, q->activityModel.get()));
        StagedFile out;
        std::string why;
        if (!out.open(o.outPath, why)) throw CannotStart{"cannot create " + o.outPath + ": " + why};
        out.removeOnInterrupt();
        EvaporationResult path;
        path.title1 = std::string(q->input.title1.trimmed());
        path.title2 = std::string(q->input.title2.trimmed());
        path.precipitating = o.precipitate;
        path.temperature = q->input.temperature;
        path.to = o.to;
        path.stepCount = o.steps;
        const FrontEndExit status = runPath(*q, path, o, console);
        if (!path.steps.front().converged()) {
            std::fprintf(stderr, "wqspec: the run of the starting water failed: %s\n", path.steps.front().status.c_str());
            return status;
        }
        writeEvaporationSummary(path, console);
        return commitTable(out, evaporationTable(path), o.outPath, console, status);
    });
}

}  // namespace wq
