// The main window's log lines and boxes are bytes shown as ISO 8859-1
// characters; the graphic window's texts are UTF-8. A terminal and a JSON
// reader get UTF-8, and control characters (a card's text may hold any
// byte) never reach a terminal raw.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kovex {

// The length of the well-formed UTF-8 character at `i`, or 0 when the bytes
// there are none (a stray continuation byte, an overlong form, a surrogate,
// a character cut short or beyond U+10FFFF).
std::size_t Utf8LengthAt(std::string_view text, std::size_t i);
// Each byte as its ISO 8859-1 character, in UTF-8.
std::string Latin1ToUtf8(std::string_view latin1);
// A text that may carry the user's own words (a file name, a typed value):
// kept as it is when it is UTF-8 already, read as ISO 8859-1 otherwise.
std::string MessageToUtf8(std::string_view text);
// The UTF-8 text with each control character and each byte that is not part
// of a UTF-8 character as "?", so a line never moves the cursor, rings the
// bell or starts an 8-bit control sequence; line ends are kept when asked (a
// box's text).
std::string TerminalText(std::string_view utf8, bool keepLineEnds = false);

}  // namespace kovex
