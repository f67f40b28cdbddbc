// The book sizes a user picks by name, shared by the window's size buttons
// and leafweaver-publish's --size.
#pragma once

#include <QSize>
#include <QString>
#include <optional>

namespace lw {

struct BookSizePreset {
  const char *name;
  int width;
  int height;
};

// "A3", "A4", "A5" in points, in the order of the window's size buttons.
inline constexpr BookSizePreset kBookSizePresets[3] = {
    {"A3", 1191, 842}, {"A4", 595, 842}, {"A5", 420, 595}};

// The size a PDF gives a book as its first file: A4.
inline constexpr QSize PdfBookSize() { return {kBookSizePresets[1].width, kBookSizePresets[1].height}; }

// The index in kBookSizePresets of the preset of exactly `width` x
// `height`. Returns -1 for a size no preset has.
int BookSizePresetIndex(int width, int height);

// A preset's name (any letter case) or "WIDTHxHEIGHT" with both in
// 1..9999. Returns no value for anything else.
std::optional<QSize> ParseBookSize(const QString &text);

}  // namespace lw
