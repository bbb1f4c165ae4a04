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

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/batch.hpp"
#include "app/front_end.hpp"
#include "app/model_options.hpp"
#include "app/react.hpp"
#include "app/table_of_waters.hpp"
#include "input/database_file.hpp"
#include "report/reaction_table.hpp"
#include "report/records.hpp"
#include "report/sweep_table.hpp"
#include "text/stop.hpp"
#include "path_values.hpp"
#include "table_cells.hpp"
#include "watch.hpp"
#include "wqspec_version.hpp"

namespace py = pybind11;

namespace {

using wqpy::columnNames;
using wqpy::TableCells;
using wqpy::both;
using wqpy::progressLook;
using wqpy::watched;

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
    // Every water from its cold start: a frame is then the same however it
    // is cut into partitions (dask), whose chunks start where the whole
    // table's do not.
    options.coldStart = true;
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

py::dict runTable(const wq::TableOfWaters& table, const wq::BatchOptions& options, const Database& database,
                  bool json, const py::object& progress) {
    std::atomic<bool> stop{false};
    TableCells cells(table.rowCount(), json);
    wq::TableRunOptions run = tableRun(database, json);
    run.onWater = [&](const wq::RecordHeader& header, const wq::WaterOutcome& water) { cells.take(header, water); };
    const auto solve = [&] {
        return guarded([&] { return wq::runTableOfWaters(table, onDatabase(options, database), run, stop); });
    };
    const std::function<void()> report = progressLook(progress, [&] { return cells.taken(); }, table.rowCount());
    const wq::TableOutcome outcome = watched(stop, solve, both([&] { cells.look(); }, report));
    if (report) report();
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

py::dict sweepWater(const wq::TableOfWaters& table, const wq::BatchOptions& options, const Database& database,
                    double from, double to, double step, const std::string& minerals,
                    const std::map<std::string, std::string>& reconstruction, bool reconstruct,
                    const py::object& progress) {
    wq::SweepOptions sweep;
    sweep.from = from;
    sweep.to = to;
    sweep.step = step;
    sweep.minerals = minerals;
    takeReconstruction(sweep, reconstruction);
    sweep.reconstruct = reconstruct;
    std::atomic<bool> stop{false};
    wq::ValueTable values;
    wqpy::LineCounter lines;
    // A line per temperature and the run at the water's own conditions; a
    // reconstruction computes more, which the count does not know ahead.
    const double temperatures = step > 0.0 && to >= from ? std::floor((to - from) / step + 1e-6) + 2.0 : 1.0;
    const std::function<void()> look = progressLook(progress, [&] { return lines.lines(); },
                                                    static_cast<std::size_t>(std::min(temperatures, 1e6)));
    const wq::SweepRun run = watched(stop, [&] {
        wq::Sink console(lines.stream(), true, "the sweep's progress");
        wq::SweepRun swept = guarded([&] {
            return wq::sweepTableWater(table, onDatabase(options, database), tableRun(database, false), sweep, stop,
                                       &console);
        });
        if (!stop && swept.result.rows.front().converged()) values = wq::sweepColumns(swept.result);
        return swept;
    }, look);
    if (look) look();
    const wq::SweepRow& first = run.result.rows.front();
    if (!first.converged()) throw InputFault{"the run at the water's own conditions failed: " + first.status};
    py::dict result = wqpy::columnsOf(values);
    result["estimate"] = wqpy::estimateOf(run.result);
    result["all_converged"] = run.status == wq::FrontEndExit::allConverged;
    result["notes"] = run.notes;
    return result;
}

py::dict evaporateWater(const wq::TableOfWaters& table, const wq::BatchOptions& options, const Database& database,
                        const wq::EvaporateOptions& path, const py::object& progress) {
    std::atomic<bool> stop{false};
    wqpy::LineCounter lines;
    // A line per step and the starting water.
    const std::function<void()> look = progressLook(
        progress, [&] { return lines.lines(); }, static_cast<std::size_t>(std::max(path.steps, 0)) + 1);
    const wq::EvaporationRun run = watched(stop, [&] {
        wq::Sink console(lines.stream(), true, "the path's progress");
        return guarded([&] {
            return wq::evaporateTableWater(table, onDatabase(options, database), tableRun(database, false), path,
                                           stop, &console);
        });
    }, look);
    if (look) look();
    const wq::EvaporationStep& first = run.path.steps.front();
    if (!first.converged()) throw InputFault{"the run of the starting water failed: " + first.status};
    return wqpy::evaporationOf(run);
}

// The records a path makes, the start's first: its progress in all.
std::size_t recordsOf(const wq::ReactionPath& path) {
    std::size_t records = 1;
    for (const wq::PathStep& s : path.steps) {
        if (s.kind == wq::StepKind::mix)
            records += s.mix.fractions.size();
        else if (s.kind == wq::StepKind::add)
            records += static_cast<std::size_t>(s.add.increments);
        else if (s.kind == wq::StepKind::temperature)
            records += static_cast<std::size_t>(s.temperature.steps) + 1;
        else
            records += 1;
    }
    return records;
}

// A reaction path as `wqspec react` computes it, from the path file `file`
// read as the command line reads it, or from `text` (a path file's content
// named `file`, whose folder its relative names are taken from); its table
// as values (the command line's CSV table), its titles and activity model.
py::dict reactPath(const std::string& file, const std::optional<std::string>& text, const wq::BatchOptions& options,
                   const Database& database, const py::object& progress) {
    wq::ReactOptions react;
    react.pathFile = file;
    react.model = options.model;
    react.model.databasePath = database.path;
    const wq::ReactionPath path = guarded([&] { return text ? wq::readPathText(*text, file) : wq::readPathFile(file); });
    std::atomic<bool> stop{false};
    wqpy::LineCounter lines;
    const std::function<void()> look = progressLook(progress, [&] { return lines.lines(); }, recordsOf(path));
    const wq::ReactionRun run = watched(stop, [&] {
        wq::Sink console(lines.stream(), true, "the path's progress");
        return guarded([&] {
            wq::QuietProgram q;
            wq::loadPathStart(q, path, react);
            return wq::computeReaction(q, path, react, console, stop);
        });
    }, look);
    if (look) look();
    if (!run.startFailure.empty()) throw InputFault{"the run of the starting water failed: " + run.startFailure};
    py::dict result = wqpy::columnsOf(wq::reactionColumns(run.result));
    result["title"] = std::vector<std::string>{run.result.title1, run.result.title2};
    result["activity_model"] = wq::activityModelText(*run.result.records.front().results);
    result["all_converged"] = run.status == wq::FrontEndExit::allConverged;
    return result;
}

}  // namespace

PYBIND11_MODULE(_core, m) {
    m.doc() = "wqspec's C++ core: tables of waters solved as by `wqspec batch`";
    m.attr("__version__") = WQSPEC_VERSION;
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
        .def_readwrite("jobs", &wq::BatchOptions::jobs)
        .def_readwrite("below_detection", &wq::BatchOptions::belowDetection)
        .def_readwrite("strict", &wq::BatchOptions::strict)
        .def_readwrite("density", &wq::BatchOptions::density);
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
    m.def("run_table", &runTable, py::arg("table"), py::arg("options"), py::arg("database"), py::arg("json"),
          py::arg("progress") = py::none());
    m.def("record_header", &recordHeader, py::arg("table"), py::arg("options"), py::arg("database"));
    m.def("sweep_water", &sweepWater, py::arg("table"), py::arg("options"), py::arg("database"), py::arg("t_from"),
          py::arg("t_to"), py::arg("step"), py::arg("minerals"), py::arg("reconstruction"), py::arg("reconstruct"),
          py::arg("progress") = py::none());
    // The options of `wqspec evaporate`, by the names of its command line.
    py::class_<wq::EvaporateOptions>(m, "EvaporateOptions")
        .def(py::init<>())
        .def_readwrite("to", &wq::EvaporateOptions::to)
        .def_readwrite("steps", &wq::EvaporateOptions::steps)
        .def_readwrite("precipitation", &wq::EvaporateOptions::precipitate)
        .def_readwrite("fractional", &wq::EvaporateOptions::fractional)
        .def_readwrite("minerals", &wq::EvaporateOptions::minerals);
    m.def("evaporate_water", &evaporateWater, py::arg("table"), py::arg("options"), py::arg("database"),
          py::arg("path"), py::arg("progress") = py::none());
    m.def("react_path", &reactPath, py::arg("file"), py::arg("text"), py::arg("options"), py::arg("database"),
          py::arg("progress") = py::none());
}
