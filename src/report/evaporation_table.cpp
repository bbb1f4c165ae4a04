#include "report/evaporation_table.hpp"

#include <cmath>
#include <set>
#include <utility>

#include "report/record_fields.hpp"
#include "text/channels.hpp"
#include "text/csv.hpp"
#include "text/number_text.hpp"

namespace wq {

namespace {

// Every mineral of any step, in the order they first appear; the minerals
// precipitated at any step, likewise.
std::vector<std::string> mineralColumns(const std::vector<EvaporationStep>& steps) {
    std::vector<std::string> columns;
    std::set<std::string> seen;
    for (const EvaporationStep& step : steps)
        if (step.results)
            for (const MineralRow& m : step.results->minerals)
                if (seen.insert(m.name).second) columns.push_back(m.name);
    return columns;
}

std::vector<std::string> precipitatedColumns(const std::vector<EvaporationStep>& steps) {
    std::vector<std::string> columns;
    std::set<std::string> seen;
    for (const EvaporationStep& step : steps)
        for (const PrecipitatedAmount& a : step.precipitated)
            if (seen.insert(a.mineral).second) columns.push_back(a.mineral);
    return columns;
}

// The components of the starting water but water itself, whose mass the
// factor gives.
std::vector<std::string> brineColumns(const Results& first) {
    std::vector<std::string> columns;
    for (const ComponentRow& c : first.components)
        if (c.name != "H2O") columns.push_back(c.name);
    return columns;
}

std::string assemblageText(const EvaporationStep& step) {
    std::string text;
    for (const std::string& m : step.saturated) text += (text.empty() ? "" : "; ") + m;
    return text;
}

std::string pathText(EvaporationKind kind) {
    switch (kind) {
        case EvaporationKind::equilibrium:
            return "equilibrium: every mineral that reaches saturation precipitates and stays in contact with the "
                   "brine (it may dissolve again)";
        case EvaporationKind::fractional:
            return "fractional: every mineral that reaches saturation precipitates and leaves the brine at its step "
                   "(it cannot dissolve again; the next step starts from the brine alone)";
        case EvaporationKind::supersaturation:
            break;
    }
    return "supersaturation: the water is only concentrated, nothing precipitates";
}

std::string firstSaturationText(const EvaporationResult& path) {
    if (path.firstSaturations.empty()) return "none";
    std::string text;
    for (const FirstSaturation& f : path.firstSaturations)
        text += (text.empty() ? "" : "; ") + f.mineral + " at " + fixedText(f.factor, 2);
    return text;
}

std::string headLines(const EvaporationResult& path) {
    const Results& first = *path.steps.front().results;
    std::string t = "# wqspec evaporate: " + path.title1 + "\n";
    t += "# " + path.title2 + "\n";
    t += "# path: " + pathText(path.kind) + "\n";
    t += "# runs: " + fixedText(path.temperature, 2) + " C on the liquid-vapour saturation curve; concentration factor "
         "(the starting mass of water over the mass left) from 1 to " + shortestText(path.to) + " in " +
         std::to_string(path.stepCount) + " equal steps of its logarithm; the first row is the run input's water\n";
    t += "# activity model: " + activityModelText(first) + "\n";
    t += "# first saturation (concentration factor): " + firstSaturationText(path) + "\n";
    for (const std::string& note : path.notes) t += "# note: " + note + "\n";
    return t;
}

}  // namespace

ValueTable evaporationColumns(const EvaporationResult& path) {
    ValueTable t;
    const std::vector<std::string> minerals = mineralColumns(path.steps);
    const std::vector<std::string> precipitated = precipitatedColumns(path.steps);
    const std::vector<std::string> brine = brineColumns(*path.steps.front().results);
    t.header = {"concentration factor", "status", "kg water", "pH", "I [mol/kgw]", "a(H2O)", "saturated minerals"};
    t.text = {false, true, false, false, false, false, true};
    for (const std::string& m : minerals) t.header.push_back("SI(" + m + ")");
    for (const std::string& m : precipitated) t.header.push_back("precipitated(" + m + ") [mol/kg starting water]");
    for (const std::string& c : brine) t.header.push_back("brine(" + c + ") [mol/kg starting water]");
    const RecordCell blank = numberCell(NAN);
    for (const EvaporationStep& step : path.steps) {
        std::vector<RecordCell> cells = {numberCell(step.factor), textCell(step.status)};
        if (step.converged()) {
            const Results& r = *step.results;
            cells.insert(cells.end(), {numberCell(r.kgWater), numberCell(r.pH), numberCell(r.ionicStrength),
                                       numberCell(r.waterActivity), textCell(assemblageText(step))});
        } else {
            cells.insert(cells.end(), 4, blank);
            cells.push_back(textCell(""));
        }
        for (const std::string& m : minerals) {
            RecordCell cell = blank;
            if (step.converged())
                for (const MineralRow& row : step.results->minerals)
                    if (row.name == m) cell = numberCell(row.saturationIndex);
            cells.push_back(cell);
        }
        for (const std::string& m : precipitated) {
            double moles = 0.0;
            for (const PrecipitatedAmount& a : step.precipitated)
                if (a.mineral == m) moles = a.moles;
            cells.push_back(step.converged() ? numberCell(moles) : blank);
        }
        for (const std::string& c : brine) {
            RecordCell cell = blank;
            if (step.converged())
                for (const ComponentRow& row : step.results->components)
                    if (row.name == c) cell = numberCell(row.moles / path.startingWater);
            cells.push_back(cell);
        }
        t.rows.push_back(std::move(cells));
    }
    t.text.resize(t.header.size(), false);
    return t;
}

std::string evaporationTable(const EvaporationResult& path) {
    return headLines(path) + csvLines(evaporationColumns(path));
}

void writeEvaporationStep(const EvaporationStep& step, Sink& console) {
    std::string line = "  factor " + fixedText(step.factor, 3) + "  ";
    if (step.converged())
        line += "I " + fixedText(step.results->ionicStrength, 3) + "  a(H2O) " + fixedText(step.results->waterActivity, 4) +
                (step.saturated.empty() ? "" : "  saturated: " + assemblageText(step));
    else
        line += step.status;
    console.put(line + "\n");
    console.flush();
}

void writeEvaporationSummary(const EvaporationResult& path, Sink& console) {
    std::string text = "\nFirst saturation (concentration factor): " + firstSaturationText(path) + "\n";
    for (const std::string& note : path.notes) text += "Note: " + note + "\n";
    console.put(text);
    console.flush();
}

}  // namespace wq
