#include "cli/Json.h"

#include <array>
#include <cstdio>

#include "cli/LogText.h"

namespace kovex {
namespace {

constexpr std::string_view REPLACEMENT = "\xEF\xBF\xBD";  // U+FFFD

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
        const std::size_t length = Utf8LengthAt(bytes, i);
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
