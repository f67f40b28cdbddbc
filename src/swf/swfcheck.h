// The movie checker: reads a whole movie as the player's runtime would and
// refuses anything it could choke on. Every page movie passes through here
// before it is put in place, because one malformed shape or bitmap stops the
// whole book in the browser.
#pragma once

#include "swf/swfwriter.h"

#include <string>

namespace lw::swf {

struct CheckLimits {
  int maxBitmapSide = 4096;  // pixels, either side of any bitmap
  int version = 10;          // required file version
};

struct CheckResult {
  bool ok = false;
  std::string error;  // first problem found, empty when ok
  int tags = 0;       // tags read (top level and in sprites)
  int shapes = 0, fonts = 0, texts = 0, bitmaps = 0;
  std::size_t edges = 0;  // edge records in shapes and glyphs
};

// Checks a complete movie (FWS or CWS) held in memory: the header and its
// length, that every tag lies inside the file and ends with an End tag,
// that the body of every tag a page movie may hold is well formed and used
// up exactly (style arrays, shape records ending with their end record,
// glyph tables and their offsets, text records naming defined fonts and
// glyphs, bitmap headers and their pixel data), that characters are defined
// once before they are used, and that no bitmap exceeds the limits. Tags
// that page movies never hold are refused. Returns ok == false with the
// first problem in `error`.
CheckResult CheckMovie(const Bytes &movie, const CheckLimits &limits = {});

}  // namespace lw::swf
