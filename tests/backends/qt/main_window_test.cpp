// The desktop window on Qt's offscreen platform, driven as a reader would drive it.

#include "backends/qt/main_window.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <QPointer>

#include "engine/context.h"
#include "shell/menu.h"
#include "backends/qt/qt_glyph_rasterizer.h"
#include "test_files.h"
#include "engine/text/message_window.h"

namespace {

bool ensureWidgets() {
  ensureGuiApplication();
  return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ensureWidgets()) GTEST_SKIP() << "another kind of Qt application runs in this process";
    story_ = std::make_unique<TempFolder>();
    inside_ = std::make_unique<ScopedCurrentDirectory>(story_->path());
  }

  void TearDown() override {
    window_.reset();
    inside_.reset();
  }

  void start(const std::string& script, int32_t developerMenu = 1) {
    story_->write("nev.ini", storyIni({{3, "640"}, {4, "480"}, {31, std::to_string(developerMenu)}}));
    story_->write("start.txt", script);
    ASSERT_FALSE(readConfig(context_->config));
    context_->platform.glyphs = &glyphs_;
    createMessageFont(*context_);
    window_ = std::make_unique<MainWindow>(*context_);
    window_->startStory();
    buildStartMenus(*context_, window_->state(), *window_);
    window_->showDefaultWindow({640, 480});
    if (!window_->ended()) {
      ASSERT_TRUE(QTest::qWaitFor([&] { return context_->words.cwinY.load() == 480; }, 5000));
    }
  }

  bool waitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, 5000); }
  QWidget* view() { return window_->centralWidget(); }
  SharedWords& words() { return context_->words; }

  std::unique_ptr<TempFolder> story_;
  std::unique_ptr<ScopedCurrentDirectory> inside_;
  std::unique_ptr<NevContext> context_ = makeContext();
  QtGlyphRasterizer glyphs_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, ClientAreaBelowTheMenuBarIsThePictureSize) {
  start("hello\n");
  EXPECT_EQ(view()->size(), QSize(640, 480));
  EXPECT_EQ(words().cwinX.load(), 640);
  EXPECT_FALSE(window_->menuBar()->isHidden());
  EXPECT_EQ(window_->windowTitle(), QStringLiteral("Test story "));
}

TEST_F(MainWindowTest, SpeedMenuChecksAndSpeed) {
  start("hello\n");
  EXPECT_TRUE(window_->action(kMenuSpeedDefault)->isChecked());
  window_->action(kMenuSpeedFastest)->trigger();
  EXPECT_EQ(words().messageSpeed.load(), 32000);
  EXPECT_TRUE(window_->action(kMenuSpeedFastest)->isChecked());
  EXPECT_FALSE(window_->action(kMenuSpeedDefault)->isChecked());
  window_->action(kMenuSpeedDefault)->trigger();
  EXPECT_EQ(words().messageSpeed.load(), 1);
  EXPECT_FALSE(window_->action(kMenuSpeedFastest)->isChecked());
  EXPECT_TRUE(window_->action(kMenuSpeedDefault)->isChecked());
}

TEST_F(MainWindowTest, RightClickHidesTheTextDuringAWaitAndAClickOutsideIsForgotten) {
  start("one\n@E\n");
  ASSERT_TRUE(waitFor([&] { return words().waitingForClick.load() == 1; }));
  QTest::mouseClick(view(), Qt::RightButton, {}, QPoint(100, 100));
  EXPECT_EQ(words().hideText.load(), 1);
  QTest::mouseClick(view(), Qt::LeftButton, {}, QPoint(100, 120));
  EXPECT_EQ(words().hideText.load(), 0);
  EXPECT_EQ(words().clicked.load(), 0);  // showing the text again is no click
  EXPECT_EQ(words().mouseY.load(), 120);
  QTest::mouseClick(view(), Qt::LeftButton, {}, QPoint(100, 120));
  ASSERT_TRUE(waitFor([&] { return window_->ended(); }));  // the click ended the wait
}

TEST_F(MainWindowTest, MenuBarPopsAtTheTopRowsOnlyWhenTakenAway) {
  start("hello\n");
  QTest::mouseMove(view(), QPoint(50, 2));
  EXPECT_FALSE(window_->menuBar()->isHidden());  // pinned: pointer moves change nothing
  window_->action(kMenuRemoveMenu)->trigger();
  EXPECT_TRUE(window_->menuBar()->isHidden());
  ASSERT_TRUE(waitFor([&] { return words().cwinY.load() > 480; }));  // the client grew
  QTest::mouseMove(view(), QPoint(50, 4));
  EXPECT_FALSE(window_->menuBar()->isHidden());
  QApplication::processEvents();
  QTest::mouseMove(view(), QPoint(50, 5));
  EXPECT_TRUE(window_->menuBar()->isHidden());
}

TEST_F(MainWindowTest, WindowModes) {
  start("hello\n");
  window_->action(kMenuFullSizeWindow)->trigger();
  EXPECT_TRUE(window_->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(window_->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(window_->menuBar()->isHidden());
  EXPECT_EQ(window_->geometry(), window_->screen()->geometry());

  window_->action(kMenuDefaultWindow)->trigger();
  EXPECT_FALSE(window_->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(window_->windowFlags() & Qt::WindowStaysOnTopHint);  // still above the others
}

TEST_F(MainWindowTest, EmulatedDisplayIsShownScaledWithItsProportions) {
  start("hello\n");
  // The offscreen monitor is listed first; 640 x 480 fits within it.
  QAction* small = nullptr;
  for (int32_t id = 41000; id < 41010; ++id) {
    QAction* item = window_->action(id);
    if (item != nullptr && item->text() == QStringLiteral("Screen  640 * 480")) small = item;
  }
  ASSERT_NE(small, nullptr);
  small->trigger();
  window_->action(kMenuFullSizeWindow)->trigger();
  ASSERT_TRUE(waitFor([&] { return words().cwinX.load() == 640; }));
  EXPECT_EQ(words().cwinY.load(), 480);
}

TEST_F(MainWindowTest, DeveloperItemsOnlyWhenEnabled) {
  start("hello\n", 2);
  EXPECT_EQ(window_->action(kMenuScramble), nullptr);
  EXPECT_NE(window_->action(41000), nullptr);
}

TEST_F(MainWindowTest, ScramblingToolThroughTheRealDialogs) {
  start("hello\n");
  story_->write("plain.txt", "abc\r\n");
  const QString folder = QString::fromStdString(story_->path().string());
  const QStringList files = {folder + QStringLiteral("/plain.txt"), folder + QStringLiteral("/out")};
  QStringList boxes;
  QPointer<QFileDialog> current;
  int dialogsSeen = 0;
  QTimer answer;
  // A dialog may still be reading its folder when first shown and ignore an early answer, so
  // each dialog is answered again until it goes.
  QObject::connect(&answer, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
      if (dialog != current) {
        current = dialog;
        ++dialogsSeen;
      }
      if (dialogsSeen <= files.size()) {
        // Typed into the name field, as a reader would; selectFile leaves a focused field alone.
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
          name->setText(files[dialogsSeen - 1]);
        }
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
      }
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      boxes << box->text();
      if (QAbstractButton* yes = box->button(QMessageBox::Yes)) {
        yes->click();
      } else {
        box->accept();
      }
    }
  });
  answer.start(20);
  window_->action(kMenuScramble)->trigger();
  answer.stop();
  EXPECT_EQ(story_->read("out.stx"), "bcd\x0b\r\n");  // the default suffix was added
  ASSERT_GE(boxes.size(), 2);
  EXPECT_EQ(boxes.first(), QStringLiteral("保存するファイル名を指定して下さい"));
  EXPECT_EQ(boxes.last(), QStringLiteral("処理終了"));
}

struct EndCase {
  const char* name;
  std::string script;
  std::function<bool(NevContext&)> reached;
};

TEST_F(MainWindowTest, ClosingEndsTheRunnerFromAnyWait) {
  const std::vector<EndCase> cases = {
      {"click wait", "line\n", [](NevContext& c) { return c.words.waitingForClick.load() == 1; }},
      {"choice", "@W2\na\nb\n@Lx;\n@Lx;\n",
       [](NevContext& c) { return c.words.waitingForClick.load() == 1; }},
      {"long pause", "@T600000\n",
       [](NevContext&) { return QTest::qWait(300), true; }},
      {"message box", "@C0,0,missing.bmp,0;\n",
       [](NevContext&) { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr; }},
  };
  for (const EndCase& c : cases) {
    context_ = makeContext();
    start(c.script);
    ASSERT_TRUE(waitFor([&] { return c.reached(*context_); })) << c.name;
    const auto began = std::chrono::steady_clock::now();
    window_->close();
    const auto took = std::chrono::steady_clock::now() - began;
    EXPECT_LT(took, std::chrono::seconds(2)) << c.name;
    EXPECT_EQ(words().stopRunner.load(), 1) << c.name;
    EXPECT_FALSE(context_->runner.script.isOpen()) << c.name;
    window_.reset();
  }
}

TEST_F(MainWindowTest, EndCommandClosesTheWindowAtTheNextMessage) {
  start("@T100\n@E\nlater\n");
  EXPECT_FALSE(window_->ended());
  ASSERT_TRUE(waitFor([&] { return window_->ended(); }));
  EXPECT_FALSE(window_->isVisible());
  EXPECT_EQ(words().endRequested.load(), 0);
}

}  // namespace
