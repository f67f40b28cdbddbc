#include "fsutil/fsutil.h"
#include "support/testdirs.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using namespace lw;
using lwtest::Exists;
using lwtest::TempDir;
using lwtest::WriteFile;

namespace {

void MakeReadOnly(const QString &path) {
  fs::permissions(path.toStdString(), fs::perms::owner_write | fs::perms::group_write |
                                          fs::perms::others_write,
                  fs::perm_options::remove);
}

// a.txt, B.XML, c.xml, sub/, sub/d.xml, sub/deep/e.txt, z.xml/ (folder)
void MakeSampleTree(const TempDir &t) {
  WriteFile(t.file("a.txt"), "a");
  WriteFile(t.file("B.XML"), "b");
  WriteFile(t.file("c.xml"), "c");
  WriteFile(t.file("sub/d.xml"), "d");
  WriteFile(t.file("sub/deep/e.txt"), "e");
  QDir().mkpath(t.file("z.xml"));
}

}  // namespace

TEST(ListFolder, FiltersAndSortsEntries) {
  TempDir t;
  MakeSampleTree(t);
  EXPECT_EQ(ListFolder(t.path(), "/"), QStringList({"sub", "z.xml"}));
  EXPECT_EQ(ListFolder(t.slash(), ".*"), QStringList({"B.XML", "a.txt", "c.xml", "sub", "z.xml"}));
  // An extension matches in any case, and a folder carrying it is listed too.
  EXPECT_EQ(ListFolder(t.path(), ".XML"), QStringList({"B.XML", "c.xml", "z.xml"}));
  EXPECT_EQ(ListFolder(" " + t.path() + " ", ".txt"), QStringList({"a.txt"}));
}

TEST(ListFolder, MissingFolderGivesEmptyList) {
  TempDir t;
  EXPECT_TRUE(ListFolder(t.file("nothing"), ".*").isEmpty());
  EXPECT_TRUE(ListFolder(t.file("nothing/"), "/").isEmpty());
}

TEST(CopyFolderTree, CopiesEverythingAndOverwrites) {
  TempDir src, dst;
  MakeSampleTree(src);
  WriteFile(dst.file("out/a.txt"), "old");
  CopyFolderTree(src.path(), dst.file("out"), ".*");
  EXPECT_EQ(lwtest::ReadFile(dst.file("out/a.txt")), "a");
  EXPECT_EQ(lwtest::ReadFile(dst.file("out/sub/deep/e.txt")), "e");
  EXPECT_TRUE(QDir(dst.file("out/z.xml")).exists());
}

TEST(CopyFolderTree, ExtensionFilterKeepsWholeFolderStructure) {
  TempDir src, dst;
  MakeSampleTree(src);
  CopyFolderTree(src.slash(), dst.file("a/b/c/"), ".xml");
  const QString out = dst.file("a/b/c/");
  EXPECT_TRUE(Exists(out + "B.XML"));
  EXPECT_TRUE(Exists(out + "c.xml"));
  EXPECT_TRUE(Exists(out + "sub/d.xml"));
  EXPECT_FALSE(Exists(out + "a.txt"));
  EXPECT_TRUE(QDir(out + "sub/deep").exists());
  EXPECT_FALSE(Exists(out + "sub/deep/e.txt"));
}

TEST(CopyFolderTree, MissingSourceCreatesNothing) {
  TempDir t;
  CopyFolderTree(t.file("missing"), t.file("dest"), ".*");
  EXPECT_FALSE(Exists(t.file("dest")));
}

TEST(DeleteFolderTree, RemovesTreeGivenWithOrWithoutSlash) {
  for (const bool slash : {false, true}) {
    TempDir t;
    MakeSampleTree(t);
    DeleteFolderTree(slash ? t.slash() : t.path());
    EXPECT_FALSE(Exists(t.path())) << "slash=" << slash;
  }
}

TEST(DeleteFolderTree, ReadOnlyFileStaysWithItsFolders) {
  TempDir t;
  WriteFile(t.file("tree/keep/deep/locked.bin"), "x");
  WriteFile(t.file("tree/keep/deep/free.bin"), "x");
  WriteFile(t.file("tree/other/free.bin"), "x");
  WriteFile(t.file("tree/top.bin"), "x");
  MakeReadOnly(t.file("tree/keep/deep/locked.bin"));
  DeleteFolderTree(t.file("tree"));
  EXPECT_TRUE(Exists(t.file("tree/keep/deep/locked.bin")));
  EXPECT_FALSE(Exists(t.file("tree/keep/deep/free.bin")));
  EXPECT_FALSE(Exists(t.file("tree/other")));
  EXPECT_FALSE(Exists(t.file("tree/top.bin")));
}

TEST(DeleteFolderTree, NeverReachesThroughSymbolicLinks) {
  TempDir t, outside;
  WriteFile(outside.file("precious.txt"), "keep");
  WriteFile(outside.file("dir/inner.txt"), "keep");
  WriteFile(t.file("tree/plain.txt"), "x");
  fs::create_symlink(outside.file("precious.txt").toStdString(), t.file("tree/file-link").toStdString());
  fs::create_directory_symlink(outside.file("dir").toStdString(), t.file("tree/dir-link").toStdString());
  DeleteFolderTree(t.file("tree"));
  EXPECT_FALSE(Exists(t.file("tree")));
  EXPECT_EQ(lwtest::ReadFile(outside.file("precious.txt")), "keep");
  EXPECT_EQ(lwtest::ReadFile(outside.file("dir/inner.txt")), "keep");
}

TEST(DeleteFolderTree, LinkGivenAsFolderAndEmptyPathAreLeftAlone) {
  TempDir t, outside;
  WriteFile(outside.file("inner.txt"), "keep");
  fs::create_directory_symlink(outside.path().toStdString(), t.file("link").toStdString());
  DeleteFolderTree(t.file("link"));
  DeleteFolderTree(t.file("link/"));
  EXPECT_TRUE(Exists(outside.file("inner.txt")));

  const QString cwd = QDir::currentPath();
  QDir::setCurrent(t.path());
  WriteFile(t.file("here.txt"), "x");
  DeleteFolderTree("");
  QDir::setCurrent(cwd);
  EXPECT_TRUE(Exists(t.file("here.txt")));
}

TEST(ForceDeleteFile, RemovesReadOnlyFilesOnly) {
  TempDir t;
  WriteFile(t.file("ro.txt"), "x");
  MakeReadOnly(t.file("ro.txt"));
  ForceDeleteFile(t.file("ro.txt"));
  EXPECT_FALSE(Exists(t.file("ro.txt")));

  QDir().mkpath(t.file("folder"));
  ForceDeleteFile(t.file("folder"));
  EXPECT_TRUE(QDir(t.file("folder")).exists());
  ForceDeleteFile(t.file("missing"));  // nothing to do, must return
}

TEST(CopyOneFile, OverwriteFlag) {
  TempDir t;
  WriteFile(t.file("a"), "new");
  WriteFile(t.file("b"), "old");
  CopyOneFile(t.file("a"), t.file("b"), false);
  EXPECT_EQ(lwtest::ReadFile(t.file("b")), "old");
  CopyOneFile(t.file("a"), t.file("b"), true);
  EXPECT_EQ(lwtest::ReadFile(t.file("b")), "new");
  CopyOneFile(t.file("missing"), t.file("b"), true);
  EXPECT_EQ(lwtest::ReadFile(t.file("b")), "new");
}

TEST(JoinPath, OneSeparatorBetweenFolderAndName) {
  EXPECT_EQ(JoinPath("/data/out", "book"), "/data/out/book");
  EXPECT_EQ(JoinPath("/data/out/", "book"), "/data/out/book");
  EXPECT_EQ(JoinPath("/", "book"), "/book");
  EXPECT_EQ(JoinPath("", "book"), "/book");
}

TEST(GetSpecialFolderPath, AppDataIsXdgDataHome) {
  TempDir t;
  const QByteArray old = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", (t.slash()).toUtf8());
  EXPECT_EQ(GetSpecialFolderPath(kFolderAppData), t.path());
  EXPECT_TRUE(GetSpecialFolderPath(12345).isEmpty());
  qputenv("XDG_DATA_HOME", old);
}
