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

// The movie of one page, its stage the page size in points. Returns an
// empty vector, with the reason in `error` when given, for a page without a
// positive size or when an image cannot be encoded.
swf::Bytes VectorPageMovie(const PageModel &page, const VectorOptions &options, QString *error = nullptr);

}  // namespace lw::pdf2swf
