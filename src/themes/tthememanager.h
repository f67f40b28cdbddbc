// The theme catalogue: every complete theme folder under the program's
// "Themes" folder, with its display name, thumbnail, background and colours.
//
// A theme folder holds "setting.xml" (settings as attributes of its root
// element), "thumb.bmp" (the thumbnail) and "bg.jpg" (the background image,
// optional for a colour-background theme). Incomplete folders are silently
// left out.
#pragma once

#include "model/tbookobj.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>

namespace lw {

inline constexpr int kThemeBgImage = 0;  // bgType: background image "bg.jpg"

class TThemeObj {
 public:
  // Builds the theme of the folder `path` (with or without the trailing
  // "/"; blanks around it are dropped). Never throws: afterwards `isSuff`
  // tells whether the folder forms a complete theme.
  explicit TThemeObj(const QString &path);

  QString themePath;       // the folder, ending with "/"
  QString titleStr;        // display name ("showname")
  QString thumbImagePath;  // themePath + "thumb.bmp"
  int bgType = kThemeBgImage;  // 0 background image, anything else colour
  QString bgImagePath;     // themePath + "bg.jpg"; empty for a colour theme without one
  TColor bgColor = kWhite;
  TColor loaderColor = kWhite;
  TColor panelColor = kWhite;
  TColor buttonColor = kWhite;
  TColor textColor = kWhite;
  bool isSuff = false;     // the folder forms a complete theme

 private:
  void LoadSetting();
};

// Reads the settings of "setting.xml", given as the file's bytes, into
// `theme`: bgType, titleStr and the five colours (absent or malformed
// values fall back to 0, an empty name and white). Returns false, with
// `theme` unchanged, when the bytes are not well-formed XML or have no root
// element. The root element's name, children and text are not examined.
bool ReadThemeSetting(const QByteArray &xml, TThemeObj &theme);

// The value of an attribute "bgtype": a decimal integer, leading blanks and
// a sign allowed. Returns 0 for any other text (trailing blanks included)
// and for a value that does not fit in 32 bits.
int ReadThemeInteger(const QString &text);

// The colour of an attribute value: six hexadecimal digits after trimming
// blanks, else white; six characters that are not all hexadecimal give
// black.
TColor ReadThemeColor(const QString &text);

class TThemeManager {
 public:
  // Stores `path` (the themes folder, "/" appended when missing) and scans
  // it. A missing folder gives an empty catalogue and no current theme.
  explicit TThemeManager(const QString &path);

  QString themePath;
  std::vector<std::unique_ptr<TThemeObj>> themeList;  // complete themes, by folder name
  TThemeObj *currThemeObj = nullptr;  // a member of themeList, or none

 private:
  void ScanThemes();
};

// What a theme gives a book: its background and colours, in the book's
// terms (the window shows them in its controls, leafweaver-publish puts
// them into the book).
struct TBookLook {
  TBackgroundKind backgroundType = TBackgroundKind::Color;
  QString backgroundImage;
  TColor backgroundColor = kWhite;
  TColor buttonColor = kWhite;
  TColor panelColor = kWhite;
};

// The look of `theme`. Never fails.
TBookLook ThemeBookLook(const TThemeObj &theme);
// Puts `look` into `book`'s background and colour fields.
void ApplyBookLook(TBookObj &book, const TBookLook &look);
// The theme whose show name is `name` (exactly, else ignoring letter
// case), or null when none is.
const TThemeObj *FindThemeByName(const TThemeManager &themes, const QString &name);

}  // namespace lw
