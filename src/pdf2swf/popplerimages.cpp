#include "pdf2swf/popplerimages.h"

#include <GfxState.h>
#include <Stream.h>

#include <cmath>

namespace lw::pdf2swf {

QByteArray ReadAll(Stream *str, std::size_t limit) {
  QByteArray out;
  char buf[16384];
  for (;;) {
    const int n = str->doGetChars(sizeof buf, reinterpret_cast<unsigned char *>(buf));
    if (n <= 0) break;
    out.append(buf, n);
    if (static_cast<std::size_t>(out.size()) > limit) return {};
  }
  return out;
}

bool UsableJpeg(const QByteArray &j, int comps, int *w, int *h) {
  const auto *p = reinterpret_cast<const unsigned char *>(j.constData());
  const qsizetype n = j.size();
  if (n < 4 || p[0] != 0xFF || p[1] != 0xD8) return false;
  qsizetype at = 2;
  while (at + 4 <= n) {
    if (p[at] != 0xFF) return false;
    const int m = p[at + 1];
    if (m == 0xFF) {
      ++at;
      continue;
    }
    const qsizetype len = (p[at + 2] << 8) | p[at + 3];
    if (m == 0xEE) return false;  // Adobe colour transforms: leave to the decoder
    if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC) {
      if (m != 0xC0 && m != 0xC1) return false;
      if (at + 10 > n) return false;
      *h = (p[at + 5] << 8) | p[at + 6];
      *w = (p[at + 7] << 8) | p[at + 8];
      return p[at + 9] == comps && *w > 0 && *h > 0 && *w <= kMaxImageSide && *h <= kMaxImageSide;
    }
    at += 2 + len;
  }
  return false;
}

QImage ReadColour(Stream *str, int width, int height, GfxImageColorMap *colorMap, bool) {
  QImage img(width, height, QImage::Format_RGB32);
  if (img.isNull()) return img;
  ImageStream is(str, width, colorMap->getNumPixelComps(), colorMap->getBits());
  is.reset();
  for (int yy = 0; yy < height; ++yy) {
    unsigned char *line = is.getLine();
    if (!line) {
      img.fill(Qt::white);
      break;
    }
    colorMap->getRGBLine(line, reinterpret_cast<unsigned int *>(img.scanLine(yy)), width);
    auto *px = reinterpret_cast<QRgb *>(img.scanLine(yy));
    for (int xx = 0; xx < width; ++xx) px[xx] |= 0xFF000000u;
  }
  is.close();
  return img;
}

QImage ReadMask(Stream *str, int width, int height, bool invert, bool) {
  QImage mask(width, height, QImage::Format_Grayscale8);
  if (mask.isNull()) return mask;
  ImageStream is(str, width, 1, 1);
  is.reset();
  for (int yy = 0; yy < height; ++yy) {
    unsigned char *line = is.getLine();
    uchar *out = mask.scanLine(yy);
    for (int xx = 0; xx < width; ++xx) out[xx] = line && ((line[xx] ? 1 : 0) == (invert ? 1 : 0)) ? 255 : 0;
  }
  is.close();
  return mask;
}

QImage WithAlpha(const QImage &img, const QImage &mask, double alpha) {
  QImage out = img.convertToFormat(QImage::Format_ARGB32);
  const QImage m = mask.isNull() ? QImage() : mask.scaled(img.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
  for (int yy = 0; yy < out.height(); ++yy) {
    auto *px = reinterpret_cast<QRgb *>(out.scanLine(yy));
    const uchar *mv = m.isNull() ? nullptr : m.constScanLine(yy);
    for (int xx = 0; xx < out.width(); ++xx) {
      const int a = static_cast<int>(std::lround(qAlpha(px[xx]) * (mv ? mv[xx] / 255.0 : 1.0) * alpha));
      px[xx] = qRgba(qRed(px[xx]), qGreen(px[xx]), qBlue(px[xx]), a);
    }
  }
  return out;
}

}  // namespace lw::pdf2swf
