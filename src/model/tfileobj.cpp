#include "model/tfileobj.h"

#include "model/conversionnames.h"
#include "model/pagerange.h"
#include "model/tbookobj.h"
#include "model/uconst.h"
#include "pdf/pdfpagecount.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace lw {

QString SourceFileIdentity(const QString &path) {
  if (path.isEmpty()) return QString();
  const QFileInfo info(path);
  const QString real = info.canonicalFilePath();
  return real.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : real;
}

std::shared_ptr<TFileObj> FindSourceFile(const TFileList &list, const QString &path) {
  const QString identity = SourceFileIdentity(path);
  for (const auto &file : list)
    if (file && file->filePath == identity) return file;
  return nullptr;
}

TFileObj::TFileObj(const QString &path) : filePath(SourceFileIdentity(path)) { InitFromPath(); }

void TFileObj::InitFromPath() {
  rangeStr = QStringLiteral("All");
  fileType = kFileImage;
  // Lower-case ASCII letters only, as the comparison of the extension is
  // meant to ignore ASCII case and nothing more.
  QString ext = ExtensionOfPath(filePath);
  for (QChar &c : ext)
    if (c >= 'A' && c <= 'Z') c = QChar(c.unicode() + ('a' - 'A'));
  if (ext == QLatin1String(".pdf")) fileType = kFilePdf;
  showName = FileNameOfPath(filePath);
  count = 1;
  if (fileType == kFilePdf) {
    const PdfPageCountResult read = ReadPdfPageCountFile(QFile::encodeName(filePath).toStdString());
    count = read.count > kMaxPdfPageCount ? -1 : read.count;
    if (count < 1) {
      problemStr = QString::fromUtf8(PdfProblemText(read.problem));
      isUnusable = read.problem == PdfProblem::Unreadable || read.problem == PdfProblem::NotPdf;
      if (problemStr.isEmpty()) problemStr = QStringLiteral("is damaged");
    }
  }
}

bool TFileObj::AddsNoPages() const {
  return fileType == kFilePdf && (count < 1 || !problemStr.isEmpty());
}

QStringList TFileObj::GetRangeList() const { return GetRangeList(SysSetInfo.TempPathStr); }

QStringList TFileObj::GetRangeList(const QString &tempPath) const {
  QStringList paths;
  if (fileType != kFilePdf) return paths;
  const std::vector<int> pages = ParsePageNumbers(rangeStr, count);
  if (pages.empty()) return paths;
  const ConversionNames names = ConversionNamesFor(tempPath, filePath);
  paths.reserve(static_cast<qsizetype>(pages.size()));
  for (int n : pages) paths.append(names.PageFile(n));
  return paths;
}

}  // namespace lw
