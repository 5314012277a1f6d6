// nev.conf: every byte sequence is read into ReaderSettings with in-range values, or ignored.
#include <cstdlib>
#include <filesystem>

#include "backends/qt/settings_store.h"
#include "fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool prepared = [] {
    setenv("XDG_CONFIG_HOME", fuzzFolder().c_str(), 1);
    return std::filesystem::create_directory(fuzzFolder() + "/nev");
  }();
  (void)prepared;
  writeFuzzFile("nev/nev.conf", bytesOf(data, size));
  const ReaderSettings settings = loadReaderSettings();
  if (settings.recentStories.size() > kRecentStoriesKept ||
      settings.storyWindows.size() > kStoryWindowsKept) {
    std::abort();
  }
  for (const StoryWindow& window : settings.storyWindows) {
    const WindowGeometry& g = window.geometry;
    if (g.width < 0 || g.height < 0 || g.width > 16384 || g.height > 16384) std::abort();
  }
  return 0;
}
