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

// The picture the converter writes beside the first page file of a vector
// conversion, for the book's first view: the page file's path with its last
// extension replaced by ".jpg" ("report_1.swf" -> "report_1.jpg"; a name
// without an extension gets ".jpg" appended). Pure.
std::string PagePicturePath(const std::string &pageFile);

// The words of a page that the converter writes beside each page file: the
// page file's path with its last extension replaced by ".words", chosen as
// PagePicturePath chooses. Pure.
std::string PageWordsPath(const std::string &pageFile);

// The longer side of that picture, in pixels: sharp on a 1280 x 800 view.
inline constexpr int kPagePictureSide = 1000;

}  // namespace lw::swf
