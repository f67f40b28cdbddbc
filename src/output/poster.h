// The first view of a book, shown by its page before the player runs: a
// picture of the first spread (source/poster.jpg) and the settings the page
// reads first (source/book.js): where the runtime lies, the page size, the
// background and the poster. The page lays the poster out as the player
// lays out the book, so that the player takes over unseen.
#pragma once

#include "model/tbookobj.h"

#include <QImage>
#include <QJsonValue>
#include <QSize>
#include <QString>

namespace lw {

// The window the poster is made for; larger windows enlarge it until the
// player takes over.
inline constexpr int kPosterWindowWidth = 1280;
inline constexpr int kPosterWindowHeight = 800;
inline constexpr int kPosterJpegQuality = 80;

// How many pages the first view shows as pictures: page 1 (the poster) and
// the next ones up to this, so that a reader can turn through the first
// spreads before the player runs.
inline constexpr int kFirstViewPages = 5;

// The package path of the first view's picture of page n (2 to
// kFirstViewPages): "source/poster-N.jpg".
QString FirstViewPictureName(int n);

// Where the template finds the runtime when the book carries its own.
inline constexpr const char *kOwnRuntimeAddress = "ruffle/";

// The size in pixels of one page as the player draws the first spread in a
// window of `window` (the stage less its 12-pixel margins and the 40-pixel
// control panel; two pages side by side unless the window is taller than
// wide). Returns an empty size for a book or window side below 1.
QSize PlayerPageSize(int bookWidth, int bookHeight, QSize window = {kPosterWindowWidth, kPosterWindowHeight});

// Page 1 as the player shows it, `size` pixels: a white sheet with the
// page's picture (DrawPagePicture) fitted inside, its proportions kept,
// centred. Returns a null image when the page has no picture or `size` is
// empty.
QImage DrawPosterPage(const TPageObj &page, QSize size);

// Writes the first view into the package at `root` (ending in "/"):
// source/poster.jpg of the book's first page, sized by PlayerPageSize,
// pictures of the next pages up to kFirstViewPages (FirstViewPictureName,
// listed as "nextPages"), and source/book.js, with "direction": "rtl" for a
// right-to-left book (books without it read from left to right), the page
// count and the size of the runtime's WebAssembly file ("runtimeBytes",
// for the page's progress while it loads), and whether the package holds
// source/outline.json and source/links.json ("outline", "links": written
// before, as the player asks only for those it holds). A book whose first page cannot be
// drawn gets no poster (an old one is removed) and a book.js without one, so
// the page goes straight to the player. Returns whether a poster was written. Throws
// PackageError when a file cannot be written.
bool WriteFirstView(const TBookObj &book, const QString &root);

// Sets `key` to `value` in the settings of the package at `root` (ending
// in "/"), source/book.js, keeping the others. Throws PackageError when
// book.js is missing, holds no settings or cannot be written.
void SetBookSetting(const QString &root, const QString &key, const QJsonValue &value);

// Whether `address` can be the runtime's address of a book: an http or https
// address, or a path on the book's site (absolute or relative), without
// query or fragment. Never fails.
bool IsRuntimeAddress(const QString &address);

// Makes the package at `root` (ending in "/") load its runtime from
// `address` (IsRuntimeAddress; a missing final "/" is added): source/book.js
// names it, and the package's own runtime folder ruffle/ is removed. Throws
// PackageError for an address that IsRuntimeAddress refuses, a book.js that
// is missing or unreadable, or a file that cannot be written or removed.
void UseSharedRuntime(const QString &root, const QString &address);

}  // namespace lw
