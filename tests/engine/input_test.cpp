#include "engine/input.h"

#include <gtest/gtest.h>

#include <vector>

#include "story_world.h"

namespace {

TEST(Input, ClickIsKeptOnlyWhileTheRunnerWaits) {
  StoryWorld world;
  NevContext& context = *world.context;
  onLeftButton(context, 33);
  EXPECT_EQ(context.words.clicked.load(), 1);
  EXPECT_EQ(context.words.mouseY.load(), 33);
  EXPECT_FALSE(runMessagePrologue(context));  // not waiting: the next message forgets it
  EXPECT_EQ(context.words.clicked.load(), 0);

  context.words.waitingForClick = 1;
  onLeftButton(context, 5);
  runMessagePrologue(context);
  EXPECT_EQ(context.words.clicked.load(), 1);
}

TEST(Input, EndRequestIsActedOnOnce) {
  StoryWorld world;
  world.context->words.endRequested = 1;
  EXPECT_TRUE(runMessagePrologue(*world.context));
  EXPECT_EQ(world.context->words.endRequested.load(), 0);
  EXPECT_FALSE(runMessagePrologue(*world.context));
}

TEST(Input, RightClickHidesTheTextOnlyDuringAWait) {
  StoryWorld world;
  SharedWords& words = world.context->words;
  onRightButton(*world.context);  // not waiting: nothing
  EXPECT_EQ(words.hideText.load(), 0);

  words.waitingForClick = 1;
  onRightButton(*world.context);
  EXPECT_EQ(words.hideText.load(), 1);
  EXPECT_TRUE(world.repaints.empty());  // the wait asks for the repaint itself

  onLeftButton(*world.context, 9);  // shows the text again, and is no click
  EXPECT_EQ(words.hideText.load(), 0);
  EXPECT_EQ(words.clicked.load(), 0);
  EXPECT_EQ(words.mouseY.load(), 9);
  ASSERT_EQ(world.repaints.size(), 1u);
  EXPECT_FALSE(world.repaints[0]);

  onRightButton(*world.context);
  onRightButton(*world.context);  // a second right click shows it again
  EXPECT_EQ(words.hideText.load(), 0);
  EXPECT_EQ(world.repaints.size(), 2u);
}

TEST(Input, MenuBarFollowsThePointerOnlyWhenTakenAway) {
  struct Step {
    int32_t y;
    MenuBarChange change;
    int32_t popped;
  };
  StoryWorld world;
  MenuBarState pinned;
  for (int32_t y : {0, 4, 200}) {
    EXPECT_EQ(onPointerMove(*world.context, pinned, y), MenuBarChange::None);
  }
  EXPECT_EQ(world.context->words.mouseY.load(), 200);

  MenuBarState away{0, 0};
  const std::vector<Step> steps = {
      {10, MenuBarChange::None, 0},   {4, MenuBarChange::Attach, 1}, {0, MenuBarChange::None, 1},
      {5, MenuBarChange::Detach, 0},  {5, MenuBarChange::None, 0},   {3, MenuBarChange::Attach, 1},
  };
  for (const Step& step : steps) {
    EXPECT_EQ(onPointerMove(*world.context, away, step.y), step.change) << step.y;
    EXPECT_EQ(away.menuBarPopped, step.popped) << step.y;
  }
}

TEST(Input, ClientSizeKeepsSixteenBits) {
  StoryWorld world;
  onClientSize(*world.context, 800, 0x10258);
  EXPECT_EQ(world.context->words.cwinX.load(), 800);
  EXPECT_EQ(world.context->words.cwinY.load(), 0x258);
}

}  // namespace
