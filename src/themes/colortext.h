// Colours as text: six hexadecimal digits, red first (RRGGBB), no prefix.
// In memory a colour is a TColor, 0x00BBGGRR.
#pragma once

#include "model/tbookobj.h"

#include <QString>

namespace lw {

// The red, green and blue bytes of `color` as two upper-case hexadecimal
// digits each, in that order ("FF0000" for pure red). The top byte is
// ignored. Never fails.
QString ColorToHexText(TColor color);

// Reads `text` as a hexadecimal number of 1 to 8 digits in either letter
// case, with an optional leading "$" or "#", and turns its 0xRRGGBB into
// the colour 0x00BBGGRR (the top byte of an 8-digit value is dropped).
// Returns 0 (black) for any other text: empty, blanks, non-hex characters,
// more than 8 digits.
TColor HexTextToColor(const QString &text);

}  // namespace lw
