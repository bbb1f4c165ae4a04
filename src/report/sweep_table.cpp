#include "report/sweep_table.hpp"

#include <algorithm>
#include <cmath>
#include <set>

#include "equilibria/geothermometers.hpp"
#include "input/db_numbers.hpp"
#include "report/record_fields.hpp"
#include "text/channels.hpp"
#include "text/csv.hpp"
#include "text/fields.hpp"
#include "text/number_text.hpp"

namespace wq {

namespace {

// Names as the sweep compares them with the ones a user types.
std::string nameOf(const std::string& name) { return std::string(withoutBlanksAround(name)); }

// A text right-aligned in `width` columns, or whole when longer.
std::string right(std::string text, std::size_t width) {
    return text.size() < width ? std::string(width - text.size(), ' ') + text : text;
}

// A text left-aligned in `width` columns, or whole when longer.
std::string left(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

std::string joined(const std::vector<std::string>& names, const char* separator) {
    std::string s;
    for (const std::string& n : names) {
        if (!s.empty()) s += separator;
        s += n;
    }
    return s;
}

// The columns: every mineral of every run, in the order they first appear.
std::vector<std::string> mineralColumns(const std::vector<SweepRow>& rows) {
    std::vector<std::string> columns;
    std::set<std::string> seen;
    for (const SweepRow& row : rows)
        if (row.results)
            for (const MineralRow& m : row.results->minerals)
                if (seen.insert(nameOf(m.name)).second) columns.push_back(nameOf(m.name));
    return columns;
}

std::string crossingsText(const SweepResult& s) {
    std::string text;
    for (std::size_t m = 0; m < s.chosen.size(); ++m) {
        std::string where;
        for (double t : zeroCrossings(s.temperatures, s.chosenCurves[m])) {
            if (!where.empty()) where += " and ";
            where += fixedText(t, 1) + " C";
        }
        if (m > 0) text += "; ";
        text += s.chosen[m] + " " + (where.empty() ? "none" : where);
    }
    return text;
}

std::string minimumText(const char* what, const CurveMinimum& m) {
    std::string s = std::string(what) + " smallest at T = " + fixedText(m.temperature, 1) + " C (" +
                    fixedText(m.value, 3) + ")";
    if (m.atEdge) s += " at the edge of the sweep: the minimum may lie beyond it";
    return s;
}

// The parameters of a fluid, "; " between them; `origins`: with how each was had.
std::string parametersText(const std::vector<FluidParameter>& list, bool origins) {
    std::string text;
    for (const FluidParameter& p : list) {
        if (!text.empty()) text += "; ";
        text += p.name + " " + significantText(p.value, 3) + (p.unit.empty() ? "" : " " + p.unit);
        if (!origins) continue;
        if (p.origin == FluidParameter::Origin::sought)
            text += " (sought from " + significantText(p.low, 3) + " to " + significantText(p.high, 3) + ")";
        else
            text += p.origin == FluidParameter::Origin::given ? " (given)" : " (" + p.derivation + ")";
    }
    return text;
}

std::string profileEndText(const ProfileEnd& end, const std::vector<FluidParameter>& parameters) {
    std::string t = fixedText(end.temperature, 1) + " C";
    if (end.atEdge) t += " (the edge of the sweep)";
    const std::string values = parametersText(parameters, false);
    return values.empty() ? t : t + " (" + values + ")";
}

// The uncertainty of the reconstructed fluid's temperature.
std::string profileText(const SweepReconstruction& r) {
    const TemperatureProfile& p = r.fit.profile;
    if (!p.found) return "no uncertainty: no temperature at which every chosen mineral has a log Q/K";
    return "uncertainty: the RMS can be brought within " + fixedText(PROFILE_THRESHOLD, 2) +
           " of its best by the parameters within their bounds from " + profileEndText(p.low, r.profileLow) +
           " to " + profileEndText(p.high, r.profileHigh);
}

std::string readingText(std::string_view name, double temperature) {
    return std::string(name) + " " + (std::isfinite(temperature) ? fixedText(temperature, 0) + " C" : "none");
}

// The place of temperature t among those of an estimate; their count when
// it is not one of them.
std::size_t placeOf(const std::vector<double>& temperatures, double t) {
    return static_cast<std::size_t>(std::find(temperatures.begin(), temperatures.end(), t) - temperatures.begin());
}

std::string headLines(const SweepResult& s) {
    const Results& first = *s.rows.front().results;
    std::string t = "# wqspec sweep: " + nameOf(s.title1) + "\n";
    t += "# " + nameOf(s.title2) + "\n";
    t += "# runs: ";
    t += s.extended ? "extended, at " + fixedText(s.pressure, 3) + " bar" : "on the liquid-vapour saturation curve";
    if (s.saturationAbove) t += ", or the saturation pressure where it is higher (liquid water)";
    t += "; T from " + shortestText(s.from) + " to " + shortestText(s.to) + " C in steps of " + shortestText(s.step) +
         " C; the first row is the run at the run input's conditions\n";
    t += "# activity model: " + activityModelText(first) + "\n";
    t += "# chosen minerals: " + joined(s.chosen, "; ") + "\n";
    for (const ForcedRow& f : first.forced)
        t += "# forced mineral: " + nameOf(f.mineral) + " fixes " + nameOf(f.component) + " at log Q/K " +
             fixedText(f.target, 3) + "\n";
    if (first.sourceTemperatureShown)
        t += "# Na-K-Ca temperature: " + fixedText(first.sourceTemperature, 1) + " C (Fournier & Truesdell 1973)\n";
    t += "# geothermometers of the analysis as given (before any charge balance): " + geothermometersText(s.given) +
         "\n";
    t += "# log Q/K = 0: " + crossingsText(s) + "\n";
    t += estimateLine(s.estimate) + "\n";
    if (s.reconstruction) t += reconstructionLines(*s.reconstruction, s.chosen);
    return t;
}

}  // namespace

std::string geothermometersText(const GivenAnalysis& a) {
    std::string text;
    if (!std::isnan(a.naKCa)) text = readingText("Na-K-Ca", a.naKCa);
    const std::vector<GeothermometerReading> readings =
        classicalGeothermometers(a.silica, a.sodium, a.potassium, a.magnesium);
    for (const GeothermometerReading& g : readings) {
        if (!text.empty()) text += ", ";
        text += readingText(g.name, g.temperature);
        if (std::isfinite(g.temperature) && !g.inRange())
            text += " (outside its " + fixedText(g.validFrom, 0) + "-" + fixedText(g.validTo, 0) + " C)";
    }
    return text.empty() ? "none (the water lacks silica, sodium and potassium)" : text;
}

std::string estimateLine(const TemperatureEstimate& e) { return "# estimate: " + estimateText(e); }

std::string reconstructionLines(const SweepReconstruction& r, const std::vector<std::string>& chosen) {
    std::string parameters = parametersText(r.parameters, true);
    if (!r.aluminiumMineral.empty())
        parameters += std::string(parameters.empty() ? "" : "; ") + "Al+++ fixed by " + r.aluminiumMineral +
                      " at every temperature, its charge balanced on H+";
    std::string t;
    if (!r.discharge.empty()) t += "# discharge: " + r.discharge + "\n";
    t += "# reconstruction: " + parameters + "\n";
    t += "# reconstruction: " + estimateText(r.fit.best.estimate) + "\n";
    t += "# reconstruction: " + profileText(r) + "\n";
    std::string spread = "# reconstruction: ";
    if (r.fit.spreadFound) {
        spread += "diagnostic, not an uncertainty: with one mineral left out in turn the RMS is smallest from " +
                  fixedText(r.fit.spreadLow, 1) + " to " + fixedText(r.fit.spreadHigh, 1) + " C (";
        for (std::size_t m = 0; m < r.fit.leftOut.size() && m < chosen.size(); ++m) {
            const CurveMinimum& minimum = r.fit.leftOut[m].estimate.rmsMinimum;
            spread += (m > 0 ? ", " : "") + chosen[m] + " out " +
                      (minimum.found ? fixedText(minimum.temperature, 1) + " C" : std::string("none"));
        }
        spread += ")";
    } else {
        spread += "no mineral left out: it needs three minerals or more";
    }
    return t + spread + "; " + std::to_string(r.fit.evaluations) + " fluids computed over the sweep\n";
}

std::string estimateText(const TemperatureEstimate& e) {
    if (!e.medianMinimum.found) return "none (no temperature at which every chosen mineral has a log Q/K)";
    std::string s = minimumText("median |log Q/K|", e.medianMinimum) + "; " +
                    minimumText("RMS log Q/K", e.rmsMinimum) + "; RMS within " + fixedText(RMS_TOLERANCE, 1) +
                    " of its minimum for T = " + fixedText(e.rmsRange.low, 1) + " to " + fixedText(e.rmsRange.high, 1) +
                    " C";
    if (e.rmsRange.openLow || e.rmsRange.openHigh) s += " (reaching the edge of the sweep)";
    return s + "; " + std::to_string(e.minerals) + " minerals";
}

ValueTable sweepColumns(const SweepResult& s) {
    ValueTable t;
    const std::vector<std::string> minerals = mineralColumns(s.rows);
    t.header = {"run", "status", "loops", "T [C]", "P [bar]", "pH", "I [mol/kgw]", "median |SI| chosen", "RMS SI chosen"};
    t.text = {true, true};
    for (const std::string& m : minerals) t.header.push_back("SI(" + m + ")");
    t.text.resize(t.header.size(), false);
    for (const SweepRow& row : s.rows) {
        const Results* r = row.results ? &*row.results : nullptr;
        const bool ok = row.converged();
        std::vector<RecordCell> cells = {textCell(row.input ? "input" : row.reconstructed ? "reconstructed" : "sweep"),
                                         textCell(row.status),
                                         wholeCell(r ? r->loops : NAN),
                                         numberCell(row.temperature),
                                         numberCell(row.pressure),
                                         numberCell(ok ? r->pH : NAN),
                                         numberCell(ok ? r->ionicStrength : NAN)};
        const TemperatureEstimate& e = row.reconstructed ? s.reconstruction->fit.best.estimate : s.estimate;
        const std::size_t at = row.input ? e.temperatures.size() : placeOf(e.temperatures, row.temperature);
        const bool estimated = at < e.temperatures.size();
        cells.push_back(numberCell(estimated ? e.medianAbs[at] : NAN));
        cells.push_back(numberCell(estimated ? e.rms[at] : NAN));
        for (const std::string& m : minerals) cells.push_back(numberCell(row.saturationIndex(m)));
        t.rows.push_back(std::move(cells));
    }
    return t;
}

std::string sweepTable(const SweepResult& s) { return headLines(s) + csvLines(sweepColumns(s)); }

void writeSweepRow(const SweepRow& row, Sink& console) {
    std::string line = "  " + left(row.input ? "input" : "sweep", 6) + " T = " + right(fixedText(row.temperature, 2), 7) +
                       " C  P = " + right(fixedText(row.pressure, 3), 8) + " bar  ";
    if (row.converged())
        line += "pH " + right(fixedText(row.results->pH, 3), 6) + "  " + right(std::to_string(row.results->loops), 3) +
                " loops";
    else
        line += row.status;
    console.put(line + "\n");
    console.flush();
}

void writeSweepEstimate(const SweepResult& s, Sink& console) {
    const TemperatureEstimate& e = s.estimate;
    std::string text = "\nEstimate from " + std::to_string(s.chosen.size()) + " minerals: " + joined(s.chosen, ", ") + "\n";
    if (!e.medianMinimum.found) {
        text += "  none: no temperature at which every chosen mineral has a log Q/K\n";
    } else {
        const auto minimum = [](const char* what, const CurveMinimum& m) {
            return "  " + left(what, 26) + " smallest at " + right(fixedText(m.temperature, 1), 6) + " C (" +
                   fixedText(m.value, 3) + ")" + (m.atEdge ? ", at the edge of the sweep" : "") + "\n";
        };
        text += minimum("median |log Q/K|", e.medianMinimum);
        text += minimum("root mean square log Q/K", e.rmsMinimum);
        text += "  RMS within " + fixedText(RMS_TOLERANCE, 1) + " of its minimum from " + fixedText(e.rmsRange.low, 1) +
                " to " + fixedText(e.rmsRange.high, 1) + " C" +
                (e.rmsRange.openLow || e.rmsRange.openHigh ? " (reaching the edge of the sweep)" : "") + "\n";
    }
    const Results& first = *s.rows.front().results;
    if (first.sourceTemperatureShown)
        text += "  Na-K-Ca temperature (Fournier & Truesdell 1973): " + fixedText(first.sourceTemperature, 0) + " C\n";
    text += "  geothermometers of the analysis as given (before any charge balance): " +
            geothermometersText(s.given) + "\n";
    text += "  log Q/K = 0: " + crossingsText(s) + "\n";
    if (s.reconstruction) {
        std::string lines = reconstructionLines(*s.reconstruction, s.chosen);
        for (const char* head : {"# reconstruction: ", "# discharge: "})
            for (std::size_t at = 0; (at = lines.find(head, at)) != std::string::npos;) lines.replace(at, 2, "  ");
        text += "\nThe reconstructed fluid\n" + lines;
    }
    console.put(text);
}

}  // namespace wq
