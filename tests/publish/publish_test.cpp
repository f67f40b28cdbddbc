// leafweaver-publish run as a user runs it: real converter, real files.

#include "model/conversionnames.h"
#include "support/testdirs.h"
#include "support/testpdf.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>

#include <memory>
#include <vector>
#include <gtest/gtest.h>

using lwtest::Exists;
using lwtest::ReadFile;
using lwtest::TempDir;
using lwtest::WriteFile;

namespace {

struct RunResult {
  int status = -1;
  QString out, err;
};

class Publish : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(src.file("three.pdf"), lwtest::MakeTextPdf(3));
    QImage img(800, 600, QImage::Format_RGB32);
    img.fill(QColor(30, 120, 200));
    img.save(src.file("pic.png"));
    WriteFile(src.file("notes.pdf"), "just text, no PDF");
    // A one-page file whose page tree claims 8,388,607 pages.
    QFile::copy(QStringLiteral(LW_TEST_DATA_DIR) + "/pdf/count_implausible.pdf", src.file("faked.pdf"));
  }

  // Runs leafweaver-publish, or `program` with `args`.
  RunResult publish(const QStringList &args, const QString &program = {}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", home.path());
    env.remove("DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(src.path());
    p.start(program.isEmpty() ? lwtest::ProgramDir() + "/leafweaver-publish" : program, args);
    RunResult r;
    if (!p.waitForFinished(120000)) {
      p.kill();
      p.waitForFinished();
      return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
  }

  TempDir src, out, home;
};

}  // namespace

TEST_F(Publish, WholeRoadOnDisk) {
  const RunResult r = publish({"three.pdf", "--pages", "1,3", "pic.png", "-t", "Tom & \"Jerry\" </title>",
                         "-k", "cats", "-d", "<b>new</b>", "--panel-color", "FF0000", "-q",
                         "-o", out.path()});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();  // quiet
  const QString root = r.out.trimmed();
  // Named after the title, made safe for a folder.
  ASSERT_EQ(root, out.slash() + "Tom & Jerry title") << root.toStdString();
  EXPECT_EQ(QDir(out.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);

  for (const char *page : {"/pages/1.swf", "/pages/2.swf"}) {
    const QByteArray swf = ReadFile(root + page);
    EXPECT_TRUE(swf.startsWith("FWS") || swf.startsWith("CWS")) << page;
  }
  QImage png(root + "/pages/3.png");
  EXPECT_EQ(png.size(), QSize(800, 600));  // within twice the A4 book a PDF first file gives: as it is
  EXPECT_FALSE(Exists(root + "/pages/4.swf"));
  EXPECT_EQ(ReadFile(root + "/turnleaf.swf"), ReadFile(lwtest::ProgramDir() + "/ImageTool.dll"));
  EXPECT_EQ(ReadFile(root + "/source/Pages.xml"),
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
            "<content width=\"595\" height=\"842\" bgcolor=\"5A6470\" loadercolor=\"ffffff\" "
            "panelcolor=\"FF0000\" buttoncolor=\"3C4653\" textcolor=\"ffffff\">\n"
            "  <page src=\"pages/1.swf\" />\n  <page src=\"pages/2.swf\" />\n"
            "  <page src=\"pages/3.png\" />\n</content>\n");
  const QByteArray html = ReadFile(root + "/index.html");
  EXPECT_TRUE(html.contains("<title>Tom &amp; &quot;Jerry&quot; &lt;/title&gt;</title>")) << html.constData();
  EXPECT_TRUE(html.contains("content=\"cats\""));
  EXPECT_TRUE(html.contains("&lt;b&gt;new&lt;/b&gt;"));
  EXPECT_FALSE(html.contains("{title}"));
  // The runtime's WebAssembly goes only in its compressed copies, which the
  // page unpacks itself where the host does not send them encoded.
  const QDir runtime(root + "/ruffle");
  EXPECT_TRUE(runtime.entryList({"*.wasm"}, QDir::Files).isEmpty());
  EXPECT_EQ(runtime.entryList({"*.wasm.gz"}, QDir::Files).size(), 2);
  EXPECT_EQ(runtime.entryList({"*.wasm.br"}, QDir::Files).size(), 2);

  // Again under the same title: beside it with the date, or in its place
  // with --replace.
  const QStringList again = {"pic.png", "-t", "Tom & \"Jerry\" </title>", "-q", "-o", out.path()};
  const RunResult dated = publish(again);
  ASSERT_EQ(dated.status, 0) << dated.err.toStdString();
  EXPECT_TRUE(dated.out.trimmed().startsWith(root + "_20")) << dated.out.toStdString();
  const RunResult replaced = publish(again + QStringList{"--replace"});
  ASSERT_EQ(replaced.status, 0) << replaced.err.toStdString();
  EXPECT_EQ(replaced.out.trimmed(), root);
  EXPECT_FALSE(Exists(root + "/pages/2.swf"));
  EXPECT_EQ(QDir(out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 2);
}

TEST_F(Publish, ServedBookPlaysInChromium) {
  const RunResult r = publish({"three.pdf", "--pages", "1,3", "pic.png", "-q", "-o", out.path()});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  const QString node = QStandardPaths::findExecutable("node");
  ASSERT_FALSE(node.isEmpty()) << "node is needed for the browser check";
  QProcess check;
  check.setProcessChannelMode(QProcess::MergedChannels);
  check.start(node, {QStringLiteral(LW_SOURCE_DIR) + "/tests/publish/served_book_check.js",
                     lwtest::ProgramDir(), r.out.trimmed(), "3"});
  ASSERT_TRUE(check.waitForFinished(120000));
  const QString said = QString::fromUtf8(check.readAll());
  EXPECT_EQ(check.exitCode(), 0) << said.toStdString();
  EXPECT_TRUE(said.contains("ok page 1 shown")) << said.toStdString();
}

TEST_F(Publish, RightToLeftGoesIntoTheSettingsBesideThePageList) {
  const RunResult rtl = publish({"pic.png", "--rtl", "-q", "-o", out.file("rtl")});
  ASSERT_EQ(rtl.status, 0) << rtl.err.toStdString();
  const QString root = rtl.out.trimmed();
  EXPECT_TRUE(ReadFile(root + "/source/book.js").contains("\"direction\":\"rtl\"")) << ReadFile(root + "/source/book.js").constData();
  // The page list keeps its format: the direction is not in it.
  EXPECT_FALSE(ReadFile(root + "/source/Pages.xml").contains("rtl"));

  const RunResult ltr = publish({"pic.png", "-q", "-o", out.file("ltr")});
  ASSERT_EQ(ltr.status, 0) << ltr.err.toStdString();
  EXPECT_FALSE(ReadFile(ltr.out.trimmed() + "/source/book.js").contains("direction"));

  const RunResult serve = publish({"--serve", out.path(), "--rtl"});
  EXPECT_NE(serve.status, 0);
  EXPECT_TRUE(serve.err.contains("--rtl goes with publishing")) << serve.err.toStdString();
}

TEST_F(Publish, ProgressAndImageFirstSize) {
  const RunResult r = publish({"pic.png", "three.pdf", "-o", out.file("new/folder")});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  // Not on a terminal: a line or two for each file, none for each page.
  const QStringList lines = r.err.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 4) << r.err.toStdString();
  EXPECT_EQ(lines[0], "[1/2] pic.png");
  EXPECT_EQ(lines[1], "[2/2] Converting three.pdf (3 pages)");
  EXPECT_TRUE(lines[2].startsWith("[2/2] three.pdf: 3 pages converted in ")) << lines[2].toStdString();
  EXPECT_TRUE(lines[3].startsWith("Writing 4 pages into ")) << lines[3].toStdString();
  EXPECT_FALSE(r.err.contains('\r'));
  const QByteArray list = ReadFile(r.out.trimmed() + "/source/Pages.xml");
  EXPECT_TRUE(list.contains("width=\"800\" height=\"600\"")) << list.constData();
}

TEST_F(Publish, ThemesBySize) {
  const RunResult image = publish({"pic.png", "--theme", "harbour blue", "-s", "a5", "-q", "-o", out.file("a")});
  ASSERT_EQ(image.status, 0) << image.err.toStdString();
  const QString root = image.out.trimmed();
  // The theme's picture, encoded anew at most twice the book's size.
  const QImage bg(root + "/source/bg.jpg");
  const QImage theme(lwtest::ProgramDir() + "/Themes/harbour/bg.jpg");
  EXPECT_FALSE(bg.isNull());
  EXPECT_TRUE(bg.width() <= 840 && bg.height() <= 1190) << bg.width() << "x" << bg.height();
  EXPECT_NEAR(double(bg.width()) / bg.height(), double(theme.width()) / theme.height(), 0.01);
  const QByteArray list = ReadFile(root + "/source/Pages.xml");
  EXPECT_FALSE(list.contains("bgcolor"));
  EXPECT_TRUE(list.contains("width=\"420\" height=\"595\""));

  const RunResult colour = publish({"pic.png", "--theme", "Graphite Night", "-s", "640x480", "-q", "-o", out.file("b")});
  ASSERT_EQ(colour.status, 0) << colour.err.toStdString();
  EXPECT_FALSE(Exists(colour.out.trimmed() + "/source/bg.jpg"));
  EXPECT_TRUE(ReadFile(colour.out.trimmed() + "/source/Pages.xml").contains("bgcolor="));
}

TEST_F(Publish, BadInputsSayWhyAndWriteNothing) {
  // A PNG whose header claims 30,000 x 30,000 pixels (its check sum made
  // to match).
  {
    QImage small(8, 8, QImage::Format_RGB32);
    small.fill(Qt::red);
    small.save(src.file("huge.png"));
    QByteArray png = ReadFile(src.file("huge.png"));
    png.replace(16, 8, QByteArray("\x00\x00\x75\x30\x00\x00\x75\x30", 8));  // IHDR's width and height
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : png.mid(12, 17)) {  // "IHDR" and its 13 bytes
      crc ^= quint8(c);
      for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    crc = ~crc;
    for (int i = 0; i < 4; ++i) png[29 + i] = char((crc >> (24 - 8 * i)) & 0xFF);
    WriteFile(src.file("huge.png"), png);
  }
  const struct {
    QStringList args;
    int status;
    const char *says;
  } cases[] = {
      {{"missing.pdf"}, 65, "missing.pdf: no such file"},
      {{"notes.pdf"}, 65, "not a PDF"},
      {{"faked.pdf"}, 65, "has no pages"},  // at once: the claimed count is never expanded
      {{"three.pdf", "--pages", "7"}, 65, "selects no page"},
      {{"three.pdf", "--pages", "2-1"}, 65, "selects no page"},
      {{"pic.png", "--theme", "No Such Theme"}, 65, "unknown theme \"No Such Theme\""},
      {{"pic.png", "--background-image", "none.jpg"}, 65, "none.jpg"},
      // Only a picture becomes a background: never any file the book names.
      {{"pic.png", "--background-image", "notes.pdf"}, 65, "notes.pdf: is not a PNG, JPEG or BMP picture"},
      {{"pic.png", "--background-image", "huge.png"}, 65, "huge.png: is too large a picture"},
      {{"pic.png", "--frobnicate"}, 64, "unknown option --frobnicate"},
      {{"pic.png", "-s", "0x10"}, 64, "--size"},
      {{"pic.png", "-s", "10000x10"}, 64, "--size"},
      {{"pic.png", "--button-color", "red"}, 64, "--button-color"},
      {{"--pages", "1", "three.pdf"}, 64, "--pages must follow"},
      {{"pic.png", "--pages", "1"}, 64, "--pages must follow"},
      {{"pic.png", "--portable", "--runtime-url", "/ruffle/"}, 64, "does not go with --runtime-url"},
  };
  for (const auto &c : cases) {
    const RunResult r = publish(c.args + QStringList{"-q", "-o", out.path()});
    const std::string what = c.args.join(' ').toStdString();
    EXPECT_EQ(r.status, c.status) << what;
    EXPECT_TRUE(r.err.contains(c.says)) << what << ": " << r.err.toStdString();
    EXPECT_EQ(r.err.count('\n'), 1) << what << ": " << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << what;
    EXPECT_TRUE(QDir(out.path()).isEmpty()) << what;
  }
  const RunResult noOutput = publish({"pic.png"});
  EXPECT_EQ(noOutput.status, 64);

  // An output folder that cannot be made is found before any conversion.
  const RunResult blocked = publish({"three.pdf", "-q", "-o", src.file("pic.png/books")});
  EXPECT_EQ(blocked.status, 74);
  EXPECT_TRUE(blocked.err.contains("output folder")) << blocked.err.toStdString();
  EXPECT_FALSE(blocked.err.contains("Converting"));
  EXPECT_TRUE(QDir(home.file("Folivant/TempFiles")).isEmpty()) << "nothing was converted";

  // A password-protected PDF is the input's fault.
  if (QStandardPaths::findExecutable("qpdf").isEmpty()) GTEST_SKIP() << "qpdf is needed for the encrypted case";
  ASSERT_EQ(QProcess::execute("qpdf", {"--encrypt", "user", "owner", "256", "--", src.file("three.pdf"),
                                       src.file("locked.pdf")}),
            0);
  const RunResult locked = publish({"locked.pdf", "-q", "-o", out.path()});
  EXPECT_EQ(locked.status, 65) << locked.err.toStdString();
  EXPECT_TRUE(locked.err.contains("password")) << locked.err.toStdString();
  EXPECT_TRUE(QDir(out.path()).isEmpty());
}

// Several publishers of one long PDF at once, sharing one work folder and
// one output folder: every book complete, none written over another, and
// the conversions they made removed again.
TEST_F(Publish, ConcurrentPublishesOfOnePdfEachWriteTheWholeBook) {
  constexpr int kPages = 40;
  WriteFile(src.file("long.pdf"), lwtest::MakeTextPdf(kPages));
  std::vector<std::unique_ptr<QProcess>> runs;
  for (int i = 0; i < 3; ++i) {
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", home.path());
    env.remove("DISPLAY");
    p->setProcessEnvironment(env);
    p->setWorkingDirectory(src.path());
    p->start(lwtest::ProgramDir() + "/leafweaver-publish", {"long.pdf", "-q", "-o", out.path()});
    runs.push_back(std::move(p));
  }
  QStringList roots;
  for (auto &p : runs) {
    ASSERT_TRUE(p->waitForFinished(300000));
    const QString err = QString::fromUtf8(p->readAllStandardError());
    EXPECT_EQ(p->exitCode(), 0) << err.toStdString();
    roots << QString::fromUtf8(p->readAllStandardOutput()).trimmed();
  }
  roots.removeDuplicates();
  ASSERT_EQ(roots.size(), 3) << roots.join(' ').toStdString();
  for (const QString &root : roots) {
    for (int n = 1; n <= kPages; ++n) {
      const QByteArray page = ReadFile(root + QStringLiteral("/pages/%1.swf").arg(n));
      ASSERT_TRUE(page.startsWith("FWS") || page.startsWith("CWS")) << root.toStdString() << " page " << n;
    }
    EXPECT_FALSE(Exists(root + QStringLiteral("/pages/%1.swf").arg(kPages + 1)));
  }
  EXPECT_TRUE(QDir(home.file("Folivant/TempFiles"))
                  .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
                  .isEmpty())
      << "each run removes the conversion it made";
}

TEST_F(Publish, HelpNamesEveryOption) {
  const RunResult r = publish({"--help"});
  EXPECT_EQ(r.status, 0);
  for (const char *opt : {"--pages", "--output", "--title", "--keywords", "--description", "--size",
                          "--theme", "--background-color", "--background-image", "--button-color",
                          "--panel-color", "--rtl", "--portable", "--quiet", "--serve", "--port", "Example"})
    EXPECT_TRUE(r.out.contains(opt)) << opt;
}

// A book saved by the window, published without it: the page order and the
// settings of the file, the PDF converted on the way.
TEST_F(Publish, SavedBookPublishesInItsOrder) {
  const QByteArray book = R"({
    "format": "leafweaver-book", "version": 1,
    "title": "Saved <book>", "width": 420, "height": 595, "background": "color",
    "backgroundColor": "#102030",
    "sources": [{"path": "/nowhere/three.pdf", "relativePath": "three.pdf", "range": "1, 3"},
                {"path": "/nowhere/pic.png", "relativePath": "pic.png"}],
    "pages": [{"source": 1}, {"source": 0, "page": 3}, {"source": 0, "page": 1}]
  })";
  WriteFile(src.file("saved.leafbook"), book);
  const RunResult r = publish({"--book", "saved.leafbook", "-q", "-o", out.path()});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  const QString root = r.out.trimmed();
  EXPECT_FALSE(QImage(root + "/pages/1.png").isNull());
  for (const char *page : {"/pages/2.swf", "/pages/3.swf"}) {
    const QByteArray swf = ReadFile(root + page);
    EXPECT_TRUE(swf.startsWith("FWS") || swf.startsWith("CWS")) << page;
  }
  EXPECT_FALSE(Exists(root + "/pages/4.swf"));
  EXPECT_TRUE(ReadFile(root + "/index.html").contains("Saved &lt;book&gt;"));

  // The image goes: nothing is published, and the message names it.
  QFile::remove(src.file("pic.png"));
  const RunResult gone = publish({"--book", "saved.leafbook", "-q", "-o", out.file("second")});
  EXPECT_EQ(gone.status, 65);
  EXPECT_TRUE(gone.err.contains("missing: /nowhere/pic.png")) << gone.err.toStdString();
  EXPECT_FALSE(Exists(out.file("second")));
}

TEST_F(Publish, BookFilesThatCannotBeUsedSayWhy) {
  WriteFile(src.file("newer.leafbook"),
            R"({"format": "leafweaver-book", "version": 2, "sources": [], "pages": []})");
  RunResult r = publish({"--book", "newer.leafbook", "-o", out.path()});
  EXPECT_EQ(r.status, 65);
  EXPECT_TRUE(r.err.contains("was saved by a newer Leafweaver")) << r.err.toStdString();
  WriteFile(src.file("cut.leafbook"), R"({"format": "leafweaver-book", "vers)");
  r = publish({"--book", "cut.leafbook", "-o", out.path()});
  EXPECT_EQ(r.status, 65);
  EXPECT_TRUE(r.err.contains("is damaged")) << r.err.toStdString();
  r = publish({"--book", "cut.leafbook", "pic.png", "-o", out.path()});
  EXPECT_EQ(r.status, 64);
  // A background that is not a picture is never copied into a book.
  WriteFile(src.file("secret.leafbook"),
            QStringLiteral(R"({"format": "leafweaver-book", "version": 1, "background": "image",
                "backgroundImage": "%1", "sources": [{"path": "%2"}], "pages": [{"source": 0}]})")
                .arg(src.file("notes.pdf"), src.file("pic.png")).toUtf8());
  r = publish({"--book", "secret.leafbook", "-o", out.path()});
  EXPECT_EQ(r.status, 65);
  EXPECT_TRUE(r.err.contains("notes.pdf is not a PNG, JPEG or BMP picture")) << r.err.toStdString();
  // Pages their sources do not have, and a picture that is none, are the
  // input's fault too.
  WriteFile(src.file("fake.png"), "not a picture");
  const std::pair<const char *, const char *> pages[] = {
      {R"({"source": 0, "page": 0})", "page 1 names no page of the PDF three.pdf"},
      {R"({"source": 0, "page": 999})", "page 1 names page 999 of three.pdf, which has 3"},
      {R"({"source": 1})", "fake.png: is not a PNG, JPEG or BMP picture"},
  };
  for (const auto &[page, says] : pages) {
    WriteFile(src.file("pages.leafbook"),
              QStringLiteral(R"({"format": "leafweaver-book", "version": 1, "sources":
                  [{"path": "three.pdf"}, {"path": "fake.png"}], "pages": [%1]})").arg(page).toUtf8());
    r = publish({"--book", "pages.leafbook", "-o", out.path()});
    EXPECT_EQ(r.status, 65) << page;
    EXPECT_TRUE(r.err.contains(says)) << r.err.toStdString();
  }
  EXPECT_TRUE(QDir(out.path()).isEmpty());
}

// Only the pages of a range are converted; a conversion folder that was
// there before keeps them, and a wider range later adds the pages missing.
// On a terminal the progress is one line kept up to date.
TEST_F(Publish, RangesConvertOnlyTheirPagesAndATerminalGetsOneLine) {
  WriteFile(src.file("six.pdf"), lwtest::MakeTextPdf(6));
  const QString pdf = QFileInfo(src.file("six.pdf")).canonicalFilePath();
  const lw::ConversionNames names = lw::ConversionNamesFor(home.file("Folivant/TempFiles"), pdf);
  // A folder this run did not make is kept after it.
  ASSERT_TRUE(QDir().mkpath(names.folder));
  RunResult r = publish({"six.pdf", "--pages", "2-3", "-o", out.file("a")});
  ASSERT_EQ(r.status, 0) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains("[1/1] Converting six.pdf (2 of its 6 pages)\n")) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains("six.pdf: 2 pages converted")) << r.err.toStdString();
  EXPECT_TRUE(ReadFile(names.folder + ".leafweaver-conversion").contains("\npages 6\nheld 2-3\n"));
  EXPECT_FALSE(Exists(names.PageFile(1)));
  EXPECT_FALSE(Exists(names.PageFile(4)));

  const QString script = QStandardPaths::findExecutable("script");
  if (script.isEmpty()) GTEST_SKIP() << "script (util-linux) is needed to give the run a terminal";
  QFile page2(names.PageFile(2));
  ASSERT_TRUE(page2.open(QIODevice::ReadWrite));
  ASSERT_TRUE(page2.setFileTime(QDateTime(QDate(2001, 1, 1), QTime(0, 0)), QFileDevice::FileModificationTime));
  page2.close();
  r = publish({"-qefc", "'" + lwtest::ProgramDir() + "/leafweaver-publish' six.pdf --pages 1-3 -o '" +
                            out.file("b") + "' 2>&1 >/dev/null", "/dev/null"},
              script);
  ASSERT_EQ(r.status, 0) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("\r[1/1] Converting six.pdf: page 1 of 1")) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("Writing 3 pages")) << r.out.toStdString();
  EXPECT_EQ(r.out.count('\n'), 2) << "the status line, then the writing: " << r.out.toStdString();
  EXPECT_TRUE(ReadFile(names.folder + ".leafweaver-conversion").contains("\nheld 1-3\n"));
  EXPECT_EQ(QFileInfo(names.PageFile(2)).lastModified().date().year(), 2001) << "page 2 was kept";

  // Quiet: nothing on standard error, on a terminal too.
  r = publish({"-qefc", "'" + lwtest::ProgramDir() + "/leafweaver-publish' six.pdf --pages 4 -q -o '" +
                            out.file("c") + "' 2>&1 >/dev/null", "/dev/null"},
              script);
  ASSERT_EQ(r.status, 0) << r.out.toStdString();
  EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
  EXPECT_TRUE(Exists(names.PageFile(4)));
}
