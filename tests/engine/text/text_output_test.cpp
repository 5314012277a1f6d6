#include "engine/text/text_output.h"

#include <gtest/gtest.h>

#include "engine/input.h"
#include "engine/script/flow_commands.h"
#include "story_world.h"

constexpr Pixel kText = 0xFFFFFF;
using Values = std::vector<int32_t>;
using Cells = std::vector<Point>;

// A story with its surfaces, the cursor at the text origin (2, 4); cells 3 apart, rows 10.
struct TypingWorld : StoryWorld {
  TypingWorld() : StoryWorld(64, 48) {
    prepareSurfaces();
    commandNewPage(scope(), nullptr);
  }
  MessageWindow& window() { return record->messageWindow; }
  void type(const std::string& text) { drawTextLine(scope(), text.c_str(), false); }
  Values marks() {
    const MessageWindow& w = record->messageWindow;
    return {w.markerX, w.markerY, w.cursorX, w.cursorY, w.currentDelay};
  }
};

TEST(TextOutput, TwoByteUnitsWrapAfterCharsPerLine) {
  // {charsPerLine, text, units (each sleeps once), their cells (empty: not checked)}
  const std::vector<std::tuple<int32_t, std::string, size_t, Cells>> cases = {
      {2, sjis("ああ") + "\n", 2, {{2, 4}, {5, 4}}},
      {2, sjis("あああああ") + "\n", 5, {{2, 4}, {5, 4}, {2, 14}, {5, 14}, {2, 24}}},
      {0, sjis("ああ") + "\n", 2, {{2, 14}, {2, 24}}},  // every unit opens a row
      {-5, sjis("あ") + "\n", 1, {{2, 14}}}, {20, "ab\n", 1, {{2, 4}}},
      {20, "abc\n", 2, {{2, 4}, {5, 4}}},  // the line feed shares the last unit
      {20, "abc", 2, {{2, 4}, {5, 4}}},    // a last line ends at its NUL
      {20, "a" + sjis("あい") + "\n", 3, {}}, {20, "\x82", 1, {}}};  // whatever the bytes
  for (const auto& [charsPerLine, text, units, cells] : cases) {
    TypingWorld world;
    world.record->layout.charsPerLine = charsPerLine;
    world.type(text);
    EXPECT_EQ(world.sleeps.size(), units) << charsPerLine << ": " << text;
    if (cells.empty()) continue;
    Cells shadows;  // one pixel right of and below each character
    for (Point cell : cells) shadows.push_back({cell.x + 1, cell.y + 1});
    EXPECT_EQ(world.displayPixelsOf(kText), cells) << charsPerLine << ": " << text;
    EXPECT_EQ(world.displayPixelsOf(0x400000), shadows) << charsPerLine << ": " << text;
  }
}

TEST(TextOutput, LineEndSetsMarkerCursorAndDelay) {
  TypingWorld world;
  world.context->shared.messageSpeed = 4;
  world.context->shared.cwinX = 128;  // a client area twice the story's size
  world.context->shared.cwinY = 96;
  world.window().currentDelay = 200;
  world.type(sjis("あいう") + "\n");
  EXPECT_EQ(world.marks(), (Values{11, 4, 2, 14, 10}));
  EXPECT_EQ(world.sleeps, (Values{200, 200, 200}));
  // One repaint per cell, its shadow included, in client pixels.
  const Rect cell = world.repaints.at(1).value();
  EXPECT_EQ((Values{int32_t(world.repaints.size()), cell.left, cell.top, cell.right, cell.bottom}),
            (Values{3, 10, 8, 28, 26}));
  world.window().cursorX = 50;
  world.type("\n");  // an empty line draws nothing and waits for nothing
  EXPECT_EQ(world.marks(), (Values{50, 14, 2, 24, 10}));
  world.window().currentDelay = -50;
  world.type(sjis("あ") + "\n");
  EXPECT_EQ(world.sleeps, (Values{200, 200, 200, 0}));
}

TEST(TextOutput, ChoiceItemsUseTheirColoursAndLeaveTheTextCursor) {
  TypingWorld world;
  MessageWindow& window = world.window();
  for (bool highlighted : {true, false}) {  // the second drawn over the first
    window.choiceX = 2;
    window.choiceY = 30;
    drawChoiceItem(world.scope(), (sjis("はい") + "\n").c_str(), highlighted);
    EXPECT_EQ(world.displayPixelsOf(highlighted ? 0xFFFF00 : 0x0000FF), (Cells{{2, 30}, {5, 30}}));
    EXPECT_EQ(world.displayPixelsOf(highlighted ? 0x0000FF : 0xFFFF00), Cells{});
  }
  drawChoiceItem(world.scope(), "\n", true);  // an empty item only moves down
  EXPECT_EQ((Values{window.choiceX, window.choiceY}), (Values{2, 50}));
  EXPECT_EQ(world.marks(), (Values{0, 0, 2, 4, 0}));
  EXPECT_EQ((Values{int32_t(world.sleeps.size()), int32_t(world.repaints.size())}), (Values{0, 4}));
}

TEST(TextOutput, WaitBlinksTheMarkerHoldsWhileTheTextIsHiddenAndRestoresTheArea) {
  TypingWorld world;
  world.record->layout.charDelay = 30;
  std::vector<Pixel>& display = world.context->surfaces.displayBitmap->pixels;
  for (size_t i = 0; i < display.size(); ++i) display[i] = Pixel(i + 1);  // every pixel its own
  world.type(sjis("あ") + "\n");
  const std::vector<Pixel> before = display;
  std::vector<Cells> shown;
  world.onSleep = [&] {
    shown.push_back(world.displayPixelsOf(kText));
    if (shown.size() == 1) onRightButton(*world.context);  // hides during the first blink
    if (shown.size() == 6 || shown.size() == 9) onLeftButton(*world.context, 0);  // shows; clicks
  };
  world.context->shared.clicked = 1;  // a click from before the wait must not end it
  waitForClick(world.scope());
  // The line's one unit; blinks, the hold in 1 ms steps while hidden, then blinks until the
  // click, the marker after the line's end in every first sleep of a blink.
  EXPECT_EQ(world.sleeps, (Values{0, 30, 30, 1, 1, 1, 1, 30, 30, 30, 30}));
  const Cells on = {{2, 4}, {5, 4}}, off = {{2, 4}};
  EXPECT_EQ(shown, (std::vector<Cells>{on, off, off, off, off, off, on, off, on, off}));
  EXPECT_EQ(display, before);
  EXPECT_EQ(world.context->shared.waitingForClick.load(), 0);
  // The whole client area twice: the hold's request, and the left click that shows the text.
  EXPECT_EQ(std::count(world.repaints.begin(), world.repaints.end(), std::nullopt), 2);
}
