#include "base/story_data.h"

#include <gtest/gtest.h>

#include "test_files.h"

TEST(StoryData, FolderIsNamedForTheStoryAndItsPath) {
  if (std::getenv("HOME") == nullptr) setenv("HOME", "/h", 1);
  const std::string home = std::getenv("HOME");
  // Hashes are FNV-1a of the path, computed apart from this code.
  const std::vector<std::tuple<const char*, std::string, std::string>> cases = {
      {"/d", "/s/ヨル", "/d/nev/______-3a456379"},
      {"/d", "/s/" + std::string(50, 'a'), "/d/nev/" + std::string(40, 'a') + "-d205ae8e"},
      {"/d", "/s/a:b*c?.v1-x_y", "/d/nev/a_b_c_.v1-x_y-f930d569"},
      {"/d", "/", "/d/nev/story-2a0c975e"},
      {"/d", "/s/Night/", "/d/nev/Night-71bbdd6e"},
      {"d", "/s/Night", home + "/.local/share/nev/Night-71bbdd6e"}};  // a relative one is ignored
  for (const auto& [dataHome, story, expected] : cases) {
    setenv("XDG_DATA_HOME", dataHome, 1);
    EXPECT_EQ(storyDataFolder(story), expected) << story;
  }
}

TEST(StoryData, AtomicWriteReplacesOnlyWithAWholeFile) {
  TempFolder folder;
  std::string error;
  const std::string path = (folder.path() / "new/slot").string();
  for (const char* bytes : {"first", "second"})
    EXPECT_TRUE(writeFileAtomically(path, bytes, error));
  EXPECT_EQ(folder.read("new/slot"), "second");
  // The longest name a folder takes: no temporary file can be made beside it, even by root.
  const std::string longest(255, 's');
  EXPECT_FALSE(writeFileAtomically(folder.write(longest, "old"), "new", error) || error.empty());
  EXPECT_EQ(folder.read(longest), "old");
  EXPECT_FALSE(writeFileAtomically((folder.path() / "new").string(), "x", error));  // a folder
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 2);
}
