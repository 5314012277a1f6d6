#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/input.h"
#include "engine/messages.h"
#include "base/text_file.h"
#include "engine/script/line_reader.h"
#include "story_world.h"
#include "test_files.h"

namespace {

using Lines = std::vector<std::string>;

struct JumpCase {
  const char* name;
  std::string start;
  std::vector<std::pair<std::string, std::string>> files;
  Lines typed;
  std::vector<std::string> boxes;
};

TEST(Jump, FindsItsTargetByteForByte) {
  const std::string notOpened = std::string(kCaptionBadFile) + ": ";
  const std::string notFound = std::string(kCaptionLabelNotFound) + ": ";
  const std::vector<JumpCase> cases = {
      {"NULL; starts at the top", "@Jnext.txt,NULL;\nnot shown\n",
       {{"next.txt", "one\n@Lx;\ntwo\n"}}, {"one\n", "two\n"}, {}},
      {"NULL with its line feed is a label", "@Jnext.txt,NULL\n",
       {{"next.txt", "skipped\n@LNULL;\n@LNULL\nfound\n"}}, {"found\n"}, {}},
      {"label with more after a comma", "@Jnext.txt,here;\n",
       {{"next.txt", "skipped\n@Lhere,more text\nafter\n"}}, {"after\n"}, {}},
      {"label without separator does not match one with", "@Jnext.txt,here\n",
       {{"next.txt", "@Lhere;\nskipped\n"}}, {}, {notFound + "here\n"}},
      {"label in the running script, searched from the top", "a\n@Jstart.txt,two;\n@Ltwo;\nb\n",
       {}, {"a\n", "b\n"}, {}},
      {"names resolved like every story file", "@Jsub\\Next.TXT,NULL;\n",
       {{"sub/next.txt", "found\n"}}, {"found\n"}, {}},
      {"missing file ends the runner", "@Jgone.txt,NULL;\nnot shown\n", {}, {},
       {notOpened + "gone.txt"}},
      {"file name ending its line carries the line feed", "@Jnext.txt\n",
       {{"next.txt", "x\n"}}, {}, {notOpened + "next.txt\n"}},
      {"label not found ends the runner", "@Jnext.txt,nowhere;\nnot shown\n",
       {{"next.txt", "one\n"}}, {}, {notFound + "nowhere"}},
      {"no label goes to the top", "@Jnext.txt;", {{"next.txt", "one\n"}}, {"one\n"}, {}},
      {"the line feed is a label", "@Jnext.txt;\n", {{"next.txt", "one\n"}}, {},
       {notFound + "\n"}},
      {"no arguments at all", "@J", {}, {}, {notOpened}},
      {"only a line feed", "@J\nnot shown\n", {}, {}, {notOpened + "\n"}},
      {"undecodable bytes named exactly", "@Jx\x82.txt,NULL;\n", {}, {},
       {notOpened + "x\\x82.txt"}},
  };
  for (const JumpCase& c : cases) {
    StoryWorld world;
    for (const auto& [name, text] : c.files) world.story.write(name, text);
    world.runStory(c.start);
    EXPECT_EQ(world.typedLines, c.typed) << c.name;
    EXPECT_EQ(world.boxes, c.boxes) << c.name;
  }
}

TEST(Jump, ScrambledStoriesJumpBetweenScrambledFiles) {
  StoryWorld world;
  world.context->config.scrambledScripts = 1;
  auto scramble = [&](const std::string& name, const std::string& plain) {
    TextFile in, out;
    ASSERT_TRUE(in.open(world.story.write(name + ".plain", plain), "r"));
    ASSERT_TRUE(out.open((world.story.path() / name).string(), "w"));
    scrambleScript(in, out);
  };
  scramble("start.stx", "first\n@Jnext.stx,there;\n");
  scramble("next.stx", "skipped\n@Lthere;\nlast\n");
  createMessageFont(*world.context);
  createDisplaySurface(*world.context);
  RunnerOperations operations = standardRunnerOperations(*world.context);
  Lines typed;
  operations.drawTextLine = [&](const char* text, int) { typed.push_back(text); };
  ScriptRunner(*world.context, operations);
  EXPECT_EQ(typed, (Lines{"first\n\n", "last\n\n"}));
  EXPECT_TRUE(world.boxes.empty());
}

// A reader that clicks as soon as the runner waits.
void clickWhenWaiting(StoryWorld& world) {
  world.onSleep = [&world] {
    if (world.context->words.waitingForClick.load() == 1 && world.context->runner.choice.count == 0) {
      onLeftButton(*world.context, 0);
    }
  };
}

TEST(FlowCommands, ClickWaitOnlyWhenWaitEveryLineIsZero) {
  for (int32_t value : {0, 1, 2}) {
    StoryWorld world;
    world.context->config.waitEveryLine = value;
    world.context->config.charDelay = 7;
    int waits = 0;
    world.onSleep = [&] {
      if (world.context->words.waitingForClick.load() == 1 && world.context->words.clicked == 0) {
        ++waits;
        onLeftButton(*world.context, 0);
      }
    };
    world.runStory("@M\n");
    EXPECT_EQ(waits, value == 0 ? 1 : 0) << value;
  }
}

TEST(FlowCommands, SpeedHoldsForOneLineAndRedrawUsesItUp) {
  struct Case {
    const char* name;
    std::string script;
    std::vector<int32_t> sleeps;
  };
  const std::string one = sjis("あ") + "\n";
  const std::vector<Case> cases = {
      {"next line only", "@S200\n" + one + one, {200, 40}},
      {"zero", "@S0\n" + one + one, {0, 40}},
      {"no digits", "@Sfast\n" + one, {0}},
      {"used up by a redraw of the page", one + "@S200\n@X\n" + one, {40, 40}},
      {"kept by a redraw of an empty page", "@P\n@S200\n@X\n" + one, {200}},
      {"pause", "@T 150\n@T\n@T-5\n", {150, 0, 0}},
  };
  for (const Case& c : cases) {
    StoryWorld world;
    world.runStory(c.script);
    EXPECT_EQ(world.sleeps, c.sleeps) << c.name;
  }
}

TEST(FlowCommands, NewPageAndRedraw) {
  StoryWorld world;
  const std::string line = sjis("あい") + "\n";
  world.runStory(line + line + "@P\n" + sjis("う") + "\n@X\n");
  // The old text stays; the new page's line is typed over the first row; the redraw puts the
  // page's one line back at the top.
  EXPECT_EQ(world.context->runner.history.lineCount, 1);
  EXPECT_EQ(world.displayPixelsOf(0xFFFFFF),
            (std::vector<Point>{{2, 4}, {5, 4}, {2, 14}, {5, 14}}));
  EXPECT_EQ(world.context->messageWindow.cursorY, 14);
}

TEST(FlowCommands, EndAsksTheWindowAndReadsOn) {
  StoryWorld world;
  world.runStory("@E\nstill typed\n");
  EXPECT_EQ(world.context->words.endRequested.load(), 1);
  EXPECT_EQ(world.typedLines, (Lines{"still typed\n"}));
}

TEST(MediaCommands, TextWindowSettingsTakeEffectAtTheNextRow) {
  StoryWorld world;
  clickWhenWaiting(world);
  const std::string three = sjis("あいう") + "\n";
  world.runStory(three + "@R30,4,2,0,8,3,10,40,0,0\n" + three + three);
  EXPECT_EQ(world.context->config.textLeft, 30);
  EXPECT_EQ(world.context->config.charsPerLine, 2);
  // Second line: starts at the old margin (2) on row 14, wraps to the new margin at row 24;
  // third line: the new margin, wrapping after two units.
  EXPECT_EQ(world.displayPixelsOf(0xFFFFFF),
            (std::vector<Point>{{2, 4}, {5, 4}, {8, 4}, {2, 14}, {5, 14}, {30, 24}, {30, 34},
                                {33, 34}, {30, 44}}));
}

TEST(MediaCommands, ShortArgumentListsDoNoHarm) {
  StoryWorld world;
  world.story.write("a.bmp", bmp24(2, 2, 0xFF0000));
  world.runStory("@C\n@C0,0\n@G1;\n@R\n@R5\n@I\n@Y\n@Q\n@Z\n@W\n@S\n@T\n@Ca,b,a.bmp;");
  // Only the last picture line names a file, and no raster code: drawn at (0, 0), copied.
  EXPECT_EQ(world.composePixel(1, 1), 0xFF0000u);
  EXPECT_EQ(world.displayPixel(1, 1), 0xFF0000u);
  EXPECT_EQ(world.context->config.textLeft, 5);
  EXPECT_EQ(world.context->config.textTop, 4);  // left as it was
  EXPECT_TRUE(world.boxes.empty());
}

TEST(MediaCommands, RasterCodesAreReadWithBaseDetection) {
  for (const char* code : {"13369376", "0xCC0020", "0xcc0020", "0xCC0020\n"}) {
    StoryWorld world;
    world.story.write("a.bmp", bmp24(2, 2, 0x00FF00));
    world.runStory(std::string("@G0,0,a.bmp,") + code + "\n");
    EXPECT_EQ(world.displayPixel(0, 0), 0x00FF00u) << code;
  }
}

TEST(MediaCommands, PictureIsShownOnlyAfterARepaintRequest) {
  StoryWorld world;
  world.story.write("a.bmp", bmp24(4, 4, 0x00FF00));
  world.runStory("@C0,0,a.bmp,0xCC0020;\n");
  EXPECT_TRUE(world.repaints.empty());
  world.runStory("@I\n");
  ASSERT_EQ(world.repaints.size(), 1u);
  EXPECT_FALSE(world.repaints[0]);
}

}  // namespace
