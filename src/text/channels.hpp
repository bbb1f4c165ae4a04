// The program's output channels (console, listing, plot file, skip list) and
// the console input.
#pragma once

#include <array>
#include <cstdio>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "text/layout.hpp"

namespace wq {

// A line-oriented output stream: every write through a layout adds whole lines.
//
// A write that fails (a full disk, a closed standard output) stops the program
// at once, naming the file: a listing cut short must not pass for a complete
// one, and the user must not answer questions about a run whose output is lost.
class Sink {
public:
    Sink() = default;
    // A stream opened elsewhere (standard output, a test's scratch file),
    // called `name` in messages.
    Sink(std::FILE* file, bool owned, std::string name) : file_(file), owned_(owned), name_(std::move(name)) {}
    Sink(const Sink&) = delete;
    Sink& operator=(const Sink&) = delete;
    ~Sink() { close(); }

    bool open(const std::string& path);  // created or overwritten
    // Writes to an open stream from now on; `owned`: closed with the sink.
    void attach(std::FILE* file, bool owned);
    void put(std::string_view text);
    // A line through a layout; not even formatted for a sink that drops it.
    void write(const Layout& layout, std::initializer_list<Value> values) {
        if (takesText()) put(layout.write(values));
    }
    void write(const Layout& layout, std::span<const Value> values) {
        if (takesText()) put(layout.write(values));
    }
    void flush();
    // False for a sink that goes nowhere (never opened, or closed): what is
    // put to it is dropped.
    bool isOpen() const { return file_ != nullptr; }
    // False when what is put is dropped: closed, or failed already.
    bool takesText() const { return file_ != nullptr && !failed_; }
    // Flushes and closes, never stopping. The reason of a write failure found
    // only now ("cannot write <name>: <why>"); empty when everything was
    // written, or when the failure already stopped the program.
    std::string close();

private:
    [[noreturn]] void fail();
    std::string failure() const;

    std::FILE* file_ = nullptr;
    bool owned_ = false;
    bool failed_ = false;
    std::string name_;
};

// Answers typed on the console, one line each. The end of input counts as an
// empty answer, so no read can wait forever on a closed standard input; a line
// longer than MAX_ANSWER_LENGTH stops the program, so neither can an endless
// one.
class Console {
public:
    static constexpr std::size_t MAX_ANSWER_LENGTH = 65536;

    // Before each answer is read, the sinks in `flushFirst` are flushed: the
    // question is on the screen, the files hold everything written so far
    // while the program waits, and a failed write shows before the answer.
    // A null stream is an input that has ended: every answer is empty.
    explicit Console(std::FILE* in, std::initializer_list<Sink*> flushFirst = {});
    // The next line without its line end; nullopt at the end of input.
    std::optional<std::string> line();
    // The first character of the next line; a blank for an empty line or the
    // end of input.
    char answer();
    // A real in free format, passing over empty lines. nullopt at the end of
    // input; `bad` is set (and nullopt returned) when the text is not a number.
    // A comma before the number is a null value, which has no meaning in a
    // question that wants a number: it counts as not a number.
    std::optional<double> real(bool& bad);

private:
    std::FILE* in_;
    std::array<Sink*, 4> flushFirst_{};
};

// One message on several sinks, in the order given: which of the console and
// the listing has a message first is part of each message.
void writeEach(std::initializer_list<Sink*> sinks, const Layout& layout, std::initializer_list<Value> values = {});

struct Channels {
    Sink console{stdout, false, "standard output"};
    Sink listing;
    Sink plot;
    Sink skip;
    Console input{stdin, {&console, &listing, &plot, &skip}};

    // Channels that go nowhere, for a front end without a console: every
    // sink closed, and a console input that has ended (every question takes
    // its default answer).
    void silence();
    // Whether nothing a run says of its database reaches anyone: console,
    // listing and skip list all closed (a batch's water).
    bool saysNothing() const { return !console.isOpen() && !listing.isOpen() && !skip.isOpen(); }
};

}  // namespace wq
