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
    return Eval(*web, "(window.leafweaverEvents||[]).some(function(e){return e.name==='first-page';})").toBool();
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
  Eval(web, "document.querySelector('ruffle-player').dataset.mark = 'first'");

  web.ShowPage(t.file("pages dir/it's \"quoted\"_2.swf"));
  EXPECT_TRUE(Spin([&] { return Eval(web, kLoadedWidth).toInt() == 420; }, 30000));
  EXPECT_EQ(Eval(web, "document.querySelectorAll('ruffle-player').length").toInt(), 1);
  EXPECT_EQ(Eval(web, "document.querySelector('ruffle-player').dataset.mark").toString(), "first");
}
