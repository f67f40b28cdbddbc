// The embedded browsers with a real Chromium engine: the book preview strips
// the page's margins and scroll bars and runs the player from disk; the page
// browser shows single converted pages.

#include "fsutil/fsutil.h"
#include "support/testdirs.h"
#include "uitest.h"
#include "ui/previewweb.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <gtest/gtest.h>

#include <vector>

using namespace lw;
using lwtest::TempDir;
using lwtest::WriteFile;
using uitest::Spin;

namespace {

QVariant Eval(QWebEngineView &view, const QString &script) {
  QVariant result;
  bool got = false;
  view.page()->runJavaScript(script, [&](const QVariant &v) {
    result = v;
    got = true;
  });
  Spin([&] { return got; }, 10000);
  return result;
}

// The smallest movie a player accepts: a stage of w x h pixels, one frame
// of a plain background.
QByteArray MinimalSwf(int w, int h) {
  const int n = 16;  // bits per RECT field
  std::vector<bool> bits;
  auto put = [&](quint32 v, int count) {
    for (int i = count - 1; i >= 0; --i) bits.push_back((v >> i) & 1);
  };
  put(n, 5);
  for (quint32 f : {0u, quint32(w * 20), 0u, quint32(h * 20)}) put(f, n);
  while (bits.size() % 8) bits.push_back(false);
  QByteArray rect;
  for (size_t i = 0; i < bits.size(); i += 8) {
    int byte = 0;
    for (size_t k = 0; k < 8; ++k) byte = (byte << 1) | bits[i + k];
    rect += char(byte);
  }
  QByteArray body = rect;
  body += QByteArray("\x00\x18\x01\x00", 4);           // 24 fps, 1 frame
  body += QByteArray("\x43\x02\x20\x60\xA0", 5);      // SetBackgroundColor
  body += QByteArray("\x40\x00\x00\x00", 4);           // ShowFrame, End
  QByteArray swf("FWS\x0A", 4);
  const quint32 len = quint32(8 + body.size());
  for (int i = 0; i < 4; ++i) swf += char((len >> (8 * i)) & 0xFF);
  return swf + body;
}

// Width of the movie the first player element of the page has loaded, or 0.
const char kLoadedWidth[] =
    "(function(){var p=document.querySelector('ruffle-player, ruffle-embed, ruffle-object');"
    "if(!p||!p.ruffle)return 0;var r=p.ruffle();"
    "return (r.readyState===2&&r.metadata)?r.metadata.width:0;})()";

}  // namespace

TEST(PreviewWeb, BodyIsStrippedOnEveryLoad) {
  TempDir t;
  WriteFile(t.file("index.html"),
            "<html><body style='margin:30px;padding:5px;border:3px solid red'>"
            "<div style='height:3000px'>tall</div></body></html>");
  PreviewWeb web;
  web.resize(725, 534);
  web.show();
  for (int round = 1; round <= 2; ++round) {
    web.ShowPreview(t.file("index.html"));
    ASSERT_TRUE(Spin([&] { return web.styledLoads() == round; }, 30000)) << "round " << round;
    EXPECT_EQ(Eval(web, "document.body.getAttribute('scroll')").toString(), "no");
    EXPECT_EQ(Eval(web, "[document.body.style.margin, document.body.style.padding,"
                        " document.body.style.borderStyle, document.body.style.overflow].join(',')")
                  .toString(),
              "0px,0px,none,hidden");
  }
}

TEST(PreviewWeb, ResourceBookStartsThePlayer) {
  TempDir t;
  CopyFolderTree(lwtest::ProgramDir() + "/Resource", t.path(), ".*");
  PreviewWeb web;
  web.resize(725, 534);
  web.show();
  web.ShowPreview(t.file("index.html"));
  ASSERT_TRUE(Spin([&] { return web.styledLoads() >= 1; }, 30000));
  // The runtime comes from the package's own ruffle/ folder and has loaded
  // the player movie.
  EXPECT_TRUE(Spin([&] { return Eval(web, kLoadedWidth).toInt() > 0; }, 30000));
}

// The book takes the keyboard inside its page once it runs; that must not
// pull the window's focus away from the field the user is typing in.
TEST(PreviewWeb, PlayingBookLeavesTheWindowFocusAlone) {
  TempDir t;
  CopyFolderTree(lwtest::ProgramDir() + "/Resource", t.path(), ".*");
  QWidget window;
  auto *layout = new QVBoxLayout(&window);
  auto *edit = new QLineEdit;
  auto *web = new PreviewWeb;
  layout->addWidget(edit);
  layout->addWidget(web);
  window.resize(725, 600);
  window.show();
  window.activateWindow();
  edit->setFocus();
  ASSERT_TRUE(Spin([&] { return QApplication::focusWidget() == edit; }, 5000));
  web->ShowPreview(t.file("index.html"));
  // The template hands the book the keyboard just after "ready"; by the
  // first page drawn that step has run.
  ASSERT_TRUE(Spin([&] {
    return Eval(*web, "((window.leafweaver||{}).events||[]).some(function(e){return e.name==='first-page';})").toBool();
  }, 30000));
  EXPECT_EQ(QApplication::focusWidget(), edit);
}

TEST(PageWeb, ShowsPagesInOnePlayer) {
  TempDir t;
  CopyFolderTree(lwtest::ProgramDir() + "/Resource", t.path(), ".*");
  WriteFile(t.file("pages dir/first page_1.swf"), MinimalSwf(300, 200));
  WriteFile(t.file("pages dir/it's \"quoted\"_2.swf"), MinimalSwf(420, 595));
  PageWeb web(t.path());
  web.resize(187, 150);
  web.show();
  web.ShowPage(t.file("pages dir/first page_1.swf"));
  ASSERT_TRUE(Spin([&] { return Eval(web, kLoadedWidth).toInt() == 300; }, 30000));
  // The renderer is chosen by the book page's own check, source/renderer.js.
  EXPECT_TRUE(Eval(web, "typeof leafweaver.webGlIsEmulated === 'function' && RufflePlayer.config.preferredRenderer"
                        " === (leafweaver.webGlIsEmulated() ? 'canvas' : 'webgl')").toBool());
  Eval(web, "document.querySelector('ruffle-player').dataset.mark = 'first'");

  web.ShowPage(t.file("pages dir/it's \"quoted\"_2.swf"));
  EXPECT_TRUE(Spin([&] { return Eval(web, kLoadedWidth).toInt() == 420; }, 30000));
  EXPECT_EQ(Eval(web, "document.querySelectorAll('ruffle-player').length").toInt(), 1);
  EXPECT_EQ(Eval(web, "document.querySelector('ruffle-player').dataset.mark").toString(), "first");

  // No page: the page shown last goes with its player.
  web.ShowPage(QString());
  EXPECT_TRUE(Spin([&] { return Eval(web, "document.querySelectorAll('ruffle-player').length").toInt() == 0; },
                   10000));
  EXPECT_TRUE(web.currentPage().isEmpty());
  web.ShowPage(t.file("pages dir/first page_1.swf"));
  EXPECT_TRUE(Spin([&] { return Eval(web, kLoadedWidth).toInt() == 300; }, 30000));
}

// The page's full-screen request (the player's full-screen button asks the
// same way) is accepted: the page moves into a full-screen window, and Esc
// or the page's own exit brings it back into the preview.
TEST(PreviewWeb, FullScreenRequestIsAcceptedAndEscBringsItBack) {
  TempDir t;
  WriteFile(t.file("index.html"),
            "<html><body style='margin:0'><button id='b' style='width:100%;height:100vh' "
            "onclick=\"document.fullscreenElement ? document.exitFullscreen() : "
            "document.documentElement.requestFullscreen()\">full screen</button></body></html>");
  QWidget window;
  auto *layout = new QVBoxLayout(&window);
  auto *web = new PreviewWeb;
  layout->addWidget(web);
  window.resize(400, 300);
  window.show();
  web->ShowPreview(t.file("index.html"));
  ASSERT_TRUE(Spin([&] { return web->styledLoads() >= 1; }, 30000));
  QWebEnginePage *page = web->page();
  QSignalSpy changes(web, &PreviewWeb::fullScreenChanged);
  auto click = [&](QWebEngineView *view) {
    ASSERT_TRUE(view->focusProxy());
    QTest::mouseClick(view->focusProxy(), Qt::LeftButton, {}, view->rect().center());
  };

  for (const char *way : {"Esc", "the page's exit"}) {
    SCOPED_TRACE(way);
    click(web);
    ASSERT_TRUE(Spin([&] { return web->fullScreenView() != nullptr; }, 10000));
    QWebEngineView *full = web->fullScreenView();
    EXPECT_EQ(full->objectName(), "FullScreenWeb");
    EXPECT_TRUE(full->isFullScreen());
    EXPECT_EQ(full->page(), page);
    EXPECT_TRUE(Spin([&] { return Eval(*full, "document.fullscreenElement !== null").toBool(); }, 10000));
    EXPECT_EQ(changes.size(), 1);
    EXPECT_EQ(changes.takeFirst().value(0).toBool(), true);

    if (QString(way) == "Esc")
      QTest::keyClick(full, Qt::Key_Escape);
    else
      click(full);
    ASSERT_TRUE(Spin([&] { return web->fullScreenView() == nullptr; }, 10000));
    EXPECT_EQ(web->page(), page);
    EXPECT_TRUE(Spin([&] { return Eval(*web, "document.fullscreenElement === null").toBool(); }, 10000));
    EXPECT_EQ(changes.size(), 1);
    EXPECT_EQ(changes.takeFirst().value(0).toBool(), false);
  }
}

namespace {

// What has the keyboard inside the page: the active element's tag and id,
// or "" when the page itself does not have the focus.
QString ActiveElement(QWebEngineView &view) {
  return Eval(view, "(function(){var a=document.activeElement;if(!document.hasFocus()||!a)return '';"
                    "return a.tagName+'#'+a.id+'['+(a.getAttribute('data-command')||a.getAttribute('aria-label')||"
                    "a.textContent.trim().slice(0,20))+']';})()")
      .toString();
}

}  // namespace

// Tab goes through the book and out of it to the next control of the
// window, and Shift+Tab back out to the one before: the preview is no trap.
// Each key must move the focus (a key that leaves it where it is fails).
TEST(PreviewWeb, TabLeavesThePreviewForTheNextControl) {
  TempDir t;
  CopyFolderTree(lwtest::ProgramDir() + "/Resource", t.path(), ".*");
  QWidget window;
  auto *layout = new QVBoxLayout(&window);
  auto *before = new QLineEdit;
  before->setObjectName("before");
  auto *web = new PreviewWeb;
  auto *after = new QLineEdit;
  after->setObjectName("after");
  layout->addWidget(before);
  layout->addWidget(web);
  layout->addWidget(after);
  window.resize(725, 600);
  window.show();
  QApplication::setActiveWindow(&window);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  web->ShowPreview(t.file("index.html"));
  ASSERT_TRUE(Spin([&] {
    return Eval(*web, "((window.leafweaver||{}).events||[]).some(function(e){return e.name==='ready';})").toBool();
  }, 30000));
  // The order of the window: the browser between the two fields. Its
  // rendering widget, the focus proxy, exists once a page is shown.
  ASSERT_TRUE(web->focusProxy());
  QWidget::setTabOrder(before, web->focusProxy());
  QWidget::setTabOrder(web->focusProxy(), after);
  ASSERT_EQ(before->nextInFocusChain(), web->focusProxy());
  auto walk = [&](QLineEdit *from, QLineEdit *to, Qt::KeyboardModifiers mods) {
    from->setFocus();
    ASSERT_TRUE(Spin([&] { return QApplication::focusWidget() == from; }, 5000));
    QString where = "outside";
    QStringList path;
    for (int step = 0; step < 20 && QApplication::focusWidget() != to; ++step) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, mods);
      const QString was = where;
      const bool moved = Spin([&] {
        if (QApplication::focusWidget() == to) return true;
        const QString now = ActiveElement(*web);
        if (!now.isEmpty()) where = now;
        return !now.isEmpty() && now != was;
      }, 5000);
      path << (QApplication::focusWidget() == to ? to->objectName() : where);
      ASSERT_TRUE(moved) << "the focus stayed on " << where.toStdString() << " after "
                         << path.join(" > ").toStdString();
    }
    EXPECT_EQ(QApplication::focusWidget(), to) << path.join(" > ").toStdString();
    // Through the player itself, where the runtime's own buttons once kept
    // Tab and Shift+Tab for ever.
    EXPECT_TRUE(path.join(" > ").contains("#player")) << path.join(" > ").toStdString();
  };
  walk(before, after, Qt::NoModifier);
  walk(after, before, Qt::ShiftModifier);
}
