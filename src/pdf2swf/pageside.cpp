#include "pdf2swf/pageside.h"

#include "pdf2swf/logicalorder.h"

#include "model/webaddress.h"

#include <poppler-link.h>
#include <poppler-qt6.h>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace lw::pdf2swf {

namespace {

void CollectOutline(const QVector<Poppler::OutlineItem> &items, int level, std::vector<OutlineEntry> &out) {
  for (const Poppler::OutlineItem &item : items) {
    OutlineEntry e;
    e.title = item.name().simplified();
    e.level = level;
    const QSharedPointer<const Poppler::LinkDestination> dest = item.destination();
    if (dest && item.externalFileName().isEmpty()) e.page = std::max(0, dest->pageNumber());
    out.push_back(e);
    if (item.hasChildren()) CollectOutline(item.children(), level + 1, out);
  }
}

qint64 SteadyNanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

std::vector<OutlineEntry> ReadOutline(Poppler::Document &doc) {
  std::vector<OutlineEntry> entries;
  CollectOutline(doc.outline(), 0, entries);
  return entries;
}

std::vector<std::vector<PageHeading>> HeadingsByPage(const std::vector<OutlineEntry> &outline, int pages) {
  std::vector<std::vector<PageHeading>> out(static_cast<std::size_t>(std::max(0, pages)));
  for (const OutlineEntry &e : outline) {
    if (e.level <= 5 && !e.title.isEmpty() && e.page >= 1 && e.page <= pages)
      out[static_cast<std::size_t>(e.page - 1)].push_back({e.level + 1, e.title});
  }
  return out;
}

PageWords ReadPageSide(const Poppler::Page &page, int pages, const std::vector<PageHeading> &headings,
                       bool withText) {
  PageWords side;
  const QSizeF size = page.pageSizeF();
  side.width = size.width();
  side.height = size.height();
  // Poppler stops reading a page's text that takes over a minute.
  const qint64 until = SteadyNanoseconds() + 60'000'000'000LL;
  const std::vector<std::unique_ptr<Poppler::TextBox>> boxes =
      withText ? page.textList(
                     Poppler::Page::Rotate0,
                     [](const QVariant &until) { return SteadyNanoseconds() > until.toLongLong(); }, QVariant(until))
               : std::vector<std::unique_ptr<Poppler::TextBox>>();
  for (const std::unique_ptr<Poppler::TextBox> &box : boxes) {
    QString text = box->text().simplified();
    text.remove(' ');
    if (text.isEmpty()) continue;
    const QRectF r = box->boundingBox();
    side.words.push_back({r.x(), r.y(), r.width(), r.height(), text});
  }
  side.words = LogicalOrder(std::move(side.words));
  side.headings = headings;
  for (const std::unique_ptr<Poppler::Link> &link : page.links()) {
    if (static_cast<int>(side.links.size()) >= kMaxPageLinks) break;
    // The link's area is given as shares of the page's width and height.
    const QRectF area = link->linkArea().normalized().intersected(QRectF(0, 0, 1, 1));
    if (area.isEmpty()) continue;
    PageLink l{area.x(), area.y(), area.width(), area.height(), QString(), 0};
    if (link->linkType() == Poppler::Link::Browse) {
      l.url = static_cast<const Poppler::LinkBrowse &>(*link).url().trimmed();
      if (!IsOpenableAddress(l.url)) continue;
    } else if (link->linkType() == Poppler::Link::Goto) {
      const auto &go = static_cast<const Poppler::LinkGoto &>(*link);
      if (go.isExternal()) continue;
      l.target = go.destination().pageNumber();
      if (l.target < 1 || l.target > pages) continue;
    } else {
      continue;
    }
    side.links.push_back(l);
  }
  return side;
}

QImage PagePicture(const Poppler::Page &page, const QImage &plain) {
  if (!plain.isNull())
    return plain.scaled(QSize(kPagePictureSide, kPagePictureSide), Qt::KeepAspectRatio, Qt::SmoothTransformation);
  const QSizeF size = page.pageSizeF();
  const double longest = std::max(size.width(), size.height());
  if (!(longest > 0)) return {};
  const double dpi = kPagePictureSide * 72.0 / longest;
  return page.renderToImage(dpi, dpi);
}

}  // namespace lw::pdf2swf
