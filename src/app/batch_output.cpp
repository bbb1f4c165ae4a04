#include "app/batch_output.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "app/front_end.hpp"

namespace wq {

const RecordFormat& outputFormat(const std::string& path) {
    if (path.empty()) return *recordFormatOf(".csv");
    if (const RecordFormat* format = recordFormatOf(path)) return *format;
    // A stream (/dev/stdout, a FIFO) has no extension: CSV, as on standard output.
    if (StagedFile::writesInPlace(path)) return *recordFormatOf(".csv");
    throw CannotStart{"--out " + path + ": the name must end in " + recordExtensions()};
}

BatchOutput::BatchOutput(const std::string& path, const RecordFormat& format, RecordColumns columns) {
    if (path.empty()) {
        file_ = stdout;
        name_ = "standard output";
    } else {
        std::string why;
        if (!staged_.open(path, why)) throw CannotStart{"cannot create " + path + ": " + why};
        file_ = staged_.file();
        name_ = path;
    }
    records_ = std::make_unique<RecordWriter>(file_, format, std::move(columns));
    records_->holdUpTo(RECORDS_HELD);
}

bool BatchOutput::noted(bool ok) {
    if (!ok && why_.empty()) why_ = errno ? std::strerror(errno) : "the write failed";
    return ok;
}

bool BatchOutput::open() { return noted(records_->open()); }

bool BatchOutput::write(const std::string& record) { return noted(records_->add(record)); }

bool BatchOutput::flush() { return noted(records_->flush()); }

bool BatchOutput::close(bool complete) {
    const bool ended = noted(records_->close());
    if (staged_.path().empty()) return ended && why_.empty();
    if (!why_.empty()) {
        staged_.abandon();
        return false;
    }
    return complete ? staged_.commit(why_) : staged_.keepPartial(partial_, why_);
}

Progress::Progress(std::size_t total) : total_(total), shown_(::isatty(2) != 0) {}

void Progress::update(std::size_t done, bool last) {
    if (!shown_) return;
    const auto now = std::chrono::steady_clock::now();
    if (!last && now - lastShown_ < std::chrono::milliseconds(200)) return;
    lastShown_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double rate = seconds > 0.0 ? double(done) / seconds : 0.0;
    const double left = rate > 0.0 ? double(total_ - done) / rate : 0.0;
    std::fprintf(stderr, "\r  %zu / %zu waters, %.1f per second, %.0f s left   ", done, total_, rate, left);
    if (last) std::fputc('\n', stderr);
    std::fflush(stderr);
}

}  // namespace wq
