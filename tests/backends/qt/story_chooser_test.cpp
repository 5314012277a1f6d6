// The chooser `nev` opens when started bare where there is no story.

#include "backends/qt/story_chooser.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "backends/qt/qt_environment.h"
#include "test_files.h"

TEST(StoryChooser, RefusesAFolderWithoutAStoryAndPlaysARecentOne) {
  ensureGuiApplication();
  TempFolder empty, story;
  story.write("NEV.INI", storyIni());
  story.write("lang/en/story.po", "");
  story.write("lang/en/language.ini", "[language]\nname=English\n");
  story.write("lang/de/story.po", "");
  StoryChooser chooser({empty.path().string(), story.path().string()});
  chooser.show();
  auto* list = chooser.findChild<QListWidget*>();
  // Each story by its title above its folder and its translations; a folder without one by its
  // path alone.
  EXPECT_EQ(list->item(0)->text(), QString::fromStdString(empty.path().string()));
  EXPECT_EQ(list->item(1)->text(), "Test story\n" + QString::fromStdString(story.path().string()) +
                                       "\n翻訳: de, English");
  QString refusal;  // the box is modal: it is read and closed from within its own loop
  QTimer::singleShot(0, &chooser, [&refusal] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      refusal = box->windowTitle() + " " + box->text() + " " + box->detailedText();
      box->accept();
    }
  });
  testing::internal::CaptureStderr();
  QTest::keyClick(list, Qt::Key_Return);
  // The box and the line both name the full path and what to do.
  const std::string missing = std::filesystem::canonical(empty.path()).string() +
                              "/nev.ini: no such file";
  const std::string advice = "open the folder that holds the story's nev.ini";
  const std::string told = testing::internal::GetCapturedStderr();  // Qt may add its own lines
  EXPECT_TRUE(told.starts_with("nev: " + missing + "; " + advice + "\n")) << told;
  EXPECT_EQ(refusal.toStdString(), "ファイルが変 nev.ini " + missing + "\n" + advice);
  EXPECT_TRUE(chooser.isVisible());
  list->setCurrentRow(1);
  QTest::keyClick(list, Qt::Key_Return);
  EXPECT_EQ(chooser.result(), QDialog::Accepted);
  EXPECT_EQ(chooser.story(), story.path().string());
}
