// A folder of its own for a test that runs the built program as a user
// would, with arguments: files written into it, the program run there, its
// exit status and both output streams read back.
#pragma once

#include <filesystem>
#include <string>

namespace wq::testing {

struct Command {
    int status = -1;  // as the shell gives it: 128 + n for a program ended by signal n
    std::string out, err;
};

class Folder {
public:
    // An empty folder; `tag` keeps the folders of concurrent tests apart.
    explicit Folder(const std::string& tag);
    ~Folder();
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    void write(const std::string& name, const std::string& text) const;
    void copy(const std::filesystem::path& from, const std::string& name) const;
    std::string read(const std::string& name) const;
    bool has(const std::string& name) const;
    // The names of the files in the folder (not in its subfolders), hidden ones included.
    std::string listing() const;
    const std::filesystem::path& path() const { return dir_; }

    // `wqspec ARGS` in the folder, standard input from `input`; `before`
    // are shell commands run first in the same shell (ulimit, trap). A
    // program that has not ended after `seconds` is ended (status 124).
    Command run(const std::string& args, const std::string& input = "/dev/null", const std::string& before = "",
                int seconds = 600) const;

private:
    std::filesystem::path dir_;
};

// A folder with the seawater example's run input (WQCASE.DAT) and the
// bundled database (LOGKDATA.KDB): the starting point of the batch's tests.
class SeawaterFolder : public Folder {
public:
    explicit SeawaterFolder(const std::string& tag);
};

// True in a build with AddressSanitizer or ThreadSanitizer, whose shadow
// memory a process needs more room than some limits (ulimit) leave.
constexpr bool SANITIZED_BUILD =
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
    true;
#else
    false;
#endif
#else
    false;
#endif

}  // namespace wq::testing
