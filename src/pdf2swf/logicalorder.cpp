#include "pdf2swf/logicalorder.h"

#include <QList>

#include <unicode/ubidi.h>

#include <algorithm>
#include <memory>

namespace lw::pdf2swf {

namespace {

struct Letters {
  int leftToRight = 0, rightToLeft = 0;
};

Letters StrongLetters(const QString &text) {
  Letters n;
  for (const uint c : text.toUcs4()) {
    switch (QChar::direction(c)) {
      case QChar::DirL: ++n.leftToRight; break;
      case QChar::DirR:
      case QChar::DirAL: ++n.rightToLeft; break;
      default: break;
    }
  }
  return n;
}

// The line's words, given as drawn, in logical order; empty where ICU
// refuses the line.
std::vector<PageWord> LogicalLine(const std::vector<PageWord> &drawn, bool rightToLeft) {
  // The line as drawn, one space between words, and where each word starts.
  QString visual;
  std::vector<int> starts;
  for (const PageWord &w : drawn) {
    if (!visual.isEmpty()) visual += ' ';
    starts.push_back(static_cast<int>(visual.size()));
    visual += w.text;
  }
  const std::unique_ptr<UBiDi, void (*)(UBiDi *)> bidi(ubidi_open(), ubidi_close);
  if (!bidi) return {};
  UErrorCode err = U_ZERO_ERROR;
  // The inverse algorithm: the text given is in visual order, what ICU
  // writes out ("visual" in its terms) is the logical order.
  ubidi_setReorderingMode(bidi.get(), UBIDI_REORDER_INVERSE_LIKE_DIRECT);
  const auto *units = reinterpret_cast<const UChar *>(visual.utf16());
  ubidi_setPara(bidi.get(), units, static_cast<int32_t>(visual.size()), rightToLeft ? 1 : 0, nullptr, &err);
  QString logical(visual.size(), QChar());
  const int32_t written = ubidi_writeReordered(bidi.get(), reinterpret_cast<UChar *>(logical.data()),
                                               static_cast<int32_t>(logical.size()), UBIDI_DO_MIRRORING, &err);
  if (U_FAILURE(err) || written != visual.size()) return {};
  struct Placed {
    int first;
    PageWord word;
  };
  std::vector<Placed> placed;
  for (std::size_t k = 0; k < drawn.size(); ++k) {
    std::vector<int> at;
    for (int i = starts[k], end = starts[k] + static_cast<int>(drawn[k].text.size()); i < end; ++i) {
      const int32_t to = ubidi_getVisualIndex(bidi.get(), i, &err);
      if (U_FAILURE(err) || to < 0 || to >= written) return {};
      at.push_back(to);
    }
    std::sort(at.begin(), at.end());
    PageWord w = drawn[k];
    w.text.clear();
    for (const int i : at) w.text += logical[i];
    placed.push_back({at.empty() ? 0 : at.front(), w});
  }
  std::stable_sort(placed.begin(), placed.end(), [](const Placed &a, const Placed &b) { return a.first < b.first; });
  std::vector<PageWord> out;
  for (Placed &p : placed) out.push_back(std::move(p.word));
  return out;
}

// Whether `c` is a presentation form: Latin, Armenian and Hebrew ligatures
// and Arabic shaped letters.
bool PresentationForm(QChar c) {
  const char16_t u = c.unicode();
  return (u >= 0xFB00 && u <= 0xFDFF) || (u >= 0xFE70 && u <= 0xFEFF);
}

// `text` with its presentation forms in their compatibility normal form
// (NFKC: the plain letters), the rest as it is.
QString PlainLetters(const QString &text) {
  if (std::none_of(text.begin(), text.end(), PresentationForm)) return text;
  QString out;
  for (const QChar c : text) out += PresentationForm(c) ? QString(c).normalized(QString::NormalizationForm_KC) : QString(c);
  return out;
}

}  // namespace

std::vector<PageWord> LogicalOrder(std::vector<PageWord> words) {
  // Lines as drawn, and the page's letters of either direction.
  std::vector<std::vector<PageWord>> lines;
  Letters page;
  const PageWord *last = nullptr;
  for (const PageWord &w : words) {
    const double mid = w.y + w.height / 2;
    const bool sameLine = last && mid > last->y && mid < last->y + last->height &&
                          w.x >= last->x + last->width - 0.5 * last->height;
    if (!sameLine) lines.emplace_back();
    lines.back().push_back(w);
    last = &w;
    const Letters n = StrongLetters(w.text);
    page.leftToRight += n.leftToRight;
    page.rightToLeft += n.rightToLeft;
  }
  std::vector<PageWord> out;
  out.reserve(words.size());
  for (std::vector<PageWord> &line : lines) {
    Letters n;
    for (const PageWord &w : line) {
      const Letters k = StrongLetters(w.text);
      n.leftToRight += k.leftToRight;
      n.rightToLeft += k.rightToLeft;
    }
    if (n.rightToLeft > 0) {
      const bool rightToLeft = n.leftToRight == 0 || page.rightToLeft > page.leftToRight;
      std::vector<PageWord> logical = LogicalLine(line, rightToLeft);
      if (!logical.empty()) line = std::move(logical);
    }
    for (PageWord &w : line) {
      w.text = PlainLetters(w.text);
      w.text.remove(' ');
      if (!w.text.isEmpty()) out.push_back(std::move(w));
    }
  }
  return out;
}

}  // namespace lw::pdf2swf
