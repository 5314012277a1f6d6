#include "engine/reading.h"

#include <gtest/gtest.h>

#include "story_world.h"

namespace {

// The reader's skip of read text goes through the lines marked, stops at the first line not
// read and never comes back by itself; marks of one run are there for the next.
TEST(Reading, SkippingReadTextStopsAtTheFirstUnreadLine) {
  StoryWorld world{64, 48};
  NevContext& context = *world.context;
  context.config.waitEveryLine = 1;
  const std::string marks = world.story.write("read.txt", "START.TXT\t1\nstart.txt\t2\nbroken line\n");
  std::string problem;
  ASSERT_TRUE(context.reading.marks.open(marks, problem)) << problem;
  context.reading.skip = int32_t(SkipMode::ReadText);
  int32_t waits = 0;
  world.onSleep = [&] {
    if (context.words.waitingForClick.load() == 1 && context.words.clicked.load() == 0) {
      ++waits;
      context.words.clicked = 1;
    }
  };
  world.runStory("one\ntwo\nthree\none again\n");
  EXPECT_EQ(world.typedLines, (std::vector<std::string>{"three\n", "one again\n"}));
  EXPECT_EQ(waits, 2);
  EXPECT_EQ(context.reading.skip.load(), int32_t(SkipMode::Off));
  EXPECT_EQ(world.story.read("read.txt"), "START.TXT\t1\nstart.txt\t2\nbroken line\nstart.txt\t3\nstart.txt\t4\n");
}

}  // namespace
