// Where a batch writes: its records in the format of the output's name, on
// standard output or on a file that takes its name when complete, and a
// progress line on a terminal.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>

#include "report/records.hpp"
#include "text/staged_file.hpp"

namespace wq {

// The record format of `--out path`: by its extension, CSV on standard
// output when no path is given and on a name written in place that has no
// extension of a format (/dev/stdout, a FIFO). An extension no format has is
// a CannotStart.
const RecordFormat& outputFormat(const std::string& path);

// The output: on standard output, or on a file written under a temporary
// name (StagedFile) that takes its name when the batch is complete.
class BatchOutput {
public:
    BatchOutput(const std::string& path, const RecordFormat& format, RecordColumns columns);
    BatchOutput(const BatchOutput&) = delete;
    BatchOutput& operator=(const BatchOutput&) = delete;

    // What opens the output (a table's header); false, with the reason in
    // failure(), when it cannot be written.
    bool open();
    // Records are written whole, several at a time: those held reach the
    // file when they pass RECORDS_HELD bytes or at flush() (when the batch
    // waits for its next water). A batch killed outright leaves whole
    // records in the temporary file.
    bool write(const std::string& record);
    bool flush();
    static constexpr std::size_t RECORDS_HELD = std::size_t{1} << 16;
    // Ends the output: a file takes its name when `complete`, else the
    // partial name (its records are whole), unless a write failed (then it
    // is removed). False, with the reason in failure(), when the output
    // could not be completed.
    bool close(bool complete);
    const std::string& name() const { return name_; }
    const std::string& failure() const { return why_; }
    const std::string& partialPath() const { return partial_; }

private:
    bool noted(bool ok);

    StagedFile staged_;
    std::FILE* file_ = nullptr;
    std::string name_, why_, partial_;
    std::unique_ptr<RecordWriter> records_;
};

// A progress line on standard error, when it is a terminal.
class Progress {
public:
    explicit Progress(std::size_t total);
    void update(std::size_t done, bool last = false);

private:
    std::size_t total_;
    bool shown_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point lastShown_{};
};

}  // namespace wq
