#include "app/front_end.hpp"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "input/database_file.hpp"
#include "text/stop.hpp"
#include "wqspec_install.hpp"

namespace wq {

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

constexpr const char* DEFAULT_DATABASE = "LOGKDATA.KDB";

// The database installed with this program, when there is one.
std::string installedDatabase() {
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    const std::filesystem::path installed = (program.parent_path() / WQSPEC_DATABASE_FROM_PROGRAM).lexically_normal();
    return std::filesystem::is_regular_file(installed, ec) ? installed.string() : std::string();
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

}  // namespace wq
