#include "engine/input.h"

#include <gtest/gtest.h>

#include <functional>

#include "story_world.h"

TEST(Input, ClicksHidingAndEndRequestsAsTheNextMessageSeesThem) {
  StoryWorld world;
  NevContext& c = *world.context;
  SharedState& shared = c.shared;
  // {what the window thread does, then hideText, clicked, mouseY and the repaints asked for}
  const std::vector<std::pair<std::function<void()>, std::vector<int32_t>>> steps = {
      {[&] { onLeftButton(c, 33); }, {0, 1, 33, 0}},
      {[&] { onRightButton(c); }, {0, 1, 33, 0}},  // not waiting: no hiding
      {[&] { EXPECT_FALSE(runMessagePrologue(c)); }, {0, 0, 33, 0}},  // nor a kept click
      {[&] { shared.waitingForClick = 1; onRightButton(c); }, {1, 0, 33, 0}},  // the wait repaints
      {[&] { onLeftButton(c, 9); }, {0, 0, 9, 1}},  // shows the text again, and is no click
      {[&] { onRightButton(c); onRightButton(c); }, {0, 0, 9, 2}},  // the second shows it again
      {[&] { onLeftButton(c, 5); shared.endRequested = 1; }, {0, 1, 5, 2}},
      {[&] { EXPECT_TRUE(runMessagePrologue(c)); }, {0, 1, 5, 2}},  // the click kept while waiting
      {[&] { EXPECT_FALSE(runMessagePrologue(c)); }, {0, 1, 5, 2}},  // the end acted on once
  };
  for (size_t i = 0; i < steps.size(); ++i) {
    steps[i].first();
    const std::vector<int32_t> state = {shared.hideText, shared.clicked, shared.mouseY,
                                        int32_t(world.repaints.size())};
    EXPECT_EQ(state, steps[i].second) << "step " << i;
  }
  EXPECT_FALSE(world.repaints[0]);  // the whole client area
  onClientSize(c, 0x10321, 0x10259);  // sixteen bits each
  EXPECT_EQ((std::vector<int32_t>{shared.cwinX, shared.cwinY}), (std::vector<int32_t>{801, 601}));
}

TEST(Input, MenuBarFollowsThePointerOnlyWhenTakenAway) {
  StoryWorld world;
  MenuBarState pinned, away{false, false};
  EXPECT_EQ(onPointerMove(*world.context, pinned, 0), MenuBarChange::None);  // pinned: stays
  // {pointer row, change, popped afterwards}: rows 0 to 4 bring the bar back.
  const std::vector<std::tuple<int32_t, MenuBarChange, bool>> steps = {
      {10, MenuBarChange::None, false}, {4, MenuBarChange::Attach, true},
      {4, MenuBarChange::None, true},   {5, MenuBarChange::Detach, false},
      {5, MenuBarChange::None, false},  {0, MenuBarChange::Attach, true}};
  for (const auto& [y, change, popped] : steps) {
    EXPECT_EQ(onPointerMove(*world.context, away, y), change) << y;
    EXPECT_EQ(away.menuBarPopped, popped) << y;
  }
}
