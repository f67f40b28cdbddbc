// Why a page is not written as the vector movie it was read as: the reasons
// a page becomes a bitmap page, or (for the bitmap's own reasons) a plain
// page. The report and the runner's messages show FallbackText.
#pragma once

#include <QString>

namespace lw::pdf2swf {

enum class FallbackReason {
  None,
  // Reading the page as vectors: what the movie cannot show faithfully.
  BlendMode,             // a blend mode the player lacks, or a blended group it cannot split
  BlendOverBarePage,     // a mode that differs over the page's white
  BlendInIsolatedGroup,  // a blended item in an isolated group
  SoftMask,
  PatternImageMask,  // an image mask filled with a pattern
  KnockoutGroup,
  GroupOpacity,
  FunctionShading,
  MeshShading,
  DegenerateShading,     // an axial shading of no length, a radial one of no radius
  RadialBetweenCircles,  // a radial shading the format's focal gradient cannot draw
  ShadingColour,         // a shading whose colour cannot be read
  TextAsClip,
  OutlinedText,
  MattedImage,
  // Reading the page as vectors: its budget (ReadLimits).
  TooManyItems,
  TooManyPaths,
  TooManyClips,
  ClipsTooDeep,
  TooManyImages,
  ImageTooLarge,
  // Reading or drawing the page, and the bitmap's budget (RenderLimits).
  TookTooLong,
  TilingCells,  // a tiling pattern of too many cells
  TooManySegments,
  MeshTriangles,  // a mesh shading of too many triangles
  MeshPatches,    // a mesh shading of too many patches
  OutOfMemory,
  NoSuchPage,
  NoPageSize,
  NothingDrawn,
  NotDrawn,
  // Writing the page.
  NotReadable,       // the document could not be read by the vector reader
  WriterError,       // the movie writer refused the page (with its detail)
  CheckFailed,       // the written movie failed CheckMovie (with its detail)
  LargerThanBitmap,  // a large vector movie larger than its bitmap page
  NotEncoded,        // the bitmap could not be encoded
};

// The number of reasons, None included: every value is below it.
inline constexpr int kFallbackReasonCount = static_cast<int>(FallbackReason::NotEncoded) + 1;

// The reason's words as the report gives them ("soft mask", "took too
// long"); an empty string for None. Never fails.
QString FallbackText(FallbackReason reason);

}  // namespace lw::pdf2swf
