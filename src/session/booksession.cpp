#include "session/booksession.h"

#include "convert/tconvertpafthread.h"
#include "model/bookdocument.h"
#include "model/pageimport.h"
#include "model/sourcefiles.h"
#include "model/uconst.h"
#include "output/autobooksize.h"
#include "output/packagejob.h"
#include "themes/tthememanager.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QScopeGuard>
#include <QUndoStack>

namespace lw {

// One change of the book: the whole book before and after it, with the rows
// selected at either time. The change has been made when the step is pushed.
class BookStep : public QUndoCommand {
 public:
  BookStep(BookSession *session, const QString &what, TBookObj before, QList<int> rowsBefore,
           TBookObj after, QList<int> rowsAfter)
      : QUndoCommand(what), session_(session), before_(std::move(before)), after_(std::move(after)),
        rowsBefore_(std::move(rowsBefore)), rowsAfter_(std::move(rowsAfter)) {}
  void undo() override { session_->Restore(before_, rowsBefore_); }
  void redo() override {
    if (pushed_) session_->Restore(after_, rowsAfter_);
    pushed_ = true;
  }

 private:
  BookSession *session_;
  TBookObj before_, after_;
  QList<int> rowsBefore_, rowsAfter_;
  bool pushed_ = false;
};

namespace {

bool IsPdfPath(const QString &name) { return name.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive); }

}  // namespace

BookSession::BookSession(QObject *parent) : QObject(parent), undo_(new QUndoStack(this)) {
  connect(undo_, &QUndoStack::cleanChanged, this, [this](bool clean) { emit unsavedChanged(!clean); });
}

BookSession::~BookSession() = default;

bool BookSession::HasUnsavedChanges() const { return !undo_->isClean(); }

void BookSession::TakeEdits() {
  if (edits_ && !restoring_) edits_(book_);
}

void BookSession::SetPath(const QString &path) {
  path_ = path;
  emit pathChanged(path_);
}

void BookSession::Record(const QString &what, const QList<int> &rows) {
  if (restoring_) return;
  TakeEdits();
  if (book_.SameContent(committed_)) return;
  undo_->push(new BookStep(this, what, std::move(committed_), committedRows_, book_.Copy(), rows));
  committed_ = book_.Copy();
  committedRows_ = rows;
  emit recorded();
}

void BookSession::Restore(const TBookObj &state, const QList<int> &rows) {
  restoring_ = true;
  const auto done = qScopeGuard([this] { restoring_ = false; });
  book_ = state.Copy();
  committed_ = state.Copy();
  committedRows_ = rows;
  emit bookChanged(rows);
}

// ---------------------------------------------------------------------------
// The book file

bool BookSession::Open(const QString &path) {
  QFile file(path);
  // Only a plain file: a pipe or a device would never end.
  const QFileInfo info(path);
  if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
    emit problem({SessionProblem::Kind::CannotOpen, path, info.isFile() ? file.errorString() : QString(), {}});
    return false;
  }
  QString error;
  // Never more than a book file may hold, whatever the file's size.
  const auto doc = ParseBookDocument(file.read(kMaxBookFileBytes + 1), info.absolutePath(), error);
  if (!doc) {
    emit problem({SessionProblem::Kind::Damaged, path, error, {}});
    return false;
  }
  OpenedBook opened = OpenBookDocument(*doc, SysSetInfo.TempPathStr);
  library_ = std::move(opened.library);
  sizeEdited_ = doc->sizeEdited;
  autoSizeDone_ = true;  // an opened book keeps its size
  SetPath(info.absoluteFilePath());
  Restore(opened.book, {});
  undo_->clear();
  if (const QStringList missing = MissingSources(book_); !missing.isEmpty())
    emit problem({SessionProblem::Kind::SourcesMissing, path_, {}, missing});
  ConvertMissingPages();
  return true;
}

bool BookSession::SaveTo(const QString &path) {
  TakeEdits();
  const QFileInfo info(path);
  const QString target = info.absoluteFilePath();
  const QByteArray bytes =
      SerializeBookDocument(DocumentOfBook(book_, library_, sizeEdited_), info.absolutePath());
  QSaveFile out(target);
  if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
    emit problem({SessionProblem::Kind::CannotSave, target, out.errorString(), {}});
    return false;
  }
  SetPath(target);
  undo_->setClean();
  return true;
}

void BookSession::New(const TThemeObj *theme) {
  library_.clear();
  sizeEdited_ = false;
  autoSizeDone_ = false;
  SetPath(QString());
  TBookObj fresh;
  if (theme) {
    ApplyBookLook(fresh, ThemeBookLook(*theme));
    fresh.themeStr = theme->titleStr;
  }
  Restore(fresh, {});
  undo_->clear();
}

// ---------------------------------------------------------------------------
// Pages

void BookSession::Convert(const TFileList &files, const std::vector<std::vector<int>> &pages) {
  if (files.empty()) return;
  if (convert_) {
    convert_(files, pages);
    return;
  }
  TConvertPafThread job(files, pages);
  job.Start();
  job.Wait();
}

QList<int> BookSession::InsertFiles(const TFileList &files, int at, bool onlyNew) {
  TakeEdits();
  QList<int> added;
  const auto record = qScopeGuard([&] { Record(tr("Add Pages"), added); });
  if (at < 0 || at > book_.PageCount()) at = book_.PageCount();
  // Pages of a range that were never converted (the range was narrower
  // before, or the pages were converted for a book) are converted first.
  TFileList lacking;
  std::vector<std::vector<int>> lackingPages;
  for (const auto &file : files) {
    std::vector<int> pages = RangePagesToConvert(*file, SysSetInfo.TempPathStr);
    if (pages.empty()) continue;
    lacking.push_back(file);
    lackingPages.push_back(std::move(pages));
  }
  Convert(lacking, lackingPages);
  for (const auto &file : files) {
    const auto pages = onlyNew ? ImportNewFilePages(book_, *file, SysSetInfo.TempPathStr, at)
                               : ImportFilePages(book_, *file, SysSetInfo.TempPathStr, at);
    for (TPageObj *page : pages) {
      added << book_.IndexOfPage(page);
      ++at;
    }
  }
  if (!added.isEmpty()) emit pagesChanged();
  if (AutoBookSize()) emit settingsChanged();
  return added;
}

QList<int> BookSession::AppendFilePages(const TFileObj &file) {
  TakeEdits();
  QList<int> added;
  for (TPageObj *page : ImportFilePages(book_, file, SysSetInfo.TempPathStr)) added << book_.IndexOfPage(page);
  if (!added.isEmpty()) emit pagesChanged();
  Record(tr("Add Pages"), added);
  return added;
}

QList<int> BookSession::MovePages(const QList<int> &rows, int beforeRow, const QString &what) {
  TakeEdits();
  const std::vector<int> moved = book_.MovePages(std::vector<int>(rows.begin(), rows.end()), beforeRow);
  if (moved.empty()) return {};
  const QList<int> placed(moved.begin(), moved.end());
  emit pagesChanged();
  Record(what, placed);
  return placed;
}

int BookSession::DeletePages(const QList<int> &rows) {
  if (rows.isEmpty()) return -1;
  TakeEdits();
  QList<int> sorted = rows;
  std::sort(sorted.begin(), sorted.end());
  for (auto row = sorted.crbegin(); row != sorted.crend(); ++row) book_.DelPageByIndex(*row);
  // The page that takes the first deleted one's place, or the new last.
  const int next = std::min(sorted.first(), book_.PageCount() - 1);
  emit pagesChanged();
  Record(sorted.size() > 1 ? tr("Delete Pages") : tr("Delete Page"), next < 0 ? QList<int>{} : QList<int>{next});
  return next;
}

void BookSession::ClearPages() {
  TakeEdits();
  book_.ClearPage();
  emit pagesChanged();
  Record(tr("Clear"), {});
}

bool BookSession::Relocate(const QString &missingPath, const QString &newPath) {
  const QFileInfo found(newPath);
  if (!found.isFile() || !IsSupportedSourceFile(newPath) ||
      IsPdfPath(found.fileName()) != IsPdfPath(FileNameOfPath(missingPath))) {
    emit problem({SessionProblem::Kind::WrongKind, newPath, missingPath, {}});
    return false;
  }
  TakeEdits();
  BookDocument doc = DocumentOfBook(book_, library_, sizeEdited_);
  if (!RelocateSource(doc, missingPath, found.absoluteFilePath())) return false;
  OpenedBook opened = OpenBookDocument(doc, SysSetInfo.TempPathStr);
  library_ = std::move(opened.library);
  book_ = std::move(opened.book);
  ConvertMissingPages();
  emit bookChanged(committedRows_);
  Record(tr("Locate File"), committedRows_);
  return true;
}

void BookSession::ConvertMissingPages() {
  const TFileList files = SourcesToConvert(book_, library_);
  if (files.empty()) return;
  std::vector<std::vector<int>> pages;
  // Only the pages the book shows.
  for (const auto &file : files) pages.push_back(BookPagesOfSource(book_, file->filePath));
  Convert(files, pages);
  emit pagesChanged();
}

void BookSession::ApplyTheme(const TThemeObj &theme, bool asStart) {
  TakeEdits();
  ApplyBookLook(book_, ThemeBookLook(theme));
  book_.themeStr = theme.titleStr;
  emit settingsChanged();
  if (!asStart) {
    Record(tr("Theme"), committedRows_);
    return;
  }
  committed_ = book_.Copy();
}

bool BookSession::AutoBookSize() {
  if (library_.empty() || autoSizeDone_) return false;
  autoSizeDone_ = true;
  if (sizeEdited_) return false;
  const QSize size = AutoBookSizeFor(*library_.front());  // throws before the book changes
  const bool changed = size.width() != book_.width || size.height() != book_.height;
  book_.width = size.width();
  book_.height = size.height();
  return changed;
}

// ---------------------------------------------------------------------------
// Writing a package

bool BookSession::WritePackage(bool isPreview, const QString &folder, const QString &replaceRoot) {
  if (job_) return false;  // one package at a time
  TakeEdits();
  job_ = std::make_unique<PackageJob>(book_, SysSetInfo, isPreview, folder, nullptr, replaceRoot);
  connect(job_.get(), &PackageJob::pagesWritten, this, &BookSession::packageProgress);
  // The job's worker has ended once it signalled; it is released outside its
  // own signal.
  auto finish = [this] { job_.release()->deleteLater(); };
  connect(job_.get(), &PackageJob::written, this, [this, finish](const QString &root) {
    finish();
    emit packageWritten(root);
  });
  connect(job_.get(), &PackageJob::failed, this, [this, finish](const QString &message) {
    finish();
    emit packageFailed(message);
  });
  return true;
}

}  // namespace lw
