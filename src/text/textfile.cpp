#include "text/textfile.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace wq {

TextFile::TextFile(std::string name, std::string content)
    : name_(std::move(name)), content_(std::move(content)) {}

bool TextFile::load(const std::string& path, std::size_t maxBytes) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::string data;
    char buf[1 << 16];
    std::size_t n;
    bool tooLarge = false;
    while (!tooLarge && (n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        tooLarge = n > maxBytes - data.size();
        if (!tooLarge) data.append(buf, n);
    }
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (tooLarge) errno = EFBIG;
    if (failed || tooLarge) return false;
    *this = TextFile(path, std::move(data));
    return true;
}

bool TextFile::next(std::string_view& line) {
    if (pos_ >= content_.size()) return false;
    const char* begin = content_.data() + pos_;
    std::size_t left = content_.size() - pos_;
    const char* nl = static_cast<const char*>(std::memchr(begin, '\n', left));
    std::size_t len = nl ? static_cast<std::size_t>(nl - begin) : left;
    previous_ = pos_;
    pos_ += nl ? len + 1 : len;
    if (len > 0 && begin[len - 1] == '\r') --len;
    line = std::string_view(begin, len);
    ++line_;
    return true;
}

void TextFile::stepBack() {
    if (line_ == 0) return;
    pos_ = previous_;
    --line_;
}

void TextFile::rewind() {
    pos_ = 0;
    previous_ = 0;
    line_ = 0;
}

}  // namespace wq
