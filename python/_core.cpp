// The compiled half of the Python package wqspec: the table of waters given
// as values (app/table_of_waters.hpp) on a database read once, with the batch's
// options (wq::BatchOptions) and the GIL released while the workers solve.
// pandas stays on the Python side: this module takes lists of column names
// and cell texts and gives back the CSV records' cells as values, the
// numbers as float64 arrays (the very doubles the CSV writes with 17 digits),
// never written as text and read back.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/batch.hpp"
#include "app/front_end.hpp"
#include "app/table_of_waters.hpp"
#include "input/database_file.hpp"
#include "report/records.hpp"
#include "report/sweep_table.hpp"
#include "text/stop.hpp"

namespace py = pybind11;

namespace {

// A fault of the input: a table, template, database or option the batch refuses.
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

// The batch's options as the package gives them, on `database` (whose
// path the activity model reads its own data beside).
wq::BatchOptions onDatabase(wq::BatchOptions options, const Database& database) {
    options.databasePath = database.path;
    return options;
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

// The names of the header's text columns (`text`), or of its number columns.
std::vector<std::string> columnNames(const wq::RecordHeader& header, bool text) {
    std::vector<std::string> names;
    for (std::size_t c = 0; c < header.names.size(); ++c)
        if (header.text[c] == text) names.push_back(header.names[c]);
    return names;
}

// The records' cells as the waters come, by the kind of their column: the
// text cells column by column, the numbers record by record (NaN for a
// record without that cell).
class RecordCells {
public:
    explicit RecordCells(const wq::RecordHeader& header) : header_(header) {}

    void take(const std::vector<wq::RecordCell>& cells) {
        std::size_t t = 0;
        for (std::size_t c = 0; c < header_.names.size(); ++c) {
            const bool present = c < cells.size();
            if (header_.text[c]) {
                if (texts_.size() <= t) texts_.emplace_back();
                texts_[t++].push_back(present ? cells[c].text : "");
            } else {
                numbers_.push_back(present && cells[c].kind != wq::RecordCell::Kind::text ? cells[c].number
                                                                                           : std::nan(""));
            }
        }
    }

    // The text cells, one list per text column (empty lists without a water).
    std::vector<std::vector<std::string>> texts() const {
        std::vector<std::vector<std::string>> texts = texts_;
        texts.resize(columnNames(header_, true).size());
        return texts;
    }

    // The numbers as an array of one row per water.
    py::array_t<double> numbers(std::size_t waters) const {
        const std::size_t columns = columnNames(header_, false).size();
        py::array_t<double> array({waters, columns});
        std::copy(numbers_.begin(), numbers_.end(), array.mutable_data());
        return array;
    }

private:
    wq::RecordHeader header_;
    std::vector<std::vector<std::string>> texts_;
    std::vector<double> numbers_;
};

py::dict runTable(const std::vector<std::string>& columns, const std::vector<std::vector<std::string>>& rows,
                  const wq::BatchOptions& options, const Database& database, bool json) {
    const wq::TableOfWaters table{columns, rows};
    wq::TableOutcome outcome;
    std::optional<RecordCells> cells;
    {
        py::gil_scoped_release released;
        static const std::atomic<bool> never{false};
        // Each record's cells are taken on this thread as it comes, while the
        // workers compute the waters after it.
        wq::TableRunOptions run = tableRun(database, json);
        run.onWater = [&](const wq::RecordHeader& header, const wq::WaterOutcome& water) {
            if (!cells) cells.emplace(header);
            cells->take(water.cells);
        };
        outcome = guarded([&] { return wq::runTableOfWaters(table, onDatabase(options, database), run, never); });
        if (!cells) cells.emplace(outcome.header);
    }
    const wq::RecordHeader& header = outcome.header;
    py::dict result;
    result["header"] = header.names;
    result["numeric_columns"] = columnNames(header, false);
    result["text_columns"] = columnNames(header, true);
    result["texts"] = cells->texts();
    result["numbers"] = cells->numbers(outcome.waters.size());
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

py::dict recordHeader(const std::vector<std::string>& columns, const std::vector<std::vector<std::string>>& rows,
                      const wq::BatchOptions& options, const Database& database) {
    const wq::TableOfWaters table{columns, rows};
    wq::RecordHeader header;
    {
        py::gil_scoped_release released;
        header = guarded(
            [&] { return wq::recordHeader(table, onDatabase(options, database), tableRun(database, false)); });
    }
    py::dict result;
    result["header"] = header.names;
    result["text_columns"] = columnNames(header, true);
    return result;
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
                    const wq::BatchOptions& options, const Database& database, double from, double to, double step,
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
            return wq::sweepTableWater(table, onDatabase(options, database), tableRun(database, false), sweep);
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
    // The options of `wqspec batch`, by the names of its command line; the
    // database is the Database each call is given.
    py::class_<wq::BatchOptions>(m, "BatchOptions")
        .def(py::init<>())
        .def_readwrite("case", &wq::BatchOptions::casePath)
        .def_readwrite("activity", &wq::BatchOptions::activity)
        .def_readwrite("balance", &wq::BatchOptions::balance)
        .def_readwrite("columns", &wq::BatchOptions::columns)
        .def_readwrite("all_columns", &wq::BatchOptions::allColumns)
        .def_readwrite("jobs", &wq::BatchOptions::jobs)
        .def_property(
            "redox", [](const wq::BatchOptions& o) { return o.choices.redox; },
            [](wq::BatchOptions& o, const std::string& v) { o.choices.redox = v; })
        .def_property(
            "decouple", [](const wq::BatchOptions& o) { return o.choices.decouple; },
            [](wq::BatchOptions& o, const std::string& v) { o.choices.decouple = v; })
        .def_property(
            "suppress", [](const wq::BatchOptions& o) { return o.choices.suppress; },
            [](wq::BatchOptions& o, const std::string& v) { o.choices.suppress = v; });
    m.def("run_table", &runTable, py::arg("columns"), py::arg("rows"), py::arg("options"), py::arg("database"),
          py::arg("json"));
    m.def("record_header", &recordHeader, py::arg("columns"), py::arg("rows"), py::arg("options"),
          py::arg("database"));
    m.def("sweep_water", &sweepWater, py::arg("columns"), py::arg("row"), py::arg("options"), py::arg("database"),
          py::arg("t_from"), py::arg("t_to"), py::arg("step"), py::arg("minerals"));
}
