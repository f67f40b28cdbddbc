#include "model/conversionnames.h"

#include "fsutil/fsutil.h"
#include "model/tbookobj.h"

#include <QRegularExpression>

#include <cstdint>

namespace lw {
namespace {

// 64-bit FNV-1a over the UTF-8 bytes: stable across runs and platforms.
std::uint64_t stableHash(const QString &text) {
  std::uint64_t h = 0xcbf29ce484222325ull;
  for (const char c : text.toUtf8()) {
    h ^= static_cast<unsigned char>(c);
    h *= 0x100000001b3ull;
  }
  return h;
}

}  // namespace

QString ConversionNames::PageFile(int n) const {
  return folder + stem + '_' + QString::number(n) + ".swf";
}

QString ConversionNames::Pattern() const { return folder + stem + "_%.swf"; }

ConversionNames ConversionNamesFor(const QString &tempPath, const QString &pdfPath) {
  ConversionNames names;
  const QString fileName = FileNameOfPath(pdfPath);
  const qsizetype dot = fileName.lastIndexOf('.');
  names.stem = dot < 0 ? QString() : fileName.left(dot);
  const QString tag = QString::number(stableHash(pdfPath) >> 16, 16).rightJustified(12, '0');
  const QString base = names.stem.isEmpty() ? QStringLiteral("pdf") : names.stem;
  names.folder = WithTrailingSlash(tempPath) + base + '.' + tag + '/';
  return names;
}

namespace {

// "<anything>_<n>.swf", n from 1.
const QRegularExpression &pageFilePattern() {
  static const QRegularExpression re(QStringLiteral("^(.*)_([1-9][0-9]{0,8})\\.swf$"),
                                     QRegularExpression::CaseInsensitiveOption);
  return re;
}

}  // namespace

int PageNumberOfPageFile(const QString &pageFile) {
  const QRegularExpressionMatch m = pageFilePattern().match(pageFile);
  return m.hasMatch() ? m.captured(2).toInt() : 0;
}

}  // namespace lw
