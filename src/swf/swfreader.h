// Reading page movies back: the one bitmap of a page movie as
// BuildPageMovie writes it. Works on bytes in memory.
#pragma once

#include "swf/swfwriter.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace lw::swf {

// The bitmap of a bitmap page movie and the stage it is stretched over.
struct PageBitmap {
  Bytes jpeg;  // a complete JPEG stream from its SOI marker
  std::int32_t stageWidthTwips = 0;
  std::int32_t stageHeightTwips = 0;
};

// The JPEG of a page movie that is one bitmap and nothing else: a single
// DefineBitsJPEG2 shown through a single bitmap-filled DefineShape, with at
// most FileAttributes, Metadata, SetBackgroundColor, PlaceObject2,
// ShowFrame and End beside them. A leading empty-image pair of markers
// (FF D9 FF D8), which older writers put in front, is dropped. Returns no
// value for a movie that draws anything else (vector pages, text, several
// images), a bitmap that is not JPEG, or a damaged or truncated movie.
std::optional<PageBitmap> ExtractPageBitmap(const Bytes &movie);


}  // namespace lw::swf
