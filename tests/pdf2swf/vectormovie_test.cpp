// Blended items in a vector page movie: how they are grouped into placed
// characters, and that clipping layers still reach them.

#include "pdf2swf/placements.h"
#include "pdf2swf/vectormovie.h"
#include "swf/swfcheck.h"

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
