#include "output/outlinetitles.h"

#include "fsutil/fsutil.h"
#include "output/bookpackage.h"
#include "output/packagefile.h"

#include <QBuffer>
#include <QDir>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QJsonObject>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace lw {
namespace {

// The panel's font (14 pixels) at the pictures' scale; the system gives the
// characters this one lacks from fonts of their own.
QFont titleFont() {
  QFont font(QStringLiteral("Noto Sans"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(14 * kTitleScale);
  return font;
}

// One title laid out on one line, shaped and ordered for display.
struct LaidTitle {
  std::unique_ptr<QTextLayout> layout;
  int width = 0;
  bool rtl = false;
};

LaidTitle layOut(const QString &title, const QFont &font) {
  LaidTitle t;
  t.rtl = title.isRightToLeft();
  const QString shown = QFontMetricsF(font).elidedText(title, Qt::ElideRight, kTitleMaxWidth);
  t.layout = std::make_unique<QTextLayout>(shown, font);
  QTextOption option;
  option.setTextDirection(t.rtl ? Qt::RightToLeft : Qt::LeftToRight);
  option.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
  option.setWrapMode(QTextOption::NoWrap);
  t.layout->setTextOption(option);
  t.layout->beginLayout();
  QTextLine line = t.layout->createLine();
  if (line.isValid()) line.setLineWidth(kTitleMaxWidth + 1);
  t.layout->endLayout();
  t.width = line.isValid() ? std::clamp(static_cast<int>(std::ceil(line.naturalTextWidth())), 1, kTitleMaxWidth) : 1;
  return t;
}

// The sheet as 16 steps of white's opacity: a palette PNG a fraction of the
// size of full colour, the steps hardly seen at twice the size shown.
QImage opacitySteps(const QImage &sheet) {
  QImage steps(sheet.size(), QImage::Format_Indexed8);
  QList<QRgb> table;
  for (int a = 0; a < 16; ++a) table.append(qRgba(255, 255, 255, a * 17));
  steps.setColorTable(table);
  for (int y = 0; y < sheet.height(); ++y) {
    const QRgb *in = reinterpret_cast<const QRgb *>(sheet.constScanLine(y));
    uchar *out = steps.scanLine(y);
    for (int x = 0; x < sheet.width(); ++x) out[x] = static_cast<uchar>((qAlpha(in[x]) + 8) / 17);
  }
  return steps;
}

void saveSheet(const QImage &sheet, const QString &path, qint64 &bytes) {
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  if (!opacitySteps(sheet).save(&buffer, "PNG", 9))
    throw PackageError(QStringLiteral("Cannot encode %1: PNG").arg(QDir::toNativeSeparators(path)).toStdString());
  if (const QString error = WritePackageFile(path, png); !error.isEmpty()) throw PackageError(error.toStdString());
  bytes += png.size();
}

}  // namespace

bool TitleNeedsPicture(const QString &title) {
  return std::any_of(title.begin(), title.end(), [](QChar c) {
    const char16_t u = c.unicode();
    return u > 0x02FF && !(u >= 0x2000 && u <= 0x206F);
  });
}

qint64 AddTitlePictures(QJsonArray &entries, const QString &root) {
  const QString folder = root + kTitleSheetFolder;
  DeleteFolderTree(folder);
  std::vector<int> drawn;
  for (int i = 0; i < entries.size(); ++i)
    if (TitleNeedsPicture(entries[i].toObject().value("title").toString())) drawn.push_back(i);
  if (drawn.empty()) return 0;
  if (!QDir().mkpath(folder))
    throw PackageError(QStringLiteral("Cannot create %1").arg(QDir::toNativeSeparators(folder)).toStdString());

  const QFont font = titleFont();
  qint64 bytes = 0;
  for (size_t first = 0, sheet = 1; first < drawn.size(); first += kTitleSheetRows, ++sheet) {
    const size_t count = std::min<size_t>(kTitleSheetRows, drawn.size() - first);
    std::vector<LaidTitle> titles;
    int width = 1;
    for (size_t k = 0; k < count; ++k) {
      titles.push_back(layOut(entries[drawn[first + k]].toObject().value("title").toString(), font));
      width = std::max(width, titles.back().width);
    }
    QImage picture(width, static_cast<int>(count) * kTitleRowHeight, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setPen(Qt::white);
    painter.setRenderHint(QPainter::TextAntialiasing);
    for (size_t k = 0; k < count; ++k) {
      const LaidTitle &t = titles[k];
      const QTextLine line = t.layout->lineAt(0);
      const int top = static_cast<int>(k) * kTitleRowHeight;
      t.layout->draw(&painter, QPointF(0, top + (kTitleRowHeight - line.height()) / 2));
      QJsonObject entry = entries[drawn[first + k]].toObject();
      entry["picture"] = QJsonArray{static_cast<int>(sheet), top, t.width};
      if (t.rtl) entry["rtl"] = true;
      entries[drawn[first + k]] = entry;
    }
    painter.end();
    saveSheet(picture, folder + QString::number(sheet) + ".png", bytes);
  }
  return bytes;
}

}  // namespace lw
