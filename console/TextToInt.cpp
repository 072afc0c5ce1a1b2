#include "console/TextToInt.h"

#include <optional>

namespace kovex {

namespace {

struct NumberText {
    std::string_view digits;  // the text after spaces, sign and base prefix
    std::uint32_t base = 10;
    bool negative = false;
};

struct DigitRun {
    std::uint32_t value = 0;  // low 32 bits of the digits read
    bool reachedEnd = true;   // false when a non-digit stopped the reading
    bool anyDigit = false;
    bool beyond32Bits = false;  // the digits read make a number above 2^32 - 1
};

std::string_view SkipLeadingSpaces(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string_view{} : text.substr(first);
}

// Splits off a sign (decimal only follows it) or a hexadecimal prefix.
NumberText Classify(std::string_view text) {
    if (text.starts_with('-') || text.starts_with('+')) {
        return {text.substr(1), 10, text.front() == '-'};
    }
    if (text.starts_with('$') || text.starts_with('x') || text.starts_with('X')) {
        return {text.substr(1), 16, false};
    }
    if (text.starts_with("0x") || text.starts_with("0X")) {
        return {text.substr(2), 16, false};
    }
    return {text, 10, false};
}

std::optional<std::uint32_t> DigitValue(char c, std::uint32_t base) {
    if (c >= '0' && c <= '9') {
        return static_cast<std::uint32_t>(c - '0');
    }
    if (base == 16 && c >= 'a' && c <= 'f') {
        return static_cast<std::uint32_t>(c - 'a' + 10);
    }
    if (base == 16 && c >= 'A' && c <= 'F') {
        return static_cast<std::uint32_t>(c - 'A' + 10);
    }
    return std::nullopt;
}

// Unsigned arithmetic wraps modulo 2^32, which keeps exactly the low 32 bits
// of any number of digits without overflow.
DigitRun ReadDigits(std::string_view digits, std::uint32_t base) {
    DigitRun run;
    for (const char c : digits) {
        const auto digit = DigitValue(c, base);
        if (!digit) {
            run.reachedEnd = false;
            return run;
        }
        const std::uint64_t wide = std::uint64_t{run.value} * base + *digit;
        run.beyond32Bits = run.beyond32Bits || wide > UINT32_MAX;
        run.value = static_cast<std::uint32_t>(wide);
        run.anyDigit = true;
    }
    return run;
}

struct NumberRead {
    std::int32_t value = 0;
    bool anyDigit = false;
    bool beyond32Bits = false;
};

NumberRead ReadNumber(std::string_view text) {
    const NumberText number = Classify(SkipLeadingSpaces(text));
    const DigitRun run = ReadDigits(number.digits, number.base);
    // The sign counts only when the digits ran to the end. Negating in
    // unsigned arithmetic turns "-2147483648" into INT32_MIN without overflow.
    const bool applySign = number.negative && run.reachedEnd;
    const std::uint32_t pattern = applySign ? 0u - run.value : run.value;
    return {static_cast<std::int32_t>(pattern), run.anyDigit, run.beyond32Bits};
}

constexpr std::int32_t FRAME_END_VALUE = 255;

}  // namespace

std::int32_t TextToInt(std::string_view text) {
    return ReadNumber(text).value;
}

std::optional<std::int32_t> TextToIntWithin32Bits(std::string_view text) {
    const NumberRead number = ReadNumber(text);
    if (number.beyond32Bits) return std::nullopt;
    return number.value;
}

TypedByte ReadTypedByte(std::string_view typed) {
    using Reading = TypedByte::Reading;
    const NumberRead number = ReadNumber(typed);
    if (!number.anyDigit) return {Reading::NoDigits};
    // A number that needs more than 32 bits is out of range, not its low bits.
    if (number.beyond32Bits || number.value < 0 || number.value > FRAME_END_VALUE) {
        return {Reading::OutOfRange};
    }
    if (number.value == FRAME_END_VALUE) return {Reading::FrameEnd};
    return {Reading::Fits, static_cast<std::uint8_t>(number.value)};
}

std::string_view TypedByteProblem(TypedByte::Reading reading) {
    switch (reading) {
        case TypedByte::Reading::NoDigits:
            return "is not a number";
        case TypedByte::Reading::OutOfRange:
            return "is not a number from 0 to 254";
        case TypedByte::Reading::Fits:
        case TypedByte::Reading::FrameEnd:
            break;
    }
    return {};
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::size_t FindBlank(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsBlank(text[i])) return i;
    }
    return std::string_view::npos;
}

std::string SingleSpaced(std::string_view text) {
    std::string line;
    for (text = TrimBlanks(text); !text.empty(); text = TrimBlanks(text)) {
        const std::string_view word = text.substr(0, FindBlank(text));
        if (!line.empty()) line += ' ';
        line += word;
        text.remove_prefix(word.size());
    }
    return line;
}

}  // namespace kovex
