#include "themes/tthememanager.h"

#include "fsutil/fsutil.h"
#include "model/pagerange.h"
#include "themes/colortext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdint>
#include <limits>
#include <pugixml.hpp>

namespace lw {
namespace {

bool isFile(const QString &path) {
  const QFileInfo info(path);
  return info.exists() && info.isFile();
}

// The attribute's value when the element has one of exactly that name,
// otherwise the empty text.
QString readAttrText(const pugi::xml_node &element, const char *name) {
  const pugi::xml_attribute attr = element.attribute(name);
  return attr ? QString::fromUtf8(attr.value()) : QString();
}

}  // namespace

int ReadThemeInteger(const QString &text) {
  qsizetype i = 0;
  while (i < text.size() && text.at(i).unicode() <= 0x20) ++i;
  bool negative = false;
  if (i < text.size() && (text.at(i) == '+' || text.at(i) == '-')) {
    negative = text.at(i) == '-';
    ++i;
  }
  if (i >= text.size()) return 0;
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    const char16_t c = text.at(i).unicode();
    if (c < u'0' || c > u'9') return 0;
    value = value * 10 + (c - u'0');
    if (value > std::int64_t(std::numeric_limits<int>::max()) + 1) return 0;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int>::max()) return 0;
  return static_cast<int>(value);
}

TColor ReadThemeColor(const QString &text) {
  const QString t = TrimBlanks(text);
  if (t.size() != 6) return kWhite;
  return HexTextToColor('$' + t);
}

bool ReadThemeSetting(const QByteArray &xml, TThemeObj &theme) {
  pugi::xml_document doc;
  const pugi::xml_parse_result parsed = doc.load_buffer(xml.constData(), static_cast<size_t>(xml.size()));
  if (!parsed) return false;
  const pugi::xml_node root = doc.document_element();
  if (!root) return false;
  theme.bgType = ReadThemeInteger(readAttrText(root, "bgtype"));
  theme.titleStr = readAttrText(root, "showname");
  theme.bgColor = ReadThemeColor(readAttrText(root, "bgcolor"));
  theme.loaderColor = ReadThemeColor(readAttrText(root, "loadercolor"));
  theme.panelColor = ReadThemeColor(readAttrText(root, "panelcolor"));
  theme.buttonColor = ReadThemeColor(readAttrText(root, "buttoncolor"));
  theme.textColor = ReadThemeColor(readAttrText(root, "textcolor"));
  return true;
}

TThemeObj::TThemeObj(const QString &path) : themePath(path) { LoadSetting(); }

void TThemeObj::LoadSetting() {
  isSuff = false;
  themePath = WithTrailingSlash(TrimBlanks(themePath));
  thumbImagePath = themePath + "thumb.bmp";
  bgImagePath = themePath + "bg.jpg";
  const QString settingPath = themePath + "setting.xml";
  if (!isFile(thumbImagePath) || !isFile(settingPath)) return;

  QFile file(settingPath);
  if (!file.open(QIODevice::ReadOnly)) return;
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) return;
  if (!ReadThemeSetting(bytes, *this)) return;

  if (isFile(bgImagePath)) {
    isSuff = true;
  } else if (bgType != kThemeBgImage) {
    bgImagePath.clear();
    isSuff = true;
  }
}

TThemeManager::TThemeManager(const QString &path) : themePath(WithTrailingSlash(path)) {
  ScanThemes();
}

void TThemeManager::ScanThemes() {
  if (!QFileInfo(themePath).isDir()) return;
  // ListFolder gives the subfolders sorted by name, so the catalogue and its
  // first (current) theme do not depend on the file system's order.
  for (const QString &name : ListFolder(themePath, QStringLiteral("/"))) {
    auto theme = std::make_unique<TThemeObj>(themePath + name);
    if (theme->isSuff) themeList.push_back(std::move(theme));
  }
  if (!themeList.empty()) currThemeObj = themeList.front().get();
}

TBookLook ThemeBookLook(const TThemeObj &theme) {
  TBookLook look;
  look.backgroundType = theme.bgType != kThemeBgImage ? TBackgroundKind::Color : TBackgroundKind::Image;
  look.backgroundImage = theme.bgImagePath;
  look.backgroundColor = theme.bgColor;
  look.buttonColor = theme.buttonColor;
  look.panelColor = theme.panelColor;
  return look;
}

void ApplyBookLook(TBookObj &book, const TBookLook &look) {
  book.backgroundType = look.backgroundType;
  book.backgroundImage = look.backgroundImage;
  book.backgroundColor = look.backgroundColor;
  book.buttonColor = look.buttonColor;
  book.panelColor = look.panelColor;
}

const TThemeObj *FindThemeByName(const TThemeManager &themes, const QString &name) {
  for (const auto &t : themes.themeList)
    if (t->titleStr == name) return t.get();
  for (const auto &t : themes.themeList)
    if (t->titleStr.compare(name, Qt::CaseInsensitive) == 0) return t.get();
  return nullptr;
}

}  // namespace lw
