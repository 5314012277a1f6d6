#include "base/story_files.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "test_files.h"

namespace {

TEST(StoryFiles, ResolvesNamesTheWayWindowsDoes) {
  TempFolder story;
  for (const std::string& name : {std::string("start.txt"), std::string("BG/Room.BMP"),
                                  std::string("音楽/駅.mid"),  // names as UTF-8 on Linux
                                  std::string("表示/ソ.bmp"),  // second bytes that are "\"
                                  sjis("絵") + "/a.bmp",       // copied without converting
                                  std::string("case/a.bmp"), std::string("case/A.bmp")}) {
    story.write(name, "x");
  }
  // Names as a script gives them (code page 932 bytes); found relative to the story folder.
  const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
      {"start.txt", "start.txt"},
      {"START.TXT", "start.txt"},
      {"bg\\room.bmp", "BG/Room.BMP"},
      {".\\bg\\\\ROOM.bmp", "BG/Room.BMP"},
      {"bg\\..\\Start.txt", "BG/../start.txt"},
      {sjis("音楽\\駅.MID"), "音楽/駅.mid"},
      {sjis("絵\\A.BMP"), sjis("絵") + "/a.bmp"},
      {sjis("表示\\ソ.BMP"), "表示/ソ.bmp"},
      {"case\\A.bmp", "case/A.bmp"},  // the exact name wins
      {"case\\a.BMP", "case/A.bmp"},  // neither is exact: the same one every time
      {"bg\\room.bmp\n", std::nullopt},  // the line feed of a name that ends its line
      {"room.bmp", std::nullopt},
      {"bg\\roam.bmp", std::nullopt},
      {"start.txt\\x", std::nullopt},
      {"", std::nullopt}};
  for (const auto& [name, found] : cases) {
    EXPECT_EQ(resolveStoryFile(name, story.path().string()),
              found ? std::optional((story.path() / *found).string()) : std::nullopt) << name;
  }
  // A name from the root, wherever the story is.
  EXPECT_EQ(resolveStoryFile(story.path().string() + "\\bg\\room.bmp", "elsewhere"),
            (story.path() / "BG/Room.BMP").string());
}

TEST(StoryFiles, NamesThatLeaveTheStoryFolder) {
  const std::vector<std::pair<const char*, bool>> cases = {
      {"", false},       {"a\\b.bmp", false}, {"\\a", true},       {"/a", true},
      {"C:a", true},     {"C", false},        {"ab:", false},       {"..\\a", true},
      {"a/../b", true},  {"a\\..", true},     {"..a\\b", false},    {"a..\\b", false}};
  for (const auto& [name, leaves] : cases) EXPECT_EQ(leavesStoryFolder(name), leaves) << name;
}

}  // namespace
