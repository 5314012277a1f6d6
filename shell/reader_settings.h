#pragma once
// What nev remembers for its reader between runs: how the window was left, how fast text is
// typed, the reading choices, and the stories read lately. The desktop shell loads and saves it; nothing a story
// sees depends on it.

#include <cstdint>
#include <string>
#include <vector>

#include "shell/window_port.h"

struct WindowGeometry {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;   // 0: none remembered
  int32_t height = 0;
  bool operator==(const WindowGeometry&) const = default;
};

// The reader's own choices of the 読みかた menu.
struct ReadingChoices {
  int32_t musicVolume = 100;  // percent, in steps of 25
  int32_t soundVolume = 100;
  bool muted = false;
  bool skipUnread = false;  // skipping goes through text not read before too
  int32_t autoSpeed = 1;    // 0 slow, 1 usual, 2 fast
  bool operator==(const ReadingChoices&) const = default;
};

// One story's window as the reader left it. Stories differ in picture size, so each keeps its own.
struct StoryWindow {
  std::string story;        // as its data folder is named, so a moved folder is a new story
  WindowGeometry geometry;  // the default-size window's frame
  PictureScaling scaling = PictureScaling::KeepProportions;
  bool operator==(const StoryWindow&) const = default;
};

// The language a story was last read in, when not its original.
struct StoryLanguageChoice {
  std::string story;  // as for StoryWindow
  std::string code;
  bool operator==(const StoryLanguageChoice&) const = default;
};

struct ReaderSettings {
  WindowMode windowMode = WindowMode::Default;
  Size displayMode;              // the emulated display; {0, 0}: the monitor's own size
  int32_t messageSpeedItem = 0;  // the checked speed item's menu id; 0: the default
  std::vector<std::string> recentStories;  // absolute folders, most recent first
  ReadingChoices reading;
  std::vector<StoryWindow> storyWindows;   // most recent first
  std::vector<StoryLanguageChoice> storyLanguages;  // most recent first
  bool operator==(const ReaderSettings&) const = default;
};

inline constexpr size_t kRecentStoriesKept = 8;
// Enough for a reader's shelf, while the settings file stays small.
inline constexpr size_t kStoryWindowsKept = 64;

// Puts `absoluteFolder` first among the recent stories, once, keeping at most
// kRecentStoriesKept; an empty name is not a story.
void rememberStory(ReaderSettings& settings, const std::string& absoluteFolder);

// The window `story` was left in, if it is remembered.
const StoryWindow* rememberedWindow(const ReaderSettings& settings, const std::string& story);
// Puts `window` first, replacing its story's earlier one, keeping at most kStoryWindowsKept.
void rememberWindow(ReaderSettings& settings, const StoryWindow& window);
void forgetWindow(ReaderSettings& settings, const std::string& story);

// The translation `story` was last read in; empty: its original.
std::string rememberedLanguage(const ReaderSettings& settings, const std::string& story);
// Puts `story`'s choice first, keeping at most kStoryWindowsKept; the original is remembered by
// forgetting the story's translation.
void rememberLanguage(ReaderSettings& settings, const std::string& story, const std::string& code);
