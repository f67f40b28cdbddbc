#include "pdf2swf/fallback.h"

namespace lw::pdf2swf {

QString FallbackText(FallbackReason reason) {
  switch (reason) {
    case FallbackReason::None: return {};
    case FallbackReason::BlendMode: return QStringLiteral("blend mode");
    case FallbackReason::BlendOverBarePage: return QStringLiteral("blend mode over the bare page");
    case FallbackReason::BlendInIsolatedGroup: return QStringLiteral("blend mode in an isolated group");
    case FallbackReason::SoftMask: return QStringLiteral("soft mask");
    case FallbackReason::PatternImageMask: return QStringLiteral("pattern-filled image mask");
    case FallbackReason::KnockoutGroup: return QStringLiteral("knockout group");
    case FallbackReason::GroupOpacity: return QStringLiteral("group opacity");
    case FallbackReason::FunctionShading: return QStringLiteral("function shading");
    case FallbackReason::MeshShading: return QStringLiteral("mesh shading");
    case FallbackReason::DegenerateShading: return QStringLiteral("degenerate shading");
    case FallbackReason::RadialBetweenCircles: return QStringLiteral("radial shading between circles");
    case FallbackReason::ShadingColour: return QStringLiteral("shading colour");
    case FallbackReason::TextAsClip: return QStringLiteral("text as clip");
    case FallbackReason::OutlinedText: return QStringLiteral("outlined text");
    case FallbackReason::MattedImage: return QStringLiteral("matted image");
    case FallbackReason::TooManyItems: return QStringLiteral("too many items");
    case FallbackReason::TooManyPaths: return QStringLiteral("too many paths");
    case FallbackReason::TooManyClips: return QStringLiteral("too many clips");
    case FallbackReason::ClipsTooDeep: return QStringLiteral("clips nested too deep");
    case FallbackReason::TooManyImages: return QStringLiteral("too many images");
    case FallbackReason::ImageTooLarge: return QStringLiteral("image too large");
    case FallbackReason::TookTooLong: return QStringLiteral("took too long");
    case FallbackReason::TilingCells: return QStringLiteral("tiling pattern of too many cells");
    case FallbackReason::TooManySegments: return QStringLiteral("too many segments");
    case FallbackReason::MeshTriangles: return QStringLiteral("mesh shading of too many triangles");
    case FallbackReason::MeshPatches: return QStringLiteral("mesh shading of too many patches");
    case FallbackReason::OutOfMemory: return QStringLiteral("out of memory");
    case FallbackReason::NoSuchPage: return QStringLiteral("no such page");
    case FallbackReason::NoPageSize: return QStringLiteral("no page size");
    case FallbackReason::NothingDrawn: return QStringLiteral("nothing drawn");
    case FallbackReason::NotDrawn: return QStringLiteral("not drawn");
    case FallbackReason::NotReadable: return QStringLiteral("not readable as vectors");
    case FallbackReason::WriterError: return QStringLiteral("writer");
    case FallbackReason::CheckFailed: return QStringLiteral("check");
    case FallbackReason::LargerThanBitmap: return QStringLiteral("larger than its bitmap");
    case FallbackReason::NotEncoded: return QStringLiteral("not encoded");
  }
  return {};
}

}  // namespace lw::pdf2swf
