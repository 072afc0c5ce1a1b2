#include "console/PollListText.h"

#include "console/TextToInt.h"

namespace kovex {

namespace {

// The text up to and including its first blank; empty when it has none. A
// blank is never a digit, so the token reads as it would ending in a space.
std::string_view FirstToken(std::string_view text) {
    const auto blank = FindBlank(text);
    return blank == std::string_view::npos ? std::string_view{} : text.substr(0, blank + 1);
}

}  // namespace

std::vector<std::uint8_t> ParsePollList(std::string_view typed) {
    const std::string ended = std::string(typed) + " 0";
    std::string_view rest = ended;
    std::vector<std::uint8_t> entries;
    for (;;) {
        rest = TrimBlanks(rest);
        const std::string_view token = FirstToken(rest);
        rest.remove_prefix(token.size());
        const auto entry = static_cast<std::uint8_t>(TextToInt(token) & 0xFF);
        entries.push_back(entry);
        if (entry == 0) return entries;
    }
}

void AppendValue(std::string& text, std::uint8_t value) {
    text += ' ';
    text += std::to_string(value);
}

}  // namespace kovex
