// Path geometry the movie format needs done before writing: nonzero fills
// turned into areas that come out right under even-odd filling, and dashes
// turned into separate pieces.
#pragma once

#include "pdf2swf/pagemodel.h"

#include <QPainterPath>

#include <vector>

namespace lw::pdf2swf {

// A path whose even-odd filling covers exactly what `path` covers under its
// own fill rule. Even-odd paths come back as they are. For nonzero paths,
// contours that do not cross one another are kept or dropped by their
// winding numbers (a contour stays when the winding number is zero on
// exactly one side of it); crossing contours are merged first, which
// flattens their curves at `flatness` (path units). Never fails; an empty
// path gives an empty path.
QPainterPath EvenOddEquivalent(const QPainterPath &path, double flatness);

// The dashed pieces of `path` as open subpaths: `pattern` holds on and off
// lengths (path units, as PDF gives them), `phase` the distance into the
// pattern at each subpath's start. Curves are flattened first (Qt's
// flattening). A pattern that is empty, has a negative length or sums to
// zero gives `path` unchanged.
QPainterPath DashPath(const QPainterPath &path, const std::vector<double> &pattern, double phase);

// Whether `path` is one closed axis-aligned rectangle; its rectangle in
// `rect` when it is.
bool IsRectangle(const QPainterPath &path, QRectF *rect);

// The page area (points) that `item` of `page` may paint: a fill's path, a
// stroke's path widened by its width (times the miter limit), an image's
// placed rectangle, a text's glyph outlines where they stand. Empty for an
// item that paints nothing.
QRectF PaintedBounds(const PageModel &page, const PageItem &item);

}  // namespace lw::pdf2swf
