// The simulated display's two fonts. "5x7" draws each character as 5 x 7
// pixels in a cell of 6 x 8 (one blank column right of it, one blank row
// below); "10x14" is the same glyph with every pixel doubled, in a cell of
// 12 x 16. Printable ASCII (32 to 126) has glyphs; every other code draws as
// a hollow box, so a character the font lacks still shows that it arrived.
#pragma once

#include <cstdint>

namespace kovex {

enum class DisplayFont : std::uint8_t { Small5x7 = 0, Large10x14 = 1 };

// Width and height of one character cell, spacing included.
int CellWidth(DisplayFont font);
int CellHeight(DisplayFont font);

// True when the pixel at (column, row) of the character's cell is ink.
// Outside the cell nothing is ink.
bool GlyphInk(DisplayFont font, std::uint8_t code, int column, int row);

}  // namespace kovex
