// Drawing a page with Poppler's core: the page display with the Gfx owned
// by the caller, and a page drawn by Splash as a bitmap within its budget.
// Belongs to the Poppler-core adapter (pdfpages.cpp); nothing else includes it.
#pragma once

#include "pdf2swf/pdfpages.h"

#include <cstddef>

class GfxPath;
class OutputDev;
class PDFDoc;

namespace lw::pdf2swf {

// Thrown from a drawing call to stop drawing a page at once: Gfx goes on
// through a content stream after a failed abort check (nested forms and
// tiling patterns run their own loops), so a page that is already lost is
// left by unwinding out of Poppler. The reason is kept by the device.
struct PageStop {};

// The segments of `path` as the reader makes them, counted without making
// them. Never fails.
std::size_t SegmentCount(const GfxPath *path);

// Draws page `pageNum` (from 1) on `out` as Poppler's own page display does
// (contents, then annotations), with the Gfx owned here: a drawing left by
// PageStop or bad_alloc frees it, and the page's graphic state and path with
// it, instead of leaking them. Does nothing for a page the document lacks.
void DrawPage(PDFDoc *doc, int pageNum, OutputDev *out, double dpi, bool (*abortCheck)(void *), void *data);

// Page `pageNum` (from 1) drawn by Splash as Poppler's Qt interface sets it
// up (antialiased, on white) at `dpi` within `limits`. Returns a null image
// with the reason when it goes over them, runs out of memory or draws
// nothing; `unwound` is set when drawing was left by unwinding out of
// Poppler (the document is then not to be trusted).
RenderedPage DrawBitmap(PDFDoc *doc, int pageNum, double dpi, const RenderLimits &limits, bool *unwound);

}  // namespace lw::pdf2swf
