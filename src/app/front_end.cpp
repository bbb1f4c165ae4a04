#include "app/front_end.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>
#include <type_traits>
#include <vector>

#include "activity/activity_model.hpp"
#include "input/database_file.hpp"
#include "text/stop.hpp"
#include "wqspec_paths.hpp"

namespace wq {

FrontEndExit commitTable(StagedFile& out, const std::string& table, const std::string& path, Sink& console,
                         FrontEndExit status) {
    std::string why;
    errno = 0;
    if (std::fwrite(table.data(), 1, table.size(), out.file()) != table.size()) why = std::strerror(errno);
    if (!why.empty() || !out.commit(why)) {
        std::fprintf(stderr, "wqspec: cannot write %s: %s; an earlier file of that name is left as it was\n",
                     path.c_str(), why.c_str());
        return FrontEndExit::someFailed;
    }
    console.put("Wrote " + path + ".\n");
    return status;
}

std::vector<CommandInput> runInputFiles(const std::string& casePath, const std::string& databasePath,
                                        const ActivityModel* model) {
    std::vector<CommandInput> inputs = {{"the run input", casePath}, {"the database", databasePath}};
    if (model)
        for (const std::string& data : model->dataFiles()) inputs.push_back({"the activity model's data", data});
    return inputs;
}

void refuseInputAsOutput(const std::string& option, const std::string& out, std::span<const CommandInput> inputs) {
    if (std::string input = inputNamedBy(out, inputs); !input.empty())
        throw CannotStart{option + " " + out + " is " + input + "; the results go elsewhere"};
}

int runFrontEnd(const std::function<FrontEndExit()>& body) {
    FrontEndExit status = FrontEndExit::allConverged;
    try {
        status = body();
    } catch (const CannotStart& e) {
        std::fprintf(stderr, "wqspec: %s\n", e.what.c_str());
        status = FrontEndExit::cannotStart;
    } catch (...) {
        const Ending ending = endingInFlight();
        std::fprintf(stderr, "wqspec: %s\n", ending.reason.c_str());
        status = ending.status == ExitStatus::internal ? FrontEndExit::internal : FrontEndExit::someFailed;
    }
    return static_cast<int>(status);
}

QuietProgram::QuietProgram() : prog_(std::make_unique<Program>()) { prog_->io.silence(); }

namespace {

// Slots 1..used of a table as a new table holds them.
template <class Entry, int Capacity>
void clearSlots(Table<Entry, Capacity>& table, int used) {
    const int last = std::clamp(used, 0, Capacity);
    std::fill(table.data(), table.data() + last, Entry{});
}

// The Newton system as a new one holds it, where a system of `order`
// unknowns can have written (the matrix with its column of residuals).
void clearNewton(NewtonSystem& n, int order) {
    order = std::clamp(order, 0, MAX_NEWTON_ORDER);
    for (int j = 1; j <= order + 1 && j <= MAX_NEWTON_ORDER + 1; ++j)
        for (int i = 1; i <= order; ++i) n.a(i, j) = 0.0;
    for (int j = 1; j <= order; ++j)
        for (int i = 1; i <= order; ++i) n.lu(i, j) = 0.0;
    clearSlots(n.f, order);
    clearSlots(n.x, order);
    clearSlots(n.pivot, order);
    clearSlots(n.b, order);
    clearSlots(n.r, order);
    n.order = 0;
}

// Every position of `table` as a new one holds it, from `blank`: new
// positions, as many.
template <class T>
void blankOver(GrowingTable<T>& table, GrowingTable<T>& blank) {
    static_assert(std::is_trivially_copyable_v<T>, "one block copy");
    if (blank.size() != table.size()) {
        blank = GrowingTable<T>{};
        blank.growTo(table.size());
    }
    table = blank;
}

}  // namespace

Program& WaterWorker::next() {
    Program& p = *program_;
    if (!used_) {
        used_ = true;
        return p;
    }
    // Every field of SolverState and Program but the silent channels, the
    // cache of the database's values and the reading plan (solver_state.hpp
    // lists them). The
    // species and mineral tables keep their positions and storage, every
    // position as a new one holds it: the next water's readers take them
    // without allocating, unless it needs more.
    blankOver(p.sp.at, blankSpecies_);
    p.sp.count = 0;
    p.sp.co2Position = 0;
    blankOver(p.minerals.at, blankMinerals_);
    p.minerals.count = 0;
    clearNewton(p.newton, wholeTables_ ? MAX_NEWTON_ORDER : std::max(p.newton.order, p.comp.count));
    p.conditions = {};
    p.comp = {};
    p.map = {};
    p.activity = {};
    p.run = {};
    p.choices = {};
    p.limits = {};
    p.caseFile = {};
    p.database = {};
    p.input = {};
    p.forced = {};
    p.grid = {};
    p.activityTables = {};
    p.redox = {};
    p.logKValues = nullptr;
    p.activityModel = makeActivityModel(DEFAULT_ACTIVITY_MODEL);
    p.records = nullptr;
    wholeTables_ = true;
    return p;
}

namespace {

constexpr const char* DEFAULT_DATABASE = "LOGKDATA.KDB";

// The folder of the running program ("" when the system does not say).
std::filesystem::path programFolder() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : self.parent_path();
}

bool isFile(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

// The database installed with this program, when there is one.
std::string installedDatabase() {
    const std::filesystem::path folder = programFolder();
    if (folder.empty()) return {};
    const std::filesystem::path installed = (folder / WQSPEC_INSTALLED_DATA / DEFAULT_DATABASE).lexically_normal();
    return isFile(installed) ? installed.string() : std::string();
}

}  // namespace

std::string databaseToRead(const std::string& path) {
    std::error_code ec;
    if (path != DEFAULT_DATABASE || std::filesystem::symlink_status(path, ec).type() != std::filesystem::file_type::not_found)
        return path;
    const std::string installed = installedDatabase();
    if (installed.empty()) return path;
    std::fprintf(stderr, "wqspec: no %s in this folder; reading the installed database %s\n", DEFAULT_DATABASE,
                 installed.c_str());
    return installed;
}

TextFile loadInput(const std::string& path, std::size_t limit, const std::string& what) {
    TextFile file;
    std::string why;
    if (!file.load(path, why, limit)) throw CannotStart{"cannot open " + what + " " + path + ": " + why};
    return file;
}

std::shared_ptr<const ParsedDatabase> databaseSnapshot(const std::string& path) {
    DatabaseFile database(path);
    std::string error;
    if (!database.refresh(error)) throw CannotStart{"cannot read the database " + path + ": " + error};
    return database.shared();
}

std::string defaultDatabaseFor(const std::string& model) {
    // A name the registry does not hold is refused when the model is made
    // (frontEndActivityModel); until then it takes the default model's.
    const ActivityModelEntry* entry = activityModelNamed(model);
    if (!entry) entry = activityModelNamed(DEFAULT_ACTIVITY_MODEL);
    if (entry->defaultDatabase == DEFAULT_DATABASE) return databaseToRead(DEFAULT_DATABASE);
    std::vector<std::filesystem::path> places;
    if (const std::filesystem::path folder = programFolder(); !folder.empty())
        places.push_back(folder / WQSPEC_INSTALLED_DATA / entry->defaultDatabase);
    places.push_back(std::filesystem::path(WQSPEC_BUILT_FROM) / "examples" / entry->defaultDatabase);
    std::string looked;
    for (const std::filesystem::path& place : places) {
        if (isFile(place)) return place.lexically_normal().string();
        looked += (looked.empty() ? "" : " and ") + place.lexically_normal().string();
    }
    throw CannotStart{"no " + std::string(entry->title) + " database found (looked for " + looked +
                      "); name one with --db"};
}

std::unique_ptr<ActivityModel> frontEndActivityModel(const std::string& name, const std::string& databasePath,
                                                     const std::string& phScale) {
    const std::optional<PhScale> scale = phScaleNamed(phScale);
    if (!scale) throw CannotStart{unknownPhScale(phScale)};
    std::unique_ptr<ActivityModel> model;
    try {
        // A front end computes every water it solves, beyond the model's
        // range too (noted in its records), unlike the console program.
        model = makeActivityModel(name, {databasePath, RefreshReach::everyMolality, *scale});
    } catch (const Stop& stopped) {
        throw CannotStart{"the " + name + " activity model cannot read its data: " + stopped.reason};
    }
    if (model) return model;
    std::string known;
    for (const ActivityModelEntry& entry : activityModels()) known += (known.empty() ? "" : ", ") + std::string(entry.name);
    throw CannotStart{"--activity " + name + ": no such activity model (there are: " + known + ")"};
}

}  // namespace wq
