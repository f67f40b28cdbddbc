#include "model/sourcefiles.h"
#include "support/testdirs.h"

#include <QDir>
#include <QMimeData>
#include <QUrl>
#include <gtest/gtest.h>

using namespace lw;

TEST(SourceFiles, DroppedDataGivesTheSupportedLocalFilesInOrder) {
  lwtest::TempDir dir;
  for (const char *name : {"b.PDF", "a.png", "c.jpeg", "d.bmp", "notes.txt", "e.JPG"})
    lwtest::WriteFile(dir.file(name), "x");
  QDir().mkpath(dir.file("folder.pdf"));
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(dir.file("b.PDF")), QUrl::fromLocalFile(dir.file("notes.txt")),
                QUrl("https://example.org/x.pdf"), QUrl::fromLocalFile(dir.file("folder.pdf")),
                QUrl::fromLocalFile(dir.file("gone.png")), QUrl::fromLocalFile(dir.file("a.png")),
                QUrl::fromLocalFile(dir.file("c.jpeg")), QUrl::fromLocalFile(dir.file("d.bmp")),
                QUrl::fromLocalFile(dir.file("e.JPG"))});
  EXPECT_EQ(DroppedSourceFiles(&data),
            QStringList({dir.file("b.PDF"), dir.file("a.png"), dir.file("c.jpeg"), dir.file("d.bmp"),
                         dir.file("e.JPG")}));
  QMimeData text;
  text.setText(dir.file("a.png"));
  EXPECT_TRUE(DroppedSourceFiles(&text).isEmpty());
  EXPECT_TRUE(DroppedSourceFiles(nullptr).isEmpty());
}
