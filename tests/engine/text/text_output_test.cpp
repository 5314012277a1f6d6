#include "engine/text/text_output.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/input.h"
#include "story_world.h"
#include "test_files.h"

namespace {

constexpr Pixel kText = 0xFFFFFF;
constexpr Pixel kShadow = 0x400000;

class TextOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    world_.prepareSurfaces();
    window().cursorX = config().textLeft;
    window().cursorY = config().textTop;
  }
  NevContext& context() { return *world_.context; }
  GameConfig& config() { return world_.context->config; }
  MessageWindow& window() { return world_.context->messageWindow; }

  StoryWorld world_{128, 96};
};

// Cell origins of `count` units typed from (x, y): charPitch 3 apart.
std::vector<Point> row(int32_t x, int32_t y, int count) {
  std::vector<Point> points;
  for (int i = 0; i < count; ++i) points.push_back({x + 3 * i, y});
  return points;
}

TEST_F(TextOutputTest, WrapsAfterCharsPerLineUnits) {
  struct Case {
    int32_t charsPerLine;
    int units;
    std::vector<Point> cells;
  };
  auto join = [](std::vector<Point> a, const std::vector<Point>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  const std::vector<Case> cases = {
      {20, 20, row(2, 4, 20)},
      {20, 21, join(row(2, 4, 20), row(2, 14, 1))},
      {0, 2, join(row(2, 14, 1), row(2, 24, 1))},  // every unit opens a row
      {-5, 1, row(2, 14, 1)},
  };
  for (const Case& c : cases) {
    StoryWorld world{128, 96};
    world.prepareSurfaces();
    world.context->config.charsPerLine = c.charsPerLine;
    world.context->messageWindow.cursorX = 2;
    world.context->messageWindow.cursorY = 4;
    std::string line;
    for (int i = 0; i < c.units; ++i) line += sjis("あ");
    drawTextLine(*world.context, (line + "\n").c_str(), 0);
    EXPECT_EQ(world.displayPixelsOf(kText), c.cells) << c.charsPerLine << "/" << c.units;
    // Each shadow is one pixel right and down of its character.
    std::vector<Point> shadows;
    for (Point p : c.cells) shadows.push_back({p.x + 1, p.y + 1});
    EXPECT_EQ(world.displayPixelsOf(kShadow), shadows);
  }
}

TEST_F(TextOutputTest, LineEndSetsMarkerCursorAndDelay) {
  context().words.messageSpeed = 4;
  window().currentDelay = 200;
  drawTextLine(context(), (sjis("あいう") + "\n").c_str(), 0);
  EXPECT_EQ(window().markerX, 2 + 3 * 3);
  EXPECT_EQ(window().markerY, 4);
  EXPECT_EQ(window().cursorX, 2);
  EXPECT_EQ(window().cursorY, 14);
  EXPECT_EQ(window().currentDelay, 10);
  EXPECT_EQ(world_.sleeps, (std::vector<int32_t>{200, 200, 200}));
  ASSERT_EQ(world_.repaints.size(), 3u);  // one per cell, shadow included
  EXPECT_EQ(world_.repaints[1]->left, 5);
  EXPECT_EQ(world_.repaints[1]->top, 4);
  EXPECT_EQ(world_.repaints[1]->right, 5 + 1 + 8);
  EXPECT_EQ(world_.repaints[1]->bottom, 4 + 1 + 8);
}

TEST_F(TextOutputTest, EmptyLineMovesDownWithoutDrawing) {
  window().cursorX = 50;
  drawTextLine(context(), "\n", 0);
  EXPECT_TRUE(world_.displayPixelsOf(kText).empty());
  EXPECT_EQ(window().markerX, 50);
  EXPECT_EQ(window().markerY, 4);
  EXPECT_EQ(window().cursorY, 14);
  EXPECT_EQ(window().cursorX, 2);
  EXPECT_TRUE(world_.sleeps.empty());
}

TEST_F(TextOutputTest, UnitsAreTwoBytesWhateverTheyHold) {
  struct Case {
    std::string text;
    int32_t units;                   // cells the cursor moved over
    std::vector<std::string> drawn;  // what the glyphs were asked for; empty: not checked
  };
  const std::vector<Case> cases = {
      {"ab\n", 1, {"ab"}},
      {"abc\n", 2, {"ab", "c\n"}},   // the line feed shares the last cell
      {"abc", 2, {"ab", "c"}},         // a last line without its line feed ends at its NUL
      {"a" + sjis("あい") + "\n", 3, {}},  // mispaired from the first byte on
      {"\x82", 1, {}},                // a lone lead byte before the NUL
  };
  for (const Case& c : cases) {
    StoryWorld world{128, 96};
    world.prepareSurfaces();
    world.context->messageWindow.cursorX = 2;
    drawTextLine(*world.context, c.text.c_str(), 0);
    EXPECT_EQ(world.context->messageWindow.markerX, 2 + 3 * c.units) << c.text;
    EXPECT_EQ(world.sleeps.size(), size_t(c.units)) << c.text;
    if (!c.drawn.empty()) {
      EXPECT_EQ(world.glyphs.drawn, c.drawn) << c.text;
    }
  }
}

TEST_F(TextOutputTest, RedrawEndsTheSameWithoutPausesOrRepaints) {
  const std::string line = sjis("あいうえおかきくけこさしすせそたちつてとな") + "\n";
  drawTextLine(context(), line.c_str(), 0);
  const MessageWindow typed = {window().cursorX, window().cursorY, window().markerX,
                               window().markerY, 0, 0, window().currentDelay, nullptr};
  const std::vector<Point> typedPixels = world_.displayPixelsOf(kText);
  const size_t repaints = world_.repaints.size();
  const size_t sleeps = world_.sleeps.size();

  window().cursorX = 2;
  window().cursorY = 4;
  window().currentDelay = 999;
  drawTextLine(context(), line.c_str(), 1);
  EXPECT_EQ(world_.repaints.size(), repaints);
  EXPECT_EQ(world_.sleeps.size(), sleeps);
  EXPECT_EQ(window().cursorX, typed.cursorX);
  EXPECT_EQ(window().cursorY, typed.cursorY);
  EXPECT_EQ(window().markerX, typed.markerX);
  EXPECT_EQ(window().markerY, typed.markerY);
  EXPECT_EQ(window().currentDelay, typed.currentDelay);
  EXPECT_EQ(world_.displayPixelsOf(kText), typedPixels);
}

TEST_F(TextOutputTest, NegativeDelaysSleepNothing) {
  window().currentDelay = -50;
  drawTextLine(context(), (sjis("あ") + "\n").c_str(), 0);
  EXPECT_EQ(world_.sleeps, std::vector<int32_t>{0});
}

TEST_F(TextOutputTest, ChoiceItemsUseTheirColoursAndLeaveTheTextCursor) {
  window().choiceX = 2;
  window().choiceY = 30;
  drawChoiceItem(context(), (sjis("はい") + "\n").c_str(), 1);
  EXPECT_EQ(world_.displayPixelsOf(0xFFFF00), (std::vector<Point>{{2, 30}, {5, 30}}));
  EXPECT_EQ(window().choiceY, 40);
  EXPECT_EQ(window().cursorY, 4);
  EXPECT_TRUE(world_.sleeps.empty());
  EXPECT_EQ(world_.repaints.size(), 2u);

  window().choiceX = 2;
  window().choiceY = 30;
  drawChoiceItem(context(), (sjis("はい") + "\n").c_str(), 0);
  EXPECT_TRUE(world_.displayPixelsOf(0xFFFF00).empty());
  EXPECT_EQ(world_.displayPixelsOf(0x0000FF), (std::vector<Point>{{2, 30}, {5, 30}}));
}

TEST_F(TextOutputTest, WaitBlinksTheMarkerUntilAClickAndRestoresTheArea) {
  config().charDelay = 30;
  drawTextLine(context(), (sjis("あ") + "\n").c_str(), 0);
  const std::vector<Pixel> before = context().surfaces.displayBitmap->pixels;
  std::vector<std::vector<Point>> shownDuringSleeps;
  int sleepsInWait = 0;
  world_.onSleep = [&] {
    shownDuringSleeps.push_back(world_.displayPixelsOf(kText));
    // The reader clicks during the third sleep of the wait.
    if (++sleepsInWait == 3) onLeftButton(context(), 0);
  };
  world_.sleeps.clear();
  context().words.clicked = 1;  // a click from before the wait must not end it
  waitForClick(context());
  EXPECT_EQ(world_.sleeps, (std::vector<int32_t>{30, 30, 30, 30}));
  // Marker shown in the first and third sleep, gone in the second and fourth.
  ASSERT_EQ(shownDuringSleeps.size(), 4u);
  EXPECT_EQ(shownDuringSleeps[0].size(), 2u);
  EXPECT_EQ(shownDuringSleeps[0][1], (Point{5, 4}));  // the marker at the line's end
  EXPECT_EQ(shownDuringSleeps[1].size(), 1u);
  EXPECT_EQ(shownDuringSleeps[2].size(), 2u);
  EXPECT_EQ(context().surfaces.displayBitmap->pixels, before);
  EXPECT_EQ(context().words.waitingForClick.load(), 0);
}

TEST_F(TextOutputTest, HiddenTextHoldsTheWait) {
  config().charDelay = 10;
  int sleepsInWait = 0;
  world_.onSleep = [&] {
    ++sleepsInWait;
    if (sleepsInWait == 1) onRightButton(context());      // hide during the first blink
    if (sleepsInWait == 6) onLeftButton(context(), 0);    // shows the text: no click
    if (sleepsInWait == 9) onLeftButton(context(), 0);    // the click
  };
  waitForClick(context());
  // Blink (10, 10), then the hold in 1 ms steps while hidden, then blinks until the click.
  EXPECT_EQ(world_.sleeps, (std::vector<int32_t>{10, 10, 1, 1, 1, 1, 10, 10, 10, 10}));
  // The hold asked for the whole client area to be shown clean.
  int wholeRepaints = 0;
  for (const auto& repaint : world_.repaints) wholeRepaints += repaint ? 0 : 1;
  EXPECT_EQ(wholeRepaints, 2);  // the hold's request, and the left click that shows the text
}

TEST_F(TextOutputTest, MarkerAreaStartsAtTheMarkerPoint) {
  config().shadowDx = -2;
  config().shadowDy = -3;
  // Something drawn just left of and above the marker point must survive the wait untouched.
  window().markerX = 20;
  window().markerY = 20;
  Bitmap& display = *context().surfaces.displayBitmap;
  display.pixels[size_t(18) * display.width + 19] = 0x123456;
  world_.onSleep = [&] { onLeftButton(context(), 0); };
  waitForClick(context());
  EXPECT_EQ(display.pixels[size_t(18) * display.width + 19], 0x123456u);
  EXPECT_TRUE(world_.displayPixelsOf(kText).empty());
}

}  // namespace
