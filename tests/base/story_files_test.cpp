#include "base/story_files.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "test_files.h"

namespace {

struct ResolveCase {
  std::string name;             // as a script names it (code page 932 bytes)
  std::optional<std::string> found;  // relative to the story folder
};

TEST(StoryFiles, ResolvesNamesTheWayWindowsDoes) {
  TempFolder story;
  story.write("start.txt", "x");
  story.write("BG/Room.BMP", "x");
  story.write("music/Theme.mid", "x");
  story.write("音楽/駅.mid", "x");  // the folder and file names as UTF-8 on Linux
  story.write(sjis("絵") + "/a.bmp", "x");  // copied without converting the name

  const std::vector<ResolveCase> cases = {
      {"start.txt", "start.txt"},
      {"START.TXT", "start.txt"},
      {"bg\\room.bmp", "BG/Room.BMP"},
      {"bg/ROOM.bmp", "BG/Room.BMP"},
      {".\\bg\\room.bmp", "BG/Room.BMP"},
      {"bg\\\\room.bmp", "BG/Room.BMP"},
      {"MUSIC\\THEME.MID", "music/Theme.mid"},
      {sjis("音楽\\駅.mid"), "音楽/駅.mid"},
      {sjis("音楽/駅.MID"), "音楽/駅.mid"},
      {sjis("絵\\A.BMP"), sjis("絵") + "/a.bmp"},
      {"bg\\room.bmp\n", std::nullopt},  // the line feed of a name that ends its line
      {"room.bmp", std::nullopt},
      {"bg\\missing.bmp", std::nullopt},
      {"start.txt\\x", std::nullopt},
      {"", std::nullopt},
  };
  for (const ResolveCase& c : cases) {
    std::optional<std::string> found = resolveStoryFile(c.name, story.path().string());
    std::optional<std::string> expected;
    if (c.found) expected = (story.path() / *c.found).string();
    EXPECT_EQ(found, expected) << c.name;
  }
}

TEST(StoryFiles, ExactNameWinsOverOtherCases) {
  TempFolder story;
  story.write("a.bmp", "lower");
  story.write("A.bmp", "upper");
  EXPECT_EQ(resolveStoryFile("A.bmp", story.path().string()), (story.path() / "A.bmp").string());
  // Neither is exact: the choice is the same every time.
  EXPECT_EQ(resolveStoryFile("a.BMP", story.path().string()), (story.path() / "A.bmp").string());
}

TEST(StoryFiles, RelativeToTheCurrentFolderByDefault) {
  TempFolder story;
  story.write("Nev.Ini", "x");
  ScopedCurrentDirectory inside(story.path());
  EXPECT_EQ(resolveStoryFile("nev.ini"), "./Nev.Ini");
}

}  // namespace
