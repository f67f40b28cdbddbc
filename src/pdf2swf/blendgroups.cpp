#include "pdf2swf/blendgroups.h"

#include "pdf2swf/geometry.h"

#include <algorithm>

namespace lw::pdf2swf {

void BlendGroups::BeginGroup(bool isolated) {
  if (!groups_.empty()) groups_.back().nested = true;
  groups_.push_back(OpenGroup{model_->items.size(), isolated});
}

void BlendGroups::EndGroup() {
  if (groups_.empty()) return;
  ended_ = groups_.back();
  groups_.pop_back();
}

void BlendGroups::PaintGroup(Blend blend) {
  constexpr std::size_t kMaxItems = 400;  // the overlap test is quadratic
  const OpenGroup &g = ended_;
  const std::size_t end = model_->items.size();
  if (g.nested || g.blended || end - g.first > kMaxItems) {
    Fallback(FallbackReason::BlendMode);
    return;
  }
  std::vector<QRectF> bounds;
  for (std::size_t i = g.first; i < end; ++i) bounds.push_back(PaintedBounds(*model_, model_->items[i]));
  for (std::size_t i = 0; i < bounds.size(); ++i)
    for (std::size_t j = i + 1; j < bounds.size(); ++j)
      if (bounds[i].intersects(bounds[j])) {
        Fallback(FallbackReason::BlendMode);
        return;
      }
  Blended();
  for (std::size_t i = g.first; i < end; ++i) {
    model_->items[i].blend = blend;
    if (NeedsBackdrop(blend) && !Covered(bounds[i - g.first], g.first)) Fallback(FallbackReason::BlendOverBarePage);
  }
}

void BlendGroups::Blended() {
  for (OpenGroup &g : groups_) {
    g.blended = true;
    if (g.isolated) Fallback(FallbackReason::BlendInIsolatedGroup);
  }
}

void BlendGroups::Painted(std::size_t index, const PageItem &item, const QRectF &bounds, bool opaque) {
  if (NeedsBackdrop(item.blend)) {
    if (!Covered(bounds, index)) Fallback(FallbackReason::BlendOverBarePage);
    return;
  }
  if (!opaque || item.blend != Blend::Normal || bounds.isEmpty()) return;
  QRectF area = bounds;
  for (int c = item.clip; c >= 0; c = model_->clips[c].parent) {
    QRectF r;
    if (!IsRectangle(model_->clips[c].path, &r)) return;
    area = area.intersected(r);
  }
  if (area.isEmpty()) return;
  if (opaque_.size() >= 64) opaque_.erase(opaque_.begin());
  opaque_.emplace_back(index, area);
}

void BlendGroups::Fallback(FallbackReason why) {
  if (model_->fallback == FallbackReason::None) model_->fallback = why;
}

bool BlendGroups::Covered(const QRectF &bounds, std::size_t before) const {
  return std::any_of(opaque_.begin(), opaque_.end(),
                     [&](const auto &o) { return o.first < before && o.second.contains(bounds); });
}

}  // namespace lw::pdf2swf
