// The book being edited, without a window: the book and its library of
// source files, the book file it was opened from or saved to, the undo
// history and the commands that change the book. A view shows its state,
// hands it the user's edits and reacts to its signals; the session never
// shows a widget (questions to the user stay with the view).
#pragma once

#include "model/tbookobj.h"
#include "model/tfileobj.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QUndoStack;

namespace lw {

class PackageJob;
class TThemeObj;

// Why a command of the session did not do (all) it was asked, with what the
// view needs to say so.
struct SessionProblem {
  enum class Kind {
    CannotOpen,      // `path` cannot be read: `detail` says why
    Damaged,         // `path` is no book file the reader takes: `detail` says why
    CannotSave,      // `path` cannot be written: `detail` says why
    SourcesMissing,  // the opened book's `files` are gone; their pages stay, marked missing
    WrongKind,       // `path` (a PDF or a picture) cannot stand for `detail`, of the other kind
  };
  Kind kind;
  QString path;
  QString detail;
  QStringList files;
};

class BookSession : public QObject {
  Q_OBJECT
 public:
  explicit BookSession(QObject *parent = nullptr);
  // Waits for a package being written (see PackageJob).
  ~BookSession() override;

  TBookObj &book() { return book_; }
  const TBookObj &book() const { return book_; }
  // The library: the source files in the order they were added.
  TFileList &library() { return library_; }
  // The undo history: every change of the pages and the settings.
  QUndoStack *undoStack() const { return undo_; }
  // The book's file, empty for a book never saved.
  QString bookPath() const { return path_; }
  // True when the book differs from its file (or, never saved, from the
  // book it started as).
  bool HasUnsavedChanges() const;
  // The user set the book size: the first file no longer sizes the book.
  bool sizeEdited() const { return sizeEdited_; }
  void SetSizeEdited(bool edited) { sizeEdited_ = edited; }

  // The view's edits of the settings not handed over yet (a title being
  // typed): called with the book before each command changes it and before
  // a change is recorded or the book written.
  using EditsSource = std::function<void(TBookObj &book)>;
  void SetEditsSource(EditsSource source) { edits_ = std::move(source); }
  // Converts the pages `pages[i]` of `files[i]` (each PDF's range when
  // empty) before they go into the book; the view shows the progress. Not
  // set: a conversion job runs and is waited for.
  using Converter = std::function<void(const TFileList &files, const std::vector<std::vector<int>> &pages)>;
  void SetConverter(Converter converter) { convert_ = std::move(converter); }

  // --- The book file --------------------------------------------------------
  // Opens the book file at `path` in place of the book, with a fresh
  // history; PDF pages not converted yet are converted. A file that cannot
  // be read or is damaged reports `problem` and changes nothing: returns
  // false then. Missing sources are reported after the book is open.
  bool Open(const QString &path);
  // Writes the book file at `path` and makes it the book's file; a write
  // failure reports `problem` and returns false.
  bool SaveTo(const QString &path);
  // An empty book with `theme`'s look (none: the default look), an empty
  // library and a fresh history.
  void New(const TThemeObj *theme);

  // --- Changes and their history ----------------------------------------------
  // The rows the user selected: undo selects them again.
  void SetSelection(const QList<int> &rows) { committedRows_ = rows; }
  // Makes the difference between the book and the book as last recorded
  // one undoable step named `what`, with `rows` selected after it; nothing
  // when they are the same.
  void Record(const QString &what, const QList<int> &rows);

  // --- Pages ------------------------------------------------------------------
  // The pages of `files` (only those the book lacks with `onlyNew`)
  // inserted from row `at` (out of range: at the end), converting the pages
  // of a range never converted first, then AutoBookSize; one step. Returns
  // the rows of the pages added. Throws ImageError as AutoBookSize does
  // (the pages and the step stay).
  QList<int> InsertFiles(const TFileList &files, int at, bool onlyNew);
  // Appends the pages of one source file (an image page, or the existing
  // page files of a PDF's range); one step. Returns their rows, empty when
  // none went in.
  QList<int> AppendFilePages(const TFileObj &file);
  // Moves the pages of `rows` before row `beforeRow` (MovePages); one step
  // named `what`. Returns their new rows; empty (nothing changed) for rows
  // outside the book.
  QList<int> MovePages(const QList<int> &rows, int beforeRow, const QString &what);
  // Deletes the pages of `rows`; one step. Returns the row to select then
  // (the page in the first deleted one's place, or the last); -1 for none.
  int DeletePages(const QList<int> &rows);
  // Removes every page; one step.
  void ClearPages();
  // Points the pages from the missing source `missingPath` at the file
  // `newPath` (PDF for PDF, picture for picture), converts what it must;
  // one step. A file of another kind reports WrongKind; returns false then
  // or when no page came from `missingPath`.
  bool Relocate(const QString &missingPath, const QString &newPath);
  // `theme`'s background and colours into the book, named after it; one
  // step, or, `asStart`, where the history begins.
  void ApplyTheme(const TThemeObj &theme, bool asStart = false);
  // Takes the book size from the first library file, once and only while
  // the user has not set a size; true when the size changed. Throws
  // ImageError when that file is an image that cannot be decoded.
  bool AutoBookSize();

  // --- Writing a package --------------------------------------------------
  // Writes the book on a worker thread (WriteBookPackage into `folder`, or
  // the preview; with `replaceRoot`, replacing that book). Returns false,
  // starting nothing, while a package is being written.
  bool WritePackage(bool isPreview, const QString &folder, const QString &replaceRoot = QString());
  bool IsWritingPackage() const { return job_ != nullptr; }

 signals:
  // The whole book may be new (opened, new, undone, redone, relocated):
  // `rows` are to be selected.
  void bookChanged(const QList<int> &rows);
  // Pages were added, moved or deleted.
  void pagesChanged();
  // The session changed settings itself (a theme's look, the size).
  void settingsChanged();
  // A change became a step of the history.
  void recorded();
  void unsavedChanged(bool unsaved);
  void pathChanged(const QString &path);
  void problem(const lw::SessionProblem &problem);
  void packageProgress(int done, int total);
  // A package has been written: its root, or empty when nothing was
  // written (a book without pages).
  void packageWritten(const QString &root);
  void packageFailed(const QString &message);

 private:
  void TakeEdits();
  // Puts `state` into the book as the recorded state, with `rows` selected.
  void Restore(const TBookObj &state, const QList<int> &rows);
  // Converts what the book shows of PDFs without page files.
  void ConvertMissingPages();
  void Convert(const TFileList &files, const std::vector<std::vector<int>> &pages);
  void SetPath(const QString &path);

  friend class BookStep;
  TBookObj book_;
  TFileList library_;
  QUndoStack *undo_;
  QString path_;
  bool sizeEdited_ = false;
  bool autoSizeDone_ = false;
  bool restoring_ = false;
  TBookObj committed_;
  QList<int> committedRows_;
  EditsSource edits_;
  Converter convert_;
  std::unique_ptr<PackageJob> job_;
};

}  // namespace lw
