// Blended items in a vector page movie: how they are grouped into placed
// characters, and that clipping layers still reach them.

#include "pdf2swf/placements.h"
#include "pdf2swf/pdfpages.h"
#include "pdf2swf/vectormovie.h"
#include "swf/swfcheck.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <cmath>
#include <gtest/gtest.h>

using namespace lw::pdf2swf;
using lwtest::Placement;
using lwtest::Placements;

namespace {

PageItem Rect(const QRectF &r, QColor colour, Blend blend, int clip = -1) {
  PageItem item;
  item.kind = PageItem::Fill;
  item.path.addRect(r);
  item.paint.color = colour;
  item.blend = blend;
  item.clip = clip;
  return item;
}

std::vector<Placement> Written(const PageModel &page) {
  QString error;
  const lw::swf::Bytes movie = VectorPageMovie(page, {}, &error);
  EXPECT_FALSE(movie.empty()) << error.toStdString();
  const lw::swf::CheckResult check = lw::swf::CheckMovie(movie);
  EXPECT_TRUE(check.ok) << check.error;
  return Placements(movie);
}

}  // namespace

// A blended character is composited with what lies below it as one piece,
// while PDF blends each item on its own: items of one mode share a character
// only while they do not overlap, and a change of mode starts a new one, in
// painting order with the normal items.
TEST(VectorMovieBlend, BlendedItemsShareACharacterOnlyWhileApart) {
  PageModel page;
  page.size = QSizeF(400, 300);
  page.items.push_back(Rect({10, 10, 100, 100}, Qt::blue, Blend::Normal));
  page.items.push_back(Rect({20, 20, 50, 50}, Qt::yellow, Blend::Multiply));
  page.items.push_back(Rect({200, 20, 50, 50}, Qt::cyan, Blend::Multiply));   // apart: same character
  page.items.push_back(Rect({40, 40, 50, 50}, Qt::magenta, Blend::Multiply));  // overlaps the first
  page.items.push_back(Rect({300, 200, 50, 50}, Qt::red, Blend::Screen));
  page.items.push_back(Rect({0, 250, 50, 50}, Qt::green, Blend::Normal));
  const std::vector<Placement> placed = Written(page);
  ASSERT_EQ(placed.size(), 5u);
  const int want[][2] = {{26, 0}, {70, 3}, {70, 3}, {70, 4}, {26, 0}};
  for (std::size_t i = 0; i < placed.size(); ++i) {
    EXPECT_EQ(placed[i].tag, want[i][0]) << i;
    EXPECT_EQ(placed[i].blend, want[i][1]) << i;
    if (i > 0) EXPECT_GT(placed[i].depth, placed[i - 1].depth) << i;
  }
}

// Blended items under a clip are placed within the clipping layer's reach.
TEST(VectorMovieBlend, ClipsReachBlendedItems) {
  PageModel page;
  page.size = QSizeF(400, 300);
  ClipNode clip;
  clip.path.addEllipse(QRectF(0, 0, 200, 200));
  page.clips.push_back(clip);
  page.items.push_back(Rect({10, 10, 100, 100}, Qt::blue, Blend::Normal, 0));
  page.items.push_back(Rect({50, 50, 150, 150}, Qt::yellow, Blend::Darken, 0));
  page.items.push_back(Rect({250, 50, 100, 100}, Qt::red, Blend::Darken));
  const std::vector<Placement> placed = Written(page);
  ASSERT_EQ(placed.size(), 4u);
  const Placement &layer = placed[0];
  EXPECT_EQ(layer.tag, 26);
  ASSERT_GT(layer.clipDepth, 0);
  EXPECT_EQ(placed[1].blend, 0);
  EXPECT_EQ(placed[2].blend, 6);
  EXPECT_LE(placed[2].depth, layer.clipDepth);
  EXPECT_EQ(placed[3].blend, 6);
  EXPECT_GT(placed[3].depth, layer.clipDepth);  // outside the clip
}

// Text turned on the page keeps its glyphs' shapes and runs along its
// baseline: the glyphs' outlines are the same in em units however the text
// is turned (they are read once per document, from wherever the glyph
// comes first), and the run's matrix turns without mirroring.
TEST(VectorText, TurnedTextKeepsItsGlyphsAndDirection) {
  QByteArray pdf;
  QBuffer buffer(&pdf);
  ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
  {
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QSizeF(200, 200), QPageSize::Point));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(72);
    QPainter p(&writer);
    p.setFont(QFont("DejaVu Sans", 20));
    p.translate(40, 160);
    p.rotate(-30);  // the baseline rises to the right
    p.drawText(0, 0, "lll");
  }
  buffer.close();
  auto pages = PdfPages::Open(pdf);
  ASSERT_TRUE(pages);
  const PageModel page = pages->Read(0, {});
  ASSERT_EQ(page.fallback, FallbackReason::None) << FallbackText(page.fallback).toStdString();
  const PageItem *text = nullptr;
  for (const PageItem &item : page.items)
    if (item.kind == PageItem::Text && !item.glyphs.empty()) text = &item;
  ASSERT_NE(text, nullptr);
  const QTransform &m = text->glyphMatrix;
  EXPECT_GT(m.determinant(), 0) << "a mirrored run";
  const QPointF along = m.map(QPointF(1, 0));
  EXPECT_NEAR(std::atan2(-along.y(), along.x()) * 180 / M_PI, 30, 1) << "the baseline's angle";
  const QPointF up = m.map(QPointF(0, -1));  // em y points down: -1 is up the glyph
  EXPECT_LT(up.y(), 0) << "glyphs upside down";
  // An "l" is a tall narrow stroke standing on the baseline, in em units.
  const QRectF l = page.fonts[text->font].glyphs[text->glyphs[0].glyph].outline.boundingRect();
  EXPECT_GT(l.height(), 3 * l.width()) << l.width() << " x " << l.height();
  EXPECT_LT(l.top(), -0.5);
  EXPECT_NEAR(l.bottom(), 0, 0.05);
}

// Leader dots become glyphs of eight dots; the rest of a run stays as it was.
TEST(VectorText, LeaderDotsAreWrittenEightToAGlyph) {
  PageModel page;
  page.size = QSizeF(300, 100);
  PageFont font;
  FontGlyph dot, word;
  dot.outline.addEllipse(QPointF(0.1, -0.05), 0.05, 0.05);
  word.outline.addRect(0, -0.7, 0.6, 0.7);
  font.glyphs = {dot, word};
  page.fonts.push_back(font);
  PageItem item;
  item.kind = PageItem::Text;
  item.font = 0;
  item.glyphMatrix = QTransform::fromScale(10, 10);
  item.glyphs.push_back({1, QPointF(10, 50)});
  for (int k = 0; k < 19; ++k) item.glyphs.push_back({0, QPointF(20 + 3 * k, 50)});
  item.glyphs.push_back({1, QPointF(100, 50)});
  page.items.push_back(item);
  PageModel merged = page;
  EXPECT_EQ(MergeLeaderDots(&merged), 16);
  const std::vector<PlacedGlyph> &g = merged.items[0].glyphs;
  ASSERT_EQ(g.size(), 7u);  // the word, two groups, three single dots, the word
  ASSERT_EQ(merged.fonts[0].glyphs.size(), 3u);
  EXPECT_EQ(g[1].glyph, 2);
  EXPECT_EQ(g[2].glyph, 2);
  EXPECT_EQ(g[1].origin, QPointF(20, 50));
  EXPECT_EQ(g[2].origin, QPointF(44, 50));
  EXPECT_EQ(g[3].glyph, 0);
  EXPECT_EQ(g[3].origin, QPointF(68, 50));
  // Eight dots 0.3 em apart.
  EXPECT_NEAR(merged.fonts[0].glyphs[2].outline.boundingRect().width(), 7 * 0.3 + 0.1, 1e-6);
  // A movie of it passes the checker.
  QString error;
  const lw::swf::Bytes movie = VectorPageMovie(page, {}, &error);
  ASSERT_FALSE(movie.empty()) << error.toStdString();
  EXPECT_TRUE(lw::swf::CheckMovie(movie).ok);
  // Wide glyphs or uneven steps are left alone.
  PageModel uneven = page;
  uneven.items[0].glyphs[5].origin.rx() += 0.5;
  EXPECT_EQ(MergeLeaderDots(&uneven), 8);
}
