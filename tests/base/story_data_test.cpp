#include "base/story_data.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>

#include "test_files.h"

namespace fs = std::filesystem;

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

TEST(StoryData, AtomicWriteReplacesOnlyAWholeRegularFile) {
  TempFolder folder;
  const std::string path = (folder.path() / "slot").string();
  for (const char* bytes : {"first", "second"}) EXPECT_FALSE(writeFileAtomically(path, bytes));
  EXPECT_EQ(folder.read("slot"), "second");
  // The longest name a folder takes: no temporary file can be made beside it, even by root.
  const std::string longest(255, 's');
  const std::optional<Problem> tooLong = writeFileAtomically(folder.write(longest, "old"), "new");
  ASSERT_TRUE(tooLong);
  EXPECT_EQ(tooLong->detail.rfind((folder.path() / longest).string() + ": ", 0), 0u);
  EXPECT_EQ(folder.read(longest), "old");
  // No folder is made, and nothing that is not a regular file is replaced.
  const fs::path pipe = folder.path() / "pipe", link = folder.path() / "link";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  fs::create_symlink(path, link);
  for (const fs::path& target : {folder.path() / "new/slot", folder.path(), pipe, link}) {
    EXPECT_TRUE(writeFileAtomically(target.string(), "x")) << target;
  }
  EXPECT_TRUE(fs::is_fifo(fs::symlink_status(pipe)));
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link)));
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), {}), 4);
}

TEST(StoryData, TemporaryFilesOfAKilledWriteGoWhenStale) {
  TempFolder folder;
  const auto old = fs::file_time_type::clock::now() - std::chrono::minutes(5);
  for (const char* name : {"auto.sav.tmp-a1B2c3", "quick.sav.tmp-Zz9yX8", "keep.tmp-abc", "keep.sav"}) {
    fs::last_write_time(folder.write(name, "x"), old);
  }
  folder.write("slot01.sav.tmp-fresh1", "being written by another nev");
  removeStaleTemporaries(folder.path().string());
  std::set<std::string> left;
  for (const auto& entry : fs::directory_iterator(folder.path())) left.insert(entry.path().filename());
  EXPECT_EQ(left, (std::set<std::string>{"keep.tmp-abc", "keep.sav", "slot01.sav.tmp-fresh1"}));
}
