// Pictures of the outline's titles that the player's own font cannot draw
// (Chinese, Persian, Hindi, ...): the runtime's device font holds Latin
// letters only, takes one font for a whole text, neither joins Arabic
// letters nor orders right-to-left text. Qt's text layout does all of it
// (shaping, direction, the system's fonts for every script), so such titles
// are drawn here, white on clear at twice the panel's size, onto sheets the
// player cuts each title from and tints with the panel's text colour.
#pragma once

#include <QJsonArray>
#include <QString>

namespace lw {

// The sheets' folder in the package and the pictures' scale.
inline constexpr const char *kTitleSheetFolder = "source/titles/";
inline constexpr int kTitleScale = 2;
// A title's picture: kTitleRowHeight pixels high, at most kTitleMaxWidth
// wide (longer titles end in "…"), kTitleSheetRows to a sheet.
inline constexpr int kTitleRowHeight = 22 * kTitleScale;
inline constexpr int kTitleMaxWidth = 600 * kTitleScale;
inline constexpr int kTitleSheetRows = 64;

// Whether `title` holds a character the player's font lacks: anything
// beyond Latin, the IPA and spacing marks, and general punctuation.
bool TitleNeedsPicture(const QString &title);

// Draws the titles of `entries` (the outline's {"title", ...} objects) that
// TitleNeedsPicture into PNG sheets kTitleSheetFolder + "N.png" (N from 1)
// under `root` (ending in "/"), removing the sheets of an earlier book
// first, and gives each such entry "picture": [sheet, top, width] (sheet
// pixels) and, for a right-to-left title, "rtl": true. Needs a
// QGuiApplication (fonts). Throws PackageError when a sheet cannot be
// encoded or written; returns the bytes of the sheets written.
qint64 AddTitlePictures(QJsonArray &entries, const QString &root);

}  // namespace lw
