#include "app/sweep.hpp"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/dialogue.hpp"
#include "app/front_end.hpp"
#include "app/program.hpp"
#include "app/run_sequence.hpp"
#include "app/sweep_minerals.hpp"
#include "grid/grid.hpp"
#include "input/database_file.hpp"
#include "input/run_input.hpp"
#include "report/records.hpp"
#include "report/sweep_table.hpp"
#include "text/channels.hpp"
#include "text/csv.hpp"
#include "text/number_text.hpp"
#include "text/staged_file.hpp"
#include "text/stop.hpp"
#include "text/textfile.hpp"

namespace wq {

namespace {

// The most temperatures one sweep computes.
constexpr std::size_t MAX_TEMPERATURES = 10000;

}  // namespace

// A last step that overshoots `to` by less than a millionth of a step still
// counts, against rounding.
std::vector<double> sweepTemperatures(const SweepOptions& o, bool extended) {
    if (!std::isfinite(o.from) || !std::isfinite(o.to) || !std::isfinite(o.step))
        throw CannotStart{"--from, --to and --step must be numbers"};
    if (o.step <= 0.0) throw CannotStart{"--step must be above 0 (it is " + exactText(o.step) + ")"};
    if (o.from > o.to)
        throw CannotStart{"--from (" + exactText(o.from) + " C) is above --to (" + exactText(o.to) + " C)"};
    // Saturation runs follow the liquid-vapour curve; extended runs span the
    // temperature grid.
    const double lowest = extended ? GRID_TEMPERATURES.front() : SATURATION_RUN_LOWEST;
    const double highest = extended ? GRID_TEMPERATURES.back() : SATURATION_RUN_HIGHEST;
    if (o.from < lowest || o.to > highest)
        throw CannotStart{std::string(extended ? "an extended run" : "a run on the saturation curve") +
                          " takes temperatures from " + exactText(lowest) + " to " + exactText(highest) +
                          " C; the sweep asks " + exactText(o.from) + " to " + exactText(o.to) + " C"};
    const double steps = std::floor((o.to - o.from) / o.step + 1e-6);
    if (steps + 1.0 > double(MAX_TEMPERATURES))
        throw CannotStart{"the sweep would compute more than " + std::to_string(MAX_TEMPERATURES) +
                          " temperatures; take a larger --step"};
    std::vector<double> t;
    for (int k = 0; k <= int(steps); ++k) t.push_back(std::min(o.from + k * o.step, o.to));
    return t;
}

void readSweepCase(Program& p, const std::string& name) {
    try {
        readCase(p);
    } catch (const Stop& stopped) {
        throw CannotStart{name + " cannot be read: " + stopped.reason};
    }
    if (p.input.mineralsSwitch == 0)
        throw CannotStart{name + " does not ask for minerals (option 2 is 0); a sweep compares minerals"};
}

namespace {

// One run at the program's current conditions; a STOP or a fault becomes the
// row's status.
SweepRow computeRow(Program& p, bool input) {
    SweepRow row;
    row.input = input;
    row.temperature = p.conditions.temperature;
    try {
        Results r = computeRun(p);
        row.status = runStatus(r);
        row.results = std::move(r);
    } catch (...) {
        row.status = utf8FromLatin1(endingInFlight().reason);
    }
    row.pressure = row.results ? row.results->pressure : p.conditions.pressure;
    return row;
}

void loadProgram(QuietProgram& q, const SweepOptions& o) {
    Program& p = *q;
    p.caseFile = loadInput(o.casePath, MAX_RUN_INPUT_BYTES, "the run input");
    // Every temperature uses the content the file had when the sweep started.
    p.database = DatabaseFile::ofParsed(databaseSnapshot(o.databasePath));
    readSweepCase(p, o.casePath);
}

// The sweep table takes its name only when it is written whole: a sweep
// that cannot start, fails at the run input's conditions or is interrupted
// leaves the file of that name as it was. It may not be an input.
void openOutput(StagedFile& out, const SweepOptions& o) {
    for (const std::string* input : {&o.casePath, &o.databasePath})
        if (sameFile(o.outPath, *input))
            throw CannotStart{"--out " + o.outPath + " is an input of the sweep (" + *input +
                              "); the table goes elsewhere"};
    std::string why;
    if (!out.open(o.outPath, why)) throw CannotStart{"cannot create " + o.outPath + ": " + why};
    out.removeOnInterrupt();
}

// The minerals of the estimate, from the run at the run input's conditions.
void chooseMinerals(const Program& p, SweepResult& s, const SweepOptions& o, std::vector<std::string>& notes) {
    const Results& first = *s.rows.front().results;
    const std::set<std::string> forced = forcedMineralNames(first);
    const std::vector<std::string> known = mineralNames(first);
    s.chosen = o.minerals.empty() ? defaultMinerals(known, forced) : namedMinerals(p, o.minerals, known);
    for (const std::string& m : s.chosen)
        if (forced.count(m))
            notes.push_back(m + " fixes a total, so its log Q/K is held at its target at every temperature and "
                                "tells nothing of the reservoir");
}

// The chain of runs: the run input's conditions, then every temperature. Every
// run starts from what the last converged one handed on (its CarriedState,
// after the dialogue's resets); a run that fails leaves its row, and the next
// starts again from that copy, as if the failed run had not happened.
FrontEndExit runChain(Program& p, SweepResult& s, const SweepOptions& o, const std::vector<double>& temperatures,
                      Sink& console, std::vector<std::string>& notes) {
    s.rows.push_back(computeRow(p, true));
    writeSweepRow(s.rows.back(), console);
    if (!s.rows.back().converged()) return FrontEndExit::someFailed;
    chooseMinerals(p, s, o, notes);
    prepareNextRun(p);
    auto kept = std::make_unique<CarriedState>(p);
    bool lastFailed = false, anyFailed = false;
    for (double t : temperatures) {
        if (lastFailed) {
            static_cast<CarriedState&>(p) = *kept;
            p.grid.pressureFlag = 'N';
            p.grid.blockFlag = 'N';
        }
        p.conditions.temperature = t;
        s.rows.push_back(computeRow(p, false));
        writeSweepRow(s.rows.back(), console);
        lastFailed = !s.rows.back().converged();
        anyFailed |= lastFailed;
        if (lastFailed) continue;
        prepareNextRun(p);
        *kept = p;
    }
    return anyFailed ? FrontEndExit::someFailed : FrontEndExit::allConverged;
}

// The estimate from the log Q/K of the chosen minerals at the sweep's temperatures.
void estimate(SweepResult& s) {
    for (const SweepRow& row : s.rows)
        if (!row.input) s.temperatures.push_back(row.temperature);
    for (const std::string& m : s.chosen) {
        std::vector<double> curve;
        for (const SweepRow& row : s.rows)
            if (!row.input) curve.push_back(row.saturationIndex(m));
        s.chosenCurves.push_back(std::move(curve));
    }
    s.estimate = estimateTemperature(s.temperatures, s.chosenCurves);
}

// The options and the run input, echoed in the table's head.
SweepResult sweepOf(const Program& p, const SweepOptions& o) {
    SweepResult s;
    s.title1 = std::string(p.input.title1.trimmed());
    s.title2 = std::string(p.input.title2.trimmed());
    s.extended = p.input.extendedRun();
    s.pressure = p.input.pressure;
    s.from = o.from;
    s.to = o.to;
    s.step = o.step;
    return s;
}

}  // namespace

SweepRun computeSweep(Program& p, const SweepOptions& o, const std::vector<double>& temperatures, Sink& console) {
    SweepRun run;
    run.result = sweepOf(p, o);
    run.status = runChain(p, run.result, o, temperatures, console, run.notes);
    if (run.result.rows.front().converged()) estimate(run.result);
    return run;
}

int runSweep(const SweepOptions& o) {
    return runFrontEnd([&] {
        Sink console(stdout, false, "standard output");
        QuietProgram q;
        loadProgram(q, o);
        const std::vector<double> temperatures = sweepTemperatures(o, q->input.extendedRun());
        StagedFile out;
        openOutput(out, o);
        const SweepRun run = computeSweep(*q, o, temperatures, console);
        for (const std::string& note : run.notes) std::fprintf(stderr, "wqspec: note: %s\n", note.c_str());
        const SweepResult& s = run.result;
        const FrontEndExit status = run.status;
        if (!s.rows.front().converged()) {
            std::fprintf(stderr, "wqspec: the run at the run input's conditions failed: %s\n",
                         s.rows.front().status.c_str());
            return status;
        }
        writeSweepEstimate(s, console);
        const std::string table = sweepTable(s);
        std::string why;
        errno = 0;
        if (std::fwrite(table.data(), 1, table.size(), out.file()) != table.size()) why = std::strerror(errno);
        if (!why.empty() || !out.commit(why)) {
            std::fprintf(stderr, "wqspec: cannot write %s: %s; an earlier file of that name is left as it was\n",
                         o.outPath.c_str(), why.c_str());
            return FrontEndExit::someFailed;
        }
        console.put("Wrote " + o.outPath + ".\n");
        return status;
    });
}

}  // namespace wq
