// Typed numbers: the conversion of typed text to a signed 32-bit number
// (it never fails), and the blanks that separate numbers in a typed line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kovex {

// Leading spaces are skipped (not tabs). A "+" or "-" may follow, after which
// only decimal digits count. Without a sign, "$", "x", "X", "0x" or "0X" start
// a hexadecimal number. Digits that run to the end give the value (decimal
// with its sign; hexadecimal as its 32-bit pattern). Reading stops at the
// first character that is not a digit, and the digits read so far are
// returned without the sign. No digits at all give 0.
//
// Beyond 32 bits the value keeps its low 32 bits (it wraps modulo 2^32), for
// decimal and hexadecimal alike: "4294967296" gives 0, "4294967298" gives 2,
// "$123456789" gives 0x23456789. A typed byte refuses such a number
// (ReadTypedByte), so a wrapped value never travels.
std::int32_t TextToInt(std::string_view text);
// TextToInt's value, or nothing when the digits read need more than 32 bits.
std::optional<std::int32_t> TextToIntWithin32Bits(std::string_view text);

// A typed number that is to travel as one byte of a frame: TextToInt's
// value, refused when the text has no digit where its number begins ("abc",
// "x", "-"), when the value is outside 0 to 255 ("256", "-3", or any number
// beyond 32 bits, "4294967306"), or when it is 255, which would end the
// frame early.
struct TypedByte {
    enum class Reading { Fits, NoDigits, OutOfRange, FrameEnd };
    Reading reading = Reading::Fits;
    std::uint8_t value = 0;  // when it fits
    bool Fits() const { return reading == Reading::Fits; }
};
TypedByte ReadTypedByte(std::string_view typed);
// "is not a number", "is not a number from 0 to 254"; empty for a number
// that fits or is 255 (its callers say why 255 cannot travel).
std::string_view TypedByteProblem(TypedByte::Reading reading);

// A blank separates typed numbers: the space and every control character
// (codes 0x00 to 0x20), so a pasted line break or tab splits them as a space.
constexpr bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

// Removes the blanks from both ends of a typed line, as the node message and
// poll list parsers do before each token.
std::string_view TrimBlanks(std::string_view text);

// Where the first blank stands; npos when there is none.
std::size_t FindBlank(std::string_view text);

// The words of a typed line joined by single spaces, no blank at either end:
// "10 0 7\r\n10  3" gives "10 0 7 10 3". Shows a line as its numbers are read.
std::string SingleSpaced(std::string_view text);

}  // namespace kovex
