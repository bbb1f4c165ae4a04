// The chains of runs of the module _core (one translation unit) as Python
// values: a sweep's estimate and reconstruction, the tables of a sweep and of
// the paths (their cells, numbers as the very doubles they write), and the
// count of the lines a path shows as it goes, which is its progress.
#pragma once

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <sys/types.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/evaporate.hpp"
#include "app/sweep.hpp"
#include "report/evaporation_table.hpp"
#include "report/records.hpp"
#include "report/sweep_table.hpp"
#include "report/value_table.hpp"

namespace wqpy {

namespace py = pybind11;

// A stream that keeps nothing and counts the lines put to it: a path writes
// a line per run it has done (a temperature, a step), so the count is how far
// it has gone, read by the calling thread while the path runs on its own.
class LineCounter {
public:
    LineCounter() {
        static const cookie_io_functions_t counting{nullptr, &LineCounter::write, nullptr, nullptr};
        file_ = fopencookie(this, "w", counting);
        if (file_ != nullptr) std::setvbuf(file_, nullptr, _IONBF, 0);
    }
    LineCounter(const LineCounter&) = delete;
    LineCounter& operator=(const LineCounter&) = delete;
    // The stream for a Sink that owns it (closed with the sink); null when no
    // stream could be made, where a Sink drops what is put.
    std::FILE* stream() const { return file_; }
    std::size_t lines() const { return lines_.load(); }

private:
    static ssize_t write(void* self, const char* text, std::size_t size) {
        std::size_t ends = 0;
        for (std::size_t k = 0; k < size; ++k) ends += text[k] == '\n';
        static_cast<LineCounter*>(self)->lines_ += ends;
        return static_cast<ssize_t>(size);
    }

    std::FILE* file_ = nullptr;
    std::atomic<std::size_t> lines_{0};
};

inline py::dict curveMinimum(const wq::CurveMinimum& m) {
    py::dict d;
    d["found"] = m.found;
    d["temperature"] = m.found ? m.temperature : std::nan("");
    d["value"] = m.found ? m.value : std::nan("");
    d["at_edge"] = m.atEdge;
    return d;
}

inline py::dict parametersOf(const std::vector<wq::FluidParameter>& parameters) {
    py::dict values;
    for (const wq::FluidParameter& f : parameters) values[py::str(f.name)] = f.value;
    return values;
}

inline py::dict profileEnd(const wq::ProfileEnd& end, const std::vector<wq::FluidParameter>& parameters) {
    py::dict d;
    d["temperature"] = end.temperature;
    d["at_edge"] = end.atEdge;
    d["parameters"] = parametersOf(parameters);
    return d;
}

inline py::dict reconstructionOf(const wq::SweepReconstruction& r) {
    py::dict d;
    d["parameters"] = parametersOf(r.parameters);
    d["rms_minimum"] = curveMinimum(r.fit.best.estimate.rmsMinimum);
    if (r.fit.profile.found) {
        d["uncertainty_low"] = profileEnd(r.fit.profile.low, r.profileLow);
        d["uncertainty_high"] = profileEnd(r.fit.profile.high, r.profileHigh);
    }
    d["fluids_computed"] = r.fit.evaluations;
    return d;
}

// The estimate of a sweep whose run at the water's own conditions converged.
inline py::dict estimateOf(const wq::SweepResult& s) {
    const wq::TemperatureEstimate& e = s.estimate;
    py::dict estimate;
    estimate["minerals"] = s.chosen;
    estimate["rms_minimum"] = curveMinimum(e.rmsMinimum);
    estimate["median_minimum"] = curveMinimum(e.medianMinimum);
    py::dict range;
    range["found"] = e.rmsRange.found;
    range["low"] = e.rmsRange.found ? e.rmsRange.low : std::nan("");
    range["high"] = e.rmsRange.found ? e.rmsRange.high : std::nan("");
    range["open_low"] = e.rmsRange.openLow;
    range["open_high"] = e.rmsRange.openHigh;
    estimate["rms_range"] = range;
    estimate["line"] = wq::estimateLine(e);
    if (s.reconstruction) estimate["reconstruction"] = reconstructionOf(*s.reconstruction);
    return estimate;
}

// A table of values as the columns of a DataFrame: "header", the names in
// order, and "columns", each a list of its cells (a text column's as text; a
// number a float, NaN where the cell is blank; a whole number an int).
inline py::dict columnsOf(const wq::ValueTable& table) {
    py::dict columns;
    for (std::size_t c = 0; c < table.header.size(); ++c) {
        py::list cells;
        for (const std::vector<wq::RecordCell>& row : table.rows) {
            const wq::RecordCell& cell = row[c];
            if (table.text[c])
                cells.append(py::str(cell.text));
            else if (!std::isfinite(cell.number))
                cells.append(std::nan(""));
            else if (cell.kind == wq::RecordCell::Kind::whole)
                cells.append(static_cast<long long>(cell.number));
            else
                cells.append(cell.number);
        }
        columns[py::str(table.header[c])] = cells;
    }
    py::dict result;
    result["header"] = table.header;
    result["columns"] = columns;
    return result;
}

// An evaporation path whose first step converged: its table (columnsOf) and
// what the table's head says.
inline py::dict evaporationOf(const wq::EvaporationRun& run) {
    py::dict result = columnsOf(wq::evaporationColumns(run.path));
    py::list first;
    for (const wq::FirstSaturation& f : run.path.firstSaturations) first.append(py::make_tuple(f.mineral, f.factor));
    result["first_saturations"] = first;
    result["notes"] = run.path.notes;
    result["all_converged"] = run.status == wq::FrontEndExit::allConverged;
    return result;
}

}  // namespace wqpy
