#include "output/autobooksize.h"

#include "output/imageconvert.h"

#include <cmath>

namespace lw {

QSize LimitBookSize(int w, int h) {
  if (w <= 1600 && h <= 1600) return {w, h};
  const double s = w < h ? h / 1600.0 : w / 1600.0;
  // nearbyint rounds halves to even under the default rounding mode.
  return {static_cast<int>(std::nearbyint(w / s)), static_cast<int>(std::nearbyint(h / s))};
}

QSize AutoBookSizeFor(const TFileObj &first) {
  if (first.fileType == kFilePdf) return {595, 842};
  int w = 0, h = 0;
  GetImageFileSize(first.filePath, w, h);
  return LimitBookSize(w, h);
}

}  // namespace lw
