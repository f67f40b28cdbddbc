// A package file is written whole or not at all, and a failure names it.
#include "output/packagefile.h"
#include "support/testdirs.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace lw;

namespace {

// Writing a megabyte to `name` in `folder` of `dir` fails: the message names
// the file and the folder gains no file.
void ExpectRefusedWhole(const lwtest::TempDir &dir, const QString &folder, const QString &name) {
  const QString path = dir.file(folder + '/' + name);
  const QStringList before = QDir(dir.file(folder)).entryList(QDir::Files | QDir::Hidden);
  const QString said = WritePackageFile(path, QByteArray(1 << 20, 'x'));
  EXPECT_TRUE(said.startsWith("Cannot write " + QDir::toNativeSeparators(path) + ": ")) << said.toStdString();
  EXPECT_EQ(QDir(dir.file(folder)).entryList(QDir::Files | QDir::Hidden), before);
}

}  // namespace

TEST(PackageFile, AFileThatCannotBeWrittenLeavesNothingAndSaysWhich) {
  lwtest::TempDir dir;
  ASSERT_TRUE(WritePackageFile(dir.file("book.js"), "whole").isEmpty());
  EXPECT_EQ(lwtest::ReadFile(dir.file("book.js")), "whole");
  // Its name taken by a folder; its folder's name taken by a file.
  QDir().mkpath(dir.file("taken/book.js"));
  ExpectRefusedWhole(dir, "taken", "book.js");
  ExpectRefusedWhole(dir, ".", "book.js/inside.js");
}

TEST(PackageFile, AReadOnlyFolderLeavesNothing) {
  lwtest::TempDir dir;
  QDir().mkpath(dir.file("locked"));
  QFile::setPermissions(dir.file("locked"), QFile::ReadOwner | QFile::ExeOwner);
  if (QFile(dir.file("locked/probe")).open(QIODevice::WriteOnly))
    GTEST_SKIP() << "this user writes into read-only folders (root): no failure to see";
  ExpectRefusedWhole(dir, "locked", "book.js");
}
