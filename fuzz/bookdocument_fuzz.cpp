// libFuzzer target: the book-file reader over arbitrary bytes. A crash, a
// leak, a sanitizer report, or a document that does not read back the same
// once written is a finding.
#include "model/bookdocument.h"

#include <QByteArray>
#include <QString>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
  QString error;
  const auto doc = lw::ParseBookDocument(bytes, QString(), error);
  if (!doc) {
    if (error.isEmpty()) std::abort();  // refused without a reason
    return 0;
  }
  // Written and read again: the same sources, pages and settings.
  const auto again = lw::ParseBookDocument(lw::SerializeBookDocument(*doc, QString()), QString(), error);
  if (!again || again->sources.size() != doc->sources.size() || again->pages.size() != doc->pages.size() ||
      !again->settings.SameContent(doc->settings))
    std::abort();
  for (size_t i = 0; i < doc->pages.size(); ++i)
    if (again->pages[i].source != doc->pages[i].source || again->pages[i].page != doc->pages[i].page)
      std::abort();
  return 0;
}
