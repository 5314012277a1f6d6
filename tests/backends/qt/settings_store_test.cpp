// The reader's settings file: what is saved comes back, and damage costs one line, not the run.

#include "backends/qt/settings_store.h"

#include <gtest/gtest.h>

#include "shell/menu.h"
#include "test_files.h"

namespace {

TEST(SettingsStore, SavedSettingsComeBackAndDamageCostsOneLine) {
  TempFolder config;
  const std::string home = std::getenv("XDG_CONFIG_HOME");  // the suite's own, put back after
  setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
  ReaderSettings clamped;
  clamped.geometry = {0, 0, 16384, 600};
  clamped.recentStories = {"/a"};
  clamped.reading.autoSpeed = 2;  // numbers out of range are held to it
  const std::pair<std::string, ReaderSettings> damaged[] = {
      {std::string("\xFF\0[\x80=\n=\x01[[]]\\x", 14), {}},
      {"[window\nmode=full-screen\n", {}},
      {"[window]\nmode=huge\nx=left\ny=1, 2\nwidth=99999\nheight=600\ndisplayWidth=-1\n"
       "scaling=@Variant(\\0)\n[reading]\nspeed=7\nautoSpeed=9\n[sound]\nmuted=yes\n[stories]\nrecent=/a, /a, \"\"\n",
       clamped},
  };
  for (const auto& [bytes, expected] : damaged) {
    config.write("nev/nev.conf", bytes);
    for (const char* warning : {" are damaged; using defaults\n", ""}) {
      testing::internal::CaptureStderr();
      EXPECT_EQ(loadReaderSettings(), expected);
      EXPECT_EQ(testing::internal::GetCapturedStderr(),
                *warning ? "nev: settings in " + settingsFilePath() + warning : "");
      ASSERT_TRUE(saveReaderSettings(expected));  // the damage is not carried on
    }
  }
  config.write("nev/nev.conf", "[backlog]\nlines=40\n");
  const ReaderSettings saved{WindowMode::FullScreen,  {-20, 30, 800, 600}, {1024, 768},
                             PictureScaling::Stretch, kMenuSpeedFourTimes, {"/雨, の駅", "/b"},
                             {25, 75, true, true, 2}};
  ASSERT_TRUE(saveReaderSettings(saved));
  EXPECT_EQ(loadReaderSettings(), saved);
  EXPECT_NE(config.read("nev/nev.conf").find("lines=40"), std::string::npos);

  setenv("XDG_CONFIG_HOME", config.write("file", "").c_str(), 1);  // no folder can be made there
  testing::internal::CaptureStderr();
  EXPECT_FALSE(saveReaderSettings(saved));
  EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("nev: cannot save settings in "), 0u);
  setenv("XDG_CONFIG_HOME", home.c_str(), 1);
}

TEST(ReaderSettings, RecentStoriesMostRecentFirstOnceEachAndFew) {
  ReaderSettings settings;
  for (const char* folder : {"/0", "/1", "/2", "/3", "/4", "/5", "/6", "/7", "/8", "/3", ""}) {
    rememberStory(settings, folder);
  }
  EXPECT_EQ(settings.recentStories,
            (std::vector<std::string>{"/3", "/8", "/7", "/6", "/5", "/4", "/2", "/1"}));
}

}  // namespace
