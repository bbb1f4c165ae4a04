// Output files that take their name only when complete.
//
// A results table, a sweep or a run input is written under a temporary name
// in the folder of its final name (".NAME.XXXXXX", hidden, so that no
// pattern such as *.csv takes it) and renamed to NAME when complete: a run
// that is interrupted or fails leaves the file that had the name before as
// it was, and no file under that name looks complete when it is not. A
// partial content worth keeping (the whole records of an interrupted batch)
// is given a name that says so (NAME.partial.csv), never NAME.
//
// Only a regular file is replaced so. A name that stands for something else
// (a FIFO, a device, a terminal, the process's own standard output as
// /dev/stdout) is written through in place, as a shell's redirection would:
// renaming a file over it would take the name from a reader waiting on the
// FIFO or from the system's /dev/null. A symbolic link to a regular file has
// its target replaced, never the link itself.
#pragma once

#include <cstdio>
#include <span>
#include <string>
#include <string_view>

namespace wq {

class StagedFile {
public:
    StagedFile() = default;
    ~StagedFile() { abandon(); }
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Creates the temporary file beside `path` (beside the file a symbolic
    // link reaches), or opens in place what `path` names when it is no
    // regular file; false, with the system's reason in `error`, when it
    // cannot be.
    bool open(const std::string& path, std::string& error);
    // True when the output is written through in place (no temporary).
    bool inPlace() const { return inPlace_; }
    // Whether an output named `path` would be written in place: a name of
    // the process's own streams, or an existing file that is no regular
    // file (a FIFO, a device, a terminal), through its links.
    static bool writesInPlace(const std::string& path);
    std::FILE* file() const { return file_; }
    const std::string& path() const { return path_; }

    // Closes the file and gives it its name; false, with the reason, when
    // what was written cannot be completed (the temporary is removed then).
    bool commit(std::string& error);
    // Closes the file and gives it the partial name of `path`
    // (partialName), or that name with -2, -3, ... before its extension when
    // a file has it already: an earlier partial file is never replaced. The
    // name given is in `given`; false with the reason when it cannot be.
    // An output written in place holds its records where they went: it is
    // closed, and `given` is empty.
    bool keepPartial(std::string& given, std::string& error);
    // Closes and removes the temporary file (nothing when there is none).
    void abandon();

    // Until this file is committed or abandoned, an interrupt (SIGINT,
    // SIGTERM, SIGHUP, and SIGPIPE of a reader of the console's lines gone)
    // removes its temporary before the process ends as the
    // signal would end it. For a front end that does not handle interrupts
    // itself; one file at a time.
    void removeOnInterrupt();

private:
    bool close(std::string& error);
    bool openInPlace(int fd, std::string& error);
    bool closeInPlace(std::string& error);

    std::FILE* file_ = nullptr;
    std::string path_, temporary_;
    std::string final_;  // the file the temporary replaces: path_, or the target of its links
    bool inPlace_ = false;
};

// Writes `text` to `file` with one write of the system (what stdio holds of
// the file going first), repeated only for what a short write leaves: a
// process killed outright between two such writes leaves whole groups of
// lines, where stdio would have sent them out in pieces of its buffer's size.
// False, with errno, when it cannot be written.
bool writeAtOnce(std::FILE* file, std::string_view text);

// An input of a command: an output may never replace it.
struct CommandInput {
    std::string what;  // "the table of waters"
    std::string path;
};

// The input among `inputs` that `output` names, however the two are spelled
// (./t.csv, a hard link, a symbolic link), as "the template (WQCASE.DAT)";
// empty when it names none.
std::string inputNamedBy(const std::string& output, std::span<const CommandInput> inputs);

// "dir/out.partial.csv" for "dir/out.csv" (".partial" before the extension,
// or at the end of a name without one).
std::string partialName(const std::string& path);

}  // namespace wq
