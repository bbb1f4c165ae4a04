// Output files that take their name only when complete.
//
// A results table, a sweep or a run input is written under a temporary name
// in the folder of its final name (".NAME.XXXXXX", hidden, so that no
// pattern such as *.csv takes it) and renamed to NAME when complete: a run
// that is interrupted or fails leaves the file that had the name before as
// it was, and no file under that name looks complete when it is not. A
// partial content worth keeping (the whole records of an interrupted batch)
// is given a name that says so (NAME.partial.csv), never NAME.
#pragma once

#include <cstdio>
#include <string>

namespace wq {

class StagedFile {
public:
    StagedFile() = default;
    ~StagedFile() { abandon(); }
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Creates the temporary file beside `path`; false, with the system's
    // reason in `error`, when it cannot be.
    bool open(const std::string& path, std::string& error);
    std::FILE* file() const { return file_; }
    const std::string& path() const { return path_; }

    // Closes the file and gives it its name; false, with the reason, when
    // what was written cannot be completed (the temporary is removed then).
    bool commit(std::string& error);
    // Closes the file and gives it the partial name of `path`
    // (partialName), or that name with -2, -3, ... before its extension when
    // a file has it already: an earlier partial file is never replaced. The
    // name given is in `given`; false with the reason when it cannot be.
    bool keepPartial(std::string& given, std::string& error);
    // Closes and removes the temporary file (nothing when there is none).
    void abandon();

    // Until this file is committed or abandoned, an interrupt (SIGINT,
    // SIGTERM, SIGHUP) removes its temporary before the process ends as the
    // signal would end it. For a front end that does not handle interrupts
    // itself; one file at a time.
    void removeOnInterrupt();

private:
    bool close(std::string& error);

    std::FILE* file_ = nullptr;
    std::string path_, temporary_;
};

// "dir/out.partial.csv" for "dir/out.csv" (".partial" before the extension,
// or at the end of a name without one).
std::string partialName(const std::string& path);

}  // namespace wq
