#include "app/front_end.hpp"

#include "input/database_file.hpp"

namespace wq {

QuietProgram::QuietProgram() : prog_(std::make_unique<Program>()) {
    prog_->io.console.close();
    prog_->io.input = Console(nullptr);
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
