#include <gtest/gtest.h>

#include "engine/input.h"
#include "engine/messages.h"
#include "story_world.h"

using Lines = std::vector<std::string>;

TEST(Jump, FindsItsTargetByteForByte) {
  // {start script, next.txt, lines typed, boxes}
  const std::string notOpened = std::string(kCaptionBadFile) + ": ";
  const std::string notFound = std::string(kCaptionLabelNotFound) + ": ";
  const std::vector<std::tuple<std::string, std::string, Lines, Lines>> cases = {
      {"@Jnext.txt,NULL;\nnot shown\n", "one\n@Lx;\ntwo\n", {"one\n", "two\n"}, {}},
      {"@Jnext.txt,NULL\n", "no\n@LNULL;\n@LNULL\nfound\n", {"found\n"}, {}},  // a label
      {"@Jnext.txt,here;\n", "no\n\n@Lhere,more text\nfound\n", {"found\n"}, {}},
      {"@Jnext.txt,x;\n", "xLx;\nno\n@Ax;\nno\n@lx;\n@Lx;\nfound\n", {"found\n"}, {}},
      {"@Jnext.txt,here\n", "@Lhere;\nno\n", {}, {notFound + "here\n"}},
      {"a\n@Jstart.txt,two;\n@Ltwo;\nb\n", "", {"a\n", "b\n"}, {}},  // searched from the top
      {"@Jnext.txt;", "one\n", {"one\n"}, {}},  // no label: the top
      {"@Jnext.txt;\n", "one\n", {}, {notFound + "\n"}},  // the line feed is the label
      {"@Jnext.txt,nowhere;\nnot shown\n", "one\n", {}, {notFound + "nowhere"}},
      {"@Jgone.txt,NULL;\nnot shown\n", "", {}, {notOpened + "gone.txt"}},
      {"@Jnext.txt\n", "x\n", {}, {notOpened + "next.txt\n"}},  // the name keeps the line feed
      {"@J", "", {}, {notOpened}},
      {"@Jx\x82.txt,NULL;\n", "", {}, {notOpened + "x\\x82.txt"}},  // undecodable bytes escaped
  };
  for (const auto& [start, next, typed, boxes] : cases) {
    StoryWorld world;
    world.story.write("next.txt", next);
    world.runStory(start);
    EXPECT_EQ(world.typedLines, typed) << start;
    EXPECT_EQ(world.boxes, boxes) << start;
  }
}

TEST(FlowCommands, ClickWaitSpeedAndPauseAsSleeps) {
  // {waitEveryLine, script, sleeps}: a unit sleeps the delay; a click wait blinks twice.
  const std::string one = sjis("あ") + "\n";
  const std::vector<std::tuple<int32_t, std::string, std::vector<int32_t>>> cases = {
      {0, "@M\n", {40, 40}}, {1, "@M\n", {}}, {-1, "@M\n", {}},  // only where lines do not wait
      {0, "@S200\n" + one + one, {200, 40}},  // for the next line only
      {0, "@S0\n" + one + one, {0, 40}}, {0, "@Sfast\n" + one, {0}},
      {0, one + "@S200\n@X\n" + one, {40, 40}},  // used up by a redraw of the page
      {0, "@P\n@S200\n@X\n" + one, {200}},      // but not by a redraw of an empty page
      {0, "@T 150\n@T-5\n@T", {150, 0, 0}}};
  for (const auto& [waitEveryLine, script, sleeps] : cases) {
    StoryWorld world(64, 48, [&](GameConfig& settings) { settings.waitEveryLine = waitEveryLine; });
    world.onSleep = [&world] {  // the reader clicks whenever the runner waits
      if (world.context->shared.waitingForClick.load() == 1) onLeftButton(*world.context, 0);
    };
    world.runStory(script);
    EXPECT_EQ(world.sleeps, sleeps) << script;
  }
}

TEST(FlowCommands, OnlyLoopsThatInputEndsAwaitInput) {
  // {script, text hidden from the start, sleeps, whether each awaited input}: typing goes on
  // with the text hidden, so only the wait's hold and a choice's items await input.
  const std::vector<std::tuple<std::string, bool, std::vector<int32_t>, std::vector<int32_t>>> cases = {
      {sjis("ああ") + "\n@M\n", true, {40, 40, 1, 1, 1}, {0, 0, 1, 1, 1}},
      {sjis("ああ") + "\n@M\n", false, {40, 40, 40, 40, 40}, {0, 0, 0, 0, 0}},
      {"@W2\none\ntwo\n", false, {4, 4, 4, 4, 4}, {1, 1, 1, 1, 1}},
      {"@W2\none\ntwo\n", true, {1, 1, 1, 1, 1}, {1, 1, 1, 1, 1}}};
  for (const auto& [script, hidden, sleeps, awaited] : cases) {
    StoryWorld world(64, 48, [](GameConfig& settings) { settings.waitEveryLine = 0; });
    world.context->shared.hideText = hidden ? 1 : 0;
    std::vector<int32_t> seen;
    world.onSleep = [&] {
      seen.push_back(world.context->shared.awaitingInput.load());
      if (seen.size() == sleeps.size()) world.context->shared.stopRunner = 1;
    };
    world.runStory(script);
    EXPECT_EQ(world.sleeps, sleeps) << script;
    EXPECT_EQ(seen, awaited) << script;
    EXPECT_EQ(world.context->shared.awaitingInput.load(), 0) << script;
  }
}

TEST(MediaCommands, ShortArgumentListsDoNoHarmAndPicturesWaitForARepaint) {
  StoryWorld world;
  world.story.write("a.bmp", bmp24(2, 2, 0xFF0000));
  world.story.write("g.bmp", bmp24(2, 2, 0x00FF00));
  world.runStory(
      "@E\n@C\n@C0,0\n@G1;\n@R\n@R5\n@Y\n@Q\n@Z\n@W\n@S\n@T\n@G2,3,g.bmp,0xcc0020\n"
      "@I\nstill typed\n@Ca,b,a.bmp;");  // the last line: no raster code at all
  EXPECT_EQ(world.typedLines, Lines{"still typed\n"});  // @E: the window ends; the runner reads on
  const TextWindowLayout& c = world.runner->record().layout;
  EXPECT_EQ((std::vector<int32_t>{world.context->shared.endRequested, c.textLeft, c.textTop}),
            (std::vector<int32_t>{1, 5, 4}));
  // A raster code is read as C reads a number; without one, a picture is copied.
  EXPECT_EQ((std::vector<Pixel>{world.composePixel(2, 3), world.composePixel(3, 2),
                                world.composePixel(1, 1), world.displayPixel(1, 1),
                                world.displayPixel(3, 4)}),
            (std::vector<Pixel>{0x00FF00, 0, 0xFF0000, 0xFF0000, 0x00FF00}));
  EXPECT_TRUE(world.boxes.empty());
  // Only @I asked for the picture to be shown; the text asked for its own cells after it.
  EXPECT_FALSE(world.repaints.at(0));
}
