#include "app/front_end.hpp"

#include <cstdio>

#include "input/database_file.hpp"
#include "text/stop.hpp"

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
