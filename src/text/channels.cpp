#include "text/channels.hpp"

#include "text/fields.hpp"

namespace wq {

bool Sink::open(const std::string& path) {
    close();
    file_ = std::fopen(path.c_str(), "wb");
    owned_ = true;
    failed_ = false;
    return file_ != nullptr;
}

void Sink::attach(std::FILE* file, bool owned) {
    close();
    file_ = file;
    owned_ = owned;
    failed_ = false;
}

void Sink::put(std::string_view text) {
    if (!file_) return;
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) failed_ = true;
}

void Sink::flush() {
    if (file_ && std::fflush(file_) != 0) failed_ = true;
}

bool Sink::close() {
    if (!file_) return !failed_;
    flush();
    if (owned_ && std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
    return !failed_;
}

std::optional<std::string> Console::line() {
    if (!in_) return std::nullopt;
    std::fflush(stdout);
    std::string s;
    int c;
    bool any = false;
    while ((c = std::fgetc(in_)) != EOF) {
        any = true;
        if (c == '\n') break;
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
        while (p < end && (*p == ' ' || *p == ',' || *p == '\t')) ++p;
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
