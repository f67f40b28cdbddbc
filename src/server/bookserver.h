// A small web server for one published book folder, so that a browser can
// play it: browsers refuse to run the player from a folder opened from disk.
// It listens on the loopback interface only, answers only requests addressed
// to 127.0.0.1 or localhost, and never serves anything outside the folder.
//
// The connections (threads, keep-alive, time-outs, request parsing) are
// civetweb's; the answer for a file is written here: the precompressed copy
// the browser accepts (text files without one are compressed on the first
// request and kept), validators and 304, byte ranges, and a cache policy
// per file.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

struct mg_context;
struct mg_connection;

namespace lw {

class CompressedTexts;
class OpenConnections;

// What a request path maps to.
struct ServedFile {
  int status = 404;  // 200, 403, 404
  QString path;      // the file to send when status is 200
};

// Maps the URL path `encodedPath` (as sent, percent-encoded) to a file under
// the folder `canonicalRoot` (a canonical path without trailing "/").
// Refuses ("403") any path with a ".." or "." segment, a backslash or a NUL
// after decoding, and any file whose real location (links resolved) lies
// outside the root. A folder maps to its index.html; a folder without one is
// "404" (there are no listings).
ServedFile ResolveRequestPath(const QString &canonicalRoot, const QByteArray &encodedPath);

// The Content-Type for a file name, by its extension; unknown extensions
// give "application/octet-stream".
QByteArray MimeTypeFor(const QString &fileName);

// The part of a file a Range header asks for.
struct ByteRange {
  enum Kind { Whole, Part, Unsatisfiable } kind = Whole;
  qint64 first = 0;  // for Part: the first and last byte, both included
  qint64 last = -1;
};

// Reads the Range header `header` against a file of `size` bytes. One range
// ("bytes=A-B", "bytes=A-", "bytes=-N") gives Part, clipped to the file;
// one that starts past the end (or a zero suffix) gives Unsatisfiable.
// Anything else (no header, another unit, several ranges, bad syntax) gives
// Whole: the file is answered in full.
ByteRange ParseByteRange(const QByteArray &header, qint64 size);

// Whether a Host header names this machine's loopback server: "127.0.0.1"
// or "localhost", with or without a port. False for a missing header.
bool IsLoopbackHost(const QByteArray &host);

class BookServer : public QObject {
  Q_OBJECT
 public:
  explicit BookServer(const QString &folder, QObject *parent = nullptr);
  ~BookServer() override;

  // Time-outs for the next ListenLocal: how long a client may take to send
  // a request header (counted from when a worker takes the connection) or to
  // take the next piece of an answer, and how long a kept-alive connection
  // may stay idle and take to send its next request.
  void SetTimeouts(int requestMs, int keepAliveMs);

  // Starts listening on 127.0.0.1 at `port` (0 picks a free one). Returns
  // the port, or 0 when the folder does not exist or the port is taken.
  quint16 ListenLocal(quint16 port);

  QString root() const { return root_; }

 private:
  static int handleRequest(mg_connection *conn, void *self);
  static int connectionOpened(const mg_connection *conn, void **notes);
  static void connectionClosing(const mg_connection *conn);

  QString root_;
  std::unique_ptr<CompressedTexts> texts_;
  std::unique_ptr<OpenConnections> connections_;
  mg_context *context_ = nullptr;
  int requestTimeoutMs_ = 5000;
  int keepAliveTimeoutMs_ = 5000;
};

}  // namespace lw
