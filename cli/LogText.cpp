#include "cli/LogText.h"

#include <algorithm>
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

std::uint8_t ByteAt(std::string_view text, std::size_t i) {
    return static_cast<std::uint8_t>(text[i]);
}

bool IsUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8LengthAt(text, i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

}  // namespace

std::size_t Utf8LengthAt(std::string_view text, std::size_t i) {
    const std::uint8_t lead = ByteAt(text, i);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xBF;  // the range of the byte after the lead
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    if (ByteAt(text, i + 1) < low || ByteAt(text, i + 1) > high) return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if ((ByteAt(text, i + k) & 0xC0) != 0x80) return 0;
    }
    return length;
}

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

std::string MessageToUtf8(std::string_view text) {
    return IsUtf8(text) ? std::string(text) : Latin1ToUtf8(text);
}

std::string TerminalText(std::string_view utf8, bool keepLineEnds) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t length = Utf8LengthAt(utf8, i);
        if (length == 0 || IsC1At(utf8, i)) {
            out.push_back('?');
            i += std::max<std::size_t>(length, 1);
        } else if (keepLineEnds && utf8[i] == '\n') {
            out.push_back('\n');
            ++i;
        } else if (length == 1 && IsC0OrDelete(ByteAt(utf8, i))) {
            out.push_back('?');
            ++i;
        } else {
            out.append(utf8.substr(i, length));
            i += length;
        }
    }
    return out;
}

}  // namespace kovex
