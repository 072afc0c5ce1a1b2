// The main window's log lines and boxes are bytes shown as ISO 8859-1
// characters; the graphic window's texts are UTF-8. A terminal and a JSON
// reader get UTF-8, and control characters (a card's text may hold any
// byte) never reach a terminal raw.
#pragma once

#include <string>
#include <string_view>

namespace kovex {

// Each byte as its ISO 8859-1 character, in UTF-8.
std::string Latin1ToUtf8(std::string_view latin1);
// The UTF-8 text with each control character as "?", so a line never moves
// the cursor or rings the bell; line ends are kept when asked (a box's text).
std::string TerminalText(std::string_view utf8, bool keepLineEnds = false);

}  // namespace kovex
