#include "shell/reader_settings.h"

#include <algorithm>

void rememberStory(ReaderSettings& settings, const std::string& absoluteFolder) {
  if (absoluteFolder.empty()) return;
  std::vector<std::string>& recent = settings.recentStories;
  std::erase(recent, absoluteFolder);
  recent.insert(recent.begin(), absoluteFolder);
  if (recent.size() > kRecentStoriesKept) recent.resize(kRecentStoriesKept);
}
