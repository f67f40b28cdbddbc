// Small real PDFs for the converter tests, drawn with QPdfWriter.
#pragma once

#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QString>

namespace lwtest {

// Writes a PDF (and its folder) of `pages` pages (A4 portrait; the pages listed in
// `landscape`, counted from 1, in landscape) with text and a few shapes.
// Returns false when the file cannot be written.
inline bool MakeTestPdf(const QString &path, int pages, std::initializer_list<int> landscape = {}) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QPdfWriter writer(path);
  writer.setResolution(72);
  auto layoutFor = [&](int page) {
    bool wide = false;
    for (int p : landscape) wide |= p == page;
    return QPageLayout(QPageSize(QPageSize::A4), wide ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0));
  };
  writer.setPageLayout(layoutFor(1));
  QPainter p;
  if (!p.begin(&writer)) return false;
  for (int page = 1; page <= pages; ++page) {
    if (page > 1) {
      writer.setPageLayout(layoutFor(page));
      writer.newPage();
    }
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::black);
    QFont f = p.font();
    f.setPointSize(18);
    p.setFont(f);
    p.drawText(60, 80, QStringLiteral("Page %1 of %2").arg(page).arg(pages));
    for (int line = 0; line < 30; ++line)
      p.drawText(60, 120 + line * 18, QStringLiteral("Line %1: the quick brown fox jumps.").arg(line));
    p.setBrush(QColor(40, 90, 200));
    p.drawEllipse(QRectF(300, 600, 160, 100));
    p.setBrush(QColor(220, 60, 40));
    p.drawRect(QRectF(80, 650, 120, 80));
  }
  return p.end();
}

}  // namespace lwtest
