#include "publish/bookserver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponder>

namespace lw {
namespace {

using Status = QHttpServerResponder::StatusCode;

bool insideRoot(const QString &root, const QString &canonical) {
  return canonical == root || canonical.startsWith(root + '/');
}

}  // namespace

QByteArray MimeTypeFor(const QString &fileName) {
  static const struct {
    const char *ext;
    const char *type;
  } kTypes[] = {
      {"html", "text/html; charset=utf-8"}, {"htm", "text/html; charset=utf-8"},
      {"js", "text/javascript; charset=utf-8"}, {"mjs", "text/javascript; charset=utf-8"},
      {"wasm", "application/wasm"},          {"swf", "application/x-shockwave-flash"},
      {"dll", "application/x-shockwave-flash"}, {"xml", "application/xml; charset=utf-8"},
      {"css", "text/css; charset=utf-8"},    {"json", "application/json"},
      {"map", "application/json"},           {"txt", "text/plain; charset=utf-8"},
      {"jpg", "image/jpeg"},                 {"jpeg", "image/jpeg"},
      {"png", "image/png"},                  {"gif", "image/gif"},
      {"bmp", "image/bmp"},                  {"svg", "image/svg+xml"},
      {"ico", "image/x-icon"},
  };
  const QString ext = QFileInfo(fileName).suffix().toLower();
  for (const auto &t : kTypes)
    if (ext == QLatin1String(t.ext)) return t.type;
  return "application/octet-stream";
}

ServedFile ResolveRequestPath(const QString &canonicalRoot, const QByteArray &encodedPath) {
  ServedFile out;
  // Decode exactly once: "%2e%2e" is "..", "%252e" stays a literal name.
  const QByteArray raw = QByteArray::fromPercentEncoding(encodedPath);
  const QString path = QString::fromUtf8(raw);
  if (raw.contains('\0') || path.contains('\\')) {
    out.status = 403;
    return out;
  }
  const QStringList segments = path.split('/', Qt::SkipEmptyParts);
  for (const QString &s : segments) {
    if (s == QLatin1String("..") || s == QLatin1String(".")) {
      out.status = 403;
      return out;
    }
  }
  QString candidate = canonicalRoot;
  for (const QString &s : segments) candidate += '/' + s;

  QFileInfo info(candidate);
  if (info.isDir()) info = QFileInfo(candidate + "/index.html");
  if (!info.exists() || !info.isFile()) return out;
  const QString real = info.canonicalFilePath();
  if (real.isEmpty() || !insideRoot(canonicalRoot, real)) {
    out.status = 403;
    return out;
  }
  out.status = 200;
  out.path = real;
  return out;
}

BookServer::BookServer(const QString &folder, QObject *parent)
    : QAbstractHttpServer(parent), root_(QFileInfo(folder).canonicalFilePath()) {}

quint16 BookServer::ListenLocal(quint16 port) {
  if (root_.isEmpty() || !QFileInfo(root_).isDir()) return 0;
  return listen(QHostAddress::LocalHost, port);
}

bool BookServer::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) {
  QHttpServerResponder responder = makeResponder(request, socket);
  const auto method = request.method();
  if (method != QHttpServerRequest::Method::Get && method != QHttpServerRequest::Method::Head) {
    responder.write(QByteArray("Only GET and HEAD are served.\n"), "text/plain",
                    Status::MethodNotAllowed);
    return true;
  }
  const ServedFile served = ResolveRequestPath(root_, request.url().path(QUrl::FullyEncoded).toUtf8());
  if (served.status == 403) {
    responder.write(QByteArray("Forbidden\n"), "text/plain", Status::Forbidden);
    return true;
  }
  QFile file(served.path);
  if (served.status != 200 || !file.open(QIODevice::ReadOnly)) {
    responder.write(QByteArray("Not found\n"), "text/plain", Status::NotFound);
    return true;
  }
  const QByteArray body = method == QHttpServerRequest::Method::Head ? QByteArray() : file.readAll();
  responder.write(body, MimeTypeFor(served.path), Status::Ok);
  return true;
}

void BookServer::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) {
  makeResponder(request, socket).write(QByteArray("Not found\n"), "text/plain", Status::NotFound);
}

}  // namespace lw
