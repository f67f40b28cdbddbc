#include "themes/colortext.h"
#include "themes/tthememanager.h"
#include "support/testdirs.h"

#include <QDir>
#include <QImage>
#include <QImageReader>
#include <gtest/gtest.h>

using namespace lw;
using lwtest::TempDir;

namespace {

// Writes a theme folder `name` under `root` with the given setting.xml
// bytes; `thumb` and `bg` say whether thumb.bmp and bg.jpg exist.
QString MakeTheme(const TempDir &root, const QString &name, const QByteArray &setting,
                  bool thumb = true, bool bg = false) {
  const QString folder = root.file(name) + '/';
  QDir().mkpath(folder);
  if (!setting.isNull()) lwtest::WriteFile(folder + "setting.xml", setting);
  if (thumb) lwtest::WriteFile(folder + "thumb.bmp", "BM");
  if (bg) lwtest::WriteFile(folder + "bg.jpg", "jpg");
  return folder;
}

QByteArray Setting(const QByteArray &attributes) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<theme " + attributes + "/>\n";
}

TColor ColorOf(const QByteArray &value) {
  TThemeObj theme(QString{});
  EXPECT_TRUE(ReadThemeSetting(Setting("bgcolor=\"" + value + "\""), theme));
  return theme.bgColor;
}

}  // namespace

TEST(ColorText, BothDirections) {
  EXPECT_EQ(ColorToHexText(0x0000FF), "FF0000");
  EXPECT_EQ(ColorToHexText(0xFF0000), "0000FF");
  EXPECT_EQ(ColorToHexText(0x00FF00), "00FF00");
  EXPECT_EQ(ColorToHexText(0xAB123456), "563412");  // top byte ignored
  EXPECT_EQ(HexTextToColor("$FF0000"), 0x0000FFu);
  EXPECT_EQ(HexTextToColor("$a1b2c3"), 0xC3B2A1u);
  EXPECT_EQ(HexTextToColor("0000ff"), 0xFF0000u);
  EXPECT_EQ(HexTextToColor("#102030"), 0x302010u);
  for (const char *bad : {"", "$", "$GGGGGG", "$12 456", " $123456", "$123456789", "x"})
    EXPECT_EQ(HexTextToColor(bad), 0u) << bad;
  EXPECT_EQ(ColorToHexText(HexTextToColor("$a1b2c3")), "A1B2C3");
  for (TColor c : {0x000000u, 0xFFFFFFu, 0x123456u, 0x00A0B0u})
    EXPECT_EQ(HexTextToColor(ColorToHexText(c)), c);
}

TEST(ThemeSetting, ColourForms) {
  EXPECT_EQ(ColorOf("FF0000"), 0x0000FFu);
  EXPECT_EQ(ColorOf("ff0000"), 0x0000FFu);
  EXPECT_EQ(ColorOf("  ff0000\t"), 0x0000FFu);
  EXPECT_EQ(ColorOf("#FF0000"), kWhite);
  EXPECT_EQ(ColorOf("FF00"), kWhite);
  EXPECT_EQ(ColorOf(""), kWhite);
  EXPECT_EQ(ColorOf("GHIJKL"), 0u);
  EXPECT_EQ(ColorOf("#FF000"), 0u);  // six characters, not all hexadecimal
  EXPECT_EQ(ColorToHexText(ColorOf("a1b2c3")), "A1B2C3");
}

TEST(ThemeSetting, AttributesAndDefaults) {
  TThemeObj theme(QString{});
  ASSERT_TRUE(ReadThemeSetting(
      "<anything bgtype=\"1\" showname=\"Harbour &amp; Sea\" bgcolor=\"102030\" "
      "loadercolor=\"405060\" panelcolor=\"708090\" buttoncolor=\"A0B0C0\" textcolor=\"D0E0F0\">"
      "<child bgtype=\"0\"/>text</anything>",
      theme));
  EXPECT_EQ(theme.bgType, 1);
  EXPECT_EQ(theme.titleStr, "Harbour & Sea");
  EXPECT_EQ(theme.bgColor, 0x302010u);
  EXPECT_EQ(theme.loaderColor, 0x605040u);
  EXPECT_EQ(theme.panelColor, 0x908070u);
  EXPECT_EQ(theme.buttonColor, 0xC0B0A0u);
  EXPECT_EQ(theme.textColor, 0xF0E0D0u);

  TThemeObj bare(QString{});
  ASSERT_TRUE(ReadThemeSetting("<t BGTYPE=\"1\" ShowName=\"x\"/>", bare));
  EXPECT_EQ(bare.bgType, 0);  // names are matched exactly
  EXPECT_EQ(bare.titleStr, "");
  EXPECT_EQ(bare.bgColor, kWhite);
  EXPECT_EQ(bare.textColor, kWhite);

  TThemeObj utf(QString{});
  ASSERT_TRUE(ReadThemeSetting(Setting(QString::fromUtf8("showname=\"Fjörd Grün\"").toUtf8()), utf));
  EXPECT_EQ(utf.titleStr, QString::fromUtf8("Fjörd Grün"));
}

TEST(ThemeSetting, MalformedXmlIsRefused) {
  for (const char *bad : {"", "   ", "<theme bgtype=\"1\"", "<a><b></a>", "no xml at all",
                          "<?xml version=\"1.0\"?>"}) {
    TThemeObj theme(QString{});
    theme.bgType = 7;
    EXPECT_FALSE(ReadThemeSetting(bad, theme)) << bad;
    EXPECT_EQ(theme.bgType, 7) << bad;
  }
}

TEST(ThemeSetting, BackgroundTypeNumber) {
  EXPECT_EQ(ReadThemeInteger("1"), 1);
  EXPECT_EQ(ReadThemeInteger("  +2"), 2);
  EXPECT_EQ(ReadThemeInteger("-1"), -1);
  for (const char *zero : {"", "0", "1 ", "one", "1.0", "2147483648", "+"})
    EXPECT_EQ(ReadThemeInteger(zero), 0) << zero;
}

TEST(TThemeObj, CompleteAndIncompleteFolders) {
  TempDir root;
  {  // colour theme without bg.jpg: listed with no background image
    TThemeObj t(MakeTheme(root, "colour", Setting("bgtype=\"1\" showname=\"C\"")));
    EXPECT_TRUE(t.isSuff);
    EXPECT_TRUE(t.bgImagePath.isEmpty());
    EXPECT_EQ(t.thumbImagePath, root.file("colour/thumb.bmp"));
  }
  {  // colour theme with bg.jpg keeps its image path
    TThemeObj t(MakeTheme(root, "colourbg", Setting("bgtype=\"1\""), true, true));
    EXPECT_TRUE(t.isSuff);
    EXPECT_EQ(t.bgImagePath, root.file("colourbg/bg.jpg"));
  }
  {  // image theme with its image, path given without "/" and with blanks
    MakeTheme(root, "image", Setting("bgtype=\"0\""), true, true);
    TThemeObj t(" " + root.file("image") + "\t");
    EXPECT_TRUE(t.isSuff);
    EXPECT_EQ(t.themePath, root.file("image") + '/');
    EXPECT_EQ(t.bgImagePath, root.file("image/bg.jpg"));
  }
  for (const char *bgtype : {"", "bgtype=\"0\"", "bgtype=\"abc\"", "bgtype=\"1 \""}) {
    TThemeObj t(MakeTheme(root, "nobg", Setting(bgtype)));  // image theme without bg.jpg
    EXPECT_FALSE(t.isSuff) << bgtype;
  }
  EXPECT_FALSE(TThemeObj(MakeTheme(root, "nothumb", Setting("bgtype=\"1\""), false, true)).isSuff);
  EXPECT_FALSE(TThemeObj(MakeTheme(root, "nosetting", QByteArray(), true, true)).isSuff);
  EXPECT_FALSE(TThemeObj(MakeTheme(root, "badxml", "<theme bgtype='1'", true, true)).isSuff);
  EXPECT_FALSE(TThemeObj(root.file("missing")).isSuff);
  {  // a folder named setting.xml is not the settings file
    const QString folder = MakeTheme(root, "dirsetting", QByteArray(), true, true);
    QDir().mkpath(folder + "setting.xml");
    EXPECT_FALSE(TThemeObj(folder).isSuff);
  }
}

TEST(TThemeManager, ListsCompleteThemesByName) {
  TempDir root;
  MakeTheme(root, "c-third", Setting("bgtype=\"1\" showname=\"Third\""));
  MakeTheme(root, "a-first", Setting("showname=\"First\""), true, true);
  MakeTheme(root, "b-broken", Setting("showname=\"Broken\""));  // image theme, no bg.jpg
  MakeTheme(root, "b-second", Setting("bgtype=\"2\" showname=\"Second\""));
  lwtest::WriteFile(root.file("loose.xml"), Setting("bgtype=\"1\""));  // files are ignored

  TThemeManager manager(root.path());
  EXPECT_EQ(manager.themePath, root.slash());
  ASSERT_EQ(manager.themeList.size(), 3u);
  EXPECT_EQ(manager.themeList[0]->titleStr, "First");
  EXPECT_EQ(manager.themeList[1]->titleStr, "Second");
  EXPECT_EQ(manager.themeList[2]->titleStr, "Third");
  EXPECT_EQ(manager.currThemeObj, manager.themeList[0].get());
}

TEST(TThemeManager, EmptyOrMissingFolder) {
  TempDir root;
  MakeTheme(root, "one", Setting("bgtype=\"0\""));
  MakeTheme(root, "two", Setting("bgtype=\"1\""), false);
  TThemeManager incomplete(root.path());
  EXPECT_TRUE(incomplete.themeList.empty());
  EXPECT_EQ(incomplete.currThemeObj, nullptr);

  TThemeManager missing(root.file("nowhere"));
  EXPECT_TRUE(missing.themeList.empty());
  EXPECT_EQ(missing.currThemeObj, nullptr);
}

// The themes the program ships: all complete, each with a real thumbnail
// of the list's size and, where declared, a real JPEG background.
TEST(ShippedThemes, AreCompleteAndWellFormed) {
  const QString folder = QStringLiteral(LW_SOURCE_DIR) + "/data/Themes/";
  TThemeManager manager(folder);
  ASSERT_GE(manager.themeList.size(), 6u);
  EXPECT_EQ(manager.themeList.size(), QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
  int imageThemes = 0, colourThemes = 0;
  QStringList names;
  for (const auto &theme : manager.themeList) {
    SCOPED_TRACE(theme->themePath.toStdString());
    EXPECT_FALSE(theme->titleStr.isEmpty());
    names << theme->titleStr;
    QImageReader thumb(theme->thumbImagePath);
    EXPECT_EQ(thumb.format(), "bmp");
    EXPECT_EQ(thumb.read().size(), QSize(228, 171));
    if (theme->bgType == kThemeBgImage) {
      ++imageThemes;
      QImageReader bg(theme->bgImagePath);
      EXPECT_EQ(bg.format(), "jpeg");
      EXPECT_GE(bg.read().width(), 800);
    } else {
      ++colourThemes;
    }
    EXPECT_NE(theme->panelColor, theme->buttonColor);
  }
  EXPECT_GE(imageThemes, 2);
  EXPECT_GE(colourThemes, 2);
  EXPECT_EQ(names.removeDuplicates(), 0);
}
