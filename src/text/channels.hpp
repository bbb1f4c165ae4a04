// The program's output channels (console, listing, plot file, skip list) and
// the console input.
#pragma once

#include <cstdio>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "text/layout.hpp"

namespace wq {

// A line-oriented output stream: every write through a layout adds whole lines.
class Sink {
public:
    Sink() = default;
    explicit Sink(std::FILE* file, bool owned) : file_(file), owned_(owned) {}
    Sink(const Sink&) = delete;
    Sink& operator=(const Sink&) = delete;
    ~Sink() { close(); }

    bool open(const std::string& path);  // created or overwritten
    // Writes to an open stream from now on; `owned`: closed with the sink.
    void attach(std::FILE* file, bool owned);
    void put(std::string_view text);
    void write(const Layout& layout, std::initializer_list<Value> values) { put(layout.write(values)); }
    void write(const Layout& layout, std::span<const Value> values) { put(layout.write(values)); }
    void flush();
    // Flushes and closes; false when something could not be written.
    bool close();

private:
    std::FILE* file_ = nullptr;
    bool owned_ = false;
    bool failed_ = false;
};

// Answers typed on the console, one line each. The end of input counts as an
// empty answer, so no read can wait forever on a closed standard input.
class Console {
public:
    // A null stream is an input that has ended: every answer is empty.
    explicit Console(std::FILE* in) : in_(in) {}
    // The next line without its line end; nullopt at the end of input.
    std::optional<std::string> line();
    // The first character of the next line; a blank for an empty line or the
    // end of input.
    char answer();
    // A real in free format, passing over empty lines. nullopt at the end of
    // input; `bad` is set (and nullopt returned) when the text is not a number.
    std::optional<double> real(bool& bad);

private:
    std::FILE* in_;
};

struct Channels {
    Sink console{stdout, false};
    Sink listing;
    Sink plot;
    Sink skip;
    Console input{stdin};

    // Writes to the console, first flushing nothing else: the console and the
    // files are separate streams whose order only matters per stream.
    void flushAll() {
        console.flush();
        listing.flush();
        plot.flush();
        skip.flush();
    }
};

}  // namespace wq
