#include "app/sweep.hpp"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/dialogue.hpp"
#include "app/program.hpp"
#include "app/front_end.hpp"
#include "app/run_sequence.hpp"
#include "grid/grid.hpp"
#include "input/database_file.hpp"
#include "input/run_input.hpp"
#include "report/estimate.hpp"
#include "report/records.hpp"
#include "report/results.hpp"
#include "text/csv.hpp"
#include "text/number_text.hpp"
#include "text/staged_file.hpp"
#include "text/stop.hpp"
#include "text/textfile.hpp"

namespace wq {

const char* const DEFAULT_RESERVOIR_MINERALS[] = {
    "Quartz",     "Chalcedony", "Albite,low", "K-Feldspar", "Muscovite", "Calcite",  "Laumontite", "Wairakite",
    "Clinochlore,14A", "Epidote", "Prehnite", "Anhydrite", "Fluorite", "Illite",   nullptr,
};

namespace {

// The most temperatures one sweep computes.
constexpr std::size_t MAX_TEMPERATURES = 10000;

std::string trimmed(std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    return std::string(s);
}

// from, from + step, ... up to `to` (a last step that overshoots `to` by less
// than a millionth of a step still counts, against rounding).
std::vector<double> sweepTemperatures(const SweepOptions& o, bool extended) {
    if (!std::isfinite(o.from) || !std::isfinite(o.to) || !std::isfinite(o.step))
        throw CannotStart{"--from, --to and --step must be numbers"};
    if (o.step <= 0.0) throw CannotStart{"--step must be above 0 (it is " + csvNumber(o.step) + ")"};
    if (o.from > o.to)
        throw CannotStart{"--from (" + csvNumber(o.from) + " C) is above --to (" + csvNumber(o.to) + " C)"};
    // Saturation runs follow the liquid-vapour curve; extended runs span the
    // temperature grid.
    const double lowest = extended ? GRID_TEMPERATURES.front() : SATURATION_RUN_LOWEST;
    const double highest = extended ? GRID_TEMPERATURES.back() : SATURATION_RUN_HIGHEST;
    if (o.from < lowest || o.to > highest)
        throw CannotStart{std::string(extended ? "an extended run" : "a run on the saturation curve") +
                          " takes temperatures from " + csvNumber(lowest) + " to " + csvNumber(highest) + " C; the sweep asks " +
                          csvNumber(o.from) + " to " + csvNumber(o.to) + " C"};
    const double steps = std::floor((o.to - o.from) / o.step + 1e-6);
    if (steps + 1.0 > double(MAX_TEMPERATURES))
        throw CannotStart{"the sweep would compute more than " + std::to_string(MAX_TEMPERATURES) +
                          " temperatures; take a larger --step"};
    std::vector<double> t;
    for (int k = 0; k <= int(steps); ++k) t.push_back(std::min(o.from + k * o.step, o.to));
    return t;
}

// What a run leaves for the next one is the program's CarriedState, kept
// whole; the mineral table, the Newton system and the interpolated data are
// rebuilt by every run.
void restoreChain(Program& p, const CarriedState& kept) {
    static_cast<CarriedState&>(p) = kept;
    p.grid.pressureFlag = 'N';
    p.grid.blockFlag = 'N';
}

struct Row {
    bool input = false;  // the run at the run input's own conditions
    double temperature = 0.0, pressure = 0.0;
    std::string status;
    std::optional<Results> results;
    bool converged() const { return results && results->converged; }
};

// One run at the program's current conditions; a STOP or a fault becomes the
// row's status.
Row computeRow(QuietProgram& q, bool input) {
    Program& p = *q;
    Row row;
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

void showRow(const Row& row) {
    std::printf("  %-6s T = %7.2f C  P = %8.3f bar  ", row.input ? "input" : "sweep", row.temperature, row.pressure);
    if (row.converged())
        std::printf("pH %6.3f  %3d loops\n", row.results->pH, row.results->loops);
    else
        std::printf("%s\n", row.status.c_str());
    std::fflush(stdout);
}

// The names of the minerals of a run, as in the database without the padding.
std::vector<std::string> mineralNames(const Results& r) {
    std::vector<std::string> names;
    for (const MineralRow& m : r.minerals) names.push_back(trimmed(m.name));
    return names;
}

std::set<std::string> forcedNames(const Results& r) {
    std::set<std::string> names;
    for (const ForcedRow& f : r.forced) names.insert(trimmed(f.mineral));
    return names;
}

bool inDatabase(const Program& p, const std::string& name) {
    const ParsedDatabase& db = p.database.parsed();
    if (!db.aqueous) return false;
    for (const MineralText& m : db.aqueous->minerals.entries)
        if (trimmed(m.name.view()) == name) return true;
    return false;
}

std::string unknownMineral(const Program& p, const std::string& name) {
    if (name.empty()) return "--minerals holds an empty name";
    if (inDatabase(p, name))
        return "mineral " + name + " is in " + p.database.parsed().name +
               " but not in this water's run: the water lacks one of its components, or its data do not reach " +
               fixedText(p.input.temperature, 2) + " C";
    return "unknown mineral " + name + ": not in " + p.database.parsed().name + " (names are spelled as there, case included)";
}

// NAME,NAME,... Some database names hold a comma themselves (Albite,low), so
// the pieces between commas are joined back where the joined name is a
// mineral of the run, the longest such name first.
std::vector<std::string> namedMinerals(const Program& p, const std::string& list, const std::vector<std::string>& known) {
    const std::set<std::string> names(known.begin(), known.end());
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t comma; (comma = list.find(',', start)) != std::string::npos; start = comma + 1)
        pieces.push_back(trimmed(std::string_view(list).substr(start, comma - start)));
    pieces.push_back(trimmed(std::string_view(list).substr(start)));
    std::vector<std::string> chosen;
    for (std::size_t i = 0; i < pieces.size();) {
        std::size_t end = pieces.size();
        std::string joined;
        for (; end > i; --end) {
            joined = pieces[i];
            for (std::size_t k = i + 1; k < end; ++k) joined += "," + pieces[k];
            if (names.count(joined)) break;
        }
        if (end == i) throw CannotStart{unknownMineral(p, pieces[i])};
        bool seen = false;
        for (const std::string& c : chosen) seen |= c == joined;
        if (!seen) chosen.push_back(joined);
        i = end;
    }
    return chosen;
}

std::vector<std::string> defaultMinerals(const std::vector<std::string>& known, const std::set<std::string>& forced) {
    const std::set<std::string> names(known.begin(), known.end());
    std::vector<std::string> chosen;
    for (const char* const* m = DEFAULT_RESERVOIR_MINERALS; *m; ++m)
        if (names.count(*m) && !forced.count(*m)) chosen.push_back(*m);
    return chosen;
}

std::string joined(const std::vector<std::string>& names, const char* separator) {
    std::string s;
    for (const std::string& n : names) s += (s.empty() ? "" : separator) + n;
    return s;
}

// The columns: every mineral of every run, in the order they first appear.
std::vector<std::string> mineralColumns(const std::vector<Row>& rows) {
    std::vector<std::string> columns;
    std::set<std::string> seen;
    for (const Row& row : rows)
        if (row.results)
            for (const std::string& name : mineralNames(*row.results))
                if (seen.insert(name).second) columns.push_back(name);
    return columns;
}

double saturationOf(const Row& row, const std::string& mineral) {
    if (!row.converged()) return NAN;
    for (const MineralRow& m : row.results->minerals)
        if (trimmed(m.name) == mineral) return m.saturationIndex;
    return NAN;
}

struct Sweep {
    std::vector<Row> rows;  // the run at the run input's conditions first
    std::vector<std::string> chosen;
    std::set<std::string> forced;
    std::vector<double> temperatures;  // of the sweep's rows
    TemperatureEstimate estimate;
    std::vector<std::vector<double>> chosenCurves;  // [mineral][temperature]
};

void estimate(Sweep& s) {
    for (const Row& row : s.rows)
        if (!row.input) s.temperatures.push_back(row.temperature);
    for (const std::string& m : s.chosen) {
        std::vector<double> curve;
        for (const Row& row : s.rows)
            if (!row.input) curve.push_back(saturationOf(row, m));
        s.chosenCurves.push_back(std::move(curve));
    }
    s.estimate = estimateTemperature(s.temperatures, s.chosenCurves);
}

std::string crossingsText(const Sweep& s) {
    std::string text;
    for (std::size_t m = 0; m < s.chosen.size(); ++m) {
        std::vector<double> at = zeroCrossings(s.temperatures, s.chosenCurves[m]);
        std::string where;
        for (double t : at) where += (where.empty() ? "" : " and ") + fixedText(t, 1) + " C";
        text += (m ? "; " : "") + s.chosen[m] + " " + (where.empty() ? "none" : where);
    }
    return text;
}

std::string sweepTable(const Sweep& s, const Program& p, const SweepOptions& o) {
    const Results& first = *s.rows.front().results;
    std::string t = "# wqspec sweep: " + trimmed(p.input.title1.view()) + "\n";
    t += "# " + trimmed(p.input.title2.view()) + "\n";
    t += std::string("# runs: ") + (p.input.extendedRun() ? "extended, at " + fixedText(p.input.pressure, 3) + " bar" :
                                                            "on the liquid-vapour saturation curve") +
         "; T from " + shortestText(o.from) + " to " + shortestText(o.to) + " C in steps of " + shortestText(o.step) +
         " C; the first row is the run at the run input's conditions\n";
    t += "# chosen minerals: " + joined(s.chosen, "; ") + "\n";
    for (const ForcedRow& f : first.forced)
        t += "# forced mineral: " + trimmed(f.mineral) + " fixes " + trimmed(f.component) + " at log Q/K " +
             fixedText(f.target, 3) + "\n";
    if (first.sourceTemperatureShown)
        t += "# Na-K-Ca temperature: " + fixedText(first.sourceTemperature, 1) + " C (Fournier & Truesdell 1973)\n";
    t += "# log Q/K = 0: " + crossingsText(s) + "\n";
    t += estimateLine(s.estimate) + "\n";
    const std::vector<std::string> minerals = mineralColumns(s.rows);
    std::vector<std::string> header = {"run",         "status",          "loops",         "T [C]", "P [bar]", "pH",
                                       "I [mol/kgw]", "median |SI| chosen", "RMS SI chosen"};
    std::map<double, std::size_t> statistics;  // temperature -> its place in the estimate's curves
    for (std::size_t k = 0; k < s.estimate.temperatures.size(); ++k) statistics[s.estimate.temperatures[k]] = k;
    for (const std::string& m : minerals) header.push_back("SI(" + m + ")");
    t += csvLine(header);
    for (const Row& row : s.rows) {
        const Results* r = row.results ? &*row.results : nullptr;
        const bool ok = row.converged();
        std::vector<std::string> cells = {row.input ? "input" : "sweep", row.status, r ? std::to_string(r->loops) : "",
                                          csvNumber(row.temperature), csvNumber(row.pressure), ok ? csvNumber(r->pH) : "",
                                          ok ? csvNumber(r->ionicStrength) : ""};
        const auto at = row.input ? statistics.end() : statistics.find(row.temperature);
        cells.push_back(at == statistics.end() ? "" : csvNumber(s.estimate.medianAbs[at->second]));
        cells.push_back(at == statistics.end() ? "" : csvNumber(s.estimate.rms[at->second]));
        for (const std::string& m : minerals) cells.push_back(csvNumber(saturationOf(row, m)));
        t += csvLine(cells);
    }
    return t;
}

void showEstimate(const Sweep& s, const Results& first) {
    const TemperatureEstimate& e = s.estimate;
    std::printf("\nEstimate from %zu minerals: %s\n", s.chosen.size(), joined(s.chosen, ", ").c_str());
    if (!e.medianMinimum.found) {
        std::printf("  none: no temperature at which every chosen mineral has a log Q/K\n");
    } else {
        const auto show = [](const char* what, const CurveMinimum& m) {
            std::printf("  %-26s smallest at %6.1f C (%.3f)%s\n", what, m.temperature, m.value,
                        m.atEdge ? ", at the edge of the sweep" : "");
        };
        show("median |log Q/K|", e.medianMinimum);
        show("root mean square log Q/K", e.rmsMinimum);
        std::printf("  RMS within %.1f of its minimum from %.1f to %.1f C%s\n", RMS_TOLERANCE, e.rmsRange.low,
                    e.rmsRange.high, e.rmsRange.openLow || e.rmsRange.openHigh ? " (reaching the edge of the sweep)" : "");
    }
    if (first.sourceTemperatureShown)
        std::printf("  Na-K-Ca temperature (Fournier & Truesdell 1973): %.0f C\n", first.sourceTemperature);
    std::printf("  log Q/K = 0: %s\n", crossingsText(s).c_str());
}

void loadProgram(QuietProgram& q, const SweepOptions& o) {
    Program& p = *q;
    p.caseFile = loadInput(o.casePath, MAX_RUN_INPUT_BYTES, "the run input");
    // Every temperature uses the content the file had when the sweep started.
    p.database = DatabaseFile::ofParsed(databaseSnapshot(o.databasePath));
    try {
        readCase(p);
    } catch (const Stop& stopped) {
        throw CannotStart{o.casePath + " cannot be read: " + stopped.reason};
    }
    if (p.input.mineralsSwitch == 0)
        throw CannotStart{o.casePath + " does not ask for minerals (option 2 is 0); a sweep compares minerals"};
}

// The sweep table takes its name only when it is written whole: a sweep
// that cannot start, fails at the run input's conditions or is interrupted
// leaves the file of that name as it was. It may not be an input.
void openOutput(StagedFile& out, const SweepOptions& o) {
    for (const std::string* input : {&o.casePath, &o.databasePath})
        if (sameFile(o.outPath, *input))
            throw CannotStart{"--out " + o.outPath + " is an input of the sweep (" + *input + "); the table goes elsewhere"};
    std::string why;
    if (!out.open(o.outPath, why)) throw CannotStart{"cannot create " + o.outPath + ": " + why};
    out.removeOnInterrupt();
}

// The chain of runs: the run input's conditions, then every temperature.
FrontEndExit runChain(QuietProgram& q, Sweep& s, const SweepOptions& o, const std::vector<double>& temperatures) {
    Program& p = *q;
    s.rows.push_back(computeRow(q, true));
    showRow(s.rows.back());
    if (!s.rows.back().converged()) return FrontEndExit::someFailed;
    const Results& first = *s.rows.front().results;
    s.forced = forcedNames(first);
    const std::vector<std::string> known = mineralNames(first);
    s.chosen = o.minerals.empty() ? defaultMinerals(known, s.forced) : namedMinerals(p, o.minerals, known);
    for (const std::string& m : s.chosen)
        if (s.forced.count(m))
            std::fprintf(stderr, "wqspec: note: %s fixes a total, so its log Q/K is held at its target at every "
                                 "temperature and tells nothing of the reservoir\n", m.c_str());
    prepareNextRun(p);
    auto kept = std::make_unique<CarriedState>(p);
    bool lastFailed = false, anyFailed = false;
    for (double t : temperatures) {
        if (lastFailed) restoreChain(p, *kept);
        p.conditions.temperature = t;
        s.rows.push_back(computeRow(q, false));
        showRow(s.rows.back());
        lastFailed = !s.rows.back().converged();
        anyFailed |= lastFailed;
        if (lastFailed) continue;
        prepareNextRun(p);
        *kept = p;
    }
    return anyFailed ? FrontEndExit::someFailed : FrontEndExit::allConverged;
}

}  // namespace

int runSweep(const SweepOptions& o) {
    return runFrontEnd([&] {
        QuietProgram q;
        loadProgram(q, o);
        const std::vector<double> temperatures = sweepTemperatures(o, q->input.extendedRun());
        StagedFile out;
        openOutput(out, o);
        Sweep s;
        const FrontEndExit status = runChain(q, s, o, temperatures);
        if (!s.rows.front().converged()) {
            std::fprintf(stderr, "wqspec: the run at the run input's conditions failed: %s\n",
                         s.rows.front().status.c_str());
            return status;
        }
        estimate(s);
        showEstimate(s, *s.rows.front().results);
        const std::string table = sweepTable(s, *q, o);
        std::string why;
        errno = 0;
        if (std::fwrite(table.data(), 1, table.size(), out.file()) != table.size()) why = std::strerror(errno);
        if (!why.empty() || !out.commit(why)) {
            std::fprintf(stderr, "wqspec: cannot write %s: %s; an earlier file of that name is left as it was\n",
                         o.outPath.c_str(), why.c_str());
            return FrontEndExit::someFailed;
        }
        std::printf("Wrote %s.\n", o.outPath.c_str());
        return status;
    });
}

}  // namespace wq
