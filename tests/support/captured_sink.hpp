// An output sink on a temporary file, read back as text by the tests.
#pragma once

#include <cstdio>
#include <string>

#include "text/channels.hpp"

namespace wq::testing {

class CapturedSink {
public:
    CapturedSink() : file_(std::tmpfile()), sink(file_, false, "a scratch file") {}
    ~CapturedSink() {
        sink.close();
        std::fclose(file_);
    }
    CapturedSink(const CapturedSink&) = delete;
    CapturedSink& operator=(const CapturedSink&) = delete;

    std::string text() {
        sink.flush();
        std::rewind(file_);
        std::string out;
        for (int c; (c = std::fgetc(file_)) != EOF;) out += static_cast<char>(c);
        return out;
    }

private:
    std::FILE* file_;

public:
    Sink sink;
};

}  // namespace wq::testing
