// Arbitrary text through TextToInt, plus two properties that hold for every
// text:
//  - spaces in front change nothing, since leading spaces are skipped;
//  - a text that starts with a decimal digit but not with "0x"/"0X" gives the
//    value of its leading digits modulo 2^32 (reading stops at a non-digit).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "console/TextToInt.h"

namespace kovex {
namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "TextToInt property broken: %s\n", what);
    std::abort();
}

bool IsDecimalDigit(char c) {
    return c >= '0' && c <= '9';
}

bool StartsDecimalNumber(std::string_view text) {
    if (text.empty() || !IsDecimalDigit(text.front())) return false;
    return !(text.starts_with("0x") || text.starts_with("0X"));
}

// Reference value computed in 64 bits, reduced after every digit.
std::int32_t LeadingDigitsModulo32(std::string_view text) {
    constexpr std::uint64_t modulus = std::uint64_t{1} << 32;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (!IsDecimalDigit(c)) break;
        value = (value * 10 + static_cast<std::uint64_t>(c - '0')) % modulus;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

void CheckText(std::string_view text) {
    const std::int32_t value = TextToInt(text);
    if (TextToInt(" " + std::string(text)) != value) Fail("a leading space changed the value");
    if (StartsDecimalNumber(text) && value != LeadingDigitsModulo32(text)) {
        Fail("leading decimal digits not read modulo 2^32");
    }
}

}  // namespace
}  // namespace kovex

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kovex::CheckText(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
