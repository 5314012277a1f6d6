// The slot screen and its questions in the window on Qt's offscreen platform, driven by keys:
// nothing a key pressed in haste does loses a save, and the notice stays out of the surfaces.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <deque>
#include <filesystem>

#include "backends/qt/main_window.h"
#include "engine/context.h"
#include "engine/gfx/surfaces.h"
#include "shell/menu.h"
#include "qt_windows.h"
#include "story_world.h"

namespace {

using ModalStep = std::function<void(QWidget* modal)>;

// Runs `command`, answering the modal windows it opens with `steps`, one step a modal showing.
void answerModals(const std::function<void()>& command, std::deque<ModalStep> steps) {
  QTimer ticks;
  QObject::connect(&ticks, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || steps.empty()) return;
    ModalStep step = std::move(steps.front());
    steps.pop_front();
    step(modal);
  });
  ticks.start(20);
  command();
  EXPECT_TRUE(steps.empty()) << steps.size() << " steps never ran";
}

int litSlot(QWidget* modal) {
  auto* list = modal->findChild<QListWidget*>();
  return list == nullptr || list->currentItem() == nullptr
             ? -1
             : list->currentItem()->data(Qt::UserRole).toInt();
}

TEST(SlotScreen, KeysNeverLoseASaveAndTheNoticeStaysOutOfThePicture) {
  if (!widgetsApplicationRuns()) GTEST_SKIP() << "another kind of Qt application runs here";
  TempFolder story;
  story.write("nev.ini", storyIni({{3, "640"}, {4, "480"}, {9, "16"}}));
  // Text low on the page, so that the blinking marker stays out of the notice's corner.
  story.write("start.txt", sjis("\n\n\n\n\n\n\n\n雨の駅\n@P\n二行目\n@P\n"));
  std::unique_ptr<StorySession> session = openWithDesktopGlyphs(story);
  ASSERT_NE(session, nullptr);
  NevContext& context = session->context();
  MainWindow window(context);
  TempFolder data;
  window.state().saveSlots.dataFolder = data.path().string();
  window.startStory();
  buildStartMenus(context, window.state(), window);
  window.showDefaultWindow({640, 480});
  auto eventually = [](const std::function<bool()>& done) { return QTest::qWaitFor(done, 180000); };
  ASSERT_TRUE(eventually([&] { return context.shared.waitingForClick.load() == 1; }));
  const auto slot1 = data.path() / "slot01.sav";
  auto menu = [&](int32_t id) { return [&window, id] { window.action(id)->trigger(); }; };

  // Opened with no save, slot 1 is lit and Enter does nothing: the screen stays until Escape.
  answerModals(menu(kMenuSlotDialog), {
      [](QWidget* modal) {
        EXPECT_EQ(litSlot(modal), 1);
        QTest::keyClick(modal->focusWidget(), Qt::Key_Return);
      },
      [](QWidget* modal) {
        EXPECT_TRUE(modal->isVisible());
        QTest::keyClick(modal->focusWidget(), Qt::Key_Escape);
      },
  });
  EXPECT_FALSE(std::filesystem::exists(slot1));

  // A save into an empty slot asks nothing; its notice is on the window, not in the picture.
  std::vector<Pixel> before;
  auto surface = [&] {
    std::lock_guard guard(context.surfaces.pixelLock);
    return context.surfaces.displayBitmap->pixels;
  };
  before = surface();
  const QImage shownBefore = window.centralWidget()->grab().toImage();
  menu(kMenuSaveSlotFirst)();
  ASSERT_TRUE(std::filesystem::exists(slot1));
  auto* notice = window.centralWidget()->findChild<QLabel*>(QStringLiteral("notice"));
  ASSERT_NE(notice, nullptr);
  EXPECT_TRUE(notice->isVisible());
  EXPECT_EQ(notice->text(), QStringLiteral("セーブしました（しおり 1）"));
  // The picture is shown at its own size: the notice's rectangle is the same on the surface.
  const QImage shown = window.centralWidget()->grab().toImage();
  const std::vector<Pixel> after = surface();
  int shownChanged = 0, surfaceChanged = 0;
  for (int y = notice->y(); y <= notice->geometry().bottom(); ++y) {
    for (int x = notice->x(); x <= notice->geometry().right(); ++x) {
      shownChanged += shown.pixel(x, y) != shownBefore.pixel(x, y);
      surfaceChanged += after[size_t(y * 640 + x)] != before[size_t(y * 640 + x)];
    }
  }
  EXPECT_GT(shownChanged, 100);
  EXPECT_EQ(surfaceChanged, 0);

  // The screen opens at the newest save, marked; Delete asks, Enter there keeps the slot.
  answerModals(menu(kMenuSlotDialog), {
      [](QWidget* modal) {
        EXPECT_EQ(litSlot(modal), 1);
        EXPECT_TRUE(modal->findChild<QListWidget*>()->currentItem()->text().contains(QStringLiteral("★最新")));
        QTest::keyClick(modal->focusWidget(), Qt::Key_Delete);
      },
      [](QWidget* box) { QTest::keyClick(box, Qt::Key_Return); },
      [&](QWidget* modal) {
        EXPECT_TRUE(std::filesystem::exists(slot1));
        EXPECT_EQ(litSlot(modal), 1);
        QTest::keyClick(modal->focusWidget(), Qt::Key_Return);  // a filled slot: Enter loads
      },
  });
  EXPECT_EQ(notice->text(), QStringLiteral("ロードしました（しおり 1）"));
  window.close();
}

}  // namespace
