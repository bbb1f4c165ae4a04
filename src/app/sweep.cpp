#include "app/sweep.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "run/chain_logk.hpp"
#include "run/next_run.hpp"
#include "app/front_end.hpp"
#include "app/model_setup.hpp"
#include "input/db_numbers.hpp"
#include "app/program.hpp"
#include "app/run_sequence.hpp"
#include "run/sweep_chain.hpp"
#include "app/sweep_minerals.hpp"
#include "app/sweep_reconstruction.hpp"
#include "equilibria/redox.hpp"
#include "grid/grid.hpp"
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

void readSweepCase(Program& p, const std::string& name, const std::function<void(Program&)>& read) {
    readRunInputOf(p, name, read, "a sweep compares minerals");
}

namespace {

void loadProgram(QuietProgram& q, const SweepOptions& o) {
    Program& p = *q;
    p.caseFile = loadInput(o.casePath, MAX_RUN_INPUT_BYTES, "the run input");
    // Every temperature uses the content the file had when the sweep started.
    loadModel(p, o.model);
    readSweepCase(p, o.casePath, [](Program& read) { readCase(read); });
    takeModelChoices(p, o.model);
}

// The sweep table takes its name only when it is written whole: a sweep
// that cannot start, fails at the run input's conditions or is interrupted
// leaves the file of that name as it was. It may not be an input.
void openOutput(StagedFile& out, const SweepOptions& o, const Program& p) {
    refuseInputAsOutput("--out", o.outPath, runInputFiles(o.casePath, o.model.databasePath, p.activityModel.get()));
    std::string why;
    if (!out.open(o.outPath, why)) throw CannotStart{"cannot create " + o.outPath + ": " + why};
    out.removeOnInterrupt();
}

// The minerals of the estimate, from the run at the run input's conditions;
// the mineral that fixes aluminium in the reconstructed fluid is no default.
void chooseMinerals(const Program& p, SweepResult& s, const SweepOptions& o, FluidPlan& plan,
                    std::vector<std::string>& notes) {
    const Results& first = *s.rows.front().results;
    std::set<std::string> forced = forcedMineralNames(first);
    const std::vector<std::string> known = mineralNames(first);
    checkFluidPlan(plan, p, known);
    if (!plan.aluminiumMineral.empty()) forced.insert(plan.aluminiumMineral);
    s.chosen = o.minerals.empty() ? defaultMinerals(known, forced) : namedMinerals(p, o.minerals, known);
    for (const std::string& m : s.chosen)
        if (forced.count(m))
            notes.push_back(m + " fixes a total, so its log Q/K is held at its target at every temperature and "
                                "tells nothing of the reservoir");
}

// The chain of runs of the analysis as sampled: the run input's conditions,
// then every temperature. `sampled` keeps the state the first run handed on,
// from which a reconstructed fluid starts.
FrontEndExit runChain(Program& p, SweepResult& s, const SweepOptions& o, FluidPlan& plan,
                      const std::vector<double>& temperatures, Sink& console, std::unique_ptr<CarriedState>& sampled,
                      std::vector<std::string>& notes, const std::atomic<bool>& stop) {
    const ListingHooks listing(p);
    s.rows.push_back(computeRow(p, true, listing.hooks()));
    writeSweepRow(s.rows.back(), console);
    if (!s.rows.back().converged()) return FrontEndExit::someFailed;
    chooseMinerals(p, s, o, plan, notes);
    prepareNextRun(p);
    sampled = std::make_unique<CarriedState>(p);
    const ChainHooks chain{listing.hooks(), [&console](const SweepRow& row) { writeSweepRow(row, console); }, &stop};
    return runTemperatures(p, temperatures, s.rows, chain) ? FrontEndExit::allConverged
                                                                      : FrontEndExit::someFailed;
}

// The estimate from the log Q/K of the chosen minerals at the sweep's temperatures.
void estimate(SweepResult& s) {
    for (const SweepRow& row : s.rows)
        if (!row.input) s.temperatures.push_back(row.temperature);
    s.chosenCurves = curvesOf(s.rows, s.chosen);
    s.estimate = estimateTemperature(s.temperatures, s.chosenCurves);
}

// The analysis as the run input gives it, before any run: mg per kg of
// water of the constituents the classical geothermometers read (the molar
// masses of IUPAC's standard atomic weights), and the Na-K-Ca temperature.
GivenAnalysis givenAnalysis(const Program& p) {
    const double kgw = p.comp[WATER_SLOT].mtot;
    const auto molality = [&](int dbNumber) {
        const int k = p.map.position(dbNumber);
        return k == 0 || !(kgw > 0.0) ? 0.0 : std::max(p.comp[k].mtot / kgw, 0.0);
    };
    GivenAnalysis a;
    a.silica = molality(db::SILICA) * 60.0843e3;
    a.sodium = molality(db::SODIUM) * 22.98977e3;
    a.potassium = molality(db::POTASSIUM) * 39.0983e3;
    a.magnesium = molality(db::MAGNESIUM) * 24.305e3;
    if (molality(db::CALCIUM) > 0.0 && a.sodium > 0.0 && a.potassium > 0.0)
        a.naKCa = naKCaSourceTemperature(molality(db::CALCIUM), molality(db::POTASSIUM), molality(db::SODIUM));
    return a;
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

namespace {

// The entries the sweep took beyond the temperatures of their data, each with
// the temperatures at which it did; "" when none.
std::string beyondDataNote(const std::vector<SweepRow>& rows) {
    std::vector<std::pair<std::string, std::pair<double, double>>> spans;  // database order of first use
    for (const SweepRow& row : rows) {
        if (!row.results) continue;
        for (const std::string& entry : row.results->beyondData) {
            auto at = std::find_if(spans.begin(), spans.end(), [&](const auto& s) { return s.first == entry; });
            if (at == spans.end()) {
                spans.push_back({entry, {row.temperature, row.temperature}});
            } else {
                at->second.first = std::min(at->second.first, row.temperature);
                at->second.second = std::max(at->second.second, row.temperature);
            }
        }
    }
    std::string note;
    for (const auto& [entry, span] : spans) {
        note += note.empty() ? "log K extrapolated beyond the data of " : ", ";
        note += entry + " at " + shortestText(span.first) + " to " + shortestText(span.second) + " C";
    }
    return note;
}

}  // namespace

SweepRun computeSweep(Program& p, const SweepOptions& o, const std::vector<double>& temperatures, Sink& console,
                      const std::atomic<bool>& stop) {
    FluidPlan plan = fluidPlan(o);
    SweepRun run;
    if (addAluminiumTrace(p, plan))
        run.notes.push_back("the analysis has no Al+++: " + o.fixAl +
                            " fixes it from a trace of 1e-12 mol/kgw, which the analysis as sampled keeps");
    const ChainLogK logK(p, componentsOfRun(p));
    run.result = sweepOf(p, o);
    run.result.given = givenAnalysis(p);
    for (double t : temperatures) run.result.saturationAbove |= liquidPressure(p, t) > p.input.pressure;
    std::unique_ptr<CarriedState> sampled;
    run.status = runChain(p, run.result, o, plan, temperatures, console, sampled, run.notes, stop);
    if (const std::string note = beyondDataNote(run.result.rows); !note.empty()) run.notes.push_back(note);
    if (stop || !run.result.rows.front().converged()) return run;
    estimate(run.result);
    if (plan.asked() && !reconstructFluid(p, *sampled, plan, temperatures, run.result, console))
        run.status = FrontEndExit::someFailed;
    return run;
}

int runSweep(const SweepOptions& given) {
    return runFrontEnd([&] {
        SweepOptions o = given;
        if (o.model.databasePath.empty()) o.model.databasePath = defaultDatabaseFor(o.model.activity);
        Sink console(stdout, false, "standard output");
        QuietProgram q;
        loadProgram(q, o);
        const std::vector<double> temperatures = sweepTemperatures(o, q->input.extendedRun());
        StagedFile out;
        openOutput(out, o, *q);
        // Ctrl-C ends the program; the table is written only when whole.
        static const std::atomic<bool> never{false};
        const SweepRun run = computeSweep(*q, o, temperatures, console, never);
        for (const std::string& note : run.notes) std::fprintf(stderr, "wqspec: note: %s\n", note.c_str());
        const SweepResult& s = run.result;
        const FrontEndExit status = run.status;
        if (!s.rows.front().converged()) {
            std::fprintf(stderr, "wqspec: the run at the run input's conditions failed: %s\n",
                         s.rows.front().status.c_str());
            return status;
        }
        writeSweepEstimate(s, console);
        return commitTable(out, sweepTable(s), o.outPath, console, status);
    });
}

}  // namespace wq
