#include "support/folder.hpp"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "support/program_run.hpp"

namespace fs = std::filesystem;

namespace wq::testing {

Folder::Folder(const std::string& tag) {
    dir_ = fs::temp_directory_path() / ("wqspec-folder-" + tag + "-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
}

Folder::~Folder() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

void Folder::write(const std::string& name, const std::string& text) const { spit(dir_ / name, text); }

void Folder::copy(const fs::path& from, const std::string& name) const {
    fs::copy_file(from, dir_ / name, fs::copy_options::overwrite_existing);
}

std::string Folder::read(const std::string& name) const { return slurp(dir_ / name); }

bool Folder::has(const std::string& name) const { return fs::exists(fs::symlink_status(dir_ / name)); }

std::string Folder::listing() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_))
        if (!entry.is_directory()) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    std::string list;
    for (const std::string& n : names) list += n + "\n";
    return list;
}

Command Folder::run(const std::string& args, const std::string& input, const std::string& before, int seconds) const {
    const std::string command = "cd '" + dir_.string() + "' && " + (before.empty() ? "" : before + "; ") +
                                "timeout " + std::to_string(seconds) + " '" + WQSPEC_EXE + "' " + args +
                                " > .stdout 2> .stderr < " + input;
    const int raw = std::system(command.c_str());
    Command c;
    c.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    c.out = read(".stdout");
    c.err = read(".stderr");
    fs::remove(dir_ / ".stdout");
    fs::remove(dir_ / ".stderr");
    return c;
}

SeawaterFolder::SeawaterFolder(const std::string& tag) : Folder(tag) {
    const std::filesystem::path source = WQSPEC_SOURCE_DIR;
    copy(source / "examples" / "seawater" / "WQCASE.DAT", "WQCASE.DAT");
    copy(source / "examples" / "LOGKDATA.KDB", "LOGKDATA.KDB");
}

}  // namespace wq::testing
