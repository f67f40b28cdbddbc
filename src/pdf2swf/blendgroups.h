// Blend modes on a page as it is read: which items may keep their mode in
// the movie, and which make the page fall back. The movie places a blended
// item over what the page painted before it; the bitmap renderer blends it
// with nothing where the page painted nothing, and a group with its own
// start. This keeps what is needed to tell the two apart: the open
// transparency groups and the latest opaque areas.
#pragma once

#include "pdf2swf/pagemodel.h"

#include <QRectF>

#include <cstddef>
#include <utility>
#include <vector>

namespace lw::pdf2swf {

class BlendGroups {
 public:
  // Follows the items of `model`, and sets its fallback (when it has none
  // yet) for what the movie cannot blend.
  explicit BlendGroups(PageModel *model) : model_(model) {}

  // Multiply and Darken leave the paper's white as it is, so a page looks
  // the same whether its items blend with the paper (as in the movie, where
  // the player's white or the book's paper lies below) or, as the bitmap
  // renderer has it, with nothing where the page painted nothing. The other
  // modes differ there: they are drawn as vectors only over an opaque
  // rectangle painted before them.
  static bool NeedsBackdrop(Blend b) { return b != Blend::Normal && b != Blend::Multiply && b != Blend::Darken; }

  // A transparency group begins with the next item, or the one open last ends.
  void BeginGroup(bool isolated);
  void EndGroup();
  // The group ended last is painted with `blend`: the same picture as its
  // items painted with that mode one by one when they are all painted
  // normally and none overlaps another (each point then has at most one
  // item of the group to blend), which they then take. Other groups make
  // the page fall back ("blend mode").
  void PaintGroup(Blend blend);
  // The first item of the innermost open group (0 for none): a text run
  // never reaches into a group from before it.
  std::size_t GroupStart() const { return groups_.empty() ? 0 : groups_.back().first; }

  // An item takes a blend mode: inside an isolated group it would mix with
  // the group's own transparent start, not with the page below, which the
  // flat page model cannot say (the page falls back).
  void Blended();

  // Notes the item `index` (one about to join the page, or the text run
  // taking a glyph): `bounds` covers what it paints, all of it opaquely when
  // `opaque` (a rectangle or a straight image). An item that needs a
  // backdrop and has no opaque area below it makes the page fall back.
  void Painted(std::size_t index, const PageItem &item, const QRectF &bounds, bool opaque);

 private:
  struct OpenGroup {
    std::size_t first = 0;  // its first item
    bool isolated = false;
    bool nested = false;   // holds another group
    bool blended = false;  // holds a blended item
  };

  void Fallback(FallbackReason why);
  // Whether an opaque area painted by an item before `before` holds `bounds`.
  bool Covered(const QRectF &bounds, std::size_t before) const;

  PageModel *model_;
  std::vector<OpenGroup> groups_;  // open transparency groups, innermost last
  OpenGroup ended_;                // the group ended last
  // The latest areas painted opaquely (page points), with their item.
  std::vector<std::pair<std::size_t, QRectF>> opaque_;
};

}  // namespace lw::pdf2swf
