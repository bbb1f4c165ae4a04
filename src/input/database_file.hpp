// The database file of a program: its content as it is on disk now, parsed
// once per content.
//
// Every run of the dialogue reads the database as it is on disk when the run
// starts: an edit made while the dialogue waits is seen by the next run, and
// a file deleted meanwhile stops it. A content is read whole into memory, so
// a run uses one content from its start to its end, whatever happens to the
// file while it runs. A file whose
// device, inode, size and modification and change times (to the nanosecond)
// are those of the content already parsed is that content, and the parsed
// database is used again. A file changed so recently before it was read
// that a second change could fall in the same tick of the file system's
// clock (with the same size) is read again at the next run, whatever its
// identity says, until it has been left alone for a while.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "input/parsed_database.hpp"
#include "text/textfile.hpp"

namespace wq {

class DatabaseFile {
public:
    DatabaseFile() = default;
    // The regular file at `path`, of at most `limit` bytes.
    explicit DatabaseFile(std::string path, std::size_t limit = MAX_FILE_BYTES);
    // A database given as its text (tests, benchmarks): nothing on disk.
    static DatabaseFile ofText(std::string name, std::string_view text);
    // A database already parsed, shared with other programs.
    static DatabaseFile ofParsed(std::shared_ptr<const ParsedDatabase> parsed);

    // Makes the parsed database the content the file has now: read and
    // parsed again when it changed, kept when it did not. False, with the
    // reason in `error`, when the file cannot be read.
    bool refresh(std::string& error);

    // The parsed content; an internal error before the first refresh.
    const ParsedDatabase& parsed() const;
    const std::shared_ptr<const ParsedDatabase>& shared() const { return parsed_; }
    // The file's path as given; empty for a database given as text or parsed.
    const std::string& path() const { return path_; }
    // How many times the file was read (each content once).
    int reads() const { return reads_; }

private:
    std::string path_;
    std::size_t limit_ = MAX_FILE_BYTES;
    FileIdentity identity_;
    bool recentlyChanged_ = false;
    int reads_ = 0;
    std::shared_ptr<const ParsedDatabase> parsed_;
};

}  // namespace wq
