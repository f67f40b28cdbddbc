#include "swf/swfvector.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>

namespace lw::swf {

namespace {

void Append(Bytes &out, const Bytes &more) { out.insert(out.end(), more.begin(), more.end()); }

std::int32_t Twip(double v) {
  const double r = std::round(v);
  if (!(r == r)) return 0;
  return static_cast<std::int32_t>(std::clamp(r, -1.0e9, 1.0e9));
}

void AppendRgba(Bytes &out, const Rgba &c) {
  out.push_back(c.r);
  out.push_back(c.g);
  out.push_back(c.b);
  out.push_back(c.a);
}

void AppendCount(Bytes &out, std::size_t n) {
  if (n < 0xFF) {
    out.push_back(static_cast<std::uint8_t>(n));
  } else {
    out.push_back(0xFF);
    AppendU16(out, static_cast<std::uint16_t>(std::min<std::size_t>(n, 0xFFFF)));
  }
}

}  // namespace

void AppendFillStyles(Bytes &out, const std::vector<FillStyle> &fills) {
  AppendCount(out, fills.size());
  for (const FillStyle &f : fills) {
    switch (f.kind) {
      case FillStyle::Solid:
        out.push_back(0x00);
        AppendRgba(out, f.color);
        break;
      case FillStyle::Linear:
      case FillStyle::Radial:
      case FillStyle::Focal: {
        out.push_back(f.kind == FillStyle::Linear ? 0x10 : f.kind == FillStyle::Radial ? 0x12 : 0x13);
        AppendMatrix(out, f.matrix);
        const std::size_t n = std::clamp<std::size_t>(f.stops.size(), 1, 15);
        // Pad spread, normal RGB interpolation.
        out.push_back(static_cast<std::uint8_t>(n));
        for (std::size_t i = 0; i < n; ++i) {
          const GradientStop s = i < f.stops.size() ? f.stops[i] : GradientStop{};
          out.push_back(s.ratio);
          AppendRgba(out, s.color);
        }
        if (f.kind == FillStyle::Focal) {
          const auto v = static_cast<std::int16_t>(std::lround(std::clamp(f.focal, -1.0, 1.0) * 256));
          AppendU16(out, static_cast<std::uint16_t>(v));
        }
        break;
      }
      case FillStyle::Bitmap:
        out.push_back(f.smooth ? 0x41 : 0x43);
        AppendU16(out, f.bitmapId);
        AppendMatrix(out, f.matrix);
        break;
    }
  }
}

void AppendLineStyles(Bytes &out, const std::vector<LineStyle> &lines) {
  AppendCount(out, lines.size());
  for (const LineStyle &l : lines) {
    AppendU16(out, l.width);
    BitWriter bits;
    bits.WriteUB(static_cast<std::uint32_t>(l.cap), 2);
    bits.WriteUB(static_cast<std::uint32_t>(l.join), 2);
    bits.WriteUB(0, 1);  // HasFill
    bits.WriteUB(0, 1);  // NoHScale
    bits.WriteUB(0, 1);  // NoVScale
    bits.WriteUB(0, 1);  // PixelHinting
    bits.WriteUB(0, 5);  // reserved
    bits.WriteUB(0, 1);  // NoClose
    bits.WriteUB(static_cast<std::uint32_t>(l.cap), 2);
    Append(out, bits.Finish());
    if (l.join == LineStyle::MiterJoin)
      AppendU16(out, static_cast<std::uint16_t>(std::lround(std::clamp(l.miterLimit, 1.0, 255.0) * 256)));
    AppendRgba(out, l.color);
  }
}

ShapeBuilder::ShapeBuilder(bool withStyles) : withStyles_(withStyles) {
  if (!withStyles_) {
    fillBits_ = 1;
    lineBits_ = 0;
    bits_.WriteUB(1, 4);
    bits_.WriteUB(0, 4);
  }
}

void ShapeBuilder::BeginLayer(const std::vector<FillStyle> &fills, const std::vector<LineStyle> &lines) {
  const int fb = UnsignedBits(static_cast<std::uint32_t>(fills.size()));
  const int lb = UnsignedBits(static_cast<std::uint32_t>(lines.size()));
  for (const LineStyle &l : lines) widestLine_ = std::max<int>(widestLine_, l.width);
  if (firstLayer_) {
    firstLayer_ = false;
    AppendFillStyles(head_, fills);
    AppendLineStyles(head_, lines);
    bits_.WriteUB(static_cast<std::uint32_t>(fb), 4);
    bits_.WriteUB(static_cast<std::uint32_t>(lb), 4);
  } else {
    // A record of its own that only brings the new styles; selections follow
    // in the next record, read with the new field widths.
    bits_.WriteUB(0, 1);
    bits_.WriteUB(1, 1);  // StateNewStyles
    bits_.WriteUB(0, 4);  // no line, fill1, fill0, move
    Bytes styles;
    AppendFillStyles(styles, fills);
    AppendLineStyles(styles, lines);
    bits_.AppendBytes(styles);
    bits_.WriteUB(static_cast<std::uint32_t>(fb), 4);
    bits_.WriteUB(static_cast<std::uint32_t>(lb), 4);
  }
  fillBits_ = fb;
  lineBits_ = lb;
  fill0_ = fill1_ = line_ = 0;
  styleDirty_ = true;
}

void ShapeBuilder::SetStyle(int fill0, int fill1, int line) {
  if (fill0 != fill0_ || fill1 != fill1_ || line != line_) styleDirty_ = true;
  fill0_ = fill0;
  fill1_ = fill1;
  line_ = line;
}

void ShapeBuilder::StyleRecord(bool move) {
  // After new styles every selection is written, even in zero-bit fields:
  // a reader may keep the previous layer's selections otherwise, pointing
  // past the new, shorter style arrays.
  const bool styles = styleDirty_;
  bits_.WriteUB(0, 1);
  bits_.WriteUB(0, 1);  // no new styles
  bits_.WriteUB(styles && withStyles_ ? 1 : 0, 1);
  bits_.WriteUB(styles ? 1 : 0, 1);
  bits_.WriteUB(styles ? 1 : 0, 1);
  bits_.WriteUB(move ? 1 : 0, 1);
  if (move) {
    const int n = std::max(1, std::max(SignedBits(x_), SignedBits(y_)));
    bits_.WriteUB(static_cast<std::uint32_t>(n), 5);
    bits_.WriteSB(x_, n);
    bits_.WriteSB(y_, n);
  }
  if (styles) {
    bits_.WriteUB(static_cast<std::uint32_t>(fill0_), fillBits_);
    bits_.WriteUB(static_cast<std::uint32_t>(fill1_), fillBits_);
  }
  if (styles && withStyles_) bits_.WriteUB(static_cast<std::uint32_t>(line_), lineBits_);
  styleDirty_ = false;
}

void ShapeBuilder::Grow(std::int32_t x, std::int32_t y) {
  if (!haveBounds_) {
    minX_ = maxX_ = x;
    minY_ = maxY_ = y;
    haveBounds_ = true;
    return;
  }
  minX_ = std::min(minX_, x);
  maxX_ = std::max(maxX_, x);
  minY_ = std::min(minY_, y);
  maxY_ = std::max(maxY_, y);
}

void ShapeBuilder::MoveTo(double x, double y) {
  if (!withStyles_ && styleDirty_ == false && fill1_ == 0) {
    fill1_ = 1;
    styleDirty_ = true;
  }
  x_ = Twip(x);
  y_ = Twip(y);
  StyleRecord(true);
  Grow(x_, y_);
}

void ShapeBuilder::Edge(std::int32_t x, std::int32_t y) {
  const std::int32_t dx = x - x_, dy = y - y_;
  if (dx == 0 && dy == 0) return;
  const int n = std::max(2, std::max(SignedBits(dx), SignedBits(dy)));
  bits_.WriteUB(1, 1);
  bits_.WriteUB(1, 1);
  bits_.WriteUB(static_cast<std::uint32_t>(n - 2), 4);
  if (dx != 0 && dy != 0) {
    bits_.WriteUB(1, 1);  // general line
    bits_.WriteSB(dx, n);
    bits_.WriteSB(dy, n);
  } else {
    bits_.WriteUB(0, 1);
    bits_.WriteUB(dx == 0 ? 1 : 0, 1);
    bits_.WriteSB(dx == 0 ? dy : dx, n);
  }
  x_ = x;
  y_ = y;
  ++edges_;
  Grow(x, y);
}

void ShapeBuilder::LineTo(double x, double y) {
  const std::int32_t tx = Twip(x), ty = Twip(y);
  const std::int64_t dx = static_cast<std::int64_t>(tx) - x_, dy = static_cast<std::int64_t>(ty) - y_;
  const std::int64_t longest = std::max(std::llabs(dx), std::llabs(dy));
  const std::int64_t pieces = std::max<std::int64_t>(1, (longest + kMaxEdgeDelta - 1) / kMaxEdgeDelta);
  const std::int32_t x0 = x_, y0 = y_;
  for (std::int64_t i = 1; i <= pieces; ++i)
    Edge(static_cast<std::int32_t>(x0 + dx * i / pieces), static_cast<std::int32_t>(y0 + dy * i / pieces));
}

void ShapeBuilder::CurveEdge(std::int32_t cx, std::int32_t cy, std::int32_t x, std::int32_t y) {
  const std::int32_t cdx = cx - x_, cdy = cy - y_, adx = x - cx, ady = y - cy;
  if (cdx == 0 && cdy == 0) return Edge(x, y);
  if (adx == 0 && ady == 0) return Edge(x, y);
  const int n = std::max({2, SignedBits(cdx), SignedBits(cdy), SignedBits(adx), SignedBits(ady)});
  bits_.WriteUB(1, 1);
  bits_.WriteUB(0, 1);
  bits_.WriteUB(static_cast<std::uint32_t>(n - 2), 4);
  bits_.WriteSB(cdx, n);
  bits_.WriteSB(cdy, n);
  bits_.WriteSB(adx, n);
  bits_.WriteSB(ady, n);
  x_ = x;
  y_ = y;
  ++edges_;
  Grow(cx, cy);
  Grow(x, y);
}

void ShapeBuilder::QuadTo(double cx, double cy, double x, double y) {
  // Halve the curve until each part's deltas fit an edge record.
  struct Q {
    double x0, y0, cx, cy, x1, y1;
  };
  std::vector<Q> todo{{static_cast<double>(x_), static_cast<double>(y_), cx, cy, x, y}};
  while (!todo.empty()) {
    const Q q = todo.back();
    todo.pop_back();
    const double span = std::max({std::abs(q.cx - q.x0), std::abs(q.cy - q.y0), std::abs(q.x1 - q.cx),
                                  std::abs(q.y1 - q.cy)});
    if (span > kMaxEdgeDelta - 2) {
      const double ax = (q.x0 + q.cx) / 2, ay = (q.y0 + q.cy) / 2;
      const double bx = (q.cx + q.x1) / 2, by = (q.cy + q.y1) / 2;
      const double mx = (ax + bx) / 2, my = (ay + by) / 2;
      todo.push_back({mx, my, bx, by, q.x1, q.y1});
      todo.push_back({q.x0, q.y0, ax, ay, mx, my});
      continue;
    }
    CurveEdge(Twip(q.cx), Twip(q.cy), Twip(q.x1), Twip(q.y1));
  }
}

void ShapeBuilder::CubicTo(double c1x, double c1y, double c2x, double c2y, double x, double y,
                           double tolerance) {
  const double p0x = x_, p0y = y_;
  // One quadratic per piece; its error is at most sqrt(3)/36 * |P3 - 3P2 + 3P1 - P0|,
  // divided by n^3 for n equal pieces.
  const double dx = x - 3 * c2x + 3 * c1x - p0x, dy = y - 3 * c2y + 3 * c1y - p0y;
  const double err = std::sqrt(3.0) / 36.0 * std::hypot(dx, dy);
  int n = 1;
  if (tolerance > 0 && err > tolerance) n = static_cast<int>(std::ceil(std::cbrt(err / tolerance)));
  n = std::clamp(n, 1, 64);
  auto at = [&](double t, double &ox, double &oy) {
    const double u = 1 - t;
    ox = u * u * u * p0x + 3 * u * u * t * c1x + 3 * u * t * t * c2x + t * t * t * x;
    oy = u * u * u * p0y + 3 * u * u * t * c1y + 3 * u * t * t * c2y + t * t * t * y;
  };
  auto deriv = [&](double t, double &ox, double &oy) {
    const double u = 1 - t;
    ox = 3 * (u * u * (c1x - p0x) + 2 * u * t * (c2x - c1x) + t * t * (x - c2x));
    oy = 3 * (u * u * (c1y - p0y) + 2 * u * t * (c2y - c1y) + t * t * (y - c2y));
  };
  double sx = p0x, sy = p0y;
  for (int i = 0; i < n; ++i) {
    const double t0 = static_cast<double>(i) / n, t1 = static_cast<double>(i + 1) / n, h = t1 - t0;
    double ex, ey, d0x, d0y, d1x, d1y;
    if (i + 1 == n) {
      ex = x;
      ey = y;
    } else {
      at(t1, ex, ey);
    }
    deriv(t0, d0x, d0y);
    deriv(t1, d1x, d1y);
    // Control points of the piece, then its quadratic (3(Q1 + Q2) - (Q0 + Q3)) / 4.
    const double q1x = sx + d0x * h / 3, q1y = sy + d0y * h / 3;
    const double q2x = ex - d1x * h / 3, q2y = ey - d1y * h / 3;
    const double cx = (3 * (q1x + q2x) - (sx + ex)) / 4, cy = (3 * (q1y + q2y) - (sy + ey)) / 4;
    QuadTo(cx, cy, ex, ey);
    sx = ex;
    sy = ey;
  }
}

Rect ShapeBuilder::edgeBounds() const {
  if (!haveBounds_) return {};
  return {minX_, maxX_, minY_, maxY_};
}

Rect ShapeBuilder::shapeBounds() const {
  if (!haveBounds_) return {};
  const int h = (widestLine_ + 1) / 2;
  return {minX_ - h, maxX_ + h, minY_ - h, maxY_ + h};
}

Bytes ShapeBuilder::Finish() {
  bits_.WriteUB(0, 6);  // end of shape
  Bytes out = head_;
  if (withStyles_ && firstLayer_) {
    out.push_back(0);  // no fill styles
    out.push_back(0);  // no line styles
    out.push_back(0);  // NumFillBits, NumLineBits
  }
  Append(out, bits_.Finish());
  return out;
}

Bytes DefineShape4Body(std::uint16_t id, ShapeBuilder &shape) {
  Bytes body;
  AppendU16(body, id);
  AppendRect(body, shape.shapeBounds());
  AppendRect(body, shape.edgeBounds());
  body.push_back(0x01);  // UsesScalingStrokes; fills even-odd
  Append(body, shape.Finish());
  return body;
}

Bytes DefineFontBody(std::uint16_t id, const std::string &name, const std::vector<FontGlyph> &glyphs) {
  if (glyphs.empty() || glyphs.size() > 0xFFFF) return {};
  for (std::size_t i = 1; i < glyphs.size(); ++i)
    if (glyphs[i].code <= glyphs[i - 1].code) return {};
  Bytes body;
  AppendU16(body, id);
  body.push_back(0x0C);  // WideOffsets | WideCodes
  body.push_back(0);     // language
  const std::string n = name.substr(0, 255);
  body.push_back(static_cast<std::uint8_t>(n.size()));
  body.insert(body.end(), n.begin(), n.end());
  AppendU16(body, static_cast<std::uint16_t>(glyphs.size()));
  // Offsets from the start of the offset table.
  std::uint32_t offset = static_cast<std::uint32_t>(4 * glyphs.size() + 4);
  for (const FontGlyph &g : glyphs) {
    AppendU32(body, offset);
    offset += static_cast<std::uint32_t>(g.shape.size());
  }
  AppendU32(body, offset);  // code table
  for (const FontGlyph &g : glyphs) Append(body, g.shape);
  for (const FontGlyph &g : glyphs) AppendU16(body, g.code);
  return body;
}

Bytes DefineText2Body(std::uint16_t id, const TextRun &run) {
  TextBlock block;
  block.matrix = run.matrix;
  block.bounds = run.bounds;
  block.runs.push_back(run);
  return DefineText2Body(id, block);
}

Bytes DefineText2Body(std::uint16_t id, const TextBlock &block) {
  int advanceBits = 1;
  std::uint16_t maxIndex = 0;
  bool any = false;
  for (const TextRun &run : block.runs) {
    for (std::size_t i = 0; i < run.glyphs.size(); ++i) {
      const PlacedGlyph &g = run.glyphs[i];
      if (g.x < -32767 || g.x > 32767 || g.y < -32767 || g.y > 32767) return {};
      maxIndex = std::max(maxIndex, g.index);
      if (i + 1 < run.glyphs.size() && run.glyphs[i + 1].y == g.y)
        advanceBits = std::max(advanceBits, SignedBits(run.glyphs[i + 1].x - g.x));
      any = true;
    }
  }
  if (!any) return {};
  const int glyphBits = std::max(1, UnsignedBits(maxIndex));
  Bytes body;
  AppendU16(body, id);
  AppendRect(body, block.bounds);
  AppendMatrix(body, block.matrix);
  body.push_back(static_cast<std::uint8_t>(glyphBits));
  body.push_back(static_cast<std::uint8_t>(advanceBits));
  const TextRun *style = nullptr;  // the font, height and colour in effect
  for (const TextRun &run : block.runs) {
    std::size_t i = 0;
    while (i < run.glyphs.size()) {
      // One record per line of equal y, at most 255 glyphs.
      std::size_t end = i + 1;
      while (end < run.glyphs.size() && end - i < 255 && run.glyphs[end].y == run.glyphs[i].y) ++end;
      const bool font = !style || style->fontId != run.fontId || style->height != run.height;
      const bool colour = !style || !(style->color == run.color);
      std::uint8_t flags = 0x80 | 0x01 | 0x02;  // record, XOffset, YOffset
      if (font) flags |= 0x08;
      if (colour) flags |= 0x04;
      body.push_back(flags);
      if (font) AppendU16(body, run.fontId);
      if (colour) AppendRgba(body, run.color);
      AppendU16(body, static_cast<std::uint16_t>(static_cast<std::int16_t>(run.glyphs[i].x)));
      AppendU16(body, static_cast<std::uint16_t>(static_cast<std::int16_t>(run.glyphs[i].y)));
      if (font) AppendU16(body, run.height);
      style = &run;
      body.push_back(static_cast<std::uint8_t>(end - i));
      BitWriter bits;
      for (std::size_t k = i; k < end; ++k) {
        bits.WriteUB(run.glyphs[k].index, glyphBits);
        const std::int32_t adv = k + 1 < end ? run.glyphs[k + 1].x - run.glyphs[k].x : 0;
        bits.WriteSB(adv, advanceBits);
      }
      Append(body, bits.Finish());
      i = end;
    }
  }
  body.push_back(0);  // end of records
  return body;
}

Bytes DefineBitsJpeg3Body(std::uint16_t id, const Bytes &jpeg, const Bytes &alpha) {
  uLongf packedSize = compressBound(static_cast<uLong>(alpha.size()));
  Bytes packed(packedSize);
  if (compress2(packed.data(), &packedSize, alpha.data(), static_cast<uLong>(alpha.size()), 9) != Z_OK)
    return {};
  packed.resize(packedSize);
  Bytes body;
  body.reserve(jpeg.size() + packed.size() + 6);
  AppendU16(body, id);
  AppendU32(body, static_cast<std::uint32_t>(jpeg.size()));
  Append(body, jpeg);
  Append(body, packed);
  return body;
}

Bytes PlaceObject2ClipBody(std::uint16_t depth, std::uint16_t characterId, std::uint16_t clipDepth) {
  Bytes body;
  body.push_back(static_cast<std::uint8_t>(0x06 | (clipDepth ? 0x40 : 0)));
  AppendU16(body, depth);
  AppendU16(body, characterId);
  AppendMatrix(body, Matrix{});
  if (clipDepth) AppendU16(body, clipDepth);
  return body;
}

Bytes PlaceObject3BlendBody(std::uint16_t depth, std::uint16_t characterId, BlendMode blend) {
  Bytes body;
  body.push_back(0x06);  // HasMatrix, HasCharacter
  body.push_back(0x02);  // HasBlendMode
  AppendU16(body, depth);
  AppendU16(body, characterId);
  AppendMatrix(body, Matrix{});
  body.push_back(static_cast<std::uint8_t>(blend));
  return body;
}

}  // namespace lw::swf
