// The compiled half of the Python package wqspec: the table of waters given
// as values (app/table_of_waters.hpp) and the bundled database, with the
// GIL released while the workers solve. pandas stays on the Python side:
// this module takes lists of column names and cell texts and gives back the
// CSV records' cells as values, the numbers as float64 arrays (the very
// doubles the CSV writes with 17 digits), never written as text and read back.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/front_end.hpp"
#include "app/table_of_waters.hpp"
#include "input/database_file.hpp"
#include "report/sweep_table.hpp"
#include "report/records.hpp"
#include "text/stop.hpp"

namespace py = pybind11;

namespace {

// A fault of the input: a table, template or database the batch refuses.
struct InputFault {
    std::string what;
};

// The database read and checked once; every table run on it shares it.
struct Database {
    std::string path;
    std::shared_ptr<const wq::ParsedDatabase> parsed;
};

Database openDatabase(const std::string& path) {
    try {
        return {path, wq::databaseSnapshot(path)};
    } catch (const wq::CannotStart& e) {
        throw InputFault{e.what};
    }
}

// How a table runs on `database`; `json`: with each water's JSON record.
wq::TableRunOptions tableRun(const Database& database, bool json) {
    wq::TableRunOptions run;
    run.json = json;
    run.database = database.parsed;
    return run;
}

wq::BatchOptions batchOptions(const std::string& casePath, const Database& database, const std::string& jobs) {
    wq::BatchOptions o;
    o.casePath = casePath;
    o.databasePath = database.path;
    o.jobs = jobs;
    return o;
}

// The columns of the records that hold text; every other cell is a number.
bool textColumn(const std::string& column) {
    return column == "name" || column == "status" || column == "Eh couple";
}

// Runs a front end's work, a CannotStart or a STOP becoming an InputFault.
template <class Work>
auto guarded(Work&& work) {
    try {
        return work();
    } catch (const wq::CannotStart& e) {
        throw InputFault{e.what};
    } catch (const wq::Stop& e) {
        throw InputFault{e.reason};
    }
}

py::dict runTable(const std::vector<std::string>& columns, const std::vector<std::vector<std::string>>& rows,
                  const std::string& casePath, const Database& database, const std::string& jobs, bool json) {
    const wq::TableOfWaters table{columns, rows};
    const wq::BatchOptions options = batchOptions(casePath, database, jobs);
    wq::TableOutcome outcome;
    std::vector<std::size_t> numeric;
    std::vector<std::vector<std::string>> texts;
    std::vector<double> numbers;
    {
        py::gil_scoped_release released;
        static const std::atomic<bool> never{false};
        // Each record's cells are taken on this thread as it comes, while the
        // workers compute the waters after it.
        std::vector<std::size_t> text;
        wq::TableRunOptions run = tableRun(database, json);
        run.onWater = [&](const std::vector<std::string>& header, const wq::WaterOutcome& water) {
            if (text.empty() && numeric.empty()) {
                for (std::size_t c = 0; c < header.size(); ++c) (textColumn(header[c]) ? text : numeric).push_back(c);
                texts.assign(text.size(), {});
            }
            const std::vector<wq::RecordCell>& cells = water.cells;
            for (std::size_t k = 0; k < text.size(); ++k)
                texts[k].push_back(text[k] < cells.size() ? cells[text[k]].text : "");
            for (std::size_t k = 0; k < numeric.size(); ++k)
                numbers.push_back(numeric[k] < cells.size() && cells[numeric[k]].kind != wq::RecordCell::Kind::text
                                      ? cells[numeric[k]].number
                                      : std::nan(""));
        };
        outcome = guarded([&] { return wq::runTableOfWaters(table, options, run, never); });
        if (text.empty() && numeric.empty())  // no water: the columns all the same
            for (std::size_t c = 0; c < outcome.header.size(); ++c)
                (textColumn(outcome.header[c]) ? text : numeric).push_back(c);
        texts.resize(text.size());
    }
    py::dict result;
    result["header"] = outcome.header;
    std::vector<std::string> numericNames, textNames;
    for (std::size_t c = 0; c < outcome.header.size(); ++c)
        (textColumn(outcome.header[c]) ? textNames : numericNames).push_back(outcome.header[c]);
    result["numeric_columns"] = numericNames;
    result["text_columns"] = textNames;
    result["texts"] = texts;
    py::array_t<double> array({outcome.waters.size(), numeric.size()});
    std::copy(numbers.begin(), numbers.end(), array.mutable_data());
    result["numbers"] = array;
    std::vector<std::size_t> rowsOfWaters;
    std::vector<std::string> jsonRecords;
    std::vector<bool> converged;
    std::vector<std::string> faults;
    for (const wq::WaterOutcome& w : outcome.waters) {
        rowsOfWaters.push_back(w.row);
        faults.push_back(w.fault);
        converged.push_back(w.converged);
        if (json) jsonRecords.push_back(w.json);
    }
    result["rows"] = rowsOfWaters;
    result["converged"] = converged;
    result["faults"] = faults;
    result["json"] = jsonRecords;
    result["notes"] = outcome.notes;
    return result;
}

std::vector<std::string> recordHeader(const std::vector<std::string>& columns,
                                      const std::vector<std::vector<std::string>>& rows, const std::string& casePath,
                                      const Database& database) {
    const wq::TableOfWaters table{columns, rows};
    py::gil_scoped_release released;
    return guarded(
        [&] { return wq::recordHeader(table, batchOptions(casePath, database, ""), tableRun(database, false)); });
}

py::dict curveMinimum(const wq::CurveMinimum& m) {
    py::dict d;
    d["found"] = m.found;
    d["temperature"] = m.found ? m.temperature : std::nan("");
    d["value"] = m.found ? m.value : std::nan("");
    d["at_edge"] = m.atEdge;
    return d;
}

py::dict sweepWater(const std::vector<std::string>& columns, const std::vector<std::string>& row,
                    const std::string& casePath, const Database& database, double from, double to, double step,
                    const std::string& minerals) {
    const wq::TableOfWaters table{columns, {row}};
    wq::SweepOptions sweep;
    sweep.from = from;
    sweep.to = to;
    sweep.step = step;
    sweep.minerals = minerals;
    wq::SweepRun run;
    std::string text;
    {
        py::gil_scoped_release released;
        run = guarded([&] {
            return wq::sweepTableWater(table, batchOptions(casePath, database, ""), tableRun(database, false), sweep);
        });
        if (run.result.rows.front().converged()) text = wq::sweepTable(run.result);
    }
    const wq::SweepRow& first = run.result.rows.front();
    if (!first.converged()) throw InputFault{"the run at the water's own conditions failed: " + first.status};
    const wq::TemperatureEstimate& e = run.result.estimate;
    py::dict estimate;
    estimate["minerals"] = run.result.chosen;
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
    py::dict result;
    result["table"] = text;
    result["estimate"] = estimate;
    result["all_converged"] = run.status == wq::FrontEndExit::allConverged;
    result["notes"] = run.notes;
    return result;
}

}  // namespace

PYBIND11_MODULE(_core, m) {
    m.doc() = "wqspec's C++ core: tables of waters solved as by `wqspec batch`";
    static py::exception<InputFault> inputFault(m, "InputFault", PyExc_ValueError);
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const InputFault& e) {
            inputFault(e.what.c_str());
        }
    });
    py::class_<Database>(m, "Database")
        .def(py::init(&openDatabase), py::arg("path"), py::call_guard<py::gil_scoped_release>())
        .def_readonly("path", &Database::path);
    m.def("run_table", &runTable, py::arg("columns"), py::arg("rows"), py::arg("case"), py::arg("database"),
          py::arg("jobs"), py::arg("json"));
    m.def("record_header", &recordHeader, py::arg("columns"), py::arg("rows"), py::arg("case"), py::arg("database"));
    m.def("sweep_water", &sweepWater, py::arg("columns"), py::arg("row"), py::arg("case"), py::arg("database"),
          py::arg("t_from"), py::arg("t_to"), py::arg("step"), py::arg("minerals"));
}
