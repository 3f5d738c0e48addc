// The glyphs of the program's 8 x 8 bitmap font, drawn by hand for this
// project.
#pragma once

namespace zarvo_tools {

constexpr int kGlyphSize = 8;
constexpr int kFirstGlyph = 32;  // space
constexpr int kLastGlyph = 126;  // tilde

// Whether the pixel at (row, column) of the cell for `code` is lit; rows and
// columns run 0..7 from the top-left. Codes outside 32..126 have no glyph and
// are blank.
//
// Layout of a cell: capitals and digits stand in rows 0..6 with row 6 as the
// baseline; lower case has its x-height in rows 2..6, and the descenders of
// g, j, p, q and y lift their bowls one row and reach into row 7, which is
// otherwise left free to separate lines. Most glyphs are five columns wide
// (columns 1..5, with column 3 as the centre), and column 7 is always blank
// so that neighbouring glyphs never touch.
bool glyph_pixel(int code, int row, int column);

// Checks the table itself: every code of 32..126 present once and in order,
// every row eight characters of '.' and '#', column 7 blank. Prints what is
// wrong on stderr and returns false if anything is.
bool glyph_table_is_well_formed();

}  // namespace zarvo_tools
