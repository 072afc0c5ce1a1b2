// Arbitrary typed text through ParsePollList, with the properties that every
// list must have before it goes to the card:
//  - it ends with its only 0 (the entry that ends the card's list), unless a
//    token that is not a number from 0 to 254 stopped it, at its own item;
//  - no entry is 255;
//  - every other entry took at least two characters ("7 "), so a text of n
//    characters gives at most (n + 1) / 2 nodes;
//  - blanks in front change nothing;
//  - every blank (0x00 to 0x20) separates entries alike: turning each into
//    another blank changes nothing, nor does single spacing the text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "console/PollListText.h"
#include "console/TextToInt.h"

namespace kovex {
namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "ParsePollList property broken: %s\n", what);
    std::abort();
}

void CheckText(std::string_view typed) {
    const auto list = ParsePollList(typed);
    const auto& entries = list.entries;
    if (!list.problem && (entries.empty() || entries.back() != 0)) {
        Fail("the list does not end with 0");
    }
    if (list.problem && list.problem->item != entries.size()) Fail("a problem not at its item");
    for (std::size_t i = 0; i + 1 < entries.size(); ++i) {
        if (entries[i] == 0) Fail("a 0 before the end");
        if (entries[i] == 0xFF) Fail("a 255 taken as an entry");
    }
    if (entries.size() > (typed.size() + 3) / 2) Fail("more nodes than the text can hold");
    if (ParsePollList(" \t" + std::string(typed)) != list) Fail("leading blanks mattered");
    std::string other(typed);
    for (char& c : other) {
        if (static_cast<unsigned char>(c) <= 0x20) c = c == '\n' ? ' ' : '\n';
    }
    if (ParsePollList(other) != list) Fail("one blank read unlike another");
    if (ParsePollList(SingleSpaced(typed)) != list) Fail("single spacing mattered");
}

}  // namespace
}  // namespace kovex

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kovex::CheckText(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
