// A page model as a vector page movie: paths as shapes, glyph runs as
// embedded fonts and texts, images as bitmaps, clips as clipping layers.
#pragma once

#include "pdf2swf/pagemodel.h"
#include "swf/swfwriter.h"

namespace lw::pdf2swf {

struct VectorOptions {
  int quality = 100;     // JPEG quality of images that are not passed through
  bool compress = false;  // CWS movie
};

// Glyphs of one run at a time in a movie are drawn one by one, each a call
// of the runtime, and a page of an index or a table of contents has
// thousands of leader dots. Runs of at least `kLeaderGroup` copies of one
// small glyph (at most 0.4 em wide) at one even step (within 0.01 point)
// are written as glyphs of `kLeaderGroup` copies each, added to the page's
// font (code unknown); the rest of a run stays as it is. Returns how many
// glyphs of `page` were merged; 0 leaves it unchanged.
inline constexpr int kLeaderGroup = 8;
int MergeLeaderDots(PageModel *page);

// The movie of one page, its stage the page size in points. Leader dots are
// merged first (MergeLeaderDots). Returns an
// empty vector, with the reason in `error` when given, for a page without a
// positive size or when an image cannot be encoded.
// The model is taken by value: merging changes it (move one in when it is
// not needed afterwards).
swf::Bytes VectorPageMovie(PageModel page, const VectorOptions &options, QString *error = nullptr);

}  // namespace lw::pdf2swf
