#include "text/channels.hpp"

#include <cerrno>
#include <cstring>

#include "text/fields.hpp"
#include "text/stop.hpp"

namespace wq {

bool Sink::open(const std::string& path) {
    close();
    file_ = std::fopen(path.c_str(), "wb");
    owned_ = true;
    failed_ = false;
    name_ = path;
    return file_ != nullptr;
}

void Sink::attach(std::FILE* file, bool owned) {
    close();
    file_ = file;
    owned_ = owned;
    failed_ = false;
}


std::string Sink::failure() const {
    return "cannot write " + name_ + ": " + (errno != 0 ? std::strerror(errno) : "write error");
}

void Sink::fail() {
    failed_ = true;
    stop(ExitStatus::error, failure());
}

// After a failure the sink takes nothing more: the stop is on its way, and
// the cleanup that follows must not report the same failure twice.
void Sink::put(std::string_view text) {
    if (!takesText()) return;
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size() || std::ferror(file_)) fail();
}

void Sink::flush() {
    if (!file_ || failed_) return;
    errno = 0;
    if (std::fflush(file_) != 0 || std::ferror(file_)) fail();
}

std::string Sink::close() {
    if (!file_) return {};
    std::string reason;
    errno = 0;
    if (!failed_ && (std::fflush(file_) != 0 || std::ferror(file_))) reason = failure();
    errno = 0;
    if (owned_ && std::fclose(file_) != 0 && !failed_ && reason.empty()) reason = failure();
    file_ = nullptr;
    if (!reason.empty()) failed_ = true;
    return reason;
}

void writeEach(std::initializer_list<Sink*> sinks, const Layout& layout, std::initializer_list<Value> values) {
    bool taken = false;
    for (const Sink* sink : sinks) taken = taken || sink->takesText();
    if (!taken) return;  // not even formatted
    const std::string text = layout.write(values);
    for (Sink* sink : sinks) sink->put(text);
}

void Channels::silence() {
    for (Sink* sink : {&console, &listing, &plot, &skip}) sink->close();
    input = Console(nullptr);
}

Console::Console(std::FILE* in, std::initializer_list<Sink*> flushFirst) : in_(in) {
    std::size_t k = 0;
    for (Sink* sink : flushFirst)
        if (k < flushFirst_.size()) flushFirst_[k++] = sink;
}

std::optional<std::string> Console::line() {
    if (!in_) return std::nullopt;
    for (Sink* sink : flushFirst_)
        if (sink) sink->flush();
    std::string s;
    int c;
    bool any = false;
    while ((c = std::fgetc(in_)) != EOF) {
        any = true;
        if (c == '\n') break;
        if (s.size() == MAX_ANSWER_LENGTH)
            stop(ExitStatus::error,
                 "a console answer is longer than " + std::to_string(MAX_ANSWER_LENGTH) + " characters");
        s += static_cast<char>(c);
    }
    if (!any) return std::nullopt;
    if (!s.empty() && s.back() == '\r') s.pop_back();
    return s;
}

char Console::answer() {
    std::optional<std::string> s = line();
    if (!s || s->empty()) return ' ';
    return (*s)[0];
}

std::optional<double> Console::real(bool& bad) {
    bad = false;
    while (std::optional<std::string> s = line()) {
        const char* p = s->data();
        const char* end = p + s->size();
        while (p < end && (*p == ' ' || *p == '\t')) ++p;
        if (p == end) continue;  // empty lines are passed over
        double value = 0.0;
        if (!parseFreeReal(p, end, value)) {
            bad = true;
            return std::nullopt;
        }
        return value;
    }
    return std::nullopt;
}

}  // namespace wq
