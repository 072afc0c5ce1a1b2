// The poll list refresh's read in Memo1: each read takes the place of the one
// before it, at the end of the log, and every other line stays where it is.
#pragma once

#include <string>
#include <vector>

class QPlainTextEdit;

namespace kovex {

// Lines are bytes, shown one for one as 8-bit characters.
void ShowRefreshRead(QPlainTextEdit& memo, const std::vector<std::string>& lines);

}  // namespace kovex
