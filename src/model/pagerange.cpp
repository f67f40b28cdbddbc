#include "model/pagerange.h"

#include "model/tfileobj.h"

#include <QRegularExpression>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

namespace lw {
namespace {

bool isBlank(QChar c) { return c.unicode() <= 0x20; }

// An inclusive page interval named by one piece.
using Interval = std::pair<int, int>;

// Reads the pieces of an explicit range text into intervals. Returns false
// for the first piece that is invalid or reaches beyond `count`.
bool readIntervals(const QString &text, int count, std::vector<Interval> &out) {
  const QStringList raw = text.split(',', Qt::KeepEmptyParts);
  bool any = false;
  for (const QString &part : raw) {
    // Empty pieces (",,", a trailing ",") are skipped; a piece of blanks
    // is taken and then fails as an empty number below.
    if (part.isEmpty()) continue;
    any = true;
    const QString piece = TrimBlanks(part);
    const qsizetype dash = piece.indexOf('-');
    int first = 0;
    int last = 0;
    if (dash >= 0) {
      first = ReadRangeNumber(piece.left(dash));
      last = ReadRangeNumber(piece.mid(dash + 1));
      if (first < 1 || last < 1 || first >= last) return false;
    } else {
      first = last = ReadRangeNumber(piece);
      if (first < 1) return false;
    }
    // A range ending beyond the document empties the result before it is
    // ever expanded, so "1-2000000000" costs nothing.
    if (last > count) return false;
    out.emplace_back(first, last);
  }
  return any;
}

}  // namespace

QString TrimBlanks(const QString &text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && isBlank(text.at(begin))) ++begin;
  while (end > begin && isBlank(text.at(end - 1))) --end;
  return text.mid(begin, end - begin);
}

int ReadRangeNumber(const QString &text) {
  const QString t = TrimBlanks(text);
  qsizetype i = 0;
  bool negative = false;
  if (i < t.size() && (t.at(i) == '+' || t.at(i) == '-')) {
    negative = t.at(i) == '-';
    ++i;
  }
  if (i >= t.size()) return -1;
  std::int64_t value = 0;
  for (; i < t.size(); ++i) {
    const char16_t c = t.at(i).unicode();
    if (c < u'0' || c > u'9') return -1;
    value = value * 10 + (c - u'0');
    if (value > std::int64_t(std::numeric_limits<int>::max()) + 1) return -1;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
    return -1;
  return static_cast<int>(value);
}

std::vector<int> ParsePageNumbers(const QString &text, int count) {
  std::vector<int> pages;
  const QString t = TrimBlanks(text);
  if (t.isEmpty()) return pages;

  if (t.compare(QLatin1String("All"), Qt::CaseInsensitive) == 0) {
    if (count < 1) return pages;
    pages.reserve(static_cast<size_t>(count));
    for (std::int64_t n = 1; n <= count; ++n) pages.push_back(static_cast<int>(n));
    return pages;
  }

  std::vector<Interval> intervals;
  if (!readIntervals(t, count, intervals)) return pages;

  // Merge the intervals so every page comes out once, in ascending order.
  std::sort(intervals.begin(), intervals.end());
  std::int64_t next = 1;  // lowest page not yet emitted
  for (const auto &[first, last] : intervals) {
    for (std::int64_t n = std::max<std::int64_t>(first, next); n <= last; ++n)
      pages.push_back(static_cast<int>(n));
    next = std::max<std::int64_t>(next, std::int64_t(last) + 1);
  }
  return pages;
}

QStringList ParsePageRange(const QString &text, int count) {
  QStringList result;
  const std::vector<int> pages = ParsePageNumbers(text, count);
  result.reserve(static_cast<qsizetype>(pages.size()));
  for (int n : pages) result.append(QString::number(n));
  return result;
}

bool IsValidPageRange(const QString &text, int count) {
  const QString t = TrimBlanks(text);
  if (t.compare(QLatin1String("All"), Qt::CaseInsensitive) == 0) return count >= 1;
  std::vector<Interval> intervals;
  return !t.isEmpty() && readIntervals(t, count, intervals);
}

QString GetFileNameNoExt(const QString &name) {
  const qsizetype dot = name.lastIndexOf('.');
  return dot < 0 ? QString() : name.left(dot);
}

QString PageRangeProblem(const QString &text, int count) {
  if (text.trimmed().isEmpty() || IsValidPageRange(text, count)) return QString();
  if (count < 1) return QStringLiteral("the pages of this PDF are not known");
  static const QRegularExpression number(QStringLiteral("\\d+"));
  for (auto it = number.globalMatch(text); it.hasNext();) {
    bool ok = false;
    const qlonglong n = it.next().captured().toLongLong(&ok);
    if (!ok || n < 1 || n > count)
      return count == 1 ? QStringLiteral("this PDF has 1 page")
                        : QStringLiteral("this PDF has %1 pages").arg(count);
  }
  return QStringLiteral("write pages as 1-5, 8");
}

QString PageListText(const std::vector<int> &pages) {
  std::vector<int> sorted(pages);
  std::sort(sorted.begin(), sorted.end());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  QString text;
  for (size_t i = 0; i < sorted.size();) {
    if (sorted[i] < 1) {
      ++i;
      continue;
    }
    size_t j = i;
    while (j + 1 < sorted.size() && sorted[j + 1] == sorted[j] + 1) ++j;
    if (!text.isEmpty()) text += ',';
    text += QString::number(sorted[i]);
    if (j > i) text += '-' + QString::number(sorted[j]);
    i = j + 1;
  }
  return text;
}

std::optional<PageRuns> ParsePageRuns(const QString &text, QString *problem) {
  auto fail = [problem](const QString &why) -> std::optional<PageRuns> {
    if (problem) *problem = why;
    return std::nullopt;
  };
  auto number = [](const QString &piece) {
    const QString t = piece.trimmed();
    if (t.isEmpty() || t.size() > 9) return -1;
    for (const QChar c : t)
      if (c < '0' || c > '9') return -1;
    const int n = t.toInt();
    return n >= 1 && n <= kMaxPdfPageCount ? n : -1;
  };
  if (text.trimmed().isEmpty()) return fail(QStringLiteral("the page list is empty"));
  PageRuns runs;
  for (const QString &item : text.split(',')) {
    if (item.trimmed().isEmpty()) return fail(QStringLiteral("the page list has an empty item"));
    const qsizetype dash = item.indexOf('-');
    const int first = number(dash < 0 ? item : item.left(dash));
    const int last = dash < 0 ? first : number(item.mid(dash + 1));
    if (first < 0 || last < 0)
      return fail(QStringLiteral("\"%1\" is not a page from 1 to %2 or a run of them like 3-7")
                      .arg(item.trimmed())
                      .arg(kMaxPdfPageCount));
    if (last < first) return fail(QStringLiteral("the run \"%1\" ends before it starts").arg(item.trimmed()));
    runs.emplace_back(first, last);
  }
  std::sort(runs.begin(), runs.end());
  PageRuns merged;
  for (const auto &run : runs) {
    if (!merged.empty() && std::int64_t(run.first) <= std::int64_t(merged.back().second) + 1)
      merged.back().second = std::max(merged.back().second, run.second);
    else
      merged.push_back(run);
  }
  return merged;
}

std::vector<int> PagesOfRuns(const PageRuns &runs) {
  std::vector<int> pages;
  for (const auto &[first, last] : runs)
    for (std::int64_t n = first; n <= last; ++n) pages.push_back(static_cast<int>(n));
  return pages;
}

}  // namespace lw
