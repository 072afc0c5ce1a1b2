// kovexctl's JSON: one object per command, built as text. Every string is
// valid JSON whatever bytes it is given: bytes that are not UTF-8 become
// U+FFFD, control characters are escaped.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kovex {

// A JSON string literal, quotes included.
std::string JsonString(std::string_view bytes);
std::string JsonNumber(long long value);
std::string JsonArray(std::span<const std::uint8_t> numbers);
std::string JsonArray(const std::vector<std::string>& strings);

// The members of an object, in order, each value already JSON text.
class JsonObject {
public:
    JsonObject& Add(std::string_view key, std::string value) {
        members_.emplace_back(key, std::move(value));
        return *this;
    }
    bool Empty() const { return members_.empty(); }
    std::string Text() const;

private:
    std::vector<std::pair<std::string, std::string>> members_;
};

// A list of values already JSON text: "[a,b]".
std::string JsonList(const std::vector<std::string>& values);

}  // namespace kovex
