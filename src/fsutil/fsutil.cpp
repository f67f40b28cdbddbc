#include "fsutil/fsutil.h"

#include <QStandardPaths>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace lw {
namespace {

fs::path toPath(const QString &s) { return fs::path(s.toStdString()); }
QString fromName(const fs::path &p) { return QString::fromStdString(p.filename().string()); }

// Trimmed like the rest of the helpers: spaces and control characters at
// both ends.
QString trimmed(const QString &s) {
  qsizetype b = 0, e = s.size();
  while (b < e && s.at(b).unicode() <= 0x20) ++b;
  while (e > b && s.at(e - 1).unicode() <= 0x20) --e;
  return s.mid(b, e - b);
}

QString extensionOf(const QString &name) {
  const qsizetype dot = name.lastIndexOf('.');
  return dot < 0 ? QString() : name.mid(dot);
}

bool passesFilter(const QString &name, const QString &filter) {
  if (filter == QLatin1String(".*")) return true;
  return extensionOf(name).compare(filter, Qt::CaseInsensitive) == 0;
}

// Entries of a folder sorted by name, "." and ".." never included.
std::vector<fs::directory_entry> sortedEntries(const fs::path &dir) {
  std::vector<fs::directory_entry> out;
  std::error_code ec;
  fs::directory_iterator it(dir, ec), end;
  for (; !ec && it != end; it.increment(ec)) out.push_back(*it);
  std::sort(out.begin(), out.end(), [](const auto &a, const auto &b) {
    return a.path().filename() < b.path().filename();
  });
  return out;
}

bool isReadOnly(const fs::path &p) {
  std::error_code ec;
  const fs::file_status st = fs::symlink_status(p, ec);
  if (ec || !fs::is_regular_file(st)) return false;
  return (st.permissions() & fs::perms::owner_write) == fs::perms::none;
}

void deleteTree(const fs::path &dir) {
  std::error_code ec;
  for (const auto &entry : sortedEntries(dir)) {
    const fs::file_status st = entry.symlink_status(ec);
    if (ec) continue;
    if (fs::is_directory(st)) {
      deleteTree(entry.path());
    } else if (!isReadOnly(entry.path())) {
      fs::remove(entry.path(), ec);  // links go as links
    }
  }
  fs::remove(dir, ec);  // fails, harmlessly, when something stayed inside
}

void copyTree(const fs::path &src, const fs::path &dst, const QString &filter) {
  std::error_code ec;
  for (const auto &entry : sortedEntries(src)) {
    const QString name = fromName(entry.path());
    const fs::path target = dst / entry.path().filename();
    if (entry.is_directory(ec)) {
      if (!fs::is_directory(target, ec)) fs::create_directory(target, ec);
      copyTree(entry.path(), target, filter);
    } else if (entry.is_regular_file(ec) && passesFilter(name, filter)) {
      fs::copy_file(entry.path(), target, fs::copy_options::overwrite_existing, ec);
    }
  }
}

}  // namespace

QString WithoutTrailingSlash(QString path) {
  while (path.endsWith('/') && path.size() > 1) path.chop(1);
  return path;
}

QString WithTrailingSlash(const QString &path) {
  return path.endsWith('/') ? path : path + '/';
}

QStringList ListFolder(const QString &folder, const QString &filter) {
  QStringList names;
  const QString dir = WithTrailingSlash(trimmed(folder));
  std::error_code ec;
  if (!fs::is_directory(toPath(dir), ec)) return names;
  for (const auto &entry : sortedEntries(toPath(dir))) {
    const QString name = fromName(entry.path());
    if (filter == QLatin1String("/")) {
      if (entry.is_directory(ec)) names << name;
    } else if (passesFilter(name, filter)) {
      names << name;
    }
  }
  return names;
}

void CopyFolderTree(const QString &source, const QString &destination, const QString &filter) {
  const fs::path src = toPath(WithTrailingSlash(trimmed(source)));
  const fs::path dst = toPath(WithTrailingSlash(trimmed(destination)));
  std::error_code ec;
  if (!fs::is_directory(src, ec)) return;
  if (!fs::is_directory(dst, ec)) fs::create_directories(dst, ec);
  copyTree(src, dst, filter);
}

void DeleteFolderTree(const QString &folder) {
  if (folder.isEmpty()) return;
  fs::path dir = toPath(folder);
  // Look at the folder itself, not at what a link in its place points to.
  while (dir.has_relative_path() && !dir.has_filename()) dir = dir.parent_path();
  if (!dir.has_relative_path()) return;  // never a file-system root
  std::error_code ec;
  const fs::file_status st = fs::symlink_status(dir, ec);
  if (ec || !fs::is_directory(st)) return;
  deleteTree(dir);
}

void CopyOneFile(const QString &source, const QString &destination, bool overwrite) {
  std::error_code ec;
  fs::copy_file(toPath(source), toPath(destination),
                overwrite ? fs::copy_options::overwrite_existing : fs::copy_options::skip_existing,
                ec);
}

void ForceDeleteFile(const QString &path) {
  if (path.isEmpty()) return;
  const fs::path p = toPath(path);
  std::error_code ec;
  for (int attempt = 0; attempt < 10; ++attempt) {
    const fs::file_status st = fs::symlink_status(p, ec);
    if (ec || !fs::exists(st) || fs::is_directory(st)) return;
    if (fs::is_regular_file(st))
      fs::permissions(p, fs::perms::owner_write, fs::perm_options::add, ec);
    fs::remove(p, ec);
  }
}

QString JoinPath(const QString &folder, const QString &name) {
  if (folder.endsWith('/')) return folder + name;
  return folder + '/' + name;
}

QString GetSpecialFolderPath(int number) {
  QStandardPaths::StandardLocation where;
  switch (number) {
    case kFolderAppData: where = QStandardPaths::GenericDataLocation; break;
    case kFolderPersonal: where = QStandardPaths::DocumentsLocation; break;
    case kFolderDesktop: where = QStandardPaths::DesktopLocation; break;
    default: return {};
  }
  QString path = QStandardPaths::writableLocation(where);
  while (path.size() > 1 && path.endsWith('/')) path.chop(1);
  return path;
}

}  // namespace lw
