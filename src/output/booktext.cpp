#include "output/booktext.h"

#include "model/webaddress.h"

#include "output/bookpackage.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>

#include <algorithm>
#include <cmath>

#include <zlib.h>

namespace lw {

namespace {

// Whether `text` holds a right-to-left letter (Hebrew, Arabic and the like).
bool rightToLeft(const QString &text) {
  return std::any_of(text.begin(), text.end(), [](QChar c) {
    return c.direction() == QChar::DirR || c.direction() == QChar::DirAL;
  });
}

// The page's words grouped into lines, as indices into page.words in reading
// order: a word joins the line of the word before when its middle lies
// within that word's height and it does not start left of that word's end
// (less half its height); where either word holds right-to-left letters it
// may instead end right of that word's start (plus half its height), as
// logical order goes leftwards there.
std::vector<std::vector<size_t>> pageLines(const PageWords &page) {
  std::vector<std::vector<size_t>> lines;
  const PageWord *last = nullptr;
  for (size_t i = 0; i < page.words.size(); ++i) {
    const PageWord &w = page.words[i];
    const double mid = w.y + w.height / 2;
    const bool sameLine =
        last && mid > last->y && mid < last->y + last->height &&
        (w.x >= last->x + last->width - 0.5 * last->height ||
         (w.x + w.width <= last->x + 0.5 * last->height && (rightToLeft(w.text) || rightToLeft(last->text))));
    if (sameLine)
      lines.back().push_back(i);
    else
      lines.push_back({i});
    last = &w;
  }
  return lines;
}

}  // namespace

QStringList PageParagraphs(const PageWords &page) {
  struct Line {
    double top, bottom;
    QString text;
  };
  std::vector<Line> lines;
  for (const std::vector<size_t> &words : pageLines(page)) {
    Line line{page.words[words.front()].y, page.words[words.front()].y, {}};
    for (size_t i : words) {
      const PageWord &w = page.words[i];
      if (!line.text.isEmpty()) line.text += ' ';
      line.text += w.text;
      line.top = std::min(line.top, w.y);
      line.bottom = std::max(line.bottom, w.y + w.height);
    }
    lines.push_back(std::move(line));
  }
  QStringList paragraphs;
  const Line *before = nullptr;
  for (const Line &line : lines) {
    const double height = line.bottom - line.top;
    const bool newParagraph = !before || line.top < before->top ||
                              line.top - before->bottom > 0.8 * height;
    if (newParagraph) {
      paragraphs << line.text;
    } else {
      QString &p = paragraphs.back();
      if (p.endsWith('-') && p.size() > 1 && p[p.size() - 2].isLetter() && !line.text.isEmpty() &&
          line.text[0].isLower()) {
        p.chop(1);
        p += line.text;
      } else {
        p += ' ' + line.text;
      }
    }
    before = &line;
  }
  return paragraphs;
}

QByteArray BookTextJson(const std::vector<PageWords> &pages) {
  QJsonArray out;
  for (const PageWords &page : pages) {
    if (page.words.empty()) {
      out.append(QJsonArray());
      continue;
    }
    QJsonArray texts, numbers;
    long previousTop = 0;
    for (const std::vector<size_t> &words : pageLines(page)) {
      QStringList text;
      std::vector<long> left, right;
      std::vector<qsizetype> length;
      double top = page.words[words.front()].y, bottom = top;
      for (size_t i : words) {
        const PageWord &w = page.words[i];
        QString word = w.text;
        word.replace(' ', QChar(0x00A0));
        text << word;
        length.push_back(word.size());
        left.push_back(std::lround(w.x));
        right.push_back(std::max(left.back(), std::lround(w.x + w.width)));
        top = std::min(top, w.y);
        bottom = std::max(bottom, w.y + w.height);
      }
      long widths = 0;
      qsizetype chars = 0;
      for (size_t k = 0; k < words.size(); ++k) {
        widths += right[k] - left[k];
        chars += length[k];
      }
      const long advance = chars > 0 ? std::lround(10.0 * double(widths) / double(chars)) : 0;
      const long lineTop = std::lround(top);
      QStringList n{QString::number(lineTop - previousTop), QString::number(std::lround(bottom) - lineTop),
                    QString::number(left.front()), QString::number(advance)};
      previousTop = lineTop;
      for (size_t k = 0; k < words.size(); ++k) {
        if (k > 0) n << QString::number(left[k] - right[k - 1]);
        n << QString::number(right[k] - left[k] - (long(length[k]) * advance + 5) / 10);
      }
      texts.append(text.join(' '));
      numbers.append(n.join(','));
    }
    out.append(QJsonArray{double(std::lround(page.width)), double(std::lround(page.height)), texts, numbers});
  }
  QJsonObject root;
  root.insert("format", 2);
  root.insert("pages", out);
  return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

QByteArray GzipBytes(const QByteArray &bytes) {
  z_stream z{};
  if (deflateInit2(&z, 9, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY) != Z_OK) return {};
  QByteArray out(qsizetype(deflateBound(&z, uLong(bytes.size()))), Qt::Uninitialized);
  z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(bytes.constData()));
  z.avail_in = uInt(bytes.size());
  z.next_out = reinterpret_cast<Bytef *>(out.data());
  z.avail_out = uInt(out.size());
  const int result = deflate(&z, Z_FINISH);
  const qsizetype written = qsizetype(z.total_out);
  deflateEnd(&z);
  if (result != Z_STREAM_END) return {};
  out.truncate(written);
  return out;
}

PageMarks MarksOfPage(const PageWords &page) {
  PageMarks marks;
  marks.headings = page.headings;
  for (const PageLink &link : page.links) {
    if (link.target > 0 || !IsOpenableAddress(link.url)) continue;
    // The area in points, as the words' boxes are.
    const double left = link.x * page.width, top = link.y * page.height;
    const double right = left + link.w * page.width, bottom = top + link.h * page.height;
    QStringList covered;
    for (const PageWord &w : page.words) {
      const double cx = w.x + w.width / 2, cy = w.y + w.height / 2;
      if (cx >= left && cx <= right && cy >= top && cy <= bottom) covered << w.text;
    }
    marks.links.emplace_back(covered.isEmpty() ? link.url : covered.join(' '), link.url);
  }
  return marks;
}

QString BookTextHtml(const BookText &text, const QStringList &pageImages, const std::vector<PageMarks> &marks,
                     const std::vector<QSize> &imageSizes) {
  QString out;
  const qsizetype count = std::max<qsizetype>(static_cast<qsizetype>(text.size()), pageImages.size());
  for (qsizetype i = 0; i < count; ++i) {
    const QString n = QString::number(i + 1);
    // No name on the section: named, each page would be a landmark region.
    out += "<section class=\"page\" id=\"page-" + n + "\">\n";
    out += "<h2>Page " + n + "</h2>\n";
    const QStringList none;
    const QStringList &paragraphs = i < static_cast<qsizetype>(text.size()) ? text[static_cast<size_t>(i)] : none;
    if (i < pageImages.size() && !pageImages[i].isEmpty()) {
      const QString words = BookTextOpening({paragraphs}, 150);
      const QSize size = i < static_cast<qsizetype>(imageSizes.size()) ? imageSizes[static_cast<size_t>(i)] : QSize();
      out += "<img class=\"page-image\" src=\"" + EscapeHtml(pageImages[i]) + "\" alt=\"" +
             EscapeHtml(words.isEmpty() ? "Page " + n : words) + "\"" +
             (size.isEmpty() ? QString() : QStringLiteral(" width=\"%1\" height=\"%2\"").arg(size.width()).arg(size.height())) +
             " loading=\"lazy\">\n";
    }
    const PageMarks noMarks;
    const PageMarks &m = i < static_cast<qsizetype>(marks.size()) ? marks[static_cast<size_t>(i)] : noMarks;
    // What the page shows, in order: the outline headings not found in its
    // text, then its paragraphs, each outline heading taking the first one
    // that starts with its title. A level is a heading's (0 for a paragraph).
    std::vector<std::pair<int, QString>> items;
    std::vector<int> levelOf(static_cast<size_t>(paragraphs.size()), 0);
    for (const PageHeading &h : m.headings) {
      bool placed = false;
      for (qsizetype k = 0; k < paragraphs.size() && !placed; ++k) {
        if (levelOf[static_cast<size_t>(k)] == 0 && paragraphs[k].startsWith(h.title, Qt::CaseInsensitive)) {
          levelOf[static_cast<size_t>(k)] = std::min(h.level + 2, 6);
          placed = true;
        }
      }
      if (!placed) items.emplace_back(std::min(h.level + 2, 6), h.title);
    }
    for (qsizetype k = 0; k < paragraphs.size(); ++k) items.emplace_back(levelOf[static_cast<size_t>(k)], paragraphs[k]);
    // Headings step down one level at a time from the page's <h2>.
    int previous = 2;
    for (auto &[level, words] : items) {
      if (level > 0) level = previous = std::min(level, previous + 1);
      const QString tag = level ? "h" + QString::number(level) : QStringLiteral("p");
      // Right-to-left text takes its direction from its first letters.
      const QString dir = rightToLeft(words) ? QStringLiteral(" dir=\"auto\"") : QString();
      out += "<" + tag + dir + ">" + EscapeHtml(words) + "</" + tag + ">\n";
    }
    if (!m.links.empty()) {
      out += "<ul class=\"links\">\n";
      for (const auto &[words, address] : m.links)
        out += "<li><a href=\"" + EscapeHtml(address) + "\">" + EscapeHtml(words) + "</a></li>\n";
      out += "</ul>\n";
    }
    out += "</section>\n";
  }
  return out;
}

QString BookTextOpening(const BookText &text, int maxChars) {
  QString out;
  for (const QStringList &page : text) {
    for (const QString &p : page) {
      for (const QString &word : p.split(' ', Qt::SkipEmptyParts)) {
        if (out.size() + 1 + word.size() > maxChars) return out.isEmpty() ? out : out + QStringLiteral("…");
        if (!out.isEmpty()) out += ' ';
        out += word;
      }
    }
  }
  return out;
}

QString BookTextLanguage(const BookText &text) {
  enum Script { Latin, Hebrew, Arabic, Greek, Thai, Hangul, Kana, Han, Count };
  long letters[Count] = {};
  long persian = 0, arabicOnly = 0;
  for (const QStringList &page : text) {
    for (const QString &paragraph : page) {
      // Presentation forms (as some PDFs hold Arabic) read as their letters.
      const QString plain = paragraph.normalized(QString::NormalizationForm_KC);
      for (const QChar c : plain) {
        const char16_t u = c.unicode();
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0x24F)) ++letters[Latin];
        else if (u >= 0x0590 && u <= 0x05FF) ++letters[Hebrew];
        else if ((u >= 0x0600 && u <= 0x06FF) || (u >= 0x0750 && u <= 0x077F)) {
          ++letters[Arabic];
          // پ چ ژ گ ک ی, and ة ي ك.
          if (u == 0x067E || u == 0x0686 || u == 0x0698 || u == 0x06AF || u == 0x06A9 || u == 0x06CC) ++persian;
          if (u == 0x0629 || u == 0x064A || u == 0x0643) ++arabicOnly;
        } else if (u >= 0x0370 && u <= 0x03FF) ++letters[Greek];
        else if (u >= 0x0E00 && u <= 0x0E7F) ++letters[Thai];
        else if ((u >= 0xAC00 && u <= 0xD7AF) || (u >= 0x1100 && u <= 0x11FF)) letters[Hangul] += 2;
        else if (u >= 0x3040 && u <= 0x30FF) letters[Kana] += 2;
        else if ((u >= 0x4E00 && u <= 0x9FFF) || (u >= 0x3400 && u <= 0x4DBF)) letters[Han] += 2;
      }
    }
  }
  // Japanese writes Han and kana together: both count for it once kana is
  // common (a tenth of the Han characters or more).
  if (letters[Kana] > 0 && letters[Kana] * 10 >= letters[Han]) {
    letters[Kana] += letters[Han];
    letters[Han] = 0;
  }
  int best = Latin;
  for (int s = Hebrew; s < Count; ++s)
    if (letters[s] > 0 && (best == Latin || letters[s] > letters[best])) best = s;
  if (best == Latin || letters[best] * 4 < letters[Latin]) return {};
  switch (best) {
    case Hebrew: return QStringLiteral("he");
    case Arabic:
      return persian > 0 && persian >= 20 * arabicOnly && persian * 50 >= letters[Arabic] ? QStringLiteral("fa")
                                                                                            : QStringLiteral("ar");
    case Greek: return QStringLiteral("el");
    case Thai: return QStringLiteral("th");
    case Hangul: return QStringLiteral("ko");
    case Kana: return QStringLiteral("ja");
    default: return QStringLiteral("zh");
  }
}

}  // namespace lw
