#include "swf/swfreader.h"

#include "swf/swfmovie.h"

namespace lw::swf {
namespace {

constexpr int kTagMetadata = 77;

}  // namespace

std::optional<PageBitmap> ExtractPageBitmap(const Bytes &movie) {
  // Lenient about the length field and what follows the End tag, as
  // converters of old wrote them.
  const MovieReader reader(movie);
  if (!reader.ok()) return std::nullopt;
  PageBitmap page;
  const Rect &stage = reader.head().frame;
  page.stageWidthTwips = stage.xMax - stage.xMin;
  page.stageHeightTwips = stage.yMax - stage.yMin;
  if (page.stageWidthTwips <= 0 || page.stageHeightTwips <= 0) return std::nullopt;

  int bitmaps = 0, shapes = 0;
  TagWalker tags = reader.Tags();
  for (MovieTag tag; tags.Next(tag);) {
    switch (tag.code) {
      case kTagEnd:
        if (bitmaps != 1 || shapes != 1) return std::nullopt;
        return page;
      case kTagShowFrame:
      case kTagFileAttributes:
      case kTagMetadata:
      case kTagSetBackgroundColor:
      case kTagPlaceObject2:
        break;
      case kTagDefineShape:
        ++shapes;
        break;
      case kTagDefineBitsJpeg2: {
        ++bitmaps;
        if (tag.length < 2) return std::nullopt;
        const std::uint8_t *from = tags.Body(tag) + 2;
        const std::uint8_t *to = tags.Body(tag) + tag.length;
        if (to - from >= 4 && from[0] == 0xFF && from[1] == 0xD9 && from[2] == 0xFF && from[3] == 0xD8) from += 4;
        if (to - from < 2 || from[0] != 0xFF || from[1] != 0xD8) return std::nullopt;
        page.jpeg.assign(from, to);
        break;
      }
      default:
        return std::nullopt;  // anything drawn otherwise is not a plain bitmap page
    }
  }
  return std::nullopt;  // no End tag
}

}  // namespace lw::swf
