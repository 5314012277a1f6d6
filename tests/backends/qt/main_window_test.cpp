// The desktop window on Qt's offscreen platform: what only the Qt side does. The menu logic
// itself is the window procedure's, tested without Qt.

#include "backends/qt/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <SDL.h>
#include <QTimer>
#include <QClipboard>
#include <QWheelEvent>
#include <filesystem>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <set>

#include "backends/qt/backlog_view.h"
#include "backends/qt/captioned_box.h"
#include "backends/sdl/pad_input.h"
#include "engine/context.h"
#include "engine/script/runner.h"
#include "engine/text/message_window.h"
#include "shell/menu.h"
#include "qt_windows.h"
#include "story_world.h"

namespace {

TEST(MainWindow, RunnersRequestsReachTheWindowThreadAndThePictureIsShownStretched) {
  if (!widgetsApplicationRuns()) GTEST_SKIP() << "another kind of Qt application runs here";
  TempFolder story;
  std::vector<Pixel> halves(640 * 480);
  for (size_t i = 0; i < halves.size(); ++i) halves[i] = i % 640 < 320 ? 0xFF0000 : 0x0000FF;
  story.write("halves.bmp", bmp24(640, 480, halves));
  story.write("nev.ini", storyIni({{3, "640"}, {4, "480"}}));
  story.write("start.txt", "@C0,0,missing.bmp,0;\n@C0,0,halves.bmp,0xCC0020;\n@T600000\n");
  std::unique_ptr<StorySession> session = openWithDesktopGlyphs(story);
  ASSERT_NE(session, nullptr);
  NevContext* context = &session->context();
  MainWindow window(*context);
  window.startStory();
  buildStartMenus(*context, window.state(), window);
  window.showDefaultWindow({640, 480});
  // The limit only catches a hang.
  auto eventually = [](const std::function<bool()>& done) { return QTest::qWaitFor(done, 180000); };
  auto shown = [&](int x, int y) {
    return window.centralWidget()->grab().toImage().pixel(x, y) & 0xFFFFFF;
  };

  // The runner's box opens on the window thread, and the runner goes on once it is closed.
  QMessageBox* box = nullptr;
  ASSERT_TRUE(eventually([&] {
    return (box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) != nullptr;
  }));
  EXPECT_EQ(box->text(), QStringLiteral("missing.bmp"));
  // Wide enough for its caption; the full path and what to do in its details.
  const auto* captioned = dynamic_cast<const CaptionedBox*>(box);
  ASSERT_NE(captioned, nullptr);
  EXPECT_GE(box->width(), captioned->widthForCaption());
  const QString missing = QString::fromStdString(
      (std::filesystem::canonical(story.path()) / "missing.bmp").string());
  EXPECT_TRUE(box->detailedText().startsWith(missing + QStringLiteral(": no such file\n")))
      << box->detailedText().toStdString();
  box->accept();
  ASSERT_TRUE(eventually([&] { return shown(319, 240) == 0xFF0000; }));
  EXPECT_EQ(window.centralWidget()->size(), QSize(640, 480));  // below the menu bar
  EXPECT_EQ(shown(320, 240), 0x0000FFu);

  // The items the window procedure added: the offscreen monitor (800 × 800) lists 640 × 480
  // second, and the full-size window shows it scaled by 1.25 between black bars, the edge smooth.
  window.action(41001)->trigger();
  window.action(kMenuFullSizeWindow)->trigger();
  ASSERT_TRUE(eventually([&] { return window.centralWidget()->width() == 800; }));
  EXPECT_EQ(context->shared.cwinX.load(), 640);
  EXPECT_EQ(shown(400, 99), 0u);
  EXPECT_EQ(shown(398, 100), 0xFF0000u);
  const QRgb edge = shown(399, 100);
  EXPECT_TRUE(qRed(edge) > qBlue(edge) && qBlue(edge) > 0) << std::hex << edge;
  EXPECT_EQ(shown(401, 100), 0x0000FFu);
  EXPECT_EQ(shown(400, 700), 0u);
  QTest::mouseMove(window.centralWidget(), QPoint(400, 150));
  EXPECT_EQ(context->shared.mouseY.load(), 40);

  // Closing the window wakes the runner from its ten-minute pause and ends it.
  window.close();
  EXPECT_EQ(context->shared.stopRunner.load(), 1);
  EXPECT_FALSE(window.runner().record().cursor.isOpen());
}

// The backlog opens on the window thread while the runner's @R lines change the layout: it draws
// in a size the runner published, and (under TSan) nothing the two threads touch races.
TEST(MainWindow, BacklogOpensWhileTheTextWindowCommandChangesTheLayout) {
  if (!widgetsApplicationRuns()) GTEST_SKIP() << "another kind of Qt application runs here";
  TempFolder story;
  story.write("nev.ini", storyIni({{3, "640"}, {4, "480"}, {9, "16"}}));
  // Typed at once and without waits, so the runner goes round for as long as the window lives.
  story.write("start.txt", sjis("@Lloop\n@P\n@R2,4,20,0,12,14,16,0,0\n雨\n@R3,5,20,0,24,14,16,0,0\n駅\n"
                                "@Jstart.txt,loop\n"));
  std::unique_ptr<StorySession> session = openWithDesktopGlyphs(story);
  ASSERT_NE(session, nullptr);
  NevContext* context = &session->context();
  MainWindow window(*context);
  window.startStory();
  window.showDefaultWindow({640, 480});
  auto eventually = [](const std::function<bool()>& done) { return QTest::qWaitFor(done, 180000); };
  ASSERT_TRUE(eventually([&] { return context->shared.messageFontSize.load() != 16; }));
  std::set<int> sizes;
  for (int opened = 0; opened < 40; ++opened) {
    window.showBacklog();
    auto* backlog = window.centralWidget()->findChild<BacklogView*>();
    ASSERT_NE(backlog, nullptr);
    sizes.insert(backlog->fontSize());
    QTest::keyClick(backlog, Qt::Key_Escape);
    QCoreApplication::processEvents();
  }
  const std::set<int> published{12, 24};
  EXPECT_TRUE(std::includes(published.begin(), published.end(), sizes.begin(), sizes.end()))
      << *sizes.begin();
  EXPECT_EQ(context->config.fontSize, 16);  // the settings as read
}

// The reader's comforts that only the window has: the backlog over the picture, which takes the
// wheel, keys and clicks without ending the wait; Ctrl+C; Ctrl held alone skipping.
TEST(MainWindow, BacklogCopyAndCtrlLeaveTheWaitAsItWas) {
  if (!widgetsApplicationRuns()) GTEST_SKIP() << "another kind of Qt application runs here";
  TempFolder story;
  story.write("nev.ini", storyIni({{3, "640"}, {4, "480"}, {9, "16"}}));
  story.write("start.txt", sjis("雨の駅\n@P\n二行目\n@E\n"));
  std::unique_ptr<StorySession> session = openWithDesktopGlyphs(story);
  ASSERT_NE(session, nullptr);
  NevContext* context = &session->context();
  MainWindow window(*context);
  TempFolder data;
  window.state().saveSlots.dataFolder = data.path().string();
  data.write("auto.sav", "a place kept from before");
  window.startStory();
  buildStartMenus(*context, window.state(), window);
  window.showDefaultWindow({640, 480});
  auto eventually = [](const std::function<bool()>& done) { return QTest::qWaitFor(done, 180000); };
  QWidget* view = window.centralWidget();
  ASSERT_TRUE(eventually([&] { return context->shared.waitingForClick.load() == 1; }));
  QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(300, 300));
  // At the wait after 二行目, on the second page.
  ASSERT_TRUE(eventually([&] {
    const auto pages = backlogPages(*context);
    return context->shared.waitingForClick.load() == 1 && pages.size() == 2 && pages[1].size() == 1;
  }));

  QWheelEvent up(QPointF(300, 300), view->mapToGlobal(QPointF(300, 300)), QPoint(), QPoint(0, 120),
                 Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(view, &up);
  auto* backlog = view->findChild<BacklogView*>();
  ASSERT_NE(backlog, nullptr);
  EXPECT_EQ(backlog->lineCount(), 2);  // both pages
  EXPECT_EQ(context->reading.backlogOpen.load(), 1);
  QTest::mouseClick(backlog, Qt::LeftButton, {}, QPoint(300, 300));
  QTest::keyClick(backlog, Qt::Key_Up);
  QTest::keyClick(backlog, Qt::Key_Escape);
  EXPECT_EQ(context->reading.backlogOpen.load(), 0);
  EXPECT_EQ(context->shared.clicked.load(), 0);
  EXPECT_EQ(context->shared.waitingForClick.load(), 1);

  QTest::keyClick(&window, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("二行目\n"));
  EXPECT_EQ(context->reading.skip.load(), 0);
  QTest::keyPress(&window, Qt::Key_Control);
  ASSERT_TRUE(eventually([&] { return context->reading.skip.load() != 0; }));
  QTest::keyRelease(&window, Qt::Key_Control);
  EXPECT_EQ(context->reading.skip.load(), 0);

  // The story's end ends the program and forgets the place kept.
  QTest::keyClick(&window, Qt::Key_Return);
  ASSERT_TRUE(eventually([&] { return window.ended(); }));
  EXPECT_FALSE(std::filesystem::exists(data.path() / "auto.sav"));
}

// A controller plugged in gives pad events; in the window it reaches the reader's menu, the slot
// screen and the wait (each button held until the next step is ready); unplugged, it goes.
TEST(MainWindow, PadComesAndGoesAndReachesTheReadersMenuTheSlotScreenAndTheWait) {
  if (!widgetsApplicationRuns()) GTEST_SKIP() << "another kind of Qt application runs here";
  PadReader pad;
  if (!pad.working()) GTEST_SKIP() << "SDL has no game controller support here";
  SDL_VirtualJoystickDesc desc{};
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
  desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
  desc.button_mask = (1u << SDL_CONTROLLER_BUTTON_MAX) - 1;
  const int device = SDL_JoystickAttachVirtualEx(&desc);
  SDL_Joystick* joystick = SDL_JoystickOpen(device);
  ASSERT_NE(joystick, nullptr) << SDL_GetError();
  pad.read([](PadEvent) {});  // it arrives
  std::string seen;
  for (int button = 0; button < SDL_CONTROLLER_BUTTON_MAX; ++button) {
    for (uint8_t state : {SDL_PRESSED, SDL_RELEASED}) {
      SDL_JoystickSetVirtualButton(joystick, button, state);
      pad.read([&](PadEvent e) { seen += std::to_string(int(e.button)) + (e.pressed ? "+" : "- "); });
    }
  }
  // SDL's order: A B X Y, back, guide, start, the sticks, the shoulders, the d-pad.
  EXPECT_EQ(seen, "0+0- 1+1- 2+2- 3+3- 5+5- 4+4- 10+10- 11+11- 6+6- 7+7- 8+8- 9+9- ");
  TempFolder story, data;
  story.write("nev.ini", storyIni({{3, "640"}, {4, "480"}}));
  story.write("start.txt", sjis("雨の駅\n@P\n二行目\n@E\n"));
  std::unique_ptr<StorySession> session = openWithDesktopGlyphs(story);
  NevContext& context = session->context();
  MainWindow window(context);
  window.state().saveSlots.dataFolder = data.path().string();
  window.startStory();
  window.showDefaultWindow({640, 480});
  window.readPad(pad);
  const std::pair<std::function<bool()>, SDL_GameControllerButton> steps[] = {
      {[&] { return context.shared.waitingForClick.load() == 1; }, SDL_CONTROLLER_BUTTON_START},
      {[&] { return QApplication::activePopupWidget() != nullptr; }, SDL_CONTROLLER_BUTTON_A},
      {[&] { return QApplication::activeModalWidget() != nullptr; }, SDL_CONTROLLER_BUTTON_A},  // empty: saves
      {[&] { return std::filesystem::exists(data.path() / "slot01.sav"); }, SDL_CONTROLLER_BUTTON_A},
      {[&] { return backlogPages(context).size() == 2; }, SDL_CONTROLLER_BUTTON_INVALID},  // the wait ended
  };
  size_t step = 0, held = 0;
  QTimer presses;
  QObject::connect(&presses, &QTimer::timeout, [&] {
    if (step + 1 == std::size(steps) || !steps[held ? step + 1 : step].first()) return;
    SDL_JoystickSetVirtualButton(joystick, steps[step].second, held ? SDL_RELEASED : SDL_PRESSED);
    step += held, held = !held;
  });
  presses.start(20);
  EXPECT_TRUE(QTest::qWaitFor([&] { return step + 1 == std::size(steps); }, 180000)) << step;
  SDL_JoystickClose(joystick);
  SDL_JoystickDetachVirtual(device);
  EXPECT_TRUE(QTest::qWaitFor([&] { return pad.attached() == 0; }, 180000));
}

// Each story opens at the size its reader left it, else at its own; a forgotten size is gone.
TEST(MainWindow, EachStoryOpensAtItsRememberedSizeElseItsOwn) {
  if (!widgetsApplicationRuns()) GTEST_SKIP() << "another kind of Qt application runs here";
  enum class Reader { Leaves, Resizes, Forgets };
  struct Row {
    const char* story;
    Size picture;
    Reader reader;
    Size opened;  // the client area below the menu bar
  };
  const Row rows[] = {
      {"a-1", {160, 120}, Reader::Resizes, {160, 120}},  // never seen: its own size
      {"b-2", {200, 100}, Reader::Leaves, {200, 100}},
      {"a-1", {160, 120}, Reader::Forgets, {320, 240}},  // as a left it, b's size not taken
      {"b-2", {200, 100}, Reader::Leaves, {200, 100}},
      {"a-1", {160, 120}, Reader::Leaves, {160, 120}},   // forgotten
  };
  ReaderSettings settings;
  for (const Row& row : rows) {
    TempFolder story;
    story.write("nev.ini", storyIni({{3, std::to_string(row.picture.width)},
                                     {4, std::to_string(row.picture.height)}}));
    story.write("start.txt", "@E\n");
    std::unique_ptr<StorySession> session = openWithDesktopGlyphs(story);
    ASSERT_NE(session, nullptr);
    MainWindow window(session->context());
    buildStartMenus(session->context(), window.state(), window);
    window.setReaderSettings(&settings, row.story);
    // A question before the window shows opens where the window then does.
    QPoint asked;
    QTimer::singleShot(0, &window, [&asked] {
      if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        asked = box->geometry().center();
        box->reject();
      }
    });
    window.askYesNo("?", "?");
    window.showAsRemembered();
    EXPECT_LE((asked - window.geometry().center()).manhattanLength(), 4) << row.story;
    const auto client = [&] {
      const QSize size = window.centralWidget()->size();
      return Size{size.width(), size.height()};
    };
    EXPECT_EQ(client(), row.opened) << row.story << " " << client().width << "x" << client().height;
    if (row.reader == Reader::Resizes) {
      window.resize(window.size() + QSize(160, 120));
      EXPECT_TRUE(QTest::qWaitFor([&] { return client() == Size{320, 240}; }, 180000));
    } else if (row.reader == Reader::Forgets) {
      onMenuCommand(session->context(), window.state(), window, kMenuForgetWindowSize);
      EXPECT_EQ(client(), row.picture) << row.story;
    }
    window.destroyWindow();
  }
  EXPECT_EQ(settings.storyWindows.size(), 2u);
}

}  // namespace
