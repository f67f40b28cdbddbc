#include "publish/bookserver.h"
#include "support/testdirs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTcpSocket>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

using namespace lw;
using lwtest::TempDir;
using lwtest::WriteFile;

namespace {

class Served : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(book.file("index.html"), "<html>book</html>");
    WriteFile(book.file("ruffle/core.wasm"), "\0asm");
    WriteFile(book.file("pages/1.swf"), "FWS");
    QDir().mkpath(book.file("empty"));
    WriteFile(outside.file("secret.txt"), "secret");
    std::filesystem::create_symlink(outside.file("secret.txt").toStdString(),
                                    book.file("link.txt").toStdString());
    root = QFileInfo(book.path()).canonicalFilePath();
  }
  ServedFile at(const char *path) { return ResolveRequestPath(root, path); }

  TempDir book, outside;
  QString root;
};

// Sends one raw request, exactly as written, and answers the status line.
QByteArray RawGet(quint16 port, const QByteArray &target) {
  QTcpSocket s;
  s.connectToHost("127.0.0.1", port);
  if (!s.waitForConnected(5000)) return "no connection";
  s.write("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
  QByteArray reply;
  while (s.waitForReadyRead(5000)) {
    reply += s.readAll();
    // Done once the headers and as many body bytes as announced are in.
    const qsizetype end = reply.indexOf("\r\n\r\n");
    if (end < 0) continue;
    const QByteArray head = reply.left(end).toLower();
    const qsizetype at = head.indexOf("content-length:");
    if (at < 0) break;
    const qsizetype eol = head.indexOf("\r\n", at);
    const int length = head.mid(at + 15, eol < 0 ? -1 : eol - at - 15).trimmed().toInt();
    if (reply.size() - end - 4 >= length) break;
  }
  return reply;
}

// RawGet on another thread while this one serves.
QByteArray Fetch(quint16 port, const QByteArray &target) {
  QByteArray reply;
  std::atomic<bool> done{false};
  std::thread client([&] {
    reply = RawGet(port, target);
    done = true;
  });
  while (!done) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  client.join();
  return reply;
}

}  // namespace

TEST_F(Served, FilesAndFolders) {
  EXPECT_EQ(at("/").path, root + "/index.html");
  EXPECT_EQ(at("/pages/1.swf").status, 200);
  EXPECT_EQ(at("/pages/%31.swf").path, root + "/pages/1.swf");
  EXPECT_EQ(at("/empty/").status, 404);  // no listings
  EXPECT_EQ(at("/pages").status, 404);
  EXPECT_EQ(at("/missing.html").status, 404);
}

TEST_F(Served, NothingOutsideTheFolder) {
  for (const char *bad : {"/../secret.txt", "/pages/../../x", "/%2e%2e/secret.txt",
                          "/%2E%2E%2Fsecret.txt", "/..%5csecret.txt", "/./index.html",
                          "/index.html%00.png"})
    EXPECT_EQ(at(bad).status, 403) << bad;
  EXPECT_EQ(at("/link.txt").status, 403);        // a link inside pointing out
  EXPECT_EQ(at("/%252e%252e/secret.txt").status, 404);  // decoded once: a literal name
}

TEST(MimeTypeFor, RuntimeAndPages) {
  EXPECT_EQ(MimeTypeFor("core.wasm"), "application/wasm");
  EXPECT_EQ(MimeTypeFor("turnleaf.swf"), "application/x-shockwave-flash");
  EXPECT_EQ(MimeTypeFor("INDEX.HTML"), "text/html; charset=utf-8");
  EXPECT_EQ(MimeTypeFor("ruffle.js"), "text/javascript; charset=utf-8");
  EXPECT_EQ(MimeTypeFor("2.PNG"), "image/png");
  EXPECT_EQ(MimeTypeFor("x.unknown"), "application/octet-stream");
}

TEST_F(Served, OverTheWire) {
  BookServer server(book.path());
  const quint16 port = server.ListenLocal(0);
  ASSERT_NE(port, 0);
  QByteArray reply = Fetch(port, "/ruffle/core.wasm");
  EXPECT_TRUE(reply.startsWith("HTTP/1.1 200")) << reply.toStdString();
  EXPECT_TRUE(reply.toLower().contains("content-type: application/wasm")) << reply.toStdString();

  for (const QByteArray target : {QByteArray("/../secret.txt"), QByteArray("/%2e%2e/secret.txt")}) {
    reply = Fetch(port, target);
    EXPECT_TRUE(reply.startsWith("HTTP/1.1 403")) << target.toStdString() << reply.toStdString();
    EXPECT_FALSE(reply.contains("secret")) << reply.toStdString();
  }
  EXPECT_EQ(BookServer(book.file("missing")).ListenLocal(0), 0);
}
