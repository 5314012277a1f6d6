// The author's live reload under a real window: a script saved while the reader waits.

#include "backends/qt/live_reload.h"

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTest>
#include <filesystem>
#include <mutex>

#include "backends/headless/warp.h"
#include "backends/qt/main_window.h"
#include "backends/qt/playing_scripts.h"
#include "engine/context.h"
#include "qt_windows.h"
#include "story_world.h"

namespace {

struct Edit {
  const char* what;
  const char* script;       // start.txt as saved while the reader waits at "three"
  bool renamedOver;         // as most editors save
  bool shiftR;              // read again by hand at once, not after the watcher's moment
  int32_t waitLine;         // where the reader then waits (0-based)
  const char* waitText;     // the page's last line there
  const char* panelSays;    // the lint panel's error; null: no panel
  const char* nextText;     // the line of the wait after one more click
  bool blue;                // the picture is then blue.bmp, which the new script draws
};

const Edit kEdits[] = {
    {"a line inserted above", "zero\none\ntwo\nthree\nfour\n", true, false, 3, "three", nullptr,
     "four", false},
    {"a line written in place below", "one\ntwo\nthree\nthree and a half\nfour\n", false, true,
     2, "three", nullptr, "three and a half", false},
    {"the wait's own line changed", "one\ntwo\nthree, changed\nfour\n", true, false, 1, "two",
     nullptr, "three, changed", false},
    // Written in place, under the runner's open script: the old one still plays.
    {"a jump to a missing script", "one\ntwo\nthree\n@Jmissing.txt\nfour\n", false, false, 2,
     "three", "missing.txt", "four", false},
    // Played again on the new script, not shown as it was.
    {"a picture drawn before the changed line",
     "one\n@G0,0,blue.bmp,0xCC0020;\ntwo\nthree, changed\n", true, false, 2, "two", nullptr,
     "three, changed", true},
};

SavePoint latestWait(NevContext& context) {
  std::lock_guard guard(context.savePoints.lock);
  return context.savePoints.latest;
}

TEST(LiveReload, ASavedScriptPlaysOnFromTheReadersLineOrTheWaitBeforeIt) {
  if (!widgetsApplicationRuns()) GTEST_SKIP() << "another kind of Qt application runs here";
  auto eventually = [](const std::function<bool()>& done) { return QTest::qWaitFor(done, 180000); };
  for (const Edit& edit : kEdits) {
    SCOPED_TRACE(edit.what);
    TempFolder story;
    story.write("nev.ini", storyIni({{3, "640"}, {4, "480"}, {9, "16"}}));
    story.write("start.txt", "one\ntwo\nthree\nfour\n");
    story.write("blue.bmp", bmp24(640, 480, Pixel{0x0000FF}));
    const std::string folder = std::filesystem::canonical(story.path()).string();
    auto scripts = std::make_shared<PlayingScripts>(std::make_shared<LocalStoryFolder>(folder));
    Problem problem;
    std::unique_ptr<StorySession> session = openStory(
        scripts, {[] { return std::make_unique<FreeTypeGlyphRasterizer>(fontconfigFaces()); }, {}},
        problem);
    ASSERT_NE(session, nullptr) << problem.detail;
    NevContext& context = session->context();
    MainWindow window(context);
    window.state().watchingScripts = true;
    window.watchScripts(*scripts, folder, replayPicksToLine);
    window.startStory();
    buildStartMenus(context, window.state(), window);
    window.showDefaultWindow({640, 480});
    auto waitsAt = [&](int32_t line, const char* text) {
      const SavePoint wait = latestWait(context);
      return context.shared.waitingForClick.load() == 1 && wait.waitLine == line &&
             !wait.history.empty() && wait.history.back().starts_with(text);
    };
    for (int32_t line = 0; line < 2; ++line) {
      ASSERT_TRUE(eventually([&] { return waitsAt(line, line == 0 ? "one" : "two"); }));
      QTest::mouseClick(window.centralWidget(), Qt::LeftButton, {}, QPoint(300, 300));
    }
    ASSERT_TRUE(eventually([&] { return waitsAt(2, "three"); }));
    QTest::qWait(200);  // the window has seen the wait

    if (edit.renamedOver) {
      story.write("start.txt.new", edit.script);
      std::filesystem::rename(story.path() / "start.txt.new", story.path() / "start.txt");
    } else {
      story.write("start.txt", edit.script);
    }
    if (edit.shiftR) QTest::keyClick(&window, Qt::Key_R, Qt::ShiftModifier);
    if (edit.panelSays != nullptr) {
      ASSERT_TRUE(eventually([&] { return window.lintPanel() != nullptr; }));
      EXPECT_TRUE(window.lintPanel()->toPlainText().contains(QString::fromUtf8(edit.panelSays)))
          << window.lintPanel()->toPlainText().toStdString();
    }
    ASSERT_TRUE(eventually([&] { return waitsAt(edit.waitLine, edit.waitText); }));
    EXPECT_EQ(window.lintPanel() != nullptr, edit.panelSays != nullptr);
    {
      std::lock_guard pixels(context.surfaces.pixelLock);
      EXPECT_EQ(context.surfaces.displayBitmap->pixels.back() == 0x0000FF, edit.blue);
    }
    QTest::mouseClick(window.centralWidget(), Qt::LeftButton, {}, QPoint(300, 300));
    EXPECT_TRUE(eventually([&] { return waitsAt(edit.waitLine + 1, edit.nextText); }));
  }
}

}  // namespace
