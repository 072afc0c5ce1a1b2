#include "console/PollListText.h"

namespace kovex {

TypedPollList ParsePollList(std::string_view typed) {
    const std::string ended = std::string(typed) + " 0";
    std::string_view rest = ended;
    TypedPollList list;
    for (;;) {
        rest = TrimBlanks(rest);
        const std::string_view token = rest.substr(0, FindBlank(rest));
        rest.remove_prefix(token.size());
        const TypedByte entry = ReadTypedByte(token);
        if (!entry.Fits()) {
            list.problem =
                PollListTokenProblem{list.entries.size(), std::string(token), entry.reading};
            return list;
        }
        list.entries.push_back(entry.value);
        if (entry.value == 0) return list;
    }
}

void AppendValue(std::string& text, std::uint8_t value) {
    text += ' ';
    text += std::to_string(value);
}

}  // namespace kovex
