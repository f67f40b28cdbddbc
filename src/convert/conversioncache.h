// The conversion folders under the temporary folder, shared by every
// Leafweaver process of one user (the window and any number of
// leafweaver-publish runs):
//   - an advisory lock per conversion folder, held while a PDF is converted
//     into it and, by a publisher, until its book is written;
//   - a stamp in a complete conversion naming the source file, its size and
//     modification time and the number of pages, so that an unchanged PDF is
//     not converted again;
//   - pruning of conversions whose source is gone or that were not used for
//     a long time.
#pragma once

#include "model/conversionnames.h"

#include <QDateTime>
#include <QString>
#include <atomic>
#include <memory>
#include <vector>

namespace lw {

// The stamp's file name inside a conversion folder.
inline constexpr const char *kConversionStampName = ".leafweaver-conversion";
// Conversions not used for this many days are pruned.
inline constexpr int kConversionMaxAgeDays = 30;

// What a conversion records about its source. The stamp file is text:
//   leafweaver-conversion 3
//   source <path>
//   size <bytes>
//   modified <ms since the epoch>
//   pages <the document's page count>
//   held <pages, as PageListText: "1-25,30">   (only when not every page)
// A stamp without "held" (as every stamp before pages were converted on
// demand) holds every page. The number after "leafweaver-conversion" is
// that of the side files' schema (kSideFilesVersion): a folder with a stamp
// of another number reads as no conversion and is converted anew, so side
// files of another schema are never read.
struct ConversionStamp {
  QString sourcePath;
  qint64 sourceSize = -1;
  qint64 sourceModifiedMs = -1;  // modification time, ms since the epoch (UTC)
  int pageCount = 0;
  // The pages the folder holds, ascending, each once, within 1..pageCount;
  // empty when it holds every page.
  std::vector<int> held;

  // The pages the folder holds: `held`, or 1..pageCount when it is empty.
  std::vector<int> HeldPages() const;

  // The stamp of the file at `pdfPath` as it is now, with `pages` pages.
  // Size and time are -1 when the file cannot be looked at.
  static ConversionStamp ForSource(const QString &pdfPath, int pages);
  // Same source path, size and time (the page count is not compared).
  bool SameSource(const ConversionStamp &other) const;
};

// Writes `stamp` into `folder` (a temporary file renamed into place).
// Returns false when it cannot be written.
bool WriteConversionStamp(const QString &folder, const ConversionStamp &stamp);
// Reads the stamp of `folder`. Returns false when there is none or it is
// damaged (then `stamp` is left alone).
bool ReadConversionStamp(const QString &folder, ConversionStamp &stamp);
// Parses the text of a stamp file. Returns false for damaged text (a
// "held" list that is not a page list within 1..pages included).
bool ParseConversionStamp(const QByteArray &text, ConversionStamp &stamp);

// An advisory lock on one conversion folder, across processes and threads.
// The lock file lies beside the folder ("<folder>.lock"); a lock left by a
// process that died is taken over. The thread that holds a folder's lock
// may take it again (a book may name one PDF twice); other threads of the
// process wait like other processes do. Released when the last object of
// that thread goes.
class ConversionLock {
 public:
  // Waits for the lock of `folder` (with or without its trailing "/"),
  // polling `stop` every 50 ms. Returns null when `stop` was set first or
  // the lock file cannot be created.
  static std::unique_ptr<ConversionLock> Acquire(const QString &folder,
                                                 const std::atomic<bool> *stop = nullptr);
  // The lock when nobody, this thread included, holds it now; otherwise null.
  static std::unique_ptr<ConversionLock> TryAcquire(const QString &folder);

  ~ConversionLock();
  ConversionLock(const ConversionLock &) = delete;
  ConversionLock &operator=(const ConversionLock &) = delete;

 private:
  explicit ConversionLock(QString key) : key_(std::move(key)) {}
  QString key_;
};

// The number of pages of a complete conversion of the file at `pdfPath` as
// it is now in `names.folder`: its stamp matches the file, holds every page
// and every page file 1..n is there. Returns 0 when there is no such
// conversion (none, another source, or only some pages held).
int CompleteConversionPages(const ConversionNames &names, const QString &pdfPath);

// The pages of the file at `pdfPath` as it is now that `names.folder`
// holds: those its stamp names whose page file is there, ascending. Sets
// `pageCount` (when given) to the stamp's page count. Returns an empty
// vector, and a count of 0, when the folder has no stamp of this file as
// it is now.
std::vector<int> HeldConversionPages(const ConversionNames &names, const QString &pdfPath,
                                     int *pageCount = nullptr);

// Removes, under `tempPath`, what runs that died left: their private
// folders and the lock files of folders that are gone (never what a live
// run holds). Returns how many were removed; 0 for a missing folder.
int PruneLeftovers(const QString &tempPath);

// Removes, under `tempPath`, conversion folders whose source file is gone
// or whose stamp (or, without a stamp, the folder itself) was last touched
// more than `maxAgeDays` before `now`, and the private folders of runs that
// ended without cleaning up. Folders locked by a running conversion are
// left alone. Returns how many folders were removed.
int PruneConversions(const QString &tempPath, const QDateTime &now = QDateTime::currentDateTime(),
                     int maxAgeDays = kConversionMaxAgeDays);

// Marks the conversion in `folder` as used now (its stamp's time), so that
// pruning keeps it. Does nothing without a stamp.
void TouchConversion(const QString &folder);

}  // namespace lw
