#include "cli/ResultOutput.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kovex {

void ResultOutput::Line(std::string_view text) {
    if (error_ != 0) return;
    errno = 0;
    const bool written = std::fwrite(text.data(), 1, text.size(), out_) == text.size() &&
                         std::fputc('\n', out_) != EOF && std::fflush(out_) == 0;
    if (!written) error_ = errno != 0 ? errno : EIO;
}

std::string ResultOutput::Reason() const {
    return std::strerror(error_);
}

}  // namespace kovex
