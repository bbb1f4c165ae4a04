// The compiled half of the Python package wqspec: the table of waters given
// as values (app/table_of_waters.hpp) on a database read once, with the batch's
// options (wq::BatchOptions) and the GIL released while the workers solve,
// which a Ctrl-C stops (watched). pandas stays on the Python side: this
// module takes the column names and the cells as texts, a chunk of rows at a
// time, and gives back the CSV records' cells as values, the numbers as
// float64 arrays (the very doubles the CSV writes with 17 digits), never
// written as text and read back.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <map>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "app/batch.hpp"
#include "app/front_end.hpp"
#include "app/model_options.hpp"
#include "app/table_of_waters.hpp"
#include "input/database_file.hpp"
#include "report/records.hpp"
#include "report/sweep_table.hpp"
#include "text/stop.hpp"
#include "table_cells.hpp"

namespace py = pybind11;

namespace {

using wqpy::columnNames;
using wqpy::TableCells;

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
    options.model.databasePath = database.path;
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

// Rows given column by column: the cells of each column for the same rows.
void addRows(wq::TableOfWaters& table, const std::vector<std::vector<std::string>>& cellsByColumn) {
    const std::size_t rows = cellsByColumn.empty() ? 0 : cellsByColumn.front().size();
    std::vector<std::string> row(cellsByColumn.size());
    for (std::size_t r = 0; r < rows; ++r) {
        for (std::size_t c = 0; c < row.size(); ++c) row[c] = cellsByColumn[c].at(r);
        table.addRow(row);
    }
}

// How often the calling thread looks for a signal while a long call runs:
// well within the half second after which a Ctrl-C seems ignored, and seldom
// enough to cost nothing (each look takes the GIL back for a moment).
constexpr std::chrono::milliseconds LOOK_EVERY{20};

// Runs `work` on a thread of its own, the GIL released, while the calling
// thread waits for it and every LOOK_EVERY takes the GIL back to call `look`
// and PyErr_CheckSignals. Python runs its signal handlers on its main thread
// only, so the watch must be on the thread that called (the main one when
// the call came from there) and the work elsewhere. When a handler raises
// (Ctrl-C: KeyboardInterrupt) or `look` fails, `stop` is set: the work ends
// after what is in progress (the batch's workers take no new water, a sweep
// no new temperature), its thread is joined, and the exception raised, with
// no thread left running.
template <class Work>
auto watched(std::atomic<bool>& stop, Work&& work, const std::function<void()>& look = {}) -> decltype(work()) {
    std::optional<decltype(work())> result;
    std::exception_ptr failed, raised;
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    const auto run = [&] {
        try {
            result.emplace(work());
        } catch (...) {
            failed = std::current_exception();
        }
        std::lock_guard<std::mutex> lock(mutex);
        done = true;
        ended.notify_one();
    };
    std::thread thread;
    {
        py::gil_scoped_release released;
        try {
            thread = std::thread(run);
        } catch (const std::system_error&) {
            run();  // no thread to be had: the work runs here, unwatched
        }
    }
    for (bool finished = false; !finished;) {
        {
            py::gil_scoped_release released;
            std::unique_lock<std::mutex> lock(mutex);
            finished = ended.wait_for(lock, LOOK_EVERY, [&] { return done; });
        }
        if (raised) continue;
        try {
            if (look) look();
            if (PyErr_CheckSignals() != 0) throw py::error_already_set();
        } catch (...) {
            raised = std::current_exception();
            stop = true;
        }
    }
    if (thread.joinable()) {
        py::gil_scoped_release released;
        thread.join();
    }
    if (raised) std::rethrow_exception(raised);
    if (failed) std::rethrow_exception(failed);
    return std::move(*result);
}

py::dict runTable(const wq::TableOfWaters& table, const wq::BatchOptions& options, const Database& database,
                  bool json) {
    std::atomic<bool> stop{false};
    TableCells cells(table.rowCount(), json);
    wq::TableRunOptions run = tableRun(database, json);
    run.onWater = [&](const wq::RecordHeader& header, const wq::WaterOutcome& water) { cells.take(header, water); };
    const auto solve = [&] {
        return guarded([&] { return wq::runTableOfWaters(table, onDatabase(options, database), run, stop); });
    };
    const wq::TableOutcome outcome = watched(stop, solve, [&] { cells.look(); });
    const wq::RecordHeader& header = outcome.header;
    py::dict result;
    result["header"] = header.names;
    result["numeric_columns"] = columnNames(header, false);
    result["text_columns"] = columnNames(header, true);
    cells.into(result, header);
    result["notes"] = outcome.notes;
    return result;
}

py::dict recordHeader(const wq::TableOfWaters& table, const wq::BatchOptions& options, const Database& database) {
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

// The table of the options every front end shares, as the package builds its
// keywords from it: each one's keyword, flag, default, kind and help.
py::list modelOptions() {
    static const char* const KINDS[] = {"text", "names", "database"};
    py::list table;
    for (const wq::ModelOptionEntry& entry : wq::modelOptionTable()) {
        py::dict d;
        d["keyword"] = std::string(entry.keyword);
        d["flag"] = std::string(entry.flag);
        d["default"] = wq::modelOptionValue(entry, {});
        d["kind"] = KINDS[static_cast<int>(entry.kind)];
        d["help"] = wq::modelOptionHelp(entry);
        table.append(d);
    }
    return table;
}

py::dict curveMinimum(const wq::CurveMinimum& m) {
    py::dict d;
    d["found"] = m.found;
    d["temperature"] = m.found ? m.temperature : std::nan("");
    d["value"] = m.found ? m.value : std::nan("");
    d["at_edge"] = m.atEdge;
    return d;
}

// The reconstruction's options by their keyword (as the command line's, with
// underscores), each a value or LO:HI as text.
void takeReconstruction(wq::SweepOptions& sweep, const std::map<std::string, std::string>& given) {
    const std::pair<const char*, std::string wq::SweepOptions::*> options[] = {
        {"steam_loss", &wq::SweepOptions::steamLoss},
        {"dilution", &wq::SweepOptions::dilution},
        {"add_co2", &wq::SweepOptions::addCO2},
        {"co2_steam", &wq::SweepOptions::co2Steam},
        {"h2s_steam", &wq::SweepOptions::h2sSteam},
        {"enthalpy", &wq::SweepOptions::enthalpy},
        {"separation_pressure", &wq::SweepOptions::separationPressure},
        {"separation_temperature", &wq::SweepOptions::separationTemperature},
        {"fix_al", &wq::SweepOptions::fixAl},
    };
    for (const auto& [name, member] : options)
        if (auto at = given.find(name); at != given.end()) sweep.*member = at->second;
}

py::dict profileEnd(const wq::ProfileEnd& end, const std::vector<wq::FluidParameter>& parameters) {
    py::dict d;
    d["temperature"] = end.temperature;
    d["at_edge"] = end.atEdge;
    py::dict values;
    for (const wq::FluidParameter& f : parameters) values[py::str(f.name)] = f.value;
    d["parameters"] = values;
    return d;
}

py::dict reconstructionOf(const wq::SweepReconstruction& r) {
    py::dict d;
    py::dict parameters;
    for (const wq::FluidParameter& f : r.parameters) parameters[py::str(f.name)] = f.value;
    d["parameters"] = parameters;
    d["rms_minimum"] = curveMinimum(r.fit.best.estimate.rmsMinimum);
    if (r.fit.profile.found) {
        d["uncertainty_low"] = profileEnd(r.fit.profile.low, r.profileLow);
        d["uncertainty_high"] = profileEnd(r.fit.profile.high, r.profileHigh);
    }
    d["fluids_computed"] = r.fit.evaluations;
    return d;
}

py::dict sweepWater(const wq::TableOfWaters& table, const wq::BatchOptions& options, const Database& database,
                    double from, double to, double step, const std::string& minerals,
                    const std::map<std::string, std::string>& reconstruction, bool reconstruct) {
    wq::SweepOptions sweep;
    sweep.from = from;
    sweep.to = to;
    sweep.step = step;
    sweep.minerals = minerals;
    takeReconstruction(sweep, reconstruction);
    sweep.reconstruct = reconstruct;
    std::atomic<bool> stop{false};
    std::string text;
    const wq::SweepRun run = watched(stop, [&] {
        wq::SweepRun swept = guarded([&] {
            return wq::sweepTableWater(table, onDatabase(options, database), tableRun(database, false), sweep, stop);
        });
        if (!stop && swept.result.rows.front().converged()) text = wq::sweepTable(swept.result);
        return swept;
    });
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
    if (run.result.reconstruction) estimate["reconstruction"] = reconstructionOf(*run.result.reconstruction);
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
    // shared ones by their keyword in the table of the front ends' options,
    // but the database, which is the Database each call is given.
    py::class_<wq::BatchOptions> options(m, "BatchOptions");
    options.def(py::init<>())
        .def_readwrite("case", &wq::BatchOptions::casePath)
        .def_readwrite("columns", &wq::BatchOptions::columns)
        .def_readwrite("all_columns", &wq::BatchOptions::allColumns)
        .def_readwrite("jobs", &wq::BatchOptions::jobs);
    for (const wq::ModelOptionEntry& entry : wq::modelOptionTable()) {
        if (entry.kind == wq::OptionKind::database) continue;
        options.def_property(
            entry.keyword.data(), [&entry](const wq::BatchOptions& o) { return wq::modelOptionValue(entry, o.model); },
            [&entry](wq::BatchOptions& o, const std::string& v) { entry.field(o.model) = v; });
    }
    m.def("model_options", &modelOptions);
    // A table built a chunk of rows at a time (add_rows: the chunk column by
    // column), so that its cells are Python texts for one chunk only; not to
    // be added to while a call runs on it.
    py::class_<wq::TableOfWaters>(m, "TableOfWaters")
        .def(py::init<const std::vector<std::string>&>(), py::arg("columns"))
        .def("add_rows", &addRows, py::arg("cells_by_column"))
        .def("__len__", &wq::TableOfWaters::rowCount);
    m.def("run_table", &runTable, py::arg("table"), py::arg("options"), py::arg("database"), py::arg("json"));
    m.def("record_header", &recordHeader, py::arg("table"), py::arg("options"), py::arg("database"));
    m.def("sweep_water", &sweepWater, py::arg("table"), py::arg("options"), py::arg("database"), py::arg("t_from"),
          py::arg("t_to"), py::arg("step"), py::arg("minerals"), py::arg("reconstruction"), py::arg("reconstruct"));
}
