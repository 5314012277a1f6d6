#include "shell/reader_settings.h"

#include <algorithm>

void rememberStory(ReaderSettings& settings, const std::string& absoluteFolder) {
  if (absoluteFolder.empty()) return;
  std::vector<std::string>& recent = settings.recentStories;
  std::erase(recent, absoluteFolder);
  recent.insert(recent.begin(), absoluteFolder);
  if (recent.size() > kRecentStoriesKept) recent.resize(kRecentStoriesKept);
}

const StoryWindow* rememberedWindow(const ReaderSettings& settings, const std::string& story) {
  for (const StoryWindow& window : settings.storyWindows) {
    if (window.story == story) return &window;
  }
  return nullptr;
}

void rememberWindow(ReaderSettings& settings, const StoryWindow& window) {
  if (window.story.empty()) return;
  forgetWindow(settings, window.story);
  std::vector<StoryWindow>& windows = settings.storyWindows;
  windows.insert(windows.begin(), window);
  if (windows.size() > kStoryWindowsKept) windows.resize(kStoryWindowsKept);
}

void forgetWindow(ReaderSettings& settings, const std::string& story) {
  std::erase_if(settings.storyWindows, [&](const StoryWindow& window) { return window.story == story; });
}

std::string rememberedLanguage(const ReaderSettings& settings, const std::string& story) {
  for (const StoryLanguageChoice& choice : settings.storyLanguages) {
    if (choice.story == story) return choice.code;
  }
  return {};
}

void rememberLanguage(ReaderSettings& settings, const std::string& story, const std::string& code) {
  if (story.empty()) return;
  std::vector<StoryLanguageChoice>& choices = settings.storyLanguages;
  std::erase_if(choices, [&](const StoryLanguageChoice& choice) { return choice.story == story; });
  if (code.empty()) return;
  choices.insert(choices.begin(), {story, code});
  if (choices.size() > kStoryWindowsKept) choices.resize(kStoryWindowsKept);
}
