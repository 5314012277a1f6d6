// The reader's settings file: what is saved comes back, and damage costs one line, not the run.

#include "backends/qt/settings_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>

#include "shell/menu.h"
#include "test_files.h"

namespace {

TEST(SettingsStore, SavedSettingsComeBackAndDamageCostsOneLine) {
  TempFolder config;
  const std::string home = std::getenv("XDG_CONFIG_HOME");  // the suite's own, put back after
  setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
  ReaderSettings clamped;
  clamped.storyWindows = {{"a-1", {0, 0, 0, 0}, PictureScaling::WholeMultiples}};
  clamped.recentStories = {"/a"};
  clamped.reading.autoSpeed = 2;  // numbers out of range are held to it
  clamped.storyLanguages = {{"a-1", "en"}};
  const std::pair<std::string, ReaderSettings> damaged[] = {
      {std::string("\xFF\0[\x80=\n=\x01[[]]\\x", 14), {}},
      {"[window\nmode=full-screen\n", {}},
      {"[window]\nmode=huge\nx=left\ny=1, 2\nwidth=99999\nheight=600\ndisplayWidth=-1\n"
       "scaling=@Variant(\\0)\n[reading]\nspeed=7\nautoSpeed=9\n[sound]\nmuted=yes\n[stories]\nrecent=/a, /a, \"\"\n"
       "[windows]\nstories=a-1 0 0 0 9 whole-multiples, b-2 0 0 99999 600 stretch, c-3 1 2 3, d-4 1 2 3 4 huge\n"
       "[languages]\nstories=a-1 en, b-2, c-3 fr de\n",
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
  // Each damaged file is kept aside under a number of its own, the last five of them.
  for (int more = 0; more < 4; ++more) {
    config.write("nev/nev.conf", damaged[0].first);
    testing::internal::CaptureStderr();
    ASSERT_TRUE(saveReaderSettings({}));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  }
  std::set<std::string> kept;
  for (const auto& entry : std::filesystem::directory_iterator(config.path() / "nev")) {
    kept.insert(entry.path().filename().string());
  }
  EXPECT_EQ(kept, (std::set<std::string>{"nev.conf", "nev.conf.damaged.2", "nev.conf.damaged.3",
                                         "nev.conf.damaged.4", "nev.conf.damaged.5",
                                         "nev.conf.damaged.6"}));
  EXPECT_EQ(config.read("nev/nev.conf.damaged.2"), damaged[1].first);
  // A file that cannot be read at all is not called damaged, nor moved, nor written over.
  std::filesystem::remove(config.path() / "nev/nev.conf");
  std::filesystem::create_directory(config.path() / "nev/nev.conf");
  testing::internal::CaptureStderr();
  EXPECT_EQ(loadReaderSettings(), ReaderSettings{});
  EXPECT_FALSE(saveReaderSettings(clamped));
  const std::string told = testing::internal::GetCapturedStderr();
  EXPECT_EQ(told, "nev: cannot read settings in " + settingsFilePath() +
                      ": it is not a regular file; using defaults, and leaving it as it is\n"
                      "nev: cannot save settings in " + settingsFilePath() +
                      ": it is not a regular file; it is left as it is\n");
  EXPECT_TRUE(std::filesystem::is_directory(config.path() / "nev/nev.conf"));
  EXPECT_FALSE(std::filesystem::exists(config.path() / "nev/nev.conf.damaged.7"));
  std::filesystem::remove(config.path() / "nev/nev.conf");

  // An older nev's one window size for all stories is not taken for any, and goes at the save.
  config.write("nev/nev.conf", "[backlog]\nlines=40\n[window]\nx=5\nwidth=800\nheight=600\nscaling=stretch\n");
  testing::internal::CaptureStderr();
  EXPECT_EQ(loadReaderSettings(), ReaderSettings{});
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  const ReaderSettings saved{WindowMode::FullScreen, {1024, 768}, kMenuSpeedFourTimes, {"/雨, の駅", "/b"},
                             {25, 75, true, true, 2},
                             {{"eki-0a1b2c3d", {-20, 30, 800, 600}, PictureScaling::Stretch},
                              {"demo-99999999", {0, 0, 0, 0}, PictureScaling::KeepProportions}},
                             {}};
  ASSERT_TRUE(saveReaderSettings(saved));
  EXPECT_EQ(loadReaderSettings(), saved);
  const std::string written = config.read("nev/nev.conf");
  EXPECT_NE(written.find("lines=40"), std::string::npos);
  EXPECT_EQ(written.find("width="), std::string::npos) << written;

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

// Each story keeps its own window, the most recent first, and a forgotten one is gone.
TEST(ReaderSettings, EachStoryKeepsItsOwnWindowUntilForgotten) {
  const auto frame = [](int32_t width) { return WindowGeometry{0, 0, width, width}; };
  ReaderSettings settings;
  const std::pair<std::function<void()>, std::string> steps[] = {
      {[&] { rememberWindow(settings, {"a", frame(640), PictureScaling::Stretch}); }, "a640"},
      {[&] { rememberWindow(settings, {"b", frame(800), PictureScaling::KeepProportions}); }, "b800 a640"},
      {[&] { rememberWindow(settings, {"a", frame(320), PictureScaling::Stretch}); }, "a320 b800"},
      {[&] { rememberWindow(settings, {"", frame(1), PictureScaling::Stretch}); }, "a320 b800"},
      {[&] { forgetWindow(settings, "b"); }, "a320"},
      {[&] { forgetWindow(settings, "b"); }, "a320"},
  };
  for (const auto& [step, expected] : steps) {
    step();
    std::string seen;
    for (const StoryWindow& window : settings.storyWindows) {
      seen += (seen.empty() ? "" : " ") + window.story + std::to_string(window.geometry.width);
    }
    EXPECT_EQ(seen, expected);
  }
  ASSERT_NE(rememberedWindow(settings, "a"), nullptr);
  EXPECT_EQ(rememberedWindow(settings, "a")->scaling, PictureScaling::Stretch);
  EXPECT_EQ(rememberedWindow(settings, "b"), nullptr);
  for (size_t i = 0; i <= kStoryWindowsKept; ++i) {
    rememberWindow(settings, {"s" + std::to_string(i), frame(1), PictureScaling::Stretch});
  }
  EXPECT_EQ(settings.storyWindows.size(), kStoryWindowsKept);
  EXPECT_EQ(rememberedWindow(settings, "a"), nullptr);  // the least recent goes first
}

}  // namespace
