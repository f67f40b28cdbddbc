#include "ui/previewweb.h"

#include <QAction>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>
#include <QWebEngineFullScreenRequest>
#include <QWebEnginePage>
#include <QWebEngineSettings>

namespace lw {
namespace {

void allowLocalFiles(QWebEngineView *view) {
  QWebEngineSettings *s = view->settings();
  s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
  s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
  s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
  s->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
  s->setAttribute(QWebEngineSettings::ShowScrollBars, false);
}

// Strips the body's margins, border and scroll bars; answers whether a body
// was there.
const char kStyleBody[] = R"JS(
(function () {
  var b = document.body;
  if (!b) return false;
  b.setAttribute('scroll', 'no');
  b.style.border = '0';
  b.style.borderStyle = 'none';
  b.style.margin = '0';
  b.style.padding = '0';
  b.style.overflow = 'hidden';
  return true;
})()
)JS";

}  // namespace

PreviewWeb::PreviewWeb(QWidget *parent) : QWebEngineView(parent) {
  setObjectName("PreViewWeb");
  allowLocalFiles(this);
  settings()->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, true);
  connect(this, &QWebEngineView::loadFinished, this, &PreviewWeb::PreViewWebDocumentComplete);
  connect(page(), &QWebEnginePage::fullScreenRequested, this, &PreviewWeb::FullScreenRequested);
}

PreviewWeb::~PreviewWeb() {
  // The page belongs to this view: take it back before the window goes.
  if (fullScreen_) {
    setPage(fullScreen_->page());
    delete fullScreen_;
  }
}

void PreviewWeb::FullScreenRequested(QWebEngineFullScreenRequest request) {
  if (request.toggleOn() == !fullScreen_.isNull()) {
    request.accept();  // already so
    return;
  }
  request.accept();
  if (request.toggleOn()) {
    // The page moves into a window of its own; this view shows nothing
    // meanwhile. Moving the page (not this widget) keeps the window's
    // layout and focus chain as they are.
    auto *view = new QWebEngineView;
    view->setObjectName("FullScreenWeb");
    view->setAttribute(Qt::WA_DeleteOnClose, false);
    view->setWindowTitle(window()->windowTitle());
    QWebEnginePage *shown = page();
    view->setPage(shown);
    auto *leave = new QAction(view);
    leave->setShortcut(Qt::Key_Escape);
    leave->setShortcutContext(Qt::WindowShortcut);
    connect(leave, &QAction::triggered, shown,
            [shown] { shown->triggerAction(QWebEnginePage::ExitFullScreen); });
    view->addAction(leave);
    fullScreen_ = view;
    view->showFullScreen();
    view->activateWindow();
    view->setFocus();
    emit fullScreenChanged(true);
  } else {
    QWebEngineView *view = fullScreen_;
    fullScreen_ = nullptr;
    setPage(view->page());
    view->hide();
    view->deleteLater();
    activateWindow();
    setFocus();
    emit fullScreenChanged(false);
  }
}

void PreviewWeb::ShowPreview(const QString &htmlPath, int page) {
  QUrl url = QUrl::fromLocalFile(htmlPath);
  // Every preview is a document of its own: an address that differed from
  // the shown one only after "#" would just scroll the old book to the page
  // (the player follows its address), and the book written meanwhile would
  // not be read at all.
  url.setQuery(QStringLiteral("preview=%1").arg(++previews_));
  if (page > 0) url.setFragment(QStringLiteral("page=%1").arg(page));
  load(url);
}

void PreviewWeb::PreViewWebDocumentComplete(bool ok) {
  if (!ok) {
    emit previewStyled(false);
    return;
  }
  page()->runJavaScript(kStyleBody, [this](const QVariant &result) {
    ++styledLoads_;
    emit previewStyled(result.toBool());
  });
}

QString PageWrapperHtml() {
  return QStringLiteral(R"HTML(<!DOCTYPE html>
<html><head><meta charset="utf-8">
<style>html,body{margin:0;padding:0;width:100%;height:100%;overflow:hidden;background:#fff}
#page{width:100%;height:100%}</style>
<script src="source/renderer.js"></script>
<script>
// WebGL where a graphics card draws it, the 2D canvas where WebGL is emulated
// on the processor (faster there, and no notice about graphics acceleration),
// as the book's page decides; the canvas when that check is missing.
window.RufflePlayer = window.RufflePlayer || {};
window.RufflePlayer.config = { publicPath: "ruffle/", autoplay: "on", unmuteOverlay: "hidden",
  splashScreen: false, letterbox: "off", contextMenu: "off", warnOnUnsupportedContent: false,
  showSwfDownload: false, logLevel: "error", preferredRenderer: window.leafweaver && window.leafweaver.webGlIsEmulated &&
    !window.leafweaver.webGlIsEmulated() ? "webgl" : "canvas" };</script>
<script src="ruffle/ruffle.js"></script>
</head><body><div id="page"></div>
<script>
var player = null;
function showPage(url) {
  if (!url) {  // no page: the player goes, and with it the last page shown
    if (player) player.remove();
    player = null;
    return true;
  }
  if (!window.RufflePlayer || !window.RufflePlayer.newest) return false;
  if (!player) {
    player = window.RufflePlayer.newest().createPlayer();
    player.style.width = "100%";
    player.style.height = "100%";
    document.getElementById("page").appendChild(player);
  }
  player.ruffle().load({ url: url, allowScriptAccess: false });
  return true;
}
</script></body></html>)HTML");
}

PageWeb::PageWeb(const QString &runtimeFolder, QWidget *parent)
    : QWebEngineView(parent), runtimeFolder_(runtimeFolder) {
  setObjectName("ShowPdfWeb");
  allowLocalFiles(this);
  connect(this, &QWebEngineView::loadFinished, this, [this](bool) {
    wrapperLoading_ = false;
    wrapperLoaded_ = true;
    emit wrapperReady();
    pushPage();
  });
}

void PageWeb::loadWrapper() {
  wrapperLoading_ = true;
  QString base = runtimeFolder_;
  if (!base.endsWith('/')) base += '/';
  setHtml(PageWrapperHtml(), QUrl::fromLocalFile(base));
}

void PageWeb::ShowPage(const QString &swfPath) {
  current_ = swfPath;
  if (!wrapperLoaded_) {
    if (!wrapperLoading_) loadWrapper();
    return;  // pushed when the wrapper has loaded
  }
  pushPage();
}

void PageWeb::pushPage() {
  const QString url =
      current_.isEmpty() ? QString() : QUrl::fromLocalFile(current_).toString(QUrl::FullyEncoded);
  // The URL goes in as a JSON string literal, so no character of the path
  // can end the script's string.
  const QByteArray literal = QJsonDocument(QJsonArray{url}).toJson(QJsonDocument::Compact);
  page()->runJavaScript("showPage(" + QString::fromUtf8(literal.mid(1, literal.size() - 2)) + ")");
}

}  // namespace lw
