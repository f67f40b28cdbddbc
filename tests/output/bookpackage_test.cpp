#include "output/bookpackage.h"
#include "support/testdirs.h"

#include <QDir>
#include <QImage>
#include <QImageReader>
#include <gtest/gtest.h>

#include <filesystem>

using namespace lw;
using lwtest::Exists;
using lwtest::ReadFile;
using lwtest::TempDir;
using lwtest::WriteFile;

namespace {

const QByteArray kTemplate =
    "<html>\n<head><title>{title}</title>\n"
    "<meta name=\"keywords\" content=\"{Keywords}\">\n"
    "<meta name=\"description\" content=\"{DESCRIPTION}\"></head>\n"
    "<body>{title}</body>\n</html>\n";

const QByteArray kSampleList =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<content width=\"800\" height=\"600\" panelcolor=\"000000\" extra=\"kept\">\n"
    "  <page src=\"pages/1.png\" />\n  <page src=\"pages/2.png\" />\n</content>\n";

// A program folder with a resource template and a player movie, a work
// folder whose preview is a copy of the resource folder, and an output
// folder for publishing.
class Package : public ::testing::Test {
 protected:
  void SetUp() override {
    paths.AppPathStr = app.slash();
    paths.ResPath = app.slash() + "Resource/";
    paths.PreviewPath = work.slash() + "Preview/";
    paths.PreviewHtmlPath = paths.PreviewPath + "index.html";
    WriteFile(paths.ResPath + "index.html", kTemplate);
    WriteFile(paths.ResPath + "source/Pages.xml", kSampleList);
    WriteFile(paths.ResPath + "source/bg.jpg", "resource background");
    WriteFile(paths.ResPath + "turnleaf.swf", "old player");
    WriteFile(paths.ResPath + "ruffle/ruffle.js", "runtime");
    WriteFile(paths.AppPathStr + "ImageTool.dll", "FWS player movie");
    QDir().mkpath(paths.PreviewPath);
    std::filesystem::copy(paths.ResPath.toStdString(), paths.PreviewPath.toStdString(),
                          std::filesystem::copy_options::recursive);
  }

  QString swfPage(const QString &name) {
    WriteFile(src.file(name), lwtest::TinySwf("page " + name.toUtf8()));
    return src.file(name);
  }

  QString pngPage(const QString &name, int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(Qt::red);
    img.save(src.file(name), "PNG");
    return src.file(name);
  }

  void addPage(const QString &path, TPageKind type) {
    TPageObj *p = book.AddPageByPath(path);
    ASSERT_NE(p, nullptr) << path.toStdString();
    p->fileType = type;
  }

  TempDir app, work, out, src;
  TSysSetInfo paths;
  TBookObj book;
  const QDateTime when{QDate(2013, 5, 7), QTime(14, 32, 5)};
};

}  // namespace

TEST_F(Package, PreviewOfOneSwfPageWithColourBackground) {
  addPage(swfPage("report_1.swf"), kPageSwf);
  book.panelColor = 0x0000FF;   // red
  book.buttonColor = 0xFF0000;  // blue
  EXPECT_EQ(WriteBookPackage(book, paths, true, ""), paths.PreviewPath);

  const QString p = paths.PreviewPath;
  EXPECT_EQ(ReadFile(p + "pages/1.swf"), lwtest::TinySwf("page report_1.swf"));
  EXPECT_FALSE(Exists(p + "source/bg.jpg"));
  EXPECT_EQ(ReadFile(p + "turnleaf.swf"), "FWS player movie");
  EXPECT_EQ(ReadFile(p + "source/Pages.xml"),
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
            "<content width=\"595\" height=\"842\" bgcolor=\"5A6470\" loadercolor=\"ffffff\" "
            "panelcolor=\"FF0000\" buttoncolor=\"0000FF\" textcolor=\"ffffff\">\n"
            "  <page src=\"pages/1.swf\" />\n"
            "</content>\n");
}

TEST_F(Package, PreviewReplacesEarlierPages) {
  addPage(swfPage("a_1.swf"), kPageSwf);
  addPage(swfPage("a_2.swf"), kPageSwf);
  WriteBookPackage(book, paths, true, "");
  book.DelPageByIndex(1);
  WriteBookPackage(book, paths, true, "");
  EXPECT_TRUE(Exists(paths.PreviewPath + "pages/1.swf"));
  EXPECT_FALSE(Exists(paths.PreviewPath + "pages/2.swf"));
  EXPECT_TRUE(Exists(paths.PreviewPath + "ruffle/ruffle.js"));
}

TEST_F(Package, PublishNamesFolderByClockAndKeepsMissingBackground) {
  addPage(swfPage("a_1.swf"), kPageSwf);
  addPage(pngPage("photo.PNG", 1600, 1200), kPageImage);
  addPage(swfPage("a_3.swf"), kPageSwf);
  book.backgroundType = TBackgroundKind::Image;
  book.backgroundImage = src.file("no-such-background.jpg");

  const QString root = WriteBookPackage(book, paths, false, out.slash(), when);
  EXPECT_EQ(root, out.slash() + "Quirell_2013-05-07_143205/");
  EXPECT_EQ(ReadFile(root + "source/bg.jpg"), "resource background");
  EXPECT_EQ(ReadFile(root + "ruffle/ruffle.js"), "runtime");
  EXPECT_EQ(ReadFile(root + "turnleaf.swf"), "FWS player movie");
  EXPECT_FALSE(Exists(root + "pages/1.png"));  // the sample's pages are not published
  EXPECT_TRUE(Exists(root + "pages/1.swf"));
  EXPECT_TRUE(Exists(root + "pages/3.swf"));

  // The image page keeps up to twice the book's size (for zoom) and its own extension.
  QImageReader reader(root + "pages/2.PNG");
  EXPECT_EQ(reader.size(), QSize(1190, 893));
  EXPECT_EQ(reader.format(), "png");

  const QByteArray list = ReadFile(root + "source/Pages.xml");
  EXPECT_FALSE(list.contains("bgcolor"));
  EXPECT_TRUE(list.contains("<page src=\"pages/2.PNG\" />"));
}

TEST_F(Package, PublishIntoFolderWithoutTrailingSlashAndImageBackground) {
  addPage(swfPage("a_1.swf"), kPageSwf);
  book.backgroundType = TBackgroundKind::Image;
  book.backgroundImage = pngPage("back.png", 4, 4);
  const QString root = WriteBookPackage(book, paths, false, out.path(), when);
  EXPECT_EQ(root, out.slash() + "Quirell_2013-05-07_143205/");
  // Published as a JPEG of its own, never as the file's bytes.
  QImageReader bg(root + "source/bg.jpg");
  EXPECT_EQ(bg.format(), "jpeg");
  EXPECT_EQ(bg.size(), QSize(4, 4));
  WriteFile(src.file("passwd"), "root:x:0:0");
  book.backgroundImage = src.file("passwd");
  EXPECT_THROW(WriteBookPackage(book, paths, false, out.path(), when), PackageError);
}

TEST_F(Package, TextsAreEscapedAndReplacedInOrder) {
  addPage(swfPage("a_1.swf"), kPageSwf);
  book.titleStr = "Tom & Jerry <b> \"{keywords}\"";
  book.keywordStr = "cats's";
  book.desStr = "</title><script>";
  const QString root = WriteBookPackage(book, paths, false, out.path(), when);
  const QByteArray html = ReadFile(root + "index.html");
  EXPECT_EQ(html,
            "<html>\r\n<head><title>Tom &amp; Jerry &lt;b&gt; &quot;cats&#39;s&quot;</title>\r\n"
            "<meta name=\"keywords\" content=\"cats&#39;s\">\r\n"
            "<meta name=\"description\" content=\"&lt;/title&gt;&lt;script&gt;\"></head>\r\n"
            "<body>Tom &amp; Jerry &lt;b&gt; &quot;cats&#39;s&quot;</body>\r\n</html>\r\n");
}

TEST_F(Package, EmptyBook) {
  EXPECT_EQ(WriteBookPackage(book, paths, false, out.path(), when), QString());
  EXPECT_TRUE(QDir(out.path()).isEmpty());

  WriteFile(paths.PreviewPath + "pages/1.swf", "stale");
  book.panelColor = 0x00FF00;
  EXPECT_EQ(WriteBookPackage(book, paths, true, ""), QString());
  EXPECT_FALSE(Exists(paths.PreviewPath + "pages"));
  EXPECT_FALSE(Exists(paths.PreviewPath + "source/bg.jpg"));  // colour background
  EXPECT_EQ(ReadFile(paths.PreviewPath + "source/Pages.xml"),
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
            "<content width=\"368\" height=\"450\" panelcolor=\"00FF00\" extra=\"kept\" "
            "bgcolor=\"5A6470\" loadercolor=\"ffffff\" buttoncolor=\"3C4653\" textcolor=\"ffffff\">\n"
            "  <page src=\"pages/1.png\" />\n  <page src=\"pages/2.png\" />\n</content>\n");
  // The sample's page is filled in: no placeholder shows.
  EXPECT_EQ(ReadFile(paths.PreviewPath + "index.html"), FillPageTemplate(kTemplate, "", "", ""));
  EXPECT_EQ(ReadFile(paths.PreviewPath + "turnleaf.swf"), "old player");
}

TEST_F(Package, FailuresNameTheFile) {
  addPage(swfPage("a_1.swf"), kPageSwf);
  WriteFile(src.file("broken.png"), "not an image");
  addPage(src.file("broken.png"), kPageImage);
  QString created;
  try {
    WriteBookPackage(book, paths, false, out.path(), when, &created);
    FAIL() << "no error";
  } catch (const PackageError &e) {
    EXPECT_TRUE(QString(e.what()).contains("broken.png")) << e.what();
  }
  // What was written before the failure stays where the caller is told,
  // never under the book's name.
  EXPECT_TRUE(Exists(created + "/pages/1.swf"));
  EXPECT_FALSE(Exists(out.slash() + "Quirell_2013-05-07_143205"));

  book.DelPageByIndex(1);
  QFile::remove(paths.ResPath + "index.html");
  try {
    WriteBookPackage(book, paths, true, "");
    FAIL() << "no error";
  } catch (const PackageError &e) {
    EXPECT_TRUE(QString(e.what()).contains("index.html")) << e.what();
  }

  QFile::remove(paths.AppPathStr + "ImageTool.dll");
  EXPECT_THROW(WriteBookPackage(book, paths, true, ""), PackageError);
}

TEST(FillPageTemplate, KeepsEncodingAndMark) {
  const QString title = QString::fromUtf8("Grüße & 日本");
  const QString expected = QString::fromUtf8("<t>Grüße &amp; 日本</t>\r\n<k>k</k>\r\n");
  const QString source = "<t>{TITLE}</t>\r<k>{keywords}</k>";

  // UTF-8 with and without its mark.
  EXPECT_EQ(FillPageTemplate(source.toUtf8(), title, "k", ""), expected.toUtf8());
  EXPECT_EQ(FillPageTemplate("\xEF\xBB\xBF" + source.toUtf8(), title, "k", ""),
            "\xEF\xBB\xBF" + expected.toUtf8());

  auto utf16 = [](const QString &s, bool little) {
    QByteArray b;
    for (const QChar c : s) {
      const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
      b += little ? QByteArray{&lo, 1} + QByteArray{&hi, 1} : QByteArray{&hi, 1} + QByteArray{&lo, 1};
    }
    return b;
  };
  EXPECT_EQ(FillPageTemplate("\xFF\xFE" + utf16(source, true), title, "k", ""),
            "\xFF\xFE" + utf16(expected, true));
  EXPECT_EQ(FillPageTemplate("\xFE\xFF" + utf16(source, false), title, "k", ""),
            "\xFE\xFF" + utf16(expected, false));
}

TEST(FillPageTemplate, LineEndings) {
  EXPECT_EQ(FillPageTemplate("a\nb\r\nc\rd", "", "", ""), "a\r\nb\r\nc\r\nd\r\n");
  EXPECT_EQ(FillPageTemplate("a\n\nb\n", "", "", ""), "a\r\n\r\nb\r\n");
  EXPECT_EQ(FillPageTemplate("", "", "", ""), "");
}

TEST_F(Package, PublishingTwiceInOneSecondNeverWritesOverABook) {
  addPage(swfPage("a_1.swf"), kPageSwf);
  const QString first = WriteBookPackage(book, paths, false, out.path(), when);
  QString created;
  const QString second = WriteBookPackage(book, paths, false, out.path(), when, &created);
  const QString third = WriteBookPackage(book, paths, false, out.path(), when);
  EXPECT_EQ(first, out.slash() + "Quirell_2013-05-07_143205/");
  EXPECT_EQ(second, out.slash() + "Quirell_2013-05-07_143205_2/");
  EXPECT_EQ(created + '/', second);
  EXPECT_EQ(third, out.slash() + "Quirell_2013-05-07_143205_3/");
}

TEST_F(Package, MissingOrTruncatedPagesStopTheBookBeforeAnythingIsWritten) {
  addPage(swfPage("a_1.swf"), kPageSwf);
  const QByteArray whole = lwtest::TinySwf("a page that was cut short");
  WriteFile(src.file("a_2.swf"), whole.left(whole.size() - 4));
  addPage(src.file("a_2.swf"), kPageSwf);
  addPage(swfPage("a_3.swf"), kPageSwf);
  QFile::remove(src.file("a_3.swf"));
  WriteFile(src.file("empty.png"), "");
  addPage(src.file("empty.png"), kPageImage);
  try {
    WriteBookPackage(book, paths, false, out.path(), when);
    FAIL() << "a short book was written";
  } catch (const PackageError &e) {
    const QString said = e.what();
    EXPECT_TRUE(said.contains("3 of the book's 4 pages")) << e.what();
    EXPECT_TRUE(said.contains("page 2") && said.contains("page 3") && said.contains("page 4")) << e.what();
    EXPECT_FALSE(said.contains("page 1 ")) << e.what();
  }
  EXPECT_TRUE(QDir(out.path()).isEmpty());

  EXPECT_TRUE(IsCompletePageFile(src.file("a_1.swf"), kPageSwf));
  EXPECT_FALSE(IsCompletePageFile(src.file("a_1.swf").chopped(4) + ".png", kPageImage));
  // A deflated movie is whole when its body inflates to the stated length.
  const QByteArray plain = lwtest::TinySwf("a deflated page");
  QByteArray deflated = "CWS" + plain.mid(3, 5) + qCompress(plain.mid(8), 9).mid(4);  // qCompress adds a size
  WriteFile(src.file("c.swf"), deflated);
  EXPECT_TRUE(IsCompletePageFile(src.file("c.swf"), kPageSwf));
  WriteFile(src.file("c.swf"), deflated.left(deflated.size() - 6));
  EXPECT_FALSE(IsCompletePageFile(src.file("c.swf"), kPageSwf));
  WriteFile(src.file("c.swf"), QByteArray("CWS\x0A\x40\x00\x00\x00", 8) + "zlib data");
  EXPECT_FALSE(IsCompletePageFile(src.file("c.swf"), kPageSwf));
  WriteFile(src.file("short.swf"), "FWS");
  EXPECT_FALSE(IsCompletePageFile(src.file("short.swf"), kPageSwf));
}

// A published folder is named after its book, made safe for any file system.
TEST(BookFolderName, TitleMadeSafeOrTheDateWithoutOne) {
  const QDateTime when(QDate(2013, 5, 7), QTime(14, 32, 5));
  const std::pair<QString, QString> cases[] = {
      {"Annual Report 2026", "Annual Report 2026"},
      {"  a/b\\c: d*e?  ", "a b c d e"},
      {"..hidden..", "hidden"},
      {"tab\there\nnew line", "tab here new line"},
      {QString::fromUtf8("ספר לדוגמה"), QString::fromUtf8("ספר לדוגמה")},
      {QString(100, 'x'), QString(80, 'x')},
      {"", "Quirell_2013-05-07_143205"},
      {" /.. ", "Quirell_2013-05-07_143205"},
  };
  for (const auto &[title, name] : cases) EXPECT_EQ(BookFolderName(title, when), name) << title.toStdString();
}

// Published again under its title: a taken name gets the date; a replace
// swaps the whole new book in, and a failed one leaves the old book whole.
TEST_F(Package, ReplacingABookSwapsItWholeOrLeavesTheOldOne) {
  addPage(swfPage("a_1.swf"), kPageSwf);
  book.titleStr = "Guide";
  const QString first = WriteBookPackage(book, paths, false, out.path(), when);
  EXPECT_EQ(first, out.slash() + "Guide/");
  EXPECT_EQ(WriteBookPackage(book, paths, false, out.path(), when), out.slash() + "Guide_2013-05-07_143205/");

  addPage(swfPage("a_2.swf"), kPageSwf);
  EXPECT_EQ(ReplaceBookPackage(book, paths, out.slash() + "Guide", when), first);
  EXPECT_TRUE(Exists(first + "pages/2.swf"));
  const auto entries = [&] { return QDir(out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot); };
  EXPECT_EQ(entries(), QStringList({"Guide", "Guide_2013-05-07_143205"}));

  WriteFile(src.file("broken.png"), "not an image");
  addPage(src.file("broken.png"), kPageImage);
  EXPECT_THROW(ReplaceBookPackage(book, paths, first, when), PackageError);
  EXPECT_TRUE(Exists(first + "pages/2.swf"));
  EXPECT_FALSE(Exists(first + "pages/3.png"));
  EXPECT_EQ(entries(), QStringList({"Guide", "Guide_2013-05-07_143205"}));
  // Only a published book is replaced.
  EXPECT_THROW(ReplaceBookPackage(book, paths, src.path(), when), PackageError);
}

// A publishing stopped half-way (here by its page callback; a signal or a
// kill stops it the same way) leaves no book under the book's name, and the
// next run clears what a run that died left.
TEST_F(Package, AStoppedPublishingLeavesNoBookUnderItsName) {
  addPage(swfPage("a_1.swf"), kPageSwf);
  addPage(swfPage("a_2.swf"), kPageSwf);
  book.titleStr = "Guide";
  QString created;
  const auto stop = [](int done, int) {
    if (done == 1) throw std::runtime_error("stopped");
  };
  EXPECT_THROW(WriteBookPackage(book, paths, false, out.path(), when, &created, stop), std::runtime_error);
  EXPECT_FALSE(Exists(out.slash() + "Guide"));
  const QStringList left = QDir(out.path()).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
  ASSERT_EQ(left.size(), 1);
  EXPECT_EQ(out.slash() + left[0], created);
  // As if by a process that has ended (no process has an id that high).
  ASSERT_TRUE(QDir(out.path()).rename(left[0], ".leafweaver-writing-2147483000-1"));
  EXPECT_EQ(WriteBookPackage(book, paths, false, out.path(), when), out.slash() + "Guide/");
  EXPECT_EQ(QDir(out.path()).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"Guide"});
}
