#include "cli/Json.h"

#include <array>
#include <cstdio>

namespace kovex {
namespace {

constexpr std::string_view REPLACEMENT = "\xEF\xBF\xBD";  // U+FFFD

// The length of the well-formed UTF-8 sequence at `at`; 0 when there is none
// (a stray byte, a sequence cut short, an overlong form, a surrogate, or a
// code point past U+10FFFF).
std::size_t Utf8SequenceAt(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[at + i]); };
    const std::uint8_t lead = byte(0);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xBF;
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
    if (at + length > text.size()) return 0;
    if (byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
    }
    return length;
}

void AppendEscaped(std::string& out, char c) {
    const auto byte = static_cast<std::uint8_t>(c);
    if (c == '"' || c == '\\') {
        out.push_back('\\');
        out.push_back(c);
    } else if (byte < 0x20 || byte == 0x7F) {
        std::array<char, 8> escape{};
        std::snprintf(escape.data(), escape.size(), "\\u%04X", byte);
        out += escape.data();
    } else {
        out.push_back(c);
    }
}

}  // namespace

std::string JsonString(std::string_view bytes) {
    std::string out = "\"";
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = Utf8SequenceAt(bytes, i);
        if (length == 0) {
            out += REPLACEMENT;
            ++i;
        } else if (length == 1) {
            AppendEscaped(out, bytes[i++]);
        } else {
            out.append(bytes.substr(i, length));
            i += length;
        }
    }
    out.push_back('"');
    return out;
}

std::string JsonNumber(long long value) {
    return std::to_string(value);
}

std::string JsonList(const std::vector<std::string>& values) {
    std::string text = "[";
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) text += ',';
        text += values[i];
    }
    return text + "]";
}

std::string JsonArray(std::span<const std::uint8_t> numbers) {
    std::vector<std::string> values;
    values.reserve(numbers.size());
    for (const std::uint8_t number : numbers)
        values.push_back(JsonNumber(number));
    return JsonList(values);
}

std::string JsonArray(const std::vector<std::string>& strings) {
    std::vector<std::string> values;
    values.reserve(strings.size());
    for (const std::string& text : strings)
        values.push_back(JsonString(text));
    return JsonList(values);
}

std::string JsonObject::Text() const {
    std::string text = "{";
    for (std::size_t i = 0; i < members_.size(); ++i) {
        if (i > 0) text += ',';
        text += JsonString(members_[i].first) + ":" + members_[i].second;
    }
    return text + "}";
}

}  // namespace kovex
