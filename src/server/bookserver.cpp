#include "server/bookserver.h"

#include "output/booktext.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <civetweb.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <list>
#include <mutex>
#include <utility>
#include <vector>

namespace lw {
namespace {

using Headers = std::vector<std::pair<const char *, QByteArray>>;

// Each open connection holds one of civetweb's worker threads, from before
// its request header arrives until it closes. 512 leave room for a browser's
// six connections many times over, a load of 64 clients and hundreds of
// silent, trickling or idle connections at once, so an ordinary request
// finds a free worker at once instead of waiting for their time-outs. An
// idle worker costs a sleeping thread and a 16 KB header buffer.
constexpr const char *kThreads = "512";
// Accepted connections waiting for a worker, and the kernel's queue of
// connections not yet accepted.
constexpr const char *kListenBacklog = "1024";
// While more connections than this are open, answers go with "Connection:
// close", so clients cannot keep more of them idle. A browser opens six per
// server.
constexpr int kKeptAliveConnections = 64;
// An answer is read from its file and written in pieces of this size, so a
// connection costs the same memory whatever the size of the file.
constexpr qint64 kPiece = 64 * 1024;
// Cache policy: the runtime's content-hashed files never change under their
// name; everything else is revalidated (a cheap 304 when unchanged).
constexpr const char *kKeepForAYear = "max-age=31536000, immutable";
constexpr const char *kRevalidate = "no-cache";
constexpr const char *kHttpDate = "ddd, dd MMM yyyy hh:mm:ss 'GMT'";

bool insideRoot(const QString &root, const QString &canonical) {
  return canonical == root || canonical.startsWith(root + '/');
}

bool isHex(const QString &text) {
  return std::all_of(text.begin(), text.end(), [](QChar c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
  });
}

bool allDigits(const QByteArray &text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The runtime's chunks carry a hash of their content in their names
// ("core.ruffle.<hash>.js", "<hash>.wasm"): a new runtime comes with new
// names, so a browser may keep these without asking again.
bool isContentHashed(const QString &relative) {
  if (!relative.startsWith(QLatin1String("ruffle/")) ||
      !(relative.endsWith(QLatin1String(".wasm")) || relative.endsWith(QLatin1String(".js"))))
    return false;
  const QStringList pieces = relative.mid(7).split('.');
  return std::any_of(pieces.begin(), pieces.end(),
                     [](const QString &p) { return p.size() >= 16 && isHex(p); });
}

// The weight ("q") that the Accept-Encoding value `accept` gives `coding`;
// a coding it does not name takes the weight of "*", or 0.
double acceptWeight(const QByteArray &accept, const QByteArray &coding) {
  double star = 0;
  for (const QByteArray &item : accept.split(',')) {
    const QList<QByteArray> fields = item.split(';');
    const QByteArray name = fields.first().trimmed().toLower();
    double weight = 1;
    for (qsizetype i = 1; i < fields.size(); ++i) {
      const QByteArray param = fields[i].trimmed().toLower();
      if (param.startsWith("q=")) weight = param.mid(2).toDouble();  // malformed: 0
    }
    if (name == coding) return weight;
    if (name == "*") star = weight;
  }
  return star;
}

QByteArray httpDate(qint64 secondsSinceEpoch) {
  return QLocale::c()
      .toString(QDateTime::fromSecsSinceEpoch(secondsSinceEpoch, Qt::UTC), QString(kHttpDate))
      .toLatin1();
}

// Seconds since the epoch of an HTTP date, or -1 when `text` is not one.
qint64 parseHttpDate(const QByteArray &text) {
  QDateTime at = QLocale::c().toDateTime(QString::fromLatin1(text.trimmed()), QString(kHttpDate));
  if (!at.isValid()) return -1;
  at.setTimeSpec(Qt::UTC);
  return at.toSecsSinceEpoch();
}

QByteArray header(mg_connection *conn, const char *name) {
  const char *value = mg_get_header(conn, name);
  return value ? QByteArray(value) : QByteArray();
}

bool isHead(mg_connection *conn) {
  return qstrcmp(mg_get_request_info(conn)->request_method, "HEAD") == 0;
}

// Sends the status line and `headers` (civetweb adds Date and Connection).
// Returns `status`, which the request handler hands back to civetweb.
int sendHeaders(mg_connection *conn, int status, const Headers &headers) {
  mg_response_header_start(conn, status);
  for (const auto &[name, value] : headers)
    mg_response_header_add(conn, name, value.constData(), int(value.size()));
  mg_response_header_send(conn);
  return status;
}

int sendText(mg_connection *conn, int status, const QByteArray &text, Headers headers = {}) {
  headers.emplace_back("Content-Type", "text/plain; charset=utf-8");
  headers.emplace_back("Content-Length", QByteArray::number(text.size()));
  sendHeaders(conn, status, headers);
  if (!isHead(conn)) mg_write(conn, text.constData(), size_t(text.size()));
  return status;
}

// Sends `length` bytes of `fd` from `offset` piece by piece. Stops when the
// client has gone or does not take a piece within the request time-out.
void sendBytes(mg_connection *conn, int fd, qint64 offset, qint64 length) {
  std::vector<char> piece(kPiece);
  while (length > 0) {
    const ssize_t got = ::pread(fd, piece.data(), size_t(std::min(length, kPiece)), offset);
    if (got <= 0 || mg_write(conn, piece.data(), size_t(got)) != int(got)) return;
    offset += got;
    length -= got;
  }
}

// Text files without a compressed copy beside them (the book page, its
// scripts, the page list, the outline, links and thumbnail indexes) are
// compressed when first asked for and kept compressed. Files outside these
// sizes are sent as they are: small ones gain nothing, large ones would take
// too long on the first request.
constexpr qint64 kSmallestToCompress = 512;
constexpr qint64 kLargestToCompress = 16 * 1024 * 1024;

bool isText(const QString &relative) {
  static const char *const kSuffixes[] = {".html", ".htm", ".js", ".mjs", ".json", ".xml", ".css", ".svg", ".txt"};
  return std::any_of(std::begin(kSuffixes), std::end(kSuffixes),
                     [&](const char *suffix) { return relative.endsWith(QLatin1String(suffix)); });
}

}  // namespace

// Compressed answers by file and version, the least recently used dropped
// first once they take more than a set amount of memory. Shared by the
// server's worker threads.
class CompressedTexts {
 public:
  // The gzip form of the file at `path` in the version `etag` (read through
  // `fd`, `size` bytes); empty when it cannot be read or compressed.
  QByteArray get(const QString &path, const QByteArray &etag, int fd, qint64 size) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->path != path || it->etag != etag) continue;
        entries_.splice(entries_.begin(), entries_, it);
        return it->gzip;
      }
    }
    // Compressed outside the lock: two first requests for one file may both
    // compress it, which costs time but gives the same bytes.
    QByteArray plain(size, Qt::Uninitialized);
    qint64 done = 0;
    while (done < size) {
      const ssize_t got = ::pread(fd, plain.data() + done, size_t(size - done), done);
      if (got <= 0) return {};
      done += got;
    }
    const QByteArray gzip = GzipBytes(plain);
    if (gzip.isEmpty()) return {};
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.remove_if([&](const Entry &e) { return e.path == path; });
    entries_.push_front({path, etag, gzip});
    // The newest entry stays; older ones go once the budget is spent.
    qint64 total = 0;
    auto keep = entries_.begin();
    for (; keep != entries_.end(); ++keep) {
      total += keep->gzip.size();
      if (total > kBudget && keep != entries_.begin()) break;
    }
    entries_.erase(keep, entries_.end());
    return gzip;
  }

 private:
  static constexpr qint64 kBudget = 64 * 1024 * 1024;
  struct Entry {
    QString path;
    QByteArray etag;
    QByteArray gzip;
  };
  std::mutex mutex_;
  std::list<Entry> entries_;
};

// The connections open, counted from when a worker takes one until it
// closes. civetweb tells a connection's address only once its request has
// come, and on loopback every client has the same one, so the count is of
// all connections.
class OpenConnections {
 public:
  std::atomic<int> count{0};
};

namespace {

// What one connection was answered, kept as civetweb's connection data.
struct ConnectionNotes {
  QByteArray lastAnswered;  // the request line the handler answered last
  bool errorSent = false;   // civetweb answered a bad request itself
};

QByteArray requestLine(const mg_request_info *request) {
  return QByteArray(request->request_method) + ' ' + request->request_uri;
}

// A compressed copy of `path` ("x.wasm.br", "x.wasm.gz") that the request
// accepts, lies inside `root` and is a file; the first choice is brotli, the
// smaller. Empty encoding: send `path` itself.
struct Representation {
  QString path;
  QByteArray encoding;
};

Representation chooseRepresentation(mg_connection *conn, const QString &root, const QString &path) {
  const QByteArray accept = header(conn, "Accept-Encoding");
  static const std::pair<const char *, const char *> kCopies[] = {{"br", ".br"}, {"gzip", ".gz"}};
  for (const auto &[coding, suffix] : kCopies) {
    if (acceptWeight(accept, coding) <= 0) continue;
    const QFileInfo copy(path + QLatin1String(suffix));
    if (copy.isFile() && insideRoot(root, copy.canonicalFilePath()))
      return {copy.canonicalFilePath(), coding};
  }
  return {path, {}};
}

// Whether the request's validators say the client's copy is current.
// If-None-Match, when sent, decides alone.
bool notModified(mg_connection *conn, const QByteArray &etag, qint64 modified) {
  if (const char *match = mg_get_header(conn, "If-None-Match")) {
    for (QByteArray tag : QByteArray(match).split(',')) {
      tag = tag.trimmed();
      if (tag.startsWith("W/")) tag = tag.mid(2);
      if (tag == "*" || tag == etag) return true;
    }
    return false;
  }
  const QByteArray since = header(conn, "If-Modified-Since");
  const qint64 at = since.isEmpty() ? -1 : parseHttpDate(since);
  return at >= 0 && modified <= at;
}

// Whether the request's If-Match (strong comparison) lets it go on: true
// without the header, for "*" and for a list naming `etag`.
bool matchesIfMatch(mg_connection *conn, const QByteArray &etag) {
  const char *match = mg_get_header(conn, "If-Match");
  if (!match) return true;
  for (const QByteArray &tag : QByteArray(match).split(','))
    if (tag.trimmed() == "*" || tag.trimmed() == etag) return true;
  return false;
}

// How many times the request carries the header `name`.
int headerCount(const mg_request_info *request, const char *name) {
  int count = 0;
  for (int i = 0; i < request->num_headers; ++i)
    if (qstricmp(request->http_headers[i].name, name) == 0) ++count;
  return count;
}

// The host an absolute-form request target ("http://host:port/path") names,
// which stands for the Host header; null for a target in origin form.
QByteArray targetHost(const char *target) {
  const QByteArray text(target ? target : "");
  const qsizetype scheme = text.indexOf("://");
  if (text.startsWith('/') || scheme < 0) return {};
  const qsizetype start = scheme + 3, end = text.indexOf('/', start);
  return text.mid(start, end < 0 ? -1 : end - start);
}

// Answers GET or HEAD for the file `path` (inside `root`, checked).
int sendFile(mg_connection *conn, const QString &root, const QString &path, CompressedTexts *texts) {
  const QString relative = path.mid(root.size() + 1);
  const bool precompressed =
      relative.endsWith(QLatin1String(".wasm")) || relative.endsWith(QLatin1String(".js"));
  Representation chosen = precompressed ? chooseRepresentation(conn, root, path) : Representation{path, {}};
  // Text without a compressed copy is compressed here, unless a range of it
  // is asked for (ranges are answered from the file as it is).
  const bool compressHere = chosen.encoding.isEmpty() && isText(relative) &&
                            acceptWeight(header(conn, "Accept-Encoding"), "gzip") > 0 &&
                            header(conn, "Range").isEmpty();
  const bool compressible = precompressed || isText(relative);

  const int fd = ::open(QFile::encodeName(chosen.path).constData(), O_RDONLY | O_CLOEXEC);
  struct stat st;
  if (fd < 0 || ::fstat(fd, &st) != 0) {
    if (fd >= 0) ::close(fd);
    return sendText(conn, 404, "Not found\n");
  }
  const qint64 size = st.st_size;
  const bool gzipHere = compressHere && size >= kSmallestToCompress && size <= kLargestToCompress;
  if (gzipHere) chosen.encoding = "gzip";
  const qint64 modified = st.st_mtim.tv_sec;
  const qint64 modifiedNs = modified * 1000000000LL + st.st_mtim.tv_nsec;
  QByteArray etag = '"' + QByteArray::number(size, 16) + '-' + QByteArray::number(modifiedNs, 16);
  if (!chosen.encoding.isEmpty()) etag += '-' + chosen.encoding;
  etag += '"';
  const QByteArray lastModified = httpDate(modified);

  Headers headers = {{"Cache-Control", isContentHashed(relative) ? kKeepForAYear : kRevalidate},
                     {"ETag", etag},
                     {"Last-Modified", lastModified}};
  if (compressible) headers.emplace_back("Vary", "Accept-Encoding");
  if (!matchesIfMatch(conn, etag)) {
    ::close(fd);
    return sendText(conn, 412, "Precondition failed\n", headers);
  }
  if (notModified(conn, etag, modified)) {
    ::close(fd);
    return sendHeaders(conn, 304, headers);
  }

  // If-Range: the range holds only for the copy the client has.
  const QByteArray ifRange = header(conn, "If-Range").trimmed();
  const ByteRange range = ifRange.isEmpty() || ifRange == etag || ifRange == lastModified
                              ? ParseByteRange(header(conn, "Range"), size)
                              : ByteRange{};
  headers.emplace_back("Accept-Ranges", "bytes");
  if (gzipHere) {
    // Compressed only now: a 304 above needs no body.
    const QByteArray body = texts->get(chosen.path, etag, fd, size);
    ::close(fd);
    if (body.isEmpty()) return sendText(conn, 500, "The file could not be read.\n");
    headers.emplace_back("Content-Type", MimeTypeFor(path));
    headers.emplace_back("X-Content-Type-Options", "nosniff");
    headers.emplace_back("Content-Encoding", chosen.encoding);
    headers.emplace_back("Content-Length", QByteArray::number(body.size()));
    sendHeaders(conn, 200, headers);
    if (!isHead(conn)) mg_write(conn, body.constData(), size_t(body.size()));
    return 200;
  }
  if (range.kind == ByteRange::Unsatisfiable) {
    ::close(fd);
    headers.emplace_back("Content-Range", "bytes */" + QByteArray::number(size));
    return sendText(conn, 416, "Range not satisfiable\n", headers);
  }
  headers.emplace_back("Content-Type", MimeTypeFor(path));
  headers.emplace_back("X-Content-Type-Options", "nosniff");
  if (!chosen.encoding.isEmpty()) headers.emplace_back("Content-Encoding", chosen.encoding);
  qint64 first = 0, length = size;
  int status = 200;
  if (range.kind == ByteRange::Part) {
    status = 206;
    first = range.first;
    length = range.last - range.first + 1;
    headers.emplace_back("Content-Range", "bytes " + QByteArray::number(range.first) + '-' +
                                              QByteArray::number(range.last) + '/' +
                                              QByteArray::number(size));
  }
  headers.emplace_back("Content-Length", QByteArray::number(length));
  sendHeaders(conn, status, headers);
  if (!isHead(conn)) sendBytes(conn, fd, first, length);
  ::close(fd);
  return status;
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
  // Hidden files and folders (".git", ".env") are never part of a book.
  for (const QString &s : segments)
    if (s.startsWith('.')) return out;
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

ByteRange ParseByteRange(const QByteArray &header, qint64 size) {
  const QByteArray value = header.trimmed();
  if (!value.toLower().startsWith("bytes=")) return {};
  const QByteArray ranges = value.mid(6).trimmed();
  const qsizetype dash = ranges.indexOf('-');
  if (ranges.contains(',') || dash < 0) return {};
  const QByteArray from = ranges.left(dash).trimmed(), to = ranges.mid(dash + 1).trimmed();
  if (!allDigits(from) || !allDigits(to) || (from.isEmpty() && to.isEmpty())) return {};
  bool ok = true;
  ByteRange out;
  out.kind = ByteRange::Part;
  if (from.isEmpty()) {  // the last N bytes
    const qint64 count = to.toLongLong(&ok);
    if (!ok) return {};
    if (count == 0 || size == 0) return {ByteRange::Unsatisfiable};
    out.first = std::max<qint64>(0, size - count);
    out.last = size - 1;
    return out;
  }
  out.first = from.toLongLong(&ok);
  if (!ok) return {};
  out.last = size - 1;
  if (!to.isEmpty()) {
    const qint64 last = to.toLongLong(&ok);
    if (!ok || last < out.first) return {};
    out.last = std::min(last, size - 1);
  }
  if (out.first >= size) return {ByteRange::Unsatisfiable};
  return out;
}

bool IsLoopbackHost(const QByteArray &host) {
  QByteArray name = host.trimmed().toLower();
  const qsizetype colon = name.lastIndexOf(':');
  if (colon >= 0) {
    if (!allDigits(name.mid(colon + 1))) return false;
    name.truncate(colon);
  }
  return name == "127.0.0.1" || name == "localhost";
}

BookServer::BookServer(const QString &folder, QObject *parent)
    : QObject(parent),
      root_(QFileInfo(folder).canonicalFilePath()),
      texts_(std::make_unique<CompressedTexts>()),
      connections_(std::make_unique<OpenConnections>()) {}

BookServer::~BookServer() {
  if (context_) mg_stop(context_);
}

void BookServer::SetTimeouts(int requestMs, int keepAliveMs) {
  requestTimeoutMs_ = requestMs;
  keepAliveTimeoutMs_ = keepAliveMs;
}

quint16 BookServer::ListenLocal(quint16 port) {
  if (root_.isEmpty() || !QFileInfo(root_).isDir()) return 0;
  if (context_) mg_stop(std::exchange(context_, nullptr));
  const QByteArray ports = "127.0.0.1:" + QByteArray::number(port);
  const QByteArray requestMs = QByteArray::number(requestTimeoutMs_);
  const QByteArray keepAliveMs = QByteArray::number(keepAliveTimeoutMs_);
  const char *options[] = {
      "listening_ports", ports.constData(),
      "num_threads", kThreads,
      "request_timeout_ms", requestMs.constData(),
      "enable_keep_alive", "yes",
      "keep_alive_timeout_ms", keepAliveMs.constData(),
      "listen_backlog", kListenBacklog,
      // An absolute-form target naming this port goes to the handler, which
      // checks its host as it checks a Host header.
      "enable_auth_domain_check", "no",
      // The request handler decodes the path itself, exactly once.
      "decode_url", "no",
      // No cross-origin reading: civetweb would allow every origin.
      "access_control_allow_origin", "",
      "enable_directory_listing", "no",
      nullptr};
  mg_callbacks callbacks{};
  callbacks.log_message = [](const mg_connection *, const char *) { return 1; };  // quiet
  callbacks.init_connection = &BookServer::connectionOpened;
  callbacks.connection_close = &BookServer::connectionClosing;
  callbacks.http_error = [](mg_connection *conn, int, const char *) {
    if (auto *notes = static_cast<ConnectionNotes *>(mg_get_user_connection_data(conn)))
      notes->errorSent = true;
    return 1;  // civetweb's own error answer
  };
  context_ = mg_start(&callbacks, this, options);
  if (!context_) return 0;
  // "**" matches every path: civetweb never looks for files on its own.
  mg_set_request_handler(context_, "**", &BookServer::handleRequest, this);
  mg_server_port listening[1];
  if (mg_get_server_ports(context_, 1, listening) < 1) {
    mg_stop(std::exchange(context_, nullptr));
    return 0;
  }
  return quint16(listening[0].port);
}

int BookServer::handleRequest(mg_connection *conn, void *self) {
  // Runs on civetweb's worker threads; reads only root_, fixed at
  // construction, and texts_, which locks for itself.
  BookServer *server = static_cast<BookServer *>(self);
  const QString &root = server->root_;
  const mg_request_info *request = mg_get_request_info(conn);
  if (auto *notes = static_cast<ConnectionNotes *>(mg_get_user_connection_data(conn)))
    notes->lastAnswered = requestLine(request);
  if (server->connections_->count > kKeptAliveConnections) mg_disable_connection_keep_alive(conn);
  // Two Host headers may name two servers; which one a proxy in between
  // took is unknown.
  if (headerCount(request, "Host") > 1) return sendText(conn, 400, "A request names one host.\n");
  // A page of another site that has its name point at 127.0.0.1 (DNS
  // rebinding) sends its own name as Host: it gets nothing. An absolute-form
  // target's host stands for the Host header.
  const QByteArray targeted = targetHost(request->request_uri);
  if (!IsLoopbackHost(targeted.isNull() ? header(conn, "Host") : targeted))
    return sendText(conn, 421, "This server answers only for 127.0.0.1 and localhost.\n");
  if (qstrcmp(request->request_method, "GET") != 0 && !isHead(conn))
    return sendText(conn, 405, "Only GET and HEAD are served.\n", {{"Allow", "GET, HEAD"}});
  if (!request->local_uri_raw || request->local_uri_raw[0] != '/')
    return sendText(conn, 400, "Bad request\n");
  ServedFile served = ResolveRequestPath(root, request->local_uri_raw);
  // A published book carries its runtime's WebAssembly only compressed: the
  // copy stands for the file, and sendFile picks the form the client takes.
  if (served.status == 404 && QByteArray(request->local_uri_raw).endsWith(".wasm")) {
    const ServedFile packed = ResolveRequestPath(root, QByteArray(request->local_uri_raw) + ".gz");
    if (packed.status == 200) served = {200, packed.path.chopped(3)};
  }
  if (served.status == 403) return sendText(conn, 403, "Forbidden\n");
  if (served.status != 200) return sendText(conn, 404, "Not found\n");
  return sendFile(conn, root, served.path, server->texts_.get());
}

int BookServer::connectionOpened(const mg_connection *conn, void **notes) {
  ++static_cast<BookServer *>(mg_get_user_data(mg_get_context(conn)))->connections_->count;
  *notes = new ConnectionNotes;
  return 0;
}

void BookServer::connectionClosing(const mg_connection *constConn) {
  // civetweb leaves two kinds of request unanswered and closes their
  // connection: "OPTIONS *" (or any method with "*") and an absolute-form
  // target for another port. The last request of a connection that neither
  // the handler nor civetweb's error page answered is one of them; it is
  // answered here, before the connection closes.
  auto *conn = const_cast<mg_connection *>(constConn);
  const mg_request_info *request = mg_get_request_info(conn);
  auto *notes = static_cast<ConnectionNotes *>(mg_get_user_connection_data(conn));
  if (notes && request && !notes->errorSent && request->request_method && request->request_uri &&
      requestLine(request) != notes->lastAnswered) {
    if (qstrcmp(request->request_uri, "*") != 0)
      sendText(conn, 421, "This server answers only for 127.0.0.1 and localhost.\n");
    else if (qstrcmp(request->request_method, "OPTIONS") == 0)
      sendHeaders(conn, 200, {{"Allow", "GET, HEAD"}, {"Content-Length", "0"}});
    else
      sendText(conn, 400, "Bad request\n");
  }
  delete notes;
  --static_cast<BookServer *>(mg_get_user_data(mg_get_context(constConn)))->connections_->count;
}

}  // namespace lw
