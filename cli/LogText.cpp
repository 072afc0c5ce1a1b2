#include "cli/LogText.h"

#include <cstdint>

namespace kovex {
namespace {

constexpr std::uint8_t UTF8_C1_LEAD = 0xC2;

bool IsC0OrDelete(std::uint8_t byte) {
    return byte < 0x20 || byte == 0x7F;
}

// A C1 control (U+0080 to U+009F) starts at `i`.
bool IsC1At(std::string_view utf8, std::size_t i) {
    return i + 1 < utf8.size() && static_cast<std::uint8_t>(utf8[i]) == UTF8_C1_LEAD &&
           static_cast<std::uint8_t>(utf8[i + 1]) < 0xA0;
}

}  // namespace

std::string Latin1ToUtf8(std::string_view latin1) {
    std::string out;
    out.reserve(latin1.size());
    for (const char c : latin1) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (byte < 0x80) {
            out.push_back(c);
            continue;
        }
        out.push_back(static_cast<char>(0xC0 | (byte >> 6)));
        out.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
    }
    return out;
}

std::string TerminalText(std::string_view utf8, bool keepLineEnds) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (IsC1At(utf8, i)) {
            out.push_back('?');
            ++i;
        } else if (keepLineEnds && utf8[i] == '\n') {
            out.push_back('\n');
        } else if (IsC0OrDelete(static_cast<std::uint8_t>(utf8[i]))) {
            out.push_back('?');
        } else {
            out.push_back(utf8[i]);
        }
    }
    return out;
}

}  // namespace kovex
