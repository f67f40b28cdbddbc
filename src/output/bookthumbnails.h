// The book's thumbnails: a small picture of every page, drawn into sheets of
// several pictures per JPEG (one request for many pages) under
// source/thumbs/, with their layout in source/thumbnails.json. The player
// loads them only when its thumbnails panel opens; books without the index
// file simply have no such panel.
#pragma once

#include "model/tbookobj.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace lw {

inline constexpr const char *kThumbnailsName = "source/thumbnails.json";
inline constexpr const char *kThumbnailsFolder = "source/thumbs/";

// How the pictures lie in a sheet: cells of `cell` pixels, `columns` across
// and `rows` down, page after page from the top left.
struct ThumbnailGrid {
  QSize cell;
  int columns = 5;
  int rows = 4;
  int perSheet() const { return columns * rows; }
};

// The grid for a book of `bookWidth` x `bookHeight` points: the cell has the
// book page's shape and is 120 pixels on its longer side. A size that is not
// positive gives the cell of an A4 page.
ThumbnailGrid ThumbnailGridFor(int bookWidth, int bookHeight);

// The index the player reads: {"version":1,"pages":N,"cell":[w,h],
// "columns":c,"rows":r,"sheets":["thumbs/1.jpg",...]}, sheet paths relative
// to source/. Never fails.
QByteArray ThumbnailIndexJson(const ThumbnailGrid &grid, int pageCount, const QStringList &sheets);

// Draws a book's thumbnails page by page into the package at `root` (ending
// in "/"). Every page gets a cell: its picture by the rule for pages
// (DrawPagePicture: the movie's bitmap, the converter's picture beside the
// movie, then the source, each PDF read and parsed once); a page none of
// these can draw gets a plain grey cell, never a failure. The pictures are drawn ahead
// on threads of its own (one per processor, at most four, each with its own
// parsed copies of the PDFs, the PDFs' bytes read once); the destructor
// stops and waits for them.
class BookThumbnails {
 public:
  // Removes thumbnails an earlier package left at `root`.
  BookThumbnails(const TBookObj &book, const QString &root);
  ~BookThumbnails();
  BookThumbnails(const BookThumbnails &) = delete;
  BookThumbnails &operator=(const BookThumbnails &) = delete;

  // Draws the next page of the book into its sheet, writing the sheet once
  // it is full. Returns false when the page could not be drawn (it got the
  // grey cell). Throws PackageError when a sheet cannot be written.
  bool addNextPage();
  // Writes the last sheet and the index. Throws PackageError when a file
  // cannot be written.
  void finish();
  // Bytes of the sheets and index written so far.
  qint64 bytesWritten() const { return bytes_; }

 private:
  void writeSheet();
  void draw();
  QByteArray pdfBytes(const QString &path);

  const TBookObj &book_;
  QString root_;
  ThumbnailGrid grid_;
  QImage sheet_;
  size_t next_ = 0;
  int inSheet_ = 0;
  QStringList sheets_;
  qint64 bytes_ = 0;

  // Shared with the drawing threads, under mutex_.
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<QImage> pictures_;
  std::vector<char> drawn_;
  std::map<QString, QByteArray> pdfBytes_;
  size_t taken_ = 0;
  std::atomic<size_t> nextToDraw_{0};
  std::atomic<bool> stop_{false};
  std::vector<std::thread> threads_;
};

}  // namespace lw
