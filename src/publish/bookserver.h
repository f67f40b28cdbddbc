// A small web server for one published book folder, so that a browser can
// play it: browsers refuse to run the player from a folder opened from disk.
// It listens on the loopback interface only and never serves anything
// outside the folder.
#pragma once

#include <QAbstractHttpServer>
#include <QByteArray>
#include <QString>

namespace lw {

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

class BookServer : public QAbstractHttpServer {
  Q_OBJECT
 public:
  explicit BookServer(const QString &folder, QObject *parent = nullptr);

  // Starts listening on 127.0.0.1 at `port` (0 picks a free one). Returns
  // the port, or 0 when the folder does not exist or the port is taken.
  quint16 ListenLocal(quint16 port);

  QString root() const { return root_; }

 protected:
  bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
  void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

 private:
  QString root_;
};

}  // namespace lw
