// The book session without a window: the book file, the history of page
// commands with their selection, relocating a source, themes, the
// automatic size and publishing, on real files in temp folders.

#include "session/booksession.h"

#include "model/conversionnames.h"
#include "model/uconst.h"
#include "output/imageconvert.h"
#include "support/testdirs.h"
#include "support/testpdf.h"
#include "themes/tthememanager.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSignalSpy>
#include <QUndoStack>
#include <gtest/gtest.h>

#include <functional>

using namespace lw;

namespace {

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = SysSetInfo;
    TSysSetInfo paths = WorkspacePaths(lwtest::ProgramDir());
    paths.TempPathStr = dir.slash() + "TempFiles/";
    paths.PreviewPath = dir.slash() + "Preview/";
    paths.PreviewHtmlPath = paths.PreviewPath + "index.html";
    SetWorkspace(paths);
    QDir().mkpath(paths.TempPathStr);
    QObject::connect(&session, &BookSession::problem, [this](const SessionProblem &p) { problems.push_back(p); });
  }
  void TearDown() override { SetWorkspace(saved_); }

  QString Png(const QString &name, int w = 40, int h = 30) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::blue);
    EXPECT_TRUE(image.save(dir.file(name)));
    return dir.file(name);
  }
  // Library files of pictures named `names` (".png" added), in the library.
  TFileList Files(const QStringList &names) {
    TFileList files;
    for (const QString &name : names) files.push_back(std::make_shared<TFileObj>(Png(name + ".png")));
    session.library().insert(session.library().end(), files.begin(), files.end());
    return files;
  }
  // A new book of the pages a, b, c, d, whose history begins there.
  void FourPages() {
    session.New(nullptr);
    session.InsertFiles(Files({"a", "b", "c", "d"}), -1, false);
    session.undoStack()->clear();
  }
  QStringList Names() const {
    QStringList names;
    for (const auto &page : session.book().pageList) names << page->showName.chopped(4);
    return names;
  }

  lwtest::TempDir dir;
  BookSession session;
  std::vector<SessionProblem> problems;

 private:
  TSysSetInfo saved_;
};

TEST_F(SessionTest, SavedBookOpensTheSameAndTracksUnsavedChanges) {
  session.InsertFiles(Files({"a", "b"}), -1, false);
  session.book().titleStr = "Field Notes";
  session.Record("Edit Text", {});
  EXPECT_TRUE(session.HasUnsavedChanges());
  const QString path = dir.file("notes.leafbook");
  ASSERT_TRUE(session.SaveTo(path));
  EXPECT_FALSE(session.HasUnsavedChanges());
  EXPECT_EQ(session.bookPath(), path);
  const TBookObj saved = session.book().Copy();
  session.undoStack()->undo();
  EXPECT_TRUE(session.HasUnsavedChanges());
  session.undoStack()->redo();
  EXPECT_FALSE(session.HasUnsavedChanges()) << "back where it was saved";

  session.New(nullptr);
  EXPECT_EQ(session.book().PageCount(), 0);
  EXPECT_TRUE(session.library().empty());
  EXPECT_TRUE(session.bookPath().isEmpty());
  EXPECT_EQ(session.undoStack()->count(), 0);
  ASSERT_TRUE(session.Open(path));
  EXPECT_TRUE(session.book().SameContent(saved));
  EXPECT_EQ(session.library().size(), 2u);
  EXPECT_FALSE(session.HasUnsavedChanges());

  // What cannot be opened changes nothing and says why.
  ASSERT_TRUE(lwtest::WriteFile(dir.file("damaged.leafbook"), "{ not a book"));
  const struct {
    QString path;
    SessionProblem::Kind kind;
  } refused[] = {{dir.file("gone.leafbook"), SessionProblem::Kind::CannotOpen},
                 {dir.path(), SessionProblem::Kind::CannotOpen},
                 {dir.file("damaged.leafbook"), SessionProblem::Kind::Damaged}};
  for (const auto &r : refused) {
    problems.clear();
    EXPECT_FALSE(session.Open(r.path));
    ASSERT_EQ(problems.size(), 1u) << r.path.toStdString();
    EXPECT_EQ(problems[0].kind, r.kind) << r.path.toStdString();
    EXPECT_TRUE(session.book().SameContent(saved));
    EXPECT_EQ(session.bookPath(), path);
  }
  EXPECT_FALSE(session.SaveTo(dir.file("no folder/x.leafbook")));
  EXPECT_EQ(problems.back().kind, SessionProblem::Kind::CannotSave);
}

TEST_F(SessionTest, PageCommandsUndoAndRedoWithTheirSelection) {
  const struct {
    const char *name;
    std::function<QList<int>()> run;
    QStringList after;
    QList<int> selected;
  } cases[] = {
      {"move", [&] { return session.MovePages({0, 1}, 4, "Move Pages"); }, {"c", "d", "a", "b"}, {2, 3}},
      {"up", [&] { return session.MovePages({2}, 1, "Move Page Up"); }, {"a", "c", "b", "d"}, {1}},
      {"delete", [&] { return QList<int>{session.DeletePages({3, 1})}; }, {"a", "c"}, {1}},
      {"insert", [&] { return session.InsertFiles(Files({"e"}), 1, false); }, {"a", "e", "b", "c", "d"}, {1}},
      {"clear", [&] { session.ClearPages(); return QList<int>{}; }, {}, {}},
  };
  for (const auto &c : cases) {
    FourPages();
    session.SetSelection({3});
    EXPECT_EQ(c.run(), c.selected) << c.name;
    EXPECT_EQ(Names(), c.after) << c.name;
    ASSERT_EQ(session.undoStack()->count(), 1) << c.name;
    QSignalSpy changed(&session, &BookSession::bookChanged);
    session.undoStack()->undo();
    EXPECT_EQ(Names(), QStringList({"a", "b", "c", "d"})) << c.name;
    session.undoStack()->redo();
    EXPECT_EQ(Names(), c.after) << c.name;
    ASSERT_EQ(changed.size(), 2) << c.name;
    EXPECT_EQ(changed[0][0].value<QList<int>>(), QList<int>{3}) << c.name;
    EXPECT_EQ(changed[1][0].value<QList<int>>(), c.selected) << c.name;
  }
  // Rows outside the book change nothing and make no step.
  FourPages();
  EXPECT_TRUE(session.MovePages({7}, 0, "Move Page").isEmpty());
  EXPECT_EQ(session.undoStack()->count(), 0);
}

// Pages of a range never converted are converted before they go in; pages
// converted before are kept as they are.
TEST_F(SessionTest, AWiderRangeConvertsOnlyThePagesItAdds) {
  if (!QFile::exists(SysSetInfo.SwfToolPath)) GTEST_SKIP() << "the converter is not built";
  const QString pdf = dir.file("wide.pdf");
  ASSERT_TRUE(lwtest::WriteFile(pdf, lwtest::MakeTextPdf(4)));
  auto file = std::make_shared<TFileObj>(pdf);
  file->rangeStr = "2";
  session.library().push_back(file);
  session.InsertFiles({file}, -1, true);
  EXPECT_EQ(Names(), QStringList{"wide_2"});
  const ConversionNames names = ConversionNamesFor(SysSetInfo.TempPathStr, file->filePath);
  EXPECT_FALSE(lwtest::Exists(names.PageFile(1)));
  const QDateTime old(QDate(2001, 1, 1), QTime(0, 0));
  QFile page2(names.PageFile(2));
  ASSERT_TRUE(page2.open(QIODevice::ReadWrite) && page2.setFileTime(old, QFileDevice::FileModificationTime));
  page2.close();

  file->rangeStr = "1-3";
  session.InsertFiles({file}, -1, true);
  QStringList added = Names();
  added.sort();
  EXPECT_EQ(added, QStringList({"wide_1", "wide_2", "wide_3"}));
  EXPECT_EQ(QFileInfo(names.PageFile(2)).lastModified(), old) << "page 2 was kept";
  EXPECT_FALSE(lwtest::Exists(names.PageFile(4)));
}

TEST_F(SessionTest, RelocatedSourceGivesThePagesAndUndoTakesItBack) {
  const TFileList files = Files({"a"});
  session.InsertFiles(files, -1, false);
  const QString old = files[0]->filePath;
  QDir().mkpath(dir.file("moved"));
  const QString moved = dir.file("moved/a2.png");
  ASSERT_TRUE(QFile::rename(old, moved));

  EXPECT_FALSE(session.Relocate(old, dir.file("x.pdf")));
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].kind, SessionProblem::Kind::WrongKind);
  ASSERT_TRUE(session.Relocate(old, moved));
  EXPECT_EQ(session.book().Page(0)->sourcePath, moved);
  EXPECT_EQ(session.undoStack()->undoText(), "Locate File");
  session.undoStack()->undo();
  EXPECT_EQ(session.book().Page(0)->sourcePath, old);
  EXPECT_FALSE(session.Relocate(dir.file("never.png"), moved)) << "no page came from it";
}

TEST_F(SessionTest, ThemeLookIsOneStepOrWhereTheHistoryBegins) {
  TThemeObj theme(dir.file("no theme folder"));
  theme.titleStr = "Dusk";
  theme.bgType = kThemeBgImage + 1;
  theme.bgColor = 0x112233;
  theme.buttonColor = 0x0000FF;
  theme.panelColor = 0x00FF00;
  session.ApplyTheme(theme, true);
  EXPECT_EQ(session.undoStack()->count(), 0);
  EXPECT_FALSE(session.HasUnsavedChanges());
  session.book().backgroundColor = kWhite;
  session.Record("Color", {});
  session.ApplyTheme(theme);
  const TBookObj &book = session.book();
  EXPECT_EQ(book.themeStr, "Dusk");
  EXPECT_EQ(book.backgroundType, TBackgroundKind::Color);
  EXPECT_EQ(book.backgroundColor, 0x112233u);
  EXPECT_EQ(book.buttonColor, 0x0000FFu);
  EXPECT_EQ(book.panelColor, 0x00FF00u);
  EXPECT_EQ(session.undoStack()->undoText(), "Theme");
  session.undoStack()->undo();
  EXPECT_EQ(session.book().backgroundColor, kWhite);
}

TEST_F(SessionTest, FirstFileSizesTheBookOnceUnlessTheUserSetASize) {
  const QString pdf = dir.file("doc.pdf");
  ASSERT_TRUE(lwtest::WriteFile(pdf, lwtest::MakeTextPdf(1)));
  ASSERT_TRUE(lwtest::WriteFile(dir.file("broken.png"), "no image"));
  const struct {
    QString first;
    bool userSize;
    QSize size;  // the book's afterwards
  } cases[] = {{pdf, false, {595, 842}},
               {Png("wide.png", 3200, 1000), false, {1600, 500}},
               {Png("small.png", 10, 20), true, {420, 595}}};
  for (const auto &c : cases) {
    session.New(nullptr);
    session.book().width = 420;
    session.book().height = 595;
    session.SetSizeEdited(c.userSize);
    session.library().push_back(std::make_shared<TFileObj>(c.first));
    session.AutoBookSize();
    EXPECT_EQ(QSize(session.book().width, session.book().height), c.size) << c.first.toStdString();
    session.library().front() = std::make_shared<TFileObj>(Png("other.png", 100, 100));
    EXPECT_FALSE(session.AutoBookSize()) << "once only";
  }
  session.New(nullptr);
  session.library().push_back(std::make_shared<TFileObj>(dir.file("broken.png")));
  EXPECT_THROW(session.AutoBookSize(), ImageError);
  EXPECT_EQ(session.book().width, TBookObj().width);
}

TEST_F(SessionTest, PublishesARealSmallBook) {
  if (!QFile::exists(SysSetInfo.AppPathStr + kPlayerMovieName))
    GTEST_SKIP() << "the player movie is not built (Haxe missing)";
  session.InsertFiles(Files({"a", "b"}), -1, false);
  session.book().titleStr = "Trip";
  QSignalSpy written(&session, &BookSession::packageWritten);
  ASSERT_TRUE(session.WritePackage(false, dir.slash() + "out/"));
  EXPECT_FALSE(session.WritePackage(false, dir.slash() + "out/")) << "one package at a time";
  ASSERT_TRUE(written.wait(60000));
  const QString root = written[0][0].toString();
  ASSERT_FALSE(root.isEmpty());
  EXPECT_FALSE(session.IsWritingPackage());
  for (const char *file : {"index.html", "source/Pages.xml", "pages/1.png", "pages/2.png"})
    EXPECT_TRUE(lwtest::Exists(root + file)) << file;
}

}  // namespace
