// Standard output, where kovexctl's results go. Every write is checked: with
// SIGPIPE ignored, a reader that went away or a full disk shows up here, and
// the run ends with a status that says the results were not all written.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace kovex {

class ResultOutput {
public:
    explicit ResultOutput(std::FILE* out = stdout) : out_(out) {}
    // Writes the line and a line end, and flushes.
    void Line(std::string_view text);
    bool Failed() const { return error_ != 0; }
    // "Broken pipe", "No space left on device"
    std::string Reason() const;

private:
    std::FILE* out_;
    int error_ = 0;
};

}  // namespace kovex
