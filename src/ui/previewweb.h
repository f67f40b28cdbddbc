// The embedded browsers of the main window: the large book preview and the
// small page browser that shows one converted page.
#pragma once

#include <QString>
#include <QStringList>
#include <QPointer>
#include <QWebEngineView>

class QWebEngineFullScreenRequest;

namespace lw {

// Browser that shows a package's index.html from disk, with the page's
// margins, border and scroll bars stripped after every load so the book
// fills the area. The player's full-screen button works: the page's request
// is accepted and the book goes into a window of its own that fills the
// screen; Esc, or the button again, brings it back into this view.
class PreviewWeb : public QWebEngineView {
  Q_OBJECT
 public:
  explicit PreviewWeb(QWidget *parent = nullptr);
  ~PreviewWeb() override;

  // Navigates to the local file `htmlPath`; local files may load local files
  // (the player and its runtime), opening the book at `page` (from 1; 0 for
  // its start). Every call loads the page anew, so the book written into the
  // folder since is the one shown. Returns at once; loading goes on.
  void ShowPreview(const QString &htmlPath, int page = 0);

  // Number of finished loads whose body styling was applied.
  int styledLoads() const { return styledLoads_; }

  // The full-screen window while the page is full screen ("FullScreenWeb",
  // a view showing this view's page), else null.
  QWebEngineView *fullScreenView() const { return fullScreen_; }

 signals:
  // A load finished and the body styling was applied (or there was no body).
  void previewStyled(bool ok);
  // The page went full screen (true) or came back into this view (false).
  void fullScreenChanged(bool on);

 private:
  void PreViewWebDocumentComplete(bool ok);
  void FullScreenRequested(QWebEngineFullScreenRequest request);
  int styledLoads_ = 0;
  int previews_ = 0;
  QPointer<QWebEngineView> fullScreen_;
};

// Browser that shows one SWF page file through the runtime in the preview
// folder. The wrapper page is loaded once; later pages reuse the running
// player instead of starting a new one.
class PageWeb : public QWebEngineView {
  Q_OBJECT
 public:
  // `runtimeFolder` is the folder that holds ruffle/ (the preview folder).
  explicit PageWeb(const QString &runtimeFolder, QWidget *parent = nullptr);

  // Shows the SWF file at `swfPath`. An empty path clears the page.
  void ShowPage(const QString &swfPath);

  QString currentPage() const { return current_; }

 signals:
  void wrapperReady();

 private:
  void loadWrapper();
  void pushPage();

  QString runtimeFolder_;
  QString current_;
  bool wrapperLoaded_ = false;
  bool wrapperLoading_ = false;
};

// The wrapper page of PageWeb (exposed for tests): loads ruffle/ruffle.js
// and the book page's renderer check source/renderer.js from the page's base
// folder (a book package's folder) and offers showPage(url).
QString PageWrapperHtml();

}  // namespace lw
