#include "model/tbookobj.h"

#include <QFileInfo>

#include <algorithm>
#include <iterator>
#include <utility>

namespace lw {

QString FileNameOfPath(const QString &path) {
  qsizetype cut = -1;
  for (QChar sep : {QChar('/'), QChar('\\'), QChar(':')})
    cut = std::max(cut, path.lastIndexOf(sep));
  return path.mid(cut + 1);
}

QString ExtensionOfPath(const QString &path) {
  const QString name = FileNameOfPath(path);
  const qsizetype dot = name.lastIndexOf('.');
  return dot < 0 ? QString() : name.mid(dot);
}

TPageObj::TPageObj(const QString &path) : filePath(path), exeName(ExtensionOfPath(path)) {}

TPageObj *TBookObj::Page(int index) const {
  if (index < 0 || index >= PageCount()) return nullptr;
  return pageList[static_cast<size_t>(index)].get();
}

int TBookObj::IndexOfPage(const TPageObj *page) const {
  for (int i = 0; i < PageCount(); ++i)
    if (pageList[static_cast<size_t>(i)].get() == page) return i;
  return -1;
}

TPageObj *TBookObj::AddPageByPath(const QString &addPath) {
  return InsertPageByPath(addPath, PageCount());
}

TPageObj *TBookObj::InsertPageByPath(const QString &addPath, int insertIndex) {
  if (addPath.isEmpty()) return nullptr;
  if (insertIndex < 0 || insertIndex > PageCount()) return nullptr;
  const QFileInfo info(addPath);
  if (!info.exists() || !info.isFile()) return nullptr;
  auto page = std::make_unique<TPageObj>(addPath);
  TPageObj *raw = page.get();
  pageList.insert(pageList.begin() + insertIndex, std::move(page));
  return raw;
}

void TBookObj::DelPageByIndex(int delIndex) {
  if (delIndex < 0 || delIndex >= PageCount()) return;
  pageList.erase(pageList.begin() + delIndex);
}

void TBookObj::ClearPage() { pageList.clear(); }

void TBookObj::UpPageByIndex(int selIndex) {
  if (PageCount() < 2 || selIndex <= 0 || selIndex >= PageCount()) return;
  std::swap(pageList[static_cast<size_t>(selIndex)], pageList[static_cast<size_t>(selIndex - 1)]);
}

void TBookObj::DownPageByIndex(int selIndex) {
  if (PageCount() < 2 || selIndex < 0 || selIndex >= PageCount() - 1) return;
  std::swap(pageList[static_cast<size_t>(selIndex)], pageList[static_cast<size_t>(selIndex + 1)]);
}

std::vector<int> TBookObj::MovePages(std::vector<int> rows, int beforeRow) {
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  if (rows.empty() || rows.front() < 0 || rows.back() >= PageCount() || beforeRow < 0 ||
      beforeRow > PageCount())
    return {};
  std::vector<std::unique_ptr<TPageObj>> moved, rest;
  int target = 0;  // where the moved block goes among the pages that stay
  size_t next = 0;
  for (int i = 0; i < PageCount(); ++i) {
    if (i == beforeRow) target = static_cast<int>(rest.size());
    if (next < rows.size() && rows[next] == i) {
      moved.push_back(std::move(pageList[static_cast<size_t>(i)]));
      ++next;
    } else {
      rest.push_back(std::move(pageList[static_cast<size_t>(i)]));
    }
  }
  if (beforeRow == PageCount()) target = static_cast<int>(rest.size());
  std::vector<int> placed;
  for (size_t k = 0; k < moved.size(); ++k) placed.push_back(target + static_cast<int>(k));
  rest.insert(rest.begin() + target, std::make_move_iterator(moved.begin()),
              std::make_move_iterator(moved.end()));
  pageList = std::move(rest);
  return placed;
}

TBookObj TBookObj::Copy() const {
  TBookObj copy;
  static_cast<TBookSettings &>(copy) = *this;
  for (const auto &page : pageList) copy.pageList.push_back(std::make_unique<TPageObj>(*page));
  return copy;
}

bool TBookObj::SameContent(const TBookObj &o) const {
  return static_cast<const TBookSettings &>(*this) == o &&
         std::equal(pageList.begin(), pageList.end(), o.pageList.begin(), o.pageList.end(),
                    [](const auto &a, const auto &b) { return *a == *b; });
}

}  // namespace lw
