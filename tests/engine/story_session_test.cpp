#include "engine/story_session.h"

#include <gtest/gtest.h>

#include <thread>

#include "base/text_file.h"
#include "engine/local_story_folder.h"
#include "story_world.h"

namespace {

// Two stories in one process at once, each runner on a thread of its own: each finds only its
// own files, types its own lines with its own glyphs and draws its own picture.
TEST(StorySession, TwoStoriesPlaySideBySide) {
  struct Story {
    Pixel colour;
    std::string word;  // typed on every line
    StoryWorld world;
    std::string script;
  };
  Story stories[] = {{0xC02010, "ab", {}, ""}, {0x1040C0, "xy", {}, ""}};
  for (Story& story : stories) {
    story.world.story.write("BG.bmp", bmp24(64, 48, story.colour));
    story.world.story.write("second.txt", story.word + " end\r\n@E\r\n");
    story.script = "@G0,0,bg.bmp,0xCC0020;\r\n";
    for (int line = 0; line < 300; ++line) story.script += story.word + "\r\n@P\r\n";
    story.script += "@Jsecond.txt,NULL;\r\n";
  }
  // A name only the first story's folder holds.
  stories[0].world.story.write("mine.bmp", bmp24(1, 1, 0x000001));
  stories[1].script = "@C0,0,mine.bmp,0xCC0020;\r\n" + stories[1].script;

  std::vector<std::thread> runners;
  for (Story& story : stories) {
    story.world.onSleep = [] { std::this_thread::yield(); };
    runners.emplace_back([&story] { story.world.runStory(story.script); });
  }
  for (std::thread& runner : runners) runner.join();

  for (const Story& story : stories) {
    const StoryWorld& world = story.world;
    const std::string& other = (&story == &stories[0] ? stories[1] : stories[0]).word;
    EXPECT_EQ(world.typedLines.size(), 301u) << story.word;
    EXPECT_EQ(world.typedLines.back(), story.word + " end\n");
    EXPECT_EQ(world.context->shared.endRequested.load(), 1) << story.word;
    EXPECT_EQ(world.displayPixel(63, 47), story.colour) << story.word;
    std::string drawn;  // every unit this story's own rasterizer was asked for
    for (const std::string& unit : world.glyphs.drawn) drawn += unit;
    EXPECT_NE(drawn.find(story.word), std::string::npos) << drawn;
    EXPECT_EQ(drawn.find_first_of(other), std::string::npos) << drawn;
  }
  EXPECT_EQ(stories[0].world.boxes, std::vector<std::string>{});
  EXPECT_EQ(stories[1].world.boxes.size(), 1u);
}

// What the reader is told of a file names it in full, in its own story's folder.
TEST(LocalStoryFolder, FindsReadsListsAndTellsWhatIsWrong) {
  TempFolder story;
  story.write("Start.TXT", "a\r\nb\x1A" "c");
  story.write("bg/Room.bmp", "BM");
  std::filesystem::create_directory(story.path() / "dir.bmp");
  const LocalStoryFolder files(story.path());
  const std::string here = std::filesystem::canonical(story.path()).string();
  EXPECT_EQ(files.folder(), here);
  EXPECT_EQ(files.list(), (std::vector<std::string>{"Start.TXT", "bg", "dir.bmp"}));
  EXPECT_EQ(files.read("BG\\room.BMP"), "BM");
  EXPECT_EQ(files.read("bg\\room.bmp", 1), std::nullopt);  // larger than asked
  EXPECT_EQ(files.read("dir.bmp"), std::nullopt);
  TextFile script;
  ASSERT_TRUE(files.openScript("start.txt", script));
  char line[16];
  EXPECT_EQ(std::string(line, script.readLine(line, sizeof line)), "a\n");
  EXPECT_EQ(std::string(line, script.readLine(line, sizeof line)), "b");
  // {name, location, problem}
  const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
      {"START.txt", here + "/Start.TXT", here + "/Start.TXT: said otherwise"},
      {"bg\\none.bmp", here + "/bg/none.bmp", here + "/bg/none.bmp: no such file"},
      {"dir.bmp", here + "/dir.bmp", here + "/dir.bmp: not a regular file"},
      {"/elsewhere/x", "/elsewhere/x", "/elsewhere/x: no such file"},
  };
  for (const auto& [name, location, problem] : cases) {
    EXPECT_EQ(files.location(name), location);
    EXPECT_EQ(files.problem(name, "said otherwise"), problem);
  }
  Problem problem;
  EXPECT_NE(openStoryFolder(story.path().string(), problem), nullptr);
  EXPECT_EQ(openStoryFolder((story.path() / "none").string(), problem), nullptr);
  EXPECT_EQ(problem.detail, (story.path() / "none").string() + ": No such file or directory");
  EXPECT_EQ(openStoryFolder((story.path() / "Start.TXT").string(), problem), nullptr);
  EXPECT_EQ(problem.detail, (story.path() / "Start.TXT").string() + ": Not a directory");
}

}  // namespace
