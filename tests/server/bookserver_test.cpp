#include "server/bookserver.h"
#include "support/testdirs.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHostAddress>
#include <QMap>
#include <QNetworkInterface>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpSocket>
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <memory>
#include <vector>

using namespace lw;
using lwtest::ReadFile;
using lwtest::TempDir;
using lwtest::WriteFile;

namespace {

// A content-hashed chunk of the runtime, with its compressed copies.
const char kChunk[] = "ruffle/0123456789abcdef0123.wasm";

QByteArray Pattern(int size) {
  QByteArray bytes(size, '\0');
  for (int i = 0; i < size; ++i) bytes[i] = char('a' + i % 26);
  return bytes;
}

// A book with the runtime's kinds of files, and a secret outside it.
void MakeBook(const TempDir &book, const TempDir &outside) {
  WriteFile(book.file("index.html"), "<html>book</html>");
  WriteFile(book.file("ruffle/core.wasm"), QByteArray("\0asm", 4));
  WriteFile(book.file(kChunk), Pattern(100000));
  WriteFile(book.file(QString(kChunk) + ".gz"), "gzip copy");
  WriteFile(book.file(QString(kChunk) + ".br"), "brotli copy");
  WriteFile(book.file("ruffle/ruffle.js"), "var ruffle;");
  WriteFile(book.file("pages/1.swf"), "FWS");
  QDir().mkpath(book.file("empty"));
  WriteFile(book.file(".env"), "secret");
  WriteFile(book.file(".git/config"), "secret");
  WriteFile(outside.file("secret.txt"), "secret");
  std::filesystem::create_symlink(outside.file("secret.txt").toStdString(),
                                  book.file("link.txt").toStdString());
  // A compressed "copy" that is a link out of the book is never sent.
  std::filesystem::create_symlink(outside.file("secret.txt").toStdString(),
                                  book.file("ruffle/ruffle.js.gz").toStdString());
}

class Served : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeBook(book, outside);
    root = QFileInfo(book.path()).canonicalFilePath();
  }
  ServedFile at(const char *path) { return ResolveRequestPath(root, path); }

  TempDir book, outside;
  QString root;
};

struct Reply {
  int status = 0;
  QMap<QByteArray, QByteArray> headers;  // lower-case names
  QByteArray body;
  QByteArray raw;
  QByteArray operator[](const char *name) const { return headers.value(name); }
};

// A request as sent by a client that closes after one answer.
QByteArray Request(const QByteArray &method, const QByteArray &target,
                   const QByteArray &extraLines = {}, const QByteArray &host = "127.0.0.1") {
  QByteArray r = method + ' ' + target + " HTTP/1.1\r\n";
  if (!host.isNull()) r += "Host: " + host + "\r\n";
  return r + extraLines + "Connection: close\r\n\r\n";
}

// Sends `request` exactly as written on a new connection and reads until
// the server closes it, so everything the server sent is in the reply.
Reply Exchange(quint16 port, const QByteArray &request) {
  QTcpSocket s;
  s.connectToHost(QHostAddress::LocalHost, port);
  Reply r;
  if (!s.waitForConnected(5000)) return r;
  s.write(request);
  while (s.state() == QAbstractSocket::ConnectedState && s.waitForReadyRead(10000))
    r.raw += s.readAll();
  r.raw += s.readAll();
  const qsizetype end = r.raw.indexOf("\r\n\r\n");
  if (end < 0) return r;
  const QList<QByteArray> lines = r.raw.left(end).split('\n');
  r.status = lines.first().split(' ').value(1).toInt();
  for (qsizetype i = 1; i < lines.size(); ++i) {
    const qsizetype colon = lines[i].indexOf(':');
    if (colon > 0)
      r.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
  }
  r.body = r.raw.mid(end + 4);
  return r;
}

// One server for all cases: civetweb takes up to two seconds to stop.
class OnTheWire : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    book = new TempDir;
    outside = new TempDir;
    MakeBook(*book, *outside);
    server = new BookServer(book->path());
    port = server->ListenLocal(0);
  }
  static void TearDownTestSuite() {
    delete server;
    delete book;
    delete outside;
  }
  void SetUp() override { ASSERT_NE(port, 0); }
  Reply get(const QByteArray &target, const QByteArray &extraLines = {}) {
    return Exchange(port, Request("GET", target, extraLines));
  }

  static inline TempDir *book = nullptr, *outside = nullptr;
  static inline BookServer *server = nullptr;
  static inline quint16 port = 0;
};

}  // namespace

TEST_F(Served, FilesAndFolders) {
  EXPECT_EQ(at("/").path, root + "/index.html");
  EXPECT_EQ(at("/pages/1.swf").status, 200);
  EXPECT_EQ(at("/pages/%31.swf").path, root + "/pages/1.swf");
  EXPECT_EQ(at("/empty/").status, 404);  // no listings
  EXPECT_EQ(at("/pages").status, 404);
  EXPECT_EQ(at("/missing.html").status, 404);
  EXPECT_EQ(at("/.env").status, 404);  // hidden files are never served
  EXPECT_EQ(at("/.git/config").status, 404);
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

TEST(ParseByteRange, OneRangeClippedToTheFile) {
  auto part = [](const char *h, qint64 first, qint64 last) {
    const ByteRange r = ParseByteRange(h, 100);
    return r.kind == ByteRange::Part && r.first == first && r.last == last;
  };
  EXPECT_TRUE(part("bytes=0-9", 0, 9));
  EXPECT_TRUE(part("bytes=90-", 90, 99));
  EXPECT_TRUE(part("bytes=90-500", 90, 99));
  EXPECT_TRUE(part("bytes=99-99", 99, 99));
  EXPECT_TRUE(part("bytes=-10", 90, 99));
  EXPECT_TRUE(part("bytes=-500", 0, 99));
  EXPECT_TRUE(part("Bytes=5-6", 5, 6));
  for (const char *past : {"bytes=100-", "bytes=100-200", "bytes=-0"})
    EXPECT_EQ(ParseByteRange(past, 100).kind, ByteRange::Unsatisfiable) << past;
  EXPECT_EQ(ParseByteRange("bytes=-5", 0).kind, ByteRange::Unsatisfiable);
  for (const char *whole : {"", "items=0-5", "bytes=0-1,5-6", "bytes=5-1", "bytes=a-b", "bytes=-",
                            "bytes=1", "bytes=+1-2", "bytes=99999999999999999999-"})
    EXPECT_EQ(ParseByteRange(whole, 100).kind, ByteRange::Whole) << whole;
}

TEST(IsLoopbackHost, OnlyThisMachinesNames) {
  for (const char *ok : {"127.0.0.1", "127.0.0.1:8080", "localhost", "LocalHost:80", "localhost:"})
    EXPECT_TRUE(IsLoopbackHost(ok)) << ok;
  for (const char *bad : {"", "evil.example", "evil.example:8080", "127.0.0.1.evil.example",
                          "localhost.evil.example", "127.0.0.1:80x", "10.0.0.1", "127.0.0.2"})
    EXPECT_FALSE(IsLoopbackHost(bad)) << bad;
}

TEST_F(OnTheWire, FilesWithTheirType) {
  Reply r = get("/ruffle/core.wasm");
  EXPECT_EQ(r.status, 200) << r.raw.toStdString();
  EXPECT_EQ(r["content-type"], "application/wasm");
  EXPECT_EQ(r.body, QByteArray("\0asm", 4));
  r = get("/");
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.body, "<html>book</html>");
  EXPECT_EQ(get("/empty/").status, 404);  // no listings
  EXPECT_EQ(get("/missing.html").status, 404);
}

TEST_F(OnTheWire, TraversalRefused) {
  for (const QByteArray target : {QByteArray("/../secret.txt"), QByteArray("/%2e%2e/secret.txt"),
                                  QByteArray("/link.txt"), QByteArray("/..%5csecret.txt")}) {
    const Reply r = get(target);
    EXPECT_EQ(r.status, 403) << target.toStdString() << r.raw.toStdString();
    EXPECT_FALSE(r.raw.contains("secret")) << r.raw.toStdString();
  }
  EXPECT_EQ(BookServer(book->file("missing")).ListenLocal(0), 0);
}

TEST_F(OnTheWire, HeadAnnouncesTheLengthWithoutABody) {
  const Reply r = Exchange(port, Request("HEAD", QByteArray("/") + kChunk));
  EXPECT_EQ(r.status, 200) << r.raw.toStdString();
  EXPECT_EQ(r["content-length"], "100000");
  EXPECT_EQ(r["content-type"], "application/wasm");
  EXPECT_TRUE(r.body.isEmpty()) << r.body.size();
}

TEST_F(OnTheWire, RangeGivesThoseBytes) {
  const QByteArray target = QByteArray("/") + kChunk, bytes = Pattern(100000);
  Reply r = get(target, "Range: bytes=1000-1099\r\n");
  EXPECT_EQ(r.status, 206) << r.raw.left(400).toStdString();
  EXPECT_EQ(r["content-range"], "bytes 1000-1099/100000");
  EXPECT_EQ(r["content-length"], "100");
  EXPECT_EQ(r.body, bytes.mid(1000, 100));
  EXPECT_EQ(r["accept-ranges"], "bytes");

  r = get(target, "Range: bytes=99990-200000\r\n");  // clipped at the end
  EXPECT_EQ(r.status, 206);
  EXPECT_EQ(r["content-range"], "bytes 99990-99999/100000");
  EXPECT_EQ(r.body, bytes.right(10));

  r = get(target, "Range: bytes=100000-\r\n");
  EXPECT_EQ(r.status, 416);
  EXPECT_EQ(r["content-range"], "bytes */100000");
  EXPECT_FALSE(r.body.contains("abc"));

  // A range for another version of the file: the whole current one.
  r = get(target, "Range: bytes=0-9\r\nIf-Range: \"old\"\r\n");
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.body, bytes);
}

TEST_F(OnTheWire, ValidatorsAnswerNotModified) {
  const Reply first = get("/index.html");
  const QByteArray etag = first["etag"], modified = first["last-modified"];
  ASSERT_FALSE(etag.isEmpty()) << first.raw.toStdString();
  ASSERT_TRUE(modified.endsWith(" GMT")) << modified.toStdString();

  Reply r = get("/index.html", "If-None-Match: " + etag + "\r\n");
  EXPECT_EQ(r.status, 304) << r.raw.toStdString();
  EXPECT_TRUE(r.body.isEmpty());
  EXPECT_EQ(r["etag"], etag);
  EXPECT_EQ(r["cache-control"], "no-cache");  // still revalidated next time
  EXPECT_EQ(get("/index.html", "If-None-Match: \"x\", W/" + etag + "\r\n").status, 304);
  EXPECT_EQ(get("/index.html", "If-Modified-Since: " + modified + "\r\n").status, 304);
  EXPECT_EQ(get("/index.html", "If-None-Match: \"other\"\r\n").status, 200);
  // If-None-Match decides alone.
  EXPECT_EQ(get("/index.html", "If-None-Match: \"other\"\r\nIf-Modified-Since: " + modified + "\r\n")
                .status,
            200);
  EXPECT_EQ(get("/index.html", "If-Modified-Since: Thu, 01 Jan 1970 00:00:00 GMT\r\n").status, 200);
}

TEST_F(OnTheWire, CachePolicyByName) {
  EXPECT_EQ(get(QByteArray("/") + kChunk)["cache-control"], "max-age=31536000, immutable");
  EXPECT_EQ(get("/ruffle/ruffle.js")["cache-control"], "no-cache");  // same name, new runtime
  EXPECT_EQ(get("/index.html")["cache-control"], "no-cache");
  EXPECT_EQ(get("/pages/1.swf")["cache-control"], "no-cache");
}

TEST_F(OnTheWire, PrecompressedCopiesWhenAccepted) {
  const QByteArray target = QByteArray("/") + kChunk;
  Reply r = get(target, "Accept-Encoding: gzip\r\n");
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.body, "gzip copy");
  EXPECT_EQ(r["content-encoding"], "gzip");
  EXPECT_EQ(r["content-type"], "application/wasm");
  EXPECT_EQ(r["vary"], "Accept-Encoding");

  r = get(target, "Accept-Encoding: gzip, deflate, br\r\n");
  EXPECT_EQ(r.body, "brotli copy");
  EXPECT_EQ(r["content-encoding"], "br");
  EXPECT_EQ(r["content-type"], "application/wasm");
  EXPECT_EQ(r["content-length"], "11");

  EXPECT_EQ(get(target, "Accept-Encoding: br;q=0, gzip\r\n")["content-encoding"], "gzip");
  EXPECT_EQ(get(target, "Accept-Encoding: *\r\n")["content-encoding"], "br");

  for (const QByteArray plain : {QByteArray(), QByteArray("Accept-Encoding: identity\r\n"),
                                 QByteArray("Accept-Encoding: gzip;q=0\r\n")}) {
    r = get(target, plain);
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body, Pattern(100000)) << plain.toStdString();
    EXPECT_FALSE(r.headers.contains("content-encoding")) << plain.toStdString();
    EXPECT_EQ(r["vary"], "Accept-Encoding");
  }
  // Each copy has its own validator, so a 304 always matches what is cached.
  const QByteArray gzipTag = get(target, "Accept-Encoding: gzip\r\n")["etag"];
  EXPECT_NE(gzipTag, get(target)["etag"]);
  EXPECT_EQ(get(target, "Accept-Encoding: gzip\r\nIf-None-Match: " + gzipTag + "\r\n").status, 304);
  EXPECT_EQ(get(target, "If-None-Match: " + gzipTag + "\r\n").status, 200);

  // ruffle.js.gz leads out of the book: the plain file goes instead.
  r = get("/ruffle/ruffle.js", "Accept-Encoding: gzip\r\n");
  EXPECT_EQ(r.body, "var ruffle;");
  EXPECT_FALSE(r.raw.contains("secret"));
}

// What a gzip body unpacks to; empty when it is not gzip.
QByteArray Gunzip(const QByteArray &packed) {
  z_stream z{};
  if (inflateInit2(&z, 15 + 16) != Z_OK) return {};
  QByteArray out;
  char piece[16384];
  z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(packed.constData()));
  z.avail_in = uInt(packed.size());
  int rc = Z_OK;
  while (rc == Z_OK) {
    z.next_out = reinterpret_cast<Bytef *>(piece);
    z.avail_out = sizeof piece;
    rc = inflate(&z, Z_NO_FLUSH);
    out.append(piece, qsizetype(sizeof piece - z.avail_out));
  }
  inflateEnd(&z);
  return rc == Z_STREAM_END ? out : QByteArray();
}

TEST_F(OnTheWire, TextWithoutACopyIsCompressedAndFollowsTheFile) {
  QByteArray page = "<html><body>";
  for (int i = 0; i < 3000; ++i) page += "<p>Page " + QByteArray::number(i) + " of the book.</p>\n";
  WriteFile(book->file("index.html"), page);
  WriteFile(book->file("source/outline.json"), "[" + Pattern(5000) + "]");
  Reply r = get("/index.html", "Accept-Encoding: gzip, br\r\n");
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r["content-encoding"], "gzip");
  EXPECT_EQ(r["content-type"], "text/html; charset=utf-8");
  EXPECT_EQ(r["vary"], "Accept-Encoding");
  EXPECT_EQ(r["content-length"].toLongLong(), r.body.size());
  EXPECT_LT(r.body.size(), page.size() / 5);
  EXPECT_EQ(Gunzip(r.body), page);
  EXPECT_EQ(Gunzip(get("/source/outline.json", "Accept-Encoding: gzip\r\n").body), "[" + Pattern(5000) + "]");

  // Its own validator, and the plain file for who does not take gzip or asks for a range.
  const QByteArray gzipTag = r["etag"];
  EXPECT_EQ(get("/index.html", "Accept-Encoding: gzip\r\nIf-None-Match: " + gzipTag + "\r\n").status, 304);
  r = get("/index.html");
  EXPECT_FALSE(r.headers.contains("content-encoding"));
  EXPECT_EQ(r.body, page);
  EXPECT_NE(r["etag"], gzipTag);
  r = get("/index.html", "Accept-Encoding: gzip\r\nRange: bytes=0-11\r\n");
  EXPECT_EQ(r.status, 206);
  EXPECT_EQ(r.body, "<html><body>");
  const Reply head = Exchange(port, Request("HEAD", "/index.html", "Accept-Encoding: gzip\r\n"));
  EXPECT_EQ(head["content-encoding"], "gzip");
  EXPECT_TRUE(head.body.isEmpty());

  // A changed file is compressed again, never answered from the old bytes.
  const QByteArray changed = page + "<p>An added page.</p>";
  WriteFile(book->file("index.html"), changed);
  r = get("/index.html", "Accept-Encoding: gzip\r\n");
  EXPECT_NE(r["etag"], gzipTag);
  EXPECT_EQ(Gunzip(r.body), changed);
  EXPECT_EQ(get("/index.html", "Accept-Encoding: gzip\r\nIf-None-Match: " + gzipTag + "\r\n").status, 200);

  // Page movies are not text: as they are.
  EXPECT_FALSE(get("/pages/1.swf", "Accept-Encoding: gzip\r\n").headers.contains("content-encoding"));
  WriteFile(book->file("index.html"), "<html>book</html>");
}

TEST_F(OnTheWire, ForeignHostRefused) {
  for (const QByteArray host : {QByteArray("evil.example"), QByteArray("evil.example:" + QByteArray::number(port)),
                                QByteArray("")}) {
    const Reply r = Exchange(port, Request("GET", "/index.html", {}, host));
    EXPECT_EQ(r.status, 421) << host.toStdString() << r.raw.toStdString();
    EXPECT_FALSE(r.body.contains("book"));
  }
  const Reply r = Exchange(port, Request("GET", "/index.html", {}, "localhost:" + QByteArray::number(port)));
  EXPECT_EQ(r.status, 200);
  // No cross-origin reading either.
  EXPECT_FALSE(get("/index.html", "Origin: http://evil.example\r\n")
                   .headers.contains("access-control-allow-origin"));
}

TEST_F(OnTheWire, OnlyGetAndHead) {
  for (const QByteArray method : {QByteArray("POST"), QByteArray("PUT"), QByteArray("DELETE"),
                                  QByteArray("OPTIONS")}) {
    const Reply r = Exchange(port, Request(method, "/index.html", "Content-Length: 0\r\n"));
    EXPECT_EQ(r.status, 405) << method.toStdString() << r.raw.toStdString();
    EXPECT_EQ(r["allow"], "GET, HEAD") << method.toStdString();
  }
}

TEST_F(OnTheWire, RequestFormsHostsAndPreconditions) {
  const QByteArray here = "127.0.0.1:" + QByteArray::number(port);
  const QByteArray etag = get("/index.html")["etag"];
  ASSERT_FALSE(etag.isEmpty());
  const struct {
    QByteArray request;
    int status;
  } cases[] = {
      {Request("OPTIONS", "*"), 200},
      {Request("GET", "*"), 400},
      // An absolute-form target's host stands for the Host header.
      {Request("GET", "http://" + here + "/index.html", {}, "evil.example"), 200},
      {Request("GET", "http://evil.example:" + QByteArray::number(port) + "/index.html"), 421},
      {Request("GET", "http://evil.example/index.html"), 421},
      {Request("GET", "http://127.0.0.1:1/index.html"), 421},
      {Request("GET", "/index.html", "Host: evil.example\r\n"), 400},  // two Host headers
      {Request("GET", "/index.html", "Host: 127.0.0.1\r\n"), 400},
      {Request("GET", "/index.html", "If-Match: \"other\"\r\n"), 412},
      {Request("GET", "/index.html", "If-Match: \"other\", " + etag + "\r\n"), 200},
      {Request("GET", "/index.html", "If-Match: *\r\n"), 200},
      {Request("GET", "/.env"), 404},
  };
  for (const auto &c : cases) {
    const Reply r = Exchange(port, c.request);
    EXPECT_EQ(r.status, c.status) << c.request.toStdString() << r.raw.toStdString();
    EXPECT_FALSE(r.raw.contains("secret")) << c.request.toStdString();
  }
  const Reply allowed = Exchange(port, Request("OPTIONS", "*"));
  EXPECT_EQ(allowed["allow"], "GET, HEAD");
}

TEST_F(OnTheWire, OnlyOnTheLoopbackInterface) {
  QHostAddress other;
  for (const QHostAddress &a : QNetworkInterface::allAddresses())
    if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback()) other = a;
  if (other.isNull()) GTEST_SKIP() << "this machine has no address besides the loopback one";
  QTcpSocket s;
  s.connectToHost(other, port);
  EXPECT_FALSE(s.waitForConnected(5000)) << other.toString().toStdString();
}

TEST(BookServerTimeouts, IdleConnectionsAreClosed) {
  TempDir book;
  WriteFile(book.file("index.html"), "<html>book</html>");
  BookServer server(book.path());
  server.SetTimeouts(300, 300);
  const quint16 port = server.ListenLocal(0);
  ASSERT_NE(port, 0);

  QTcpSocket silent;  // connects and never asks
  silent.connectToHost(QHostAddress::LocalHost, port);
  ASSERT_TRUE(silent.waitForConnected(5000));
  EXPECT_TRUE(silent.state() == QAbstractSocket::UnconnectedState ||
              silent.waitForDisconnected(10000));

  QTcpSocket kept;  // asks once, keeps the connection and stays idle
  kept.connectToHost(QHostAddress::LocalHost, port);
  ASSERT_TRUE(kept.waitForConnected(5000));
  kept.write("GET /index.html HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
  QByteArray reply;
  while (!reply.endsWith("<html>book</html>") && kept.waitForReadyRead(10000)) reply += kept.readAll();
  EXPECT_TRUE(reply.startsWith("HTTP/1.1 200")) << reply.toStdString();
  EXPECT_TRUE(reply.toLower().contains("connection: keep-alive")) << reply.toStdString();
  EXPECT_TRUE(kept.state() == QAbstractSocket::UnconnectedState || kept.waitForDisconnected(10000));
}

// Silent connections and unfinished request headers each hold one of
// civetweb's workers until they time out; with time-outs longer than the
// test, an ordinary request is answered only when workers are left over.
TEST(BookServerLoad, RequestAnsweredWhile150SlowConnectionsAreOpen) {
  TempDir book;
  WriteFile(book.file("index.html"), "<html>book</html>");
  BookServer server(book.path());
  server.SetTimeouts(60000, 60000);
  const quint16 port = server.ListenLocal(0);
  ASSERT_NE(port, 0);

  std::vector<std::unique_ptr<QTcpSocket>> slow;
  for (int i = 0; i < 150; ++i) {
    auto &s = slow.emplace_back(std::make_unique<QTcpSocket>());
    s->connectToHost(QHostAddress::LocalHost, port);
    ASSERT_TRUE(s->waitForConnected(5000)) << i;
    if (i % 2 == 1) {
      s->write("GET /index.html HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: a");
      ASSERT_TRUE(s->waitForBytesWritten(5000)) << i;
    }
  }

  QElapsedTimer clock;
  clock.start();
  // Without "Connection: close": with this many open, the server closes it.
  const Reply r = Exchange(port, "GET /index.html HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
  const qint64 ms = clock.elapsed();
  EXPECT_EQ(r.status, 200) << r.raw.toStdString();
  EXPECT_EQ(r.body, "<html>book</html>");
  EXPECT_EQ(r["connection"].toLower(), "close");
  EXPECT_LT(ms, 10000);  // a guard only; bench/server/slow_clients.py measures
  for (auto &s : slow) EXPECT_EQ(s->state(), QAbstractSocket::ConnectedState);
}

// The build stages the runtime with a gzip and a brotli copy of each .wasm
// and .js file; each must unpack to the file itself.
TEST(StagedRuntime, CompressedCopiesUnpackToTheFiles) {
  const QString gzip = QStandardPaths::findExecutable("gzip");
  const QString brotli = QStandardPaths::findExecutable("brotli");
  if (gzip.isEmpty() || brotli.isEmpty()) GTEST_SKIP() << "gzip or brotli is not installed";
  const QString dir = lwtest::ProgramDir() + "/Resource/ruffle";
  int checked = 0;
  for (QDirIterator it(dir, {"*.wasm", "*.js"}, QDir::Files); it.hasNext();) {
    const QString file = it.next();
    const QByteArray original = ReadFile(file);
    for (const auto &[program, suffix] : {std::pair{gzip, ".gz"}, std::pair{brotli, ".br"}}) {
      const QString copy = file + suffix;
      ASSERT_TRUE(QFileInfo(copy).isFile()) << copy.toStdString();
      EXPECT_LT(QFileInfo(copy).size(), original.size()) << copy.toStdString();
      QProcess unpack;
      unpack.start(program, {"-dc", copy});
      ASSERT_TRUE(unpack.waitForFinished(60000)) << copy.toStdString();
      EXPECT_TRUE(unpack.readAllStandardOutput() == original) << copy.toStdString();
    }
    ++checked;
  }
  EXPECT_GE(checked, 3);  // ruffle.js, the core chunks and their .wasm
}
