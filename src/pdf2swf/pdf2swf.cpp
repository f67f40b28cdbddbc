#include "pdf2swf/pdf2swf.h"

#include "pdf2swf/jpegencode.h"
#include "model/pagerange.h"
#include "model/webaddress.h"
#include "pdf2swf/pdfpages.h"
#include "pdf2swf/vectormovie.h"
#include "swf/swfcheck.h"
#include "swf/swfreader.h"

#include <poppler-link.h>
#include <poppler-qt6.h>

#include <QByteArray>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>


#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace lw::pdf2swf {

namespace {

// A vector page larger than this is compared with its bitmap page.
constexpr std::size_t kVectorCompareBytes = 150 * 1024;

bool ReadInt(const QString &text, int low, int high, int *out) {
  bool ok = false;
  const int v = text.toInt(&ok);
  if (!ok || v < low || v > high) return false;
  *out = v;
  return true;
}

}  // namespace

QByteArray OutlineJson(const std::vector<OutlineEntry> &entries) {
  QJsonArray list;
  for (const OutlineEntry &e : entries) {
    if (list.size() >= kMaxOutlineEntries) break;
    list.append(QJsonObject{{"title", e.title.left(kMaxOutlineTitle)}, {"level", e.level}, {"page", e.page}});
  }
  return QJsonDocument(list).toJson(QJsonDocument::Compact);
}

QByteArray LinksJson(const std::vector<PageLink> &links) {
  QJsonArray list;
  auto share = [](double v) { return std::round(v * 10000) / 10000; };
  for (const PageLink &l : links) {
    if (list.size() >= kMaxLinks) break;
    QJsonObject o{{"page", l.page}, {"x", share(l.x)}, {"y", share(l.y)}, {"w", share(l.w)}, {"h", share(l.h)}};
    if (l.target > 0)
      o["target"] = l.target;
    else
      o["url"] = l.url;
    list.append(o);
  }
  return QJsonDocument(list).toJson(QJsonDocument::Compact);
}

ParsedArguments ParseArguments(const QStringList &args) {
  ParsedArguments r;
  Options &o = r.options;
  bool haveQuality = false, havePattern = false, haveDpi = false, haveThreads = false;
  bool haveMode = false, haveReport = false, havePages = false, havePageTime = false;
  QStringList positional;
  auto fail = [&r](const QString &why) {
    r.ok = false;
    r.error = why;
    return r;
  };
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString &a = args[i];
    if (a == "-h" || a == "--help") {
      o.help = true;
      continue;
    }
    if (a == "-z") {
      o.compress = true;
      continue;
    }
    if (a == "--bitmap" || a == "--vector") {
      if (haveMode) return fail("--bitmap or --vector given twice");
      o.bitmap = a == "--bitmap";
      haveMode = true;
      continue;
    }
    if (a == "--report") {
      if (i + 1 >= args.size()) return fail(QStringLiteral("option %1 needs a value").arg(a));
      if (haveReport) return fail("option --report given twice");
      o.report = args[++i];
      haveReport = true;
      continue;
    }
    if (a == "--page-time") {
      if (i + 1 >= args.size()) return fail(QStringLiteral("option %1 needs a value").arg(a));
      if (havePageTime) return fail("option --page-time given twice");
      bool ok = false;
      const QString v = args[++i];
      o.pageSeconds = v.toDouble(&ok);
      if (!ok || !(o.pageSeconds >= 0.1 && o.pageSeconds <= 3600))
        return fail(QStringLiteral("page time \"%1\" is not a number of seconds from 0.1 to 3600").arg(v));
      havePageTime = true;
      continue;
    }
    if (a == "--pages") {
      if (i + 1 >= args.size()) return fail(QStringLiteral("option %1 needs a value").arg(a));
      if (havePages) return fail("option --pages given twice");
      QString problem;
      const std::optional<PageRuns> runs = ParsePageRuns(args[++i], &problem);
      if (!runs) return fail("--pages: " + problem);
      o.pages = *runs;
      havePages = true;
      continue;
    }
    if (a == "--outline" || a == "--links") {
      if (i + 1 >= args.size()) return fail(QStringLiteral("option %1 needs a value").arg(a));
      QString &target = a == "--outline" ? o.outline : o.links;
      if (!target.isEmpty()) return fail(QStringLiteral("option %1 given twice").arg(a));
      target = args[++i];
      if (target.isEmpty()) return fail(QStringLiteral("option %1 needs a file name").arg(a));
      continue;
    }
    if (a == "-j" || a == "-o" || a == "-r" || a == "-t") {
      if (i + 1 >= args.size()) return fail(QStringLiteral("option %1 needs a value").arg(a));
      const QString v = args[++i];
      if (a == "-j") {
        if (haveQuality) return fail("option -j given twice");
        if (!ReadInt(v, 0, 100, &o.quality))
          return fail(QStringLiteral("JPEG quality \"%1\" is not a number from 0 to 100").arg(v));
        haveQuality = true;
      } else if (a == "-o") {
        if (havePattern) return fail("option -o given twice");
        if (!v.contains('%'))
          return fail(QStringLiteral("output pattern \"%1\" has no %% for the page number").arg(v));
        o.pattern = v;
        havePattern = true;
      } else if (a == "-r") {
        if (haveDpi) return fail("option -r given twice");
        bool ok = false;
        o.dpi = v.toDouble(&ok);
        if (!ok || !(o.dpi >= 18 && o.dpi <= 1200))
          return fail(QStringLiteral("resolution \"%1\" is not a number from 18 to 1200").arg(v));
        haveDpi = true;
      } else {
        if (haveThreads) return fail("option -t given twice");
        if (!ReadInt(v, 0, 64, &o.threads))
          return fail(QStringLiteral("thread count \"%1\" is not a number from 0 to 64").arg(v));
        haveThreads = true;
      }
      continue;
    }
    if (a.size() > 1 && a.startsWith('-')) return fail(QStringLiteral("unknown option %1").arg(a));
    positional << a;
  }
  if (o.help) {
    r.ok = true;
    return r;
  }
  if (positional.size() != 1)
    return fail(positional.isEmpty() ? QStringLiteral("no PDF file given")
                                     : QStringLiteral("more than one PDF file given"));
  if (!haveQuality) return fail("option -j <quality> is required");
  if (!havePattern) return fail("option -o <pattern> is required");
  o.pdfPath = positional.front();
  r.ok = true;
  return r;
}

QString UsageText() {
  return QStringLiteral(
      "usage: pdf2swf <pdf> -j <quality> -o <pattern> [options]\n"
      "\n"
      "Renders the pages of <pdf> and writes one SWF movie per page.\n"
      "\n"
      "  -j <quality>  JPEG quality of the page bitmaps, 0 to 100\n"
      "  -o <pattern>  output file; its last %% becomes the page number (from 1),\n"
      "                e.g. \"/books/report/report_%%.swf\"\n"
      "  -r <dpi>      rendering resolution, 18 to 1200 (default 150)\n"
      "  -t <threads>  worker threads, 0 = one per core (default 0)\n"
      "  -z            write bitmap pages compressed (CWS) too; vector pages\n"
      "                are always compressed\n"
      "  --vector      pages as vector movies: shapes, embedded glyphs, images;\n"
      "                a page that cannot be shown faithfully so is a bitmap page\n"
      "                (default)\n"
      "  --bitmap      every page as one bitmap, as before vector pages\n"
      "  --report <f>  write one line per page to <f>: page, \"vector\",\n"
      "                \"bitmap\" or \"plain\", bytes, and why a page became a\n"
      "                bitmap or a plain page\n"
      "  --page-time <s> seconds a page may take to be read as vectors, and\n"
      "                again to be drawn as a bitmap (default 30); a page over\n"
      "                its time or its budget of paths, clips and pattern cells\n"
      "                becomes a bitmap page, or a plain page saying it could\n"
      "                not be drawn\n"
      "  --outline <f> write the document's bookmarks to <f> as JSON: title,\n"
      "                level and page of each, in document order\n"
      "  --links <f>   write the written pages' links to <f> as JSON: page, area\n"
      "                and web address (http, https, mailto) or target page\n"
      "  --pages <list> write only these pages (from 1), e.g. \"1-25,30\"; a page\n"
      "                beyond the document's last is an error (default: all)\n"
      "  -h, --help    show this text\n"
      "\n"
      "Each movie: SWF version 10, the stage is the page size in points; a\n"
      "bitmap page is one JPEG bitmap stretched over the stage. Every movie is\n"
      "checked by reading it back before it is put in place.\n"
      "\n"
      "Progress: one line \"page <done>/<total>\" on standard output after each\n"
      "finished page, <done> counting the pages finished so far, <total> the\n"
      "pages written.\n"
      "\n"
      "Exit status: 0 done, 1 bad command line, 2 PDF missing, 3 PDF unreadable,\n"
      "4 PDF encrypted, 5 PDF damaged, 6 page file not written,\n"
      "7 page not rendered, 8 --pages names a page the PDF does not have.\n").replace(QStringLiteral("%%"), QStringLiteral("%"));
}

QString PageFileName(const QString &pattern, int page) {
  QString name = pattern;
  const qsizetype at = name.lastIndexOf('%');
  if (at >= 0) name.replace(at, 1, QString::number(page));
  return name;
}

QString ProgressLine(int done, int total) {
  return QStringLiteral("page %1/%2").arg(done).arg(total);
}

swf::Bytes PageMovieFromImage(const QImage &image, const QSizeF &pagePoints, int quality,
                              bool compress) {
  if (image.isNull() || !(pagePoints.width() > 0) || !(pagePoints.height() > 0)) return {};
  // Opaque 32-bit pixels: what the page renderer delivers anyway. Pixels
  // with alpha are flattened onto black by this conversion, as JPEG has no
  // alpha; page renders are opaque.
  const QImage rgb =
      image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
  swf::PageMovie page;
  page.jpeg.reserve(static_cast<std::size_t>(rgb.width()) * rgb.height() / 2 + 256 * 1024);
  if (!EncodeJpeg(rgb, std::clamp(quality, 0, 100), &page.jpeg)) return {};
  page.widthTwips = static_cast<std::int32_t>(std::lround(pagePoints.width() * 20.0));
  page.heightTwips = static_cast<std::int32_t>(std::lround(pagePoints.height() * 20.0));
  page.imageWidth = rgb.width();
  page.imageHeight = rgb.height();
  page.compress = compress;
  return swf::BuildPageMovie(page);
}

namespace {

// Opens a document and sets it up for rendering; null when it cannot be
// opened or needs a password.
void SetUpForRendering(Poppler::Document &doc) {
  doc.setRenderHint(Poppler::Document::Antialiasing, true);
  doc.setRenderHint(Poppler::Document::TextAntialiasing, true);
  doc.setPaperColor(Qt::white);
}

std::unique_ptr<Poppler::Document> OpenDocument(const QByteArray &data) {
  std::unique_ptr<Poppler::Document> doc = Poppler::Document::loadFromData(data);
  if (!doc || doc->isLocked()) return nullptr;
  SetUpForRendering(*doc);
  return doc;
}

bool WritePageFile(const QString &path, const swf::Bytes &bytes, QString *error) {
  const QString part = path + ".part";
  QFile out(part);
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    *error = QStringLiteral("cannot write \"%1\": %2").arg(part, out.errorString());
    return false;
  }
  const auto size = static_cast<qint64>(bytes.size());
  const bool written = out.write(reinterpret_cast<const char *>(bytes.data()), size) == size;
  out.close();
  if (!written || out.error() != QFileDevice::NoError) {
    *error = QStringLiteral("cannot write \"%1\": %2").arg(part, out.errorString());
    QFile::remove(part);
    return false;
  }
  // rename() replaces an existing page file in one step.
  if (std::rename(QFile::encodeName(part).constData(), QFile::encodeName(path).constData()) != 0) {
    *error = QStringLiteral("cannot rename \"%1\" to \"%2\"").arg(part, path);
    QFile::remove(part);
    return false;
  }
  return true;
}

struct PageReport {
  int page;
  QString kind;
  std::size_t bytes;
  QString reason;
};

// The bookmarks under `items` at depth `level`, depth first, into `out`.
void CollectOutline(const QVector<Poppler::OutlineItem> &items, int level, std::vector<OutlineEntry> &out) {
  for (const Poppler::OutlineItem &item : items) {
    if (static_cast<int>(out.size()) >= kMaxOutlineEntries) return;
    OutlineEntry e;
    e.title = item.name().simplified().left(kMaxOutlineTitle);
    e.level = level;
    const QSharedPointer<const Poppler::LinkDestination> dest = item.destination();
    if (dest && item.externalFileName().isEmpty()) e.page = std::max(0, dest->pageNumber());
    out.push_back(e);
    if (item.hasChildren()) CollectOutline(item.children(), level + 1, out);
  }
}

bool WriteOutline(const QString &path, Poppler::Document &doc) {
  std::vector<OutlineEntry> entries;
  CollectOutline(doc.outline(), 0, entries);
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return f.write(OutlineJson(entries)) >= 0 && f.flush();
}

bool WriteLinks(const QString &path, Poppler::Document &doc, const std::vector<int> &indices) {
  std::vector<PageLink> links;
  for (const int i : indices) {
    if (static_cast<int>(links.size()) >= kMaxLinks) break;
    const std::unique_ptr<Poppler::Page> page = doc.page(i);
    if (!page) continue;
    for (const std::unique_ptr<Poppler::Link> &link : page->links()) {
      const QRectF area = link->linkArea().normalized().intersected(QRectF(0, 0, 1, 1));
      if (area.isEmpty()) continue;
      PageLink l{i + 1, area.x(), area.y(), area.width(), area.height(), QString(), 0};
      if (link->linkType() == Poppler::Link::Browse) {
        l.url = static_cast<const Poppler::LinkBrowse &>(*link).url().trimmed();
        if (!IsOpenableAddress(l.url)) continue;
      } else if (link->linkType() == Poppler::Link::Goto) {
        const auto &go = static_cast<const Poppler::LinkGoto &>(*link);
        if (go.isExternal()) continue;
        l.target = go.destination().pageNumber();
        if (l.target < 1 || l.target > doc.numPages()) continue;
      } else {
        continue;
      }
      links.push_back(l);
    }
  }
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return f.write(LinksJson(links)) >= 0 && f.flush();
}

bool WriteReport(const QString &path, std::vector<PageReport> reports) {
  std::sort(reports.begin(), reports.end(), [](const PageReport &a, const PageReport &b) { return a.page < b.page; });
  QFile out(path);
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) return false;
  for (const PageReport &r : reports)
    out.write(QStringLiteral("%1\t%2\t%3\t%4\n")
                  .arg(r.page)
                  .arg(r.kind.isEmpty() ? QStringLiteral("bitmap") : r.kind)
                  .arg(r.bytes)
                  .arg(r.reason)
                  .toUtf8());
  return out.error() == QFileDevice::NoError;
}

// The first page as a picture for the book's first view (a vector page
// cannot be drawn without a runtime): its longer side kPagePictureSide
// pixels, written beside the page file; `plain`, scaled, when the page is a
// plain page (null otherwise). False, with `error` set, when it cannot be
// rendered or written.
bool WritePagePicture(Poppler::Document &doc, int index, const QImage &plain, const QString &path,
                      QString *error) {
  const std::unique_ptr<Poppler::Page> page = doc.page(index);
  const QSizeF size = page ? page->pageSizeF() : QSizeF();
  const double longest = std::max(size.width(), size.height());
  const QImage image = !plain.isNull() ? plain.scaled(QSize(swf::kPagePictureSide, swf::kPagePictureSide),
                                                      Qt::KeepAspectRatio, Qt::SmoothTransformation)
                       : longest > 0   ? page->renderToImage(swf::kPagePictureSide * 72.0 / longest,
                                                             swf::kPagePictureSide * 72.0 / longest)
                                       : QImage();
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  if (image.isNull() || !buffer.open(QIODevice::WriteOnly) ||
      !image.convertToFormat(QImage::Format_RGB32).save(&buffer, "JPEG", 85)) {
    *error = QStringLiteral("the first page of \"%1\" could not be drawn as a picture").arg(path);
    return false;
  }
  return WritePageFile(path, swf::Bytes(jpeg.begin(), jpeg.end()), error);
}

qint64 SteadyNanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The page's words in reading order with their boxes, for the book's text
// (search, screen readers, the page without a runtime): a first line
// "words 1 <width> <height>" in points, then one line per word
// "<x> <y> <width> <height> <text>", the box in points from the page's top
// left corner. A page without text gets the first line alone. Then a line
// "heading <level> <title>" for each outline entry that leads to the page
// (level from 1), and "link <x> <y> <width> <height> <address>" for each web
// link on it; words only `withText`. False, with `error` set, when the file
// cannot be written.
bool WritePageWords(Poppler::Document &doc, int index, const QString &path,
                    const QStringList &headings, bool withText, QString *error) {
  const std::unique_ptr<Poppler::Page> page = doc.page(index);
  if (!page) {
    *error = QStringLiteral("page %1 has no text to read").arg(index + 1);
    return false;
  }
  const QSizeF size = page->pageSizeF();
  // One decimal, without a trailing ".0" (the 'g' format with enough digits
  // gives exactly that for values rounded to tenths).
  auto number = [](double v) { return QString::number(std::round(v * 10) / 10 + 0.0, 'g', 12); };
  QString out = QStringLiteral("words 1 %1 %2\n").arg(number(size.width()), number(size.height()));
  // A plain page's text is not read: reading it takes as long as drawing.
  // Poppler stops reading a page's text that takes over a minute.
  const qint64 until = SteadyNanoseconds() + 60'000'000'000LL;
  const std::vector<std::unique_ptr<Poppler::TextBox>> boxes =
      withText ? page->textList(
                     Poppler::Page::Rotate0,
                     [](const QVariant &until) { return SteadyNanoseconds() > until.toLongLong(); }, QVariant(until))
               : std::vector<std::unique_ptr<Poppler::TextBox>>();
  for (const std::unique_ptr<Poppler::TextBox> &box : boxes) {
    QString text = box->text().simplified();
    text.remove(' ');
    if (text.isEmpty()) continue;
    const QRectF r = box->boundingBox();
    out += number(r.x()) + ' ' + number(r.y()) + ' ' + number(r.width()) + ' ' + number(r.height()) + ' ' +
           text + '\n';
  }
  for (const QString &heading : headings) out += "heading " + heading + '\n';
  for (const std::unique_ptr<Poppler::Link> &link : page->links()) {
    if (link->linkType() != Poppler::Link::Browse) continue;
    const QString url = static_cast<const Poppler::LinkBrowse &>(*link).url().simplified().remove(' ');
    if (url.isEmpty()) continue;
    // The link's area is given as fractions of the page's width and height.
    const QRectF a = link->linkArea().normalized();
    out += "link " + number(a.x() * size.width()) + ' ' + number(a.y() * size.height()) + ' ' +
           number(a.width() * size.width()) + ' ' + number(a.height() * size.height()) + ' ' + url + '\n';
  }
  const QByteArray bytes = out.toUtf8();
  return WritePageFile(path, swf::Bytes(bytes.begin(), bytes.end()), error);
}

// The outline's entries as "<level> <title>" per page index, level 1 for
// the top entries; entries without a page in this document are left out.
void CollectHeadings(const QVector<Poppler::OutlineItem> &items, int level, int pages,
                     std::vector<QStringList> *out) {
  for (const Poppler::OutlineItem &item : items) {
    const QSharedPointer<const Poppler::LinkDestination> to = item.destination();
    const QString title = item.name().simplified();
    if (to && !title.isEmpty() && to->pageNumber() >= 1 && to->pageNumber() <= pages)
      (*out)[static_cast<size_t>(to->pageNumber() - 1)] << QString::number(level) + ' ' + title;
    if (item.hasChildren() && level < 6) CollectHeadings(item.children(), level + 1, pages, out);
  }
}

// A vector run's page that falls back to a bitmap is drawn this much finer
// than the run's resolution: 200 dpi at the default keeps it sharp at twice
// the size a book usually shows it (a fitted page is about 0.7 to 1.1
// pixels per point; two times that needs up to 160 dpi).
constexpr double kFallbackSharpness = 4.0 / 3.0;

// Today's page: the whole page as one JPEG bitmap at `wantedDpi`. Empty
// when it cannot be rendered or encoded.
swf::Bytes BitmapPage(Poppler::Document &doc, int index, const Options &options, double wantedDpi) {
  const std::unique_ptr<Poppler::Page> page = doc.page(index);
  if (!page) return {};
  QSizeF size = page->pageSizeF();
  // Giant pages are rendered at a lower resolution rather than not at all.
  const double longest = std::max(size.width(), size.height());
  const double dpi = longest > 0 ? std::min(wantedDpi, kMaxPagePixels * 72.0 / longest) : wantedDpi;
  const QImage image = page->renderToImage(dpi, dpi);
  // Keep the stage in the orientation the page was rendered in.
  if (!image.isNull() && (image.width() > image.height()) != (size.width() > size.height()) &&
      std::abs(size.width() - size.height()) > 0.5)
    size.transpose();
  return PageMovieFromImage(image, size, options.quality, options.compress);
}

// A page drawn by `pages` as a bitmap page at `wantedDpi` (at most
// kMaxPagePixels on its longer side) within `limits`. Empty, with `reason`,
// when it goes over them, runs out of memory or cannot be encoded.
swf::Bytes BudgetedBitmapPage(PdfPages &pages, Poppler::Document &doc, int index, const Options &options,
                              double wantedDpi, const RenderLimits &limits, QString *reason) {
  const std::unique_ptr<Poppler::Page> page = doc.page(index);
  if (!page) {
    *reason = QStringLiteral("no such page");
    return {};
  }
  QSizeF size = page->pageSizeF();
  const double longest = std::max(size.width(), size.height());
  const double dpi = longest > 0 ? std::min(wantedDpi, kMaxPagePixels * 72.0 / longest) : wantedDpi;
  const RenderedPage rendered = pages.Render(index, dpi, limits);
  if (rendered.image.isNull()) {
    *reason = rendered.reason;
    return {};
  }
  if ((rendered.image.width() > rendered.image.height()) != (size.width() > size.height()) &&
      std::abs(size.width() - size.height()) > 0.5)
    size.transpose();
  swf::Bytes movie = PageMovieFromImage(rendered.image, size, options.quality, options.compress);
  if (movie.empty()) *reason = QStringLiteral("not encoded");
  return movie;
}

// A page that could not be drawn within its budget: grey words saying so on
// white, the page's size, drawn from a PDF of one line of Helvetica. Its
// picture in `picture`. Empty only when even that cannot be encoded.
swf::Bytes PlainPage(QSizeF size, const Options &options, QImage *picture) {
  if (!(size.width() >= 1 && size.height() >= 1)) size = QSizeF(612, 792);
  size = size.boundedTo(QSizeF(14400, 14400));
  const double w = size.width(), h = size.height();
  const double em = std::max(1.0, w / 22);
  const QByteArray content = QStringLiteral("0.45 g BT /F1 %1 Tf %2 %3 Td (This page could not be drawn.) Tj ET")
                                 .arg(em)
                                 .arg(std::max(0.0, (w - 13.6 * em) / 2))
                                 .arg(h / 2)
                                 .toLatin1();
  const QByteArray objects[] = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      QStringLiteral("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %1 %2] /Resources << /Font << /F1 4 0 R >> >> "
                     "/Contents 5 0 R >>")
          .arg(w)
          .arg(h)
          .toLatin1(),
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
      "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content + "\nendstream",
  };
  QByteArray pdf = "%PDF-1.4\n";
  QByteArray xref = "xref\n0 6\n0000000000 65535 f \n";
  for (int i = 0; i < 5; ++i) {
    xref += QByteArray::number(pdf.size()).rightJustified(10, '0') + " 00000 n \n";
    pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const qsizetype at = pdf.size();
  pdf += xref + "trailer\n<< /Size 6 /Root 1 0 R >>\nstartxref\n" + QByteArray::number(at) + "\n%%EOF\n";
  QImage image;
  if (const std::unique_ptr<PdfPages> plain = PdfPages::Open(pdf)) {
    RenderLimits limits;
    limits.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    image = plain->Render(0, std::min(72.0, kMaxPagePixels * 72.0 / std::max(w, h)), limits).image;
  }
  if (image.isNull()) {
    image = QImage(std::max(1, static_cast<int>(w)), std::max(1, static_cast<int>(h)), QImage::Format_RGB32);
    image.fill(Qt::white);
  }
  if (picture) *picture = image;
  return PageMovieFromImage(image, size, options.quality, options.compress);
}

}  // namespace

int ConvertPdf(const Options &options, const ProgressFn &progress, QString *error) {
  QString scratch;
  if (!error) error = &scratch;
  const QFileInfo info(options.pdfPath);
  if (!info.exists()) {
    *error = QStringLiteral("\"%1\" does not exist").arg(options.pdfPath);
    return kExitMissing;
  }
  QFile file(options.pdfPath);
  if (info.isDir() || !file.open(QIODevice::ReadOnly)) {
    *error = QStringLiteral("cannot read \"%1\"%2")
                 .arg(options.pdfPath, info.isDir() ? QStringLiteral(": it is a folder")
                                                    : ": " + file.errorString());
    return kExitUnreadable;
  }
  const QByteArray data = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    *error = QStringLiteral("cannot read \"%1\": %2").arg(options.pdfPath, file.errorString());
    return kExitUnreadable;
  }
  file.close();

  // Poppler's own complaints about damaged files are not for our users.
  Poppler::setDebugErrorFunction([](const QString &, const QVariant &) {}, QVariant());
  std::unique_ptr<Poppler::Document> first = Poppler::Document::loadFromData(data);
  if (!first) {
    *error = QStringLiteral("\"%1\" is damaged or not a PDF file").arg(options.pdfPath);
    return kExitDamaged;
  }
  if (first->isLocked()) {
    *error = QStringLiteral("\"%1\" is encrypted and needs a password").arg(options.pdfPath);
    return kExitEncrypted;
  }
  if (first->numPages() < 1) {
    *error = QStringLiteral("\"%1\" is damaged: it has no pages").arg(options.pdfPath);
    return kExitDamaged;
  }
  SetUpForRendering(*first);
  const int pageTotal = first->numPages();
  // The page indices to write, ascending.
  std::vector<int> indices;
  if (options.pages.empty()) {
    for (int i = 0; i < pageTotal; ++i) indices.push_back(i);
  } else {
    if (options.pages.back().second > pageTotal) {
      *error = QStringLiteral("page %1 is beyond the last page of \"%2\", which has %3")
                   .arg(std::max(options.pages.back().first, pageTotal + 1))
                   .arg(options.pdfPath)
                   .arg(pageTotal);
      return kExitNoSuchPage;
    }
    for (const int page : PagesOfRuns(options.pages)) indices.push_back(page - 1);
  }
  const int total = static_cast<int>(indices.size());
  std::vector<QStringList> headings(static_cast<size_t>(pageTotal));
  CollectHeadings(first->outline(), 1, pageTotal, &headings);
  if (!options.outline.isEmpty() && !WriteOutline(options.outline, *first)) {
    *error = QStringLiteral("cannot write the outline \"%1\"").arg(options.outline);
    return kExitWriteFailed;
  }
  if (!options.links.isEmpty() && !WriteLinks(options.links, *first, indices)) {
    *error = QStringLiteral("cannot write the links \"%1\"").arg(options.links);
    return kExitWriteFailed;
  }
  int workers = options.threads > 0 ? options.threads : QThread::idealThreadCount();
  workers = std::clamp(workers, 1, std::max(1, total));

  std::atomic<int> nextPage{0};
  std::atomic<bool> failed{false};
  std::mutex mutex;  // guards done, result and the progress callback
  int done = 0;
  int result = kExitOk;
  std::vector<QString> written;  // page files of this run, removed again if it fails
  std::vector<PageReport> reports;

  auto work = [&](std::unique_ptr<Poppler::Document> doc) {
    std::unique_ptr<PdfPages> pages;
    if (!doc) doc = OpenDocument(data);
    if (!doc) {
      std::lock_guard lock(mutex);
      if (result == kExitOk) {
        result = kExitDamaged;
        *error = QStringLiteral("\"%1\" could not be opened again").arg(options.pdfPath);
      }
      failed = true;
      return;
    }
    for (;;) {
      if (failed) return;
      const int slot = nextPage.fetch_add(1);
      if (slot >= total) return;
      const int index = indices[static_cast<size_t>(slot)];
      int code = kExitOk;
      QString why;
      PageReport report{index + 1, QString(), 0, QString()};
      swf::Bytes movie;
      const auto pageTime = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
          std::chrono::duration<double>(options.pageSeconds));
      if (!pages) pages = PdfPages::Open(data);
      QImage plainPicture;  // set when the page is a plain page
      try {
        if (!options.bitmap) {
          if (pages) {
            ReadLimits limits;
            limits.deadline = std::chrono::steady_clock::now() + pageTime;
            PageModel model = pages->Read(index, limits);
            report.reason = model.fallback;
            if (model.fallback.isEmpty()) {
              QString writeError;
              // Vector movies are always deflated: their shape and glyph
              // records shrink by a third to a half (a JPEG page would not).
              movie = VectorPageMovie(std::move(model), VectorOptions{options.quality, true}, &writeError);
              if (movie.empty()) report.reason = "writer: " + writeError;
            }
            if (!movie.empty()) {
              const swf::CheckResult check = swf::CheckMovie(movie);
              if (!check.ok) {
                report.reason = "check: " + QString::fromStdString(check.error);
                movie.clear();
              }
            }
          } else {
            report.reason = QStringLiteral("not readable as vectors");
          }
          report.kind = QStringLiteral("vector");
        }
      } catch (const std::bad_alloc &) {
        movie.clear();
        report.reason = QStringLiteral("out of memory");
      }
      if (movie.empty() || movie.size() > kVectorCompareBytes) {
        const double dpi = options.bitmap ? options.dpi : std::min(1200.0, options.dpi * kFallbackSharpness);
        swf::Bytes bitmapMovie;
        QString bitmapWhy;
        try {
          if (pages) {
            RenderLimits limits;
            limits.deadline = std::chrono::steady_clock::now() + pageTime;
            bitmapMovie = BudgetedBitmapPage(*pages, *doc, index, options, dpi, limits, &bitmapWhy);
          } else {
            bitmapMovie = BitmapPage(*doc, index, options, dpi);
          }
        } catch (const std::bad_alloc &) {
          bitmapMovie.clear();
          bitmapWhy = QStringLiteral("out of memory");
        }
        const bool usable = !bitmapMovie.empty() && swf::CheckMovie(bitmapMovie).ok;
        if (movie.empty() || (usable && bitmapMovie.size() < movie.size())) {
          if (!movie.empty()) report.reason = QStringLiteral("larger than its bitmap");
          movie = usable ? std::move(bitmapMovie) : swf::Bytes{};
          report.kind = QStringLiteral("bitmap");
        }
        if (movie.empty() && !bitmapWhy.isEmpty()) {
          // Over its budget even as a bitmap: a page that says so.
          const std::unique_ptr<Poppler::Page> page = doc->page(index);
          movie = PlainPage(page ? page->pageSizeF() : QSizeF(), options, &plainPicture);
          report.kind = QStringLiteral("plain");
          report.reason = (report.reason.isEmpty() ? QString() : report.reason + "; ") + "bitmap: " + bitmapWhy;
        }
      }
      if (movie.empty()) {
        code = kExitRenderFailed;
        why = QStringLiteral("page %1 of \"%2\" could not be rendered")
                  .arg(index + 1)
                  .arg(options.pdfPath);
      }
      report.bytes = movie.size();
      const QString target = PageFileName(options.pattern, index + 1);
      if (code == kExitOk && !WritePageFile(target, movie, &why)) code = kExitWriteFailed;
      QString words;
      QString picture;
      try {
        if (code == kExitOk) {
          words = QString::fromStdString(swf::PageWordsPath(target.toStdString()));
          if (!WritePageWords(*doc, index, words, headings[static_cast<size_t>(index)], plainPicture.isNull(), &why))
            code = kExitWriteFailed;
        }
        if (code == kExitOk && index == 0 && !options.bitmap) {
          picture = QString::fromStdString(swf::PagePicturePath(target.toStdString()));
          if (!WritePagePicture(*doc, index, plainPicture, picture, &why)) code = kExitWriteFailed;
        }
      } catch (const std::bad_alloc &) {
        code = kExitRenderFailed;
        why = QStringLiteral("page %1 of \"%2\": out of memory while reading its text").arg(index + 1).arg(options.pdfPath);
      }
      std::lock_guard lock(mutex);
      if (code != kExitOk) {
        if (result == kExitOk) {
          result = code;
          *error = why;
        }
        failed = true;
        return;
      }
      written.push_back(target);
      if (!words.isEmpty()) written.push_back(words);
      if (!picture.isEmpty()) written.push_back(picture);
      reports.push_back(report);
      ++done;
      if (progress) progress(done, total);
    }
  };

  std::vector<std::thread> threads;
  threads.reserve(workers);
  threads.emplace_back(work, std::move(first));
  for (int i = 1; i < workers; ++i) threads.emplace_back(work, nullptr);
  for (auto &t : threads) t.join();
  // A failed run leaves no partial page set that a later reader could take
  // for a complete conversion.
  if (result != kExitOk)
    for (const QString &path : written) QFile::remove(path);
  if (result == kExitOk && !options.report.isEmpty() && !WriteReport(options.report, reports)) {
    *error = QStringLiteral("cannot write the report \"%1\"").arg(options.report);
    return kExitWriteFailed;
  }
  return result;
}

}  // namespace lw::pdf2swf
